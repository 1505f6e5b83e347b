#pragma once

#include <QObject>

namespace nightaudit {

class RunCommands;
class dlgMain;

// What choosing a tree node does. A click (mouse, or Space on the current node) shows the node's
// instructions, enables Go and the key editor button, runs the node in single-click mode, toggles
// the teach stopwatch, remembers a key sequence for teach mode and names the node on "Teach Task".
// Moving through the tree with the arrow keys updates the same texts and buttons but neither runs
// anything nor touches the stopwatch: stepping past nodes must never type into the driven
// application. Selection changes made by a run (the task-sequence walk) are ignored.
class NodeSelection : public QObject {
    Q_OBJECT
public:
    NodeSelection(dlgMain& window, const RunCommands& runs);

    // The node-click event for the node at `nodeIndex`. Each step that fails is
    // skipped and shown; the next step still runs.
    void TreeView1_NodeClick(int nodeIndex);
    // A selection without a click (arrow keys): the click's steps without run and stopwatch.
    void nodeSelected(int nodeIndex);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply(int nodeIndex, bool clicked);
    void onSelectionChanged();

    dlgMain& m_window;
    const RunCommands& m_runs;
};

}  // namespace nightaudit
