#pragma once

#include <QObject>

namespace nightaudit {

class RunSession;
class TaskTree;
struct MainControls;
struct PlaybackState;

// What choosing a tree node does. A click (mouse, or Space on the current node) shows the node's
// instructions, enables Go and the key editor button, asks for a run in single-click mode, toggles
// the teach stopwatch, remembers a key sequence for teach mode and names the node on "Teach Task".
// Moving through the tree with the arrow keys updates the same texts and buttons but neither runs
// anything nor touches the stopwatch: stepping past nodes must never type into the driven
// application. Selection changes made by a run (the task-sequence walk) are ignored.
class NodeSelection : public QObject {
    Q_OBJECT
public:
    // Every argument must outlive the selection.
    NodeSelection(const MainControls& controls, TaskTree& tree, const RunSession& session,
                  PlaybackState& state);

signals:
    // A click in single-click mode: Go for the clicked node.
    void runRequested();
    // A click on a task or a key sequence: the teach stopwatch starts or stops.
    void stopwatchToggled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply(int nodeIndex, bool clicked);
    void onSelectionChanged();

    const MainControls& m_controls;
    TaskTree& m_tree;
    const RunSession& m_session;
    PlaybackState& m_state;
};

}  // namespace nightaudit
