#pragma once

#include <QString>

#include <cstdint>
#include <memory>

#include "platform/Desktop.h"
#include "platform/StopKey.h"
#include "playback/Reports.h"
#include "playback/Waiter.h"
#include "report/Printer.h"

namespace nightaudit {

class KeySequencePlayer;
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

    // Throws Error(err::NotAvailable) saying why when no desktop can take keys.
    void checkDesktop() const;

    // Forwarded to the selection runner and the player; throw what they throw. The
    // stop key is armed for the length of each.
    void ExecuteSelected(std::int16_t intNodeIndexToRun);
    void RunTask(std::int16_t intNodeIndex);
    void RunKeySequence(std::int16_t intNodeIndex, std::int16_t intparmKeySequenceID = 0);

    // Whether a run started through this wiring is under way.
    bool runUnderWay() const { return m_runs > 0; }
    // Does what Stop in the countdown does: the run ends after the current keystroke.
    void stopRun();

    Printer& printer() { return *m_collaborators.printer; }
    Reports& reports() { return *m_collaborators.reports; }
    Waiter& waiter() { return *m_collaborators.waiter; }

private:
    void build();
    class Run;

    dlgMain& m_window;
    Collaborators m_collaborators;
    std::unique_ptr<ListRunLog> m_runLog;
    std::unique_ptr<KeySequencePlayer> m_player;
    std::unique_ptr<SelectionRunner> m_runner;
    std::unique_ptr<StopKeyWatch> m_stopKeyWatch;
    std::unique_ptr<RunTypingWatch> m_typingWatch;
    int m_runs = 0;
};

}  // namespace nightaudit
