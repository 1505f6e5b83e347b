#pragma once

#include <QObject>

#include <array>

#include "playback/RunObserver.h"

class QWidget;

namespace nightaudit {

class PlaybackWiring;
class RunSession;
class TaskTree;
struct MainControls;
struct PlaybackState;

// Go (`cmdSend`), its twin `cmdSend2` and Next (`Command8`): they run tree nodes
// through the wiring. One run at a time: while a run is under way (its events are
// pumped, so clicks still arrive) the three buttons and the tree are disabled, and a run
// started by other means (a single-click) is refused with a message; afterwards their
// enabled states are put back exactly as they were, also when the run ended with an
// error. An error that ends a run is shown to the clerk.
class RunCommands : public QObject {
    Q_OBJECT
public:
    // Every argument must outlive the commands. `window` parents the messages and its
    // caption is cleared at each Go.
    RunCommands(QWidget& window, const MainControls& controls, TaskTree& tree,
                PlaybackWiring& wiring, RunSession& session, PlaybackState& state);

    // `trigger`: what pressed Go, for the journal of the run.
    void go(RunTrigger trigger = RunTrigger::Go);
    void next();

private:
    bool mayStart();
    void lockOut();
    void giveBack();

    QWidget& m_window;
    TaskTree& m_tree;
    PlaybackWiring& m_wiring;
    RunSession& m_session;
    PlaybackState& m_state;
    QWidget* m_next;
    // The controls that could start another run, with their states before it.
    std::array<QWidget*, 4> m_starters;
    std::array<bool, 4> m_enabledBefore = {};
};

}  // namespace nightaudit
