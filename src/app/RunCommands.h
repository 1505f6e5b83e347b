#pragma once

#include "playback/RunObserver.h"

namespace nightaudit {

class dlgMain;

// Go (`cmdSend`), its twin `cmdSend2` and Next (`Command8`): they run tree nodes
// through the window's ExecuteSelected. One run at a time: while a run is under way
// (its events are pumped, so clicks still arrive) the three buttons and the tree are
// disabled, and a run started by other means (a single-click) is refused with a
// message; afterwards their enabled states are put back exactly as they were, also
// when the run ended with an error. An error that ends a run is shown to the clerk.
class RunCommands {
public:
    explicit RunCommands(dlgMain& window) : m_window(window) {}

    // `trigger`: what pressed Go, for the journal of the run.
    void cmdSend_Click(RunTrigger trigger = RunTrigger::Go);
    void cmdSend2_Click() { cmdSend_Click(RunTrigger::SecondGo); }
    void Command8_Click();

    bool isRunning() const { return m_running; }

private:
    class RunLock;
    bool mayStart();

    dlgMain& m_window;
    bool m_running = false;
};

}  // namespace nightaudit
