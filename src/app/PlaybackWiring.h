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

class QLabel;
class QListWidget;
class QWidget;

namespace nightaudit {

class KeySequencePlayer;
class ListRunLog;
class PlaybackHost;
class RunJournal;
class RunNotice;
class RunSession;
class RunTypingWatch;
class SelectionRunner;
class StopKeyWatch;
class TaskStore;
class TaskTree;
struct PlaybackState;

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
    std::unique_ptr<Printer> printer;  // the window print
    // Pressed anywhere during a run, it stops the run as Stop does. Optional; the
    // desktop, if it types {BREAK}, should be told of it.
    std::unique_ptr<StopKey> stopKey;
};

// What a run shows and reads on the main window.
struct RunViews {
    QWidget& window;  // the countdowns' parent
    PlaybackHost& host;
    const TaskTree& tree;
    QListWidget& log;
    QLabel& notice;   // Label17: the run's last error
    QLabel& version;  // lblVersion: the keystroke delay beside the version
};

// Joins the main window to the player and the selection runner. The player and the
// runner need the open task store, so they are built at the first run after the store
// is given; the collaborators are held until then.
class PlaybackWiring {
public:
    PlaybackWiring(RunViews views, RunSession& session, PlaybackState& state, QString storePath);
    ~PlaybackWiring();
    PlaybackWiring(const PlaybackWiring&) = delete;
    PlaybackWiring& operator=(const PlaybackWiring&) = delete;

    // The open task store, from the window's load on.
    void setStore(TaskStore& store) { m_store = &store; }
    // Replaces the collaborators. Refused with Error(err::InvalidArgument) during a run.
    void setCollaborators(Collaborators collaborators);

    // Throws Error(err::NotAvailable) saying why when no desktop can take keys, and
    // Error(err::PathFileAccess) when others could change the store (StorePermissions);
    // the store is looked at afresh each time, so a chmod mends it without a restart.
    void checkMayRun() const;

    // Runs the node at `nodeIndex` through the selection runner, holding the run session
    // for its length with the stop key armed; a second run while one is under way is
    // refused with Error(err::InvalidArgument). Each run reads the store's settings for
    // slow targets afresh, is written to the journal beside the store and its last error
    // to the notice label. `trigger` says what started it. Throws what the runner throws.
    void run(std::int16_t nodeIndex, RunTrigger trigger);

    // The main window was closed during a run: does what Stop in the countdown does, and
    // the run ends after the current keystroke.
    void stopRun();
    // The close that follows comes from a signal (SIGTERM, SIGHUP, SIGINT), for the journal.
    void closingForSignal(int signalNumber) { m_signal = signalNumber; }

    // Reads KEYDELAY and WINDOWWAIT from the store, hands them to the desktop and shows a
    // keystroke delay beside the version. Throws what the store throws.
    void applyStoreSettings();

    Printer& printer() { return *m_collaborators.printer; }

private:
    class Run;
    void build();
    TaskStore& store() const;
    StopSource closeSource() const;

    RunViews m_views;
    RunSession& m_session;
    PlaybackState& m_state;
    QString m_storePath;
    TaskStore* m_store = nullptr;
    Collaborators m_collaborators;
    std::unique_ptr<ListRunLog> m_runLog;
    std::unique_ptr<RunNotice> m_notice;
    std::unique_ptr<StopKeyWatch> m_stopKeyWatch;
    // Built at the first run after the store and the collaborators are known.
    std::unique_ptr<RunJournal> m_journal;
    std::unique_ptr<Waiter> m_settlingWaiter;
    std::unique_ptr<KeySequencePlayer> m_player;
    std::unique_ptr<SelectionRunner> m_runner;
    std::unique_ptr<RunTypingWatch> m_typingWatch;
    RunObservers m_observers;
    bool m_closed = false;  // the main window was closed during this run
    int m_signal = 0;       // ... because of this signal
};

}  // namespace nightaudit
