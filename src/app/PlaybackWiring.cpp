#include "PlaybackWiring.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <csignal>

#include "ListRunLog.h"
#include "RunNotice.h"
#include "TaskTree.h"
#include "core/Error.h"
#include "dlgMain.h"
#include "playback/DialogWaiter.h"
#include "playback/KeySequencePlayer.h"
#include "playback/RunJournal.h"
#include "playback/RunTypingWatch.h"
#include "playback/SelectionRunner.h"
#include "playback/SettlingWaiter.h"
#include "playback/StopKeyWatch.h"
#include "report/CupsPrinter.h"
#include "report/ReportImport.h"
#include "store/RunSettings.h"
#include "store/StorePermissions.h"
#include "store/TaskStore.h"

namespace nightaudit {

PlaybackWiring::PlaybackWiring(dlgMain& window, Collaborators collaborators)
    : m_window(window), m_collaborators(std::move(collaborators)) {
    Collaborators& c = m_collaborators;
    if (!c.waiter) c.waiter = std::make_unique<DialogWaiter>(window.state(), &window);
    if (!c.reports)
        c.reports = std::make_unique<ReportImport>(std::make_unique<CupsPrinter>(), window,
                                                   QFileInfo(window.storePath()).absolutePath());
    if (!c.printer) c.printer = std::make_unique<CupsPrinter>();
    m_runLog = std::make_unique<ListRunLog>(*window.lstLog());
    if (auto* label = window.findChild<QLabel*>(QStringLiteral("Label17"))) {
        m_notice = std::make_unique<RunNotice>(*label, RunNotice::Clock{});
        m_observers.add(m_notice.get());
    }
    if (c.stopKey) {
        m_stopKeyWatch = std::make_unique<StopKeyWatch>(*c.stopKey, window.state(), c.waiter.get());
    }
}

PlaybackWiring::~PlaybackWiring() {
    if (m_collaborators.desktop) m_collaborators.desktop->setTypingWatch(nullptr);
}

// One run: the stop key armed for its length, and the window told when it ends (a
// close asked for during the run is carried out then).
// The outermost run also reads the settings and is told to the journal and the notice.
class PlaybackWiring::Run {
public:
    Run(PlaybackWiring& wiring, RunTrigger trigger, int nodeIndex)
        : m_wiring(wiring), m_armed(wiring.m_stopKeyWatch.get()) {
        if (m_wiring.m_runs == 0) {
            m_wiring.applyStoreSettings();
            m_wiring.m_closed = false;
            m_wiring.m_signal = 0;
            const auto [key, text] = m_wiring.node(nodeIndex);
            m_wiring.m_observers.runStarted(trigger, key, text);
        }
        ++m_wiring.m_runs;
    }
    ~Run() {
        if (--m_wiring.m_runs != 0) return;
        if (m_wiring.m_window.state().bolStop) {
            const StopKeyWatch* key = m_wiring.m_stopKeyWatch.get();
            m_wiring.m_observers.stopped(m_wiring.m_closed        ? m_wiring.closeSource()
                                         : key && key->sawPress() ? StopSource::StopKey
                                                                  : StopSource::StopButton);
        }
        m_wiring.m_runLog->refresh();
        m_wiring.m_observers.runEnded();
        m_wiring.m_window.runEnded();
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

private:
    PlaybackWiring& m_wiring;
    StopKeyWatch::Run m_armed;
};

void PlaybackWiring::stopRun() {
    m_closed = true;
    m_collaborators.waiter->stopCurrentWait();
}

StopSource PlaybackWiring::closeSource() const {
    switch (m_signal) {
        case SIGTERM:
            return StopSource::SignalTerm;
        case SIGHUP:
            return StopSource::SignalHangUp;
        case SIGINT:
            return StopSource::SignalInterrupt;
        default:
            return StopSource::Close;
    }
}

void PlaybackWiring::applyStoreSettings() {
    const RunSettings settings = RunSettings::read(m_window.store());
    if (m_player) {
        m_player->setPacing(std::chrono::milliseconds(settings.keyDelayMs),
                            std::chrono::milliseconds(settings.windowWaitMs));
    }
    // The clerk sees why typing is slow.
    QString version = QStringLiteral("Version: " NIGHTAUDIT_VERSION);
    if (settings.keyDelayMs > 0)
        version += QStringLiteral(", keys %1 ms apart").arg(settings.keyDelayMs);
    m_window.lblVersion()->setText(version);
}

// A node that does not exist is the runner's error to report; here it has no name.
std::pair<QString, QString> PlaybackWiring::node(int index) const {
    if (index < 1 || index > m_window.nodeCount()) return {QStringLiteral("no node"), QString()};
    return {m_window.nodeKey(index), m_window.tree().text(index)};
}

void PlaybackWiring::checkMayRun() const {
    if (!m_collaborators.desktop) {
        const QString why = m_collaborators.desktopProblem.isEmpty()
                                ? QStringLiteral("no desktop automation is set up")
                                : m_collaborators.desktopProblem;
        throw Error(err::NotAvailable,
                    "Keys cannot be typed into other windows: " + why.toStdString());
    }
    StorePermissions::require(m_window.storePath().toStdString());
}

// Built on first use: the store opens in Form_Load, which may come after the wiring.
void PlaybackWiring::build() {
    if (m_runner) return;
    checkMayRun();
    const QString journalPath = QFileInfo(QString::fromStdString(m_window.store().path()))
                                    .absoluteDir()
                                    .filePath(QStringLiteral("journal.log"));
    RunNotice* notice = m_notice.get();
    m_journal = std::make_unique<RunJournal>(journalPath, RunJournal::Clock{},
                                             [notice](const QString& why) {
                                                 if (notice) notice->journalProblem(why);
                                             });
    m_observers.add(m_journal.get());
    m_settlingWaiter =
        std::make_unique<SettlingWaiter>(*m_collaborators.waiter, *m_collaborators.desktop);
    m_player = std::make_unique<KeySequencePlayer>(
        m_window.store(), *m_collaborators.desktop, *m_settlingWaiter, *m_runLog, m_window,
        *m_collaborators.reports, m_window.state(), &m_observers);
    m_runner = std::make_unique<SelectionRunner>(m_window.store(), m_window, *m_player,
                                                 *m_settlingWaiter, m_window.state());
    StopKeyWatch* stopKey = m_stopKeyWatch.get();
    m_typingWatch = std::make_unique<RunTypingWatch>(m_window, *m_collaborators.waiter,
                                                     m_window.state(), [stopKey] {
                                                         if (stopKey) stopKey->poll();
                                                     });
    m_collaborators.desktop->setTypingWatch(m_typingWatch.get());
}

// An error that ends the whole run is recorded before it goes on to the handler.
template <class Body>
void PlaybackWiring::recorded(Body&& body) {
    try {
        body();
    } catch (const Error& e) {
        m_observers.failed(e.number(), QString::fromStdString(e.description()), {});
        throw;
    }
}

void PlaybackWiring::ExecuteSelected(std::int16_t intNodeIndexToRun, RunTrigger trigger) {
    build();
    Run run(*this, trigger, intNodeIndexToRun);
    recorded([&] { m_runner->ExecuteSelected(intNodeIndexToRun); });
}

void PlaybackWiring::RunTask(std::int16_t intNodeIndex) {
    build();
    Run run(*this, RunTrigger::Go, intNodeIndex);
    recorded([&] { m_runner->RunTask(intNodeIndex); });
}

void PlaybackWiring::RunKeySequence(std::int16_t intNodeIndex, std::int16_t intparmKeySequenceID) {
    build();
    Run run(*this, RunTrigger::Go, intNodeIndex);
    m_player->RunKeySequence(intNodeIndex, intparmKeySequenceID);
}

}  // namespace nightaudit
