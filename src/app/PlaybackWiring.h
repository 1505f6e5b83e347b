#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <utility>

#include "platform/Desktop.h"
#include "platform/StopKey.h"
#include "playback/Reports.h"
#include "playback/RunObserver.h"
#include "playback/Waiter.h"
#include "report/Printer.h"

namespace nightaudit {

class KeySequencePlayer;
class RunJournal;
class RunNotice;
class RunTypingWatch;
class ListRunLog;
class SelectionRunner;
class StopKeyWatch;
class dlgMain;

// What the main window's runs and its print button work through. Whatever is left
// null gets the program's own: a DialogWaiter on the window, a ReportImport printing
// on the default printer and showing no-shows in special6, and the default printer
// for the window print. A null desktop is never replaced: runs are refused with
// `desktopProblem` (why no desktop could be opened) until one is given.
struct Collaborators {
    std::unique_ptr<Desktop> desktop;
    QString desktopProblem;
    std::unique_ptr<Waiter> waiter;
    std::unique_ptr<Reports> reports;
    std::unique_ptr<Printer> printer;  // Command5, the window print
    // Pressed anywhere during a run, it stops the run as Stop does. Optional; the
    // desktop, if it types {BREAK}, should be told of it.
    std::unique_ptr<StopKey> stopKey;
};

// Joins the main window to the player and the selection runner. The player and the
// runner need the open task store, so they are built at the first run, after
// Form_Load; the collaborators are held until then.
class PlaybackWiring {
public:
    PlaybackWiring(dlgMain& window, Collaborators collaborators);
    ~PlaybackWiring();
    PlaybackWiring(const PlaybackWiring&) = delete;
    PlaybackWiring& operator=(const PlaybackWiring&) = delete;

    // Throws Error(err::NotAvailable) saying why when no desktop can take keys, and
    // Error(err::PathFileAccess) when others could change the store (StorePermissions);
    // the store is looked at afresh each time, so a chmod mends it without a restart.
    void checkMayRun() const;

    // Forwarded to the selection runner and the player; throw what they throw. The
    // stop key is armed for the length of each. Each run reads the store's settings
    // for slow targets afresh, and is written to the journal beside the store and
    // its last error to the notice label Label17. `trigger` says what started it.
    void ExecuteSelected(std::int16_t intNodeIndexToRun, RunTrigger trigger = RunTrigger::Go);
    void RunTask(std::int16_t intNodeIndex);
    void RunKeySequence(std::int16_t intNodeIndex, std::int16_t intparmKeySequenceID = 0);

    // Whether a run started through this wiring is under way.
    bool runUnderWay() const { return m_runs > 0; }
    // The main window was closed during a run: does what Stop in the countdown does, and
    // the run ends after the current keystroke.
    void stopRun();
    // The close that follows comes from a signal (SIGTERM, SIGHUP, SIGINT), for the journal.
    void closingForSignal(int signalNumber) { m_signal = signalNumber; }

    // Reads KEYDELAY and WINDOWWAIT from the store, hands them to the desktop and shows a
    // keystroke delay beside the version in lblVersion. Throws what the store throws.
    void applyStoreSettings();

    Printer& printer() { return *m_collaborators.printer; }
    Reports& reports() { return *m_collaborators.reports; }
    Waiter& waiter() { return *m_collaborators.waiter; }

private:
    void build();
    class Run;
    std::pair<QString, QString> node(int index) const;  // key and text
    StopSource closeSource() const;
    template <class Body>
    void recorded(Body&& body);

    dlgMain& m_window;
    Collaborators m_collaborators;
    std::unique_ptr<ListRunLog> m_runLog;
    std::unique_ptr<Waiter> m_settlingWaiter;
    std::unique_ptr<KeySequencePlayer> m_player;
    std::unique_ptr<SelectionRunner> m_runner;
    std::unique_ptr<StopKeyWatch> m_stopKeyWatch;
    std::unique_ptr<RunTypingWatch> m_typingWatch;
    std::unique_ptr<RunNotice> m_notice;
    std::unique_ptr<RunJournal> m_journal;
    RunObservers m_observers;
    int m_runs = 0;
    bool m_closed = false;  // the main window was closed during this run
    int m_signal = 0;       // ... because of this signal
};

}  // namespace nightaudit
