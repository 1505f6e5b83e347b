#include "PlaybackWiring.h"

#include "ListRunLog.h"
#include "core/Error.h"
#include "dlgMain.h"
#include "playback/DialogWaiter.h"
#include "playback/KeySequencePlayer.h"
#include "playback/RunTypingWatch.h"
#include "playback/SelectionRunner.h"
#include "playback/StopKeyWatch.h"
#include "report/DefaultPrinter.h"
#include "report/ReportImport.h"

namespace nightaudit {

PlaybackWiring::PlaybackWiring(dlgMain& window, Collaborators collaborators)
    : m_window(window), m_collaborators(std::move(collaborators)) {
    Collaborators& c = m_collaborators;
    if (!c.waiter) c.waiter = std::make_unique<DialogWaiter>(window.state(), &window);
    if (!c.reports)
        c.reports = std::make_unique<ReportImport>(std::make_unique<DefaultPrinter>(), window);
    if (!c.printer) c.printer = std::make_unique<DefaultPrinter>();
    m_runLog = std::make_unique<ListRunLog>(*window.lstLog());
    if (c.stopKey) {
        m_stopKeyWatch = std::make_unique<StopKeyWatch>(*c.stopKey, window.state(), c.waiter.get());
    }
}

PlaybackWiring::~PlaybackWiring() {
    if (m_collaborators.desktop) m_collaborators.desktop->setTypingWatch(nullptr);
}

// One run: the stop key armed for its length, and the window told when it ends (a
// close asked for during the run is carried out then).
class PlaybackWiring::Run {
public:
    explicit Run(PlaybackWiring& wiring) : m_wiring(wiring), m_armed(wiring.m_stopKeyWatch.get()) {
        ++m_wiring.m_runs;
    }
    ~Run() {
        if (--m_wiring.m_runs == 0) m_wiring.m_window.runEnded();
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

private:
    PlaybackWiring& m_wiring;
    StopKeyWatch::Run m_armed;
};

void PlaybackWiring::stopRun() {
    m_collaborators.waiter->stopCurrentWait();
}

void PlaybackWiring::checkDesktop() const {
    if (m_collaborators.desktop) return;
    const QString why = m_collaborators.desktopProblem.isEmpty()
                            ? QStringLiteral("no desktop automation is set up")
                            : m_collaborators.desktopProblem;
    throw Error(err::NotAvailable, "Keys cannot be typed into other windows: " + why.toStdString());
}

// Built on first use: the store opens in Form_Load, which may come after the wiring.
void PlaybackWiring::build() {
    if (m_runner) return;
    checkDesktop();
    m_player = std::make_unique<KeySequencePlayer>(m_window.store(), *m_collaborators.desktop,
                                                   *m_collaborators.waiter, *m_runLog, m_window,
                                                   *m_collaborators.reports, m_window.state());
    m_runner = std::make_unique<SelectionRunner>(m_window.store(), m_window, *m_player,
                                                 *m_collaborators.waiter, m_window.state());
    StopKeyWatch* stopKey = m_stopKeyWatch.get();
    m_typingWatch = std::make_unique<RunTypingWatch>(m_window, *m_collaborators.waiter,
                                                     m_window.state(), [stopKey] {
                                                         if (stopKey) stopKey->poll();
                                                     });
    m_collaborators.desktop->setTypingWatch(m_typingWatch.get());
}

void PlaybackWiring::ExecuteSelected(std::int16_t intNodeIndexToRun) {
    build();
    Run run(*this);
    m_runner->ExecuteSelected(intNodeIndexToRun);
}

void PlaybackWiring::RunTask(std::int16_t intNodeIndex) {
    build();
    Run run(*this);
    m_runner->RunTask(intNodeIndex);
}

void PlaybackWiring::RunKeySequence(std::int16_t intNodeIndex, std::int16_t intparmKeySequenceID) {
    build();
    Run run(*this);
    m_player->RunKeySequence(intNodeIndex, intparmKeySequenceID);
}

}  // namespace nightaudit
