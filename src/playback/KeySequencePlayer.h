#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include <QString>

#include "KeystrokeTyper.h"
#include "PlaybackHost.h"
#include "Reports.h"
#include "RunLog.h"
#include "RunObserver.h"
#include "Waiter.h"
#include "platform/Desktop.h"
#include "store/TaskStore.h"

namespace nightaudit {

// Plays one key sequence, key by key, into its task's window. It never lets an
// error out: a failure ends the key sequence it happened in and shows its
// description as the main window's caption, so a task run goes on with the next
// key sequence. The one exception is runaway nesting (see MaxNestingDepth).
class KeySequencePlayer {
public:
    // Key sequences nested through "run key sequence" keys (type 10) may be this
    // many calls deep, the outermost included. A deeper call fails with
    // err::NestingTooDeep, and that failure ends the whole nested chain up to the
    // outermost call. A key sequence that would play itself, directly or through
    // others, is refused the same way before any of its keys is played again.
    static constexpr int MaxNestingDepth = 16;

    // Every collaborator must outlive the player. `observer`, if given, is told how each
    // key sequence ended and of each error.
    KeySequencePlayer(TaskStore& store, Desktop& desktop, Waiter& waiter, RunLog& runLog,
                      PlaybackHost& host, Reports& reports, PlaybackState& state,
                      RunObserver* observer = nullptr);

    // Plays the key sequence `keySequenceId`, or, when it is 0, the one whose tree node is
    // at `nodeIndex` (that node is brought into view and marked played first). Sets
    // state.keySequenceId, empties the run log, and tests state.stopRequested after each key
    // (the first key always plays). At a normal end the main window is activated again by
    // its caption.
    void playKeySequence(std::int16_t nodeIndex, std::int16_t keySequenceId = 0);

    // The run's KEYDELAY and WINDOWWAIT (see KeystrokeTyper::setPacing).
    void setPacing(std::chrono::milliseconds keyDelay, std::chrono::milliseconds windowWait) {
        m_typer.setPacing(keyDelay, windowWait);
    }

private:
    class Call;

    TaskStore& m_store;
    Desktop& m_desktop;
    KeystrokeTyper m_typer{m_desktop};
    Waiter& m_waiter;
    RunLog& m_runLog;
    PlaybackHost& m_host;
    Reports& m_reports;
    PlaybackState& m_state;
    RunObserver* m_observer;
    int m_depth = 0;
    std::vector<std::int16_t> m_chain;  // the key sequences playing, outermost first

    // Refuses a type 10 key that would play a key sequence already playing.
    void refuseLoop(std::int16_t nested) const;
};

// The date form of a six-digit month-day-year text: "070705" -> "07/07/2005",
// "0707" -> "07/07/20". Characters past the end of the text contribute nothing.
QString dateForm(const QString& text);

}  // namespace nightaudit
