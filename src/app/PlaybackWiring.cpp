#include "PlaybackWiring.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <csignal>

#include "ListRunLog.h"
#include "RunNotice.h"
#include "TaskTree.h"
#include "core/Error.h"
#include "playback/DialogWaiter.h"
#include "playback/KeySequencePlayer.h"
#include "playback/PlaybackHost.h"
#include "playback/RunJournal.h"
#include "playback/RunSession.h"
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

PlaybackWiring::PlaybackWiring(RunViews views, RunSession& session, PlaybackState& state,
                               QString storePath)
    : m_views(views),
      m_session(session),
      m_state(state),
      m_storePath(std::move(storePath)),
      m_runLog(std::make_unique<ListRunLog>(views.log)),
      m_notice(std::make_unique<RunNotice>(views.notice, RunNotice::Clock{})) {
    m_observers.add(m_notice.get());
    setCollaborators({});
}

PlaybackWiring::~PlaybackWiring() {
    if (m_collaborators.desktop) m_collaborators.desktop->setTypingWatch(nullptr);
}

void PlaybackWiring::setCollaborators(Collaborators c) {
    if (m_session.underWay()) {
        throw Error(err::InvalidArgument, "The desktop cannot be changed while a run is under way");
    }
    if (m_collaborators.desktop) m_collaborators.desktop->setTypingWatch(nullptr);
    // What was built on the old collaborators goes first, in the order it depends on them.
    m_typingWatch.reset();
    m_runner.reset();
    m_player.reset();
    m_settlingWaiter.reset();
    m_stopKeyWatch.reset();
    if (!c.waiter) c.waiter = std::make_unique<DialogWaiter>(m_state, &m_views.window);
    if (!c.reports)
        c.reports = std::make_unique<ReportImport>(std::make_unique<CupsPrinter>(), m_views.host,
                                                   QFileInfo(m_storePath).absolutePath());
    if (!c.printer) c.printer = std::make_unique<CupsPrinter>();
    m_collaborators = std::move(c);
    if (m_collaborators.stopKey) {
        m_stopKeyWatch = std::make_unique<StopKeyWatch>(*m_collaborators.stopKey, m_state,
                                                        m_collaborators.waiter.get());
    }
}

// One run: the session held and the stop key armed for its length; the observers are
// told of its start and its end.
class PlaybackWiring::Run {
public:
    Run(PlaybackWiring& wiring, RunTrigger trigger, int nodeIndex)
        : m_wiring(wiring), m_hold(wiring.m_session), m_armed(wiring.m_stopKeyWatch.get()) {
        m_wiring.applyStoreSettings();
        m_wiring.m_closed = false;
        m_wiring.m_signal = 0;
        const TaskTree& tree = m_wiring.m_views.tree;
        // A node that does not exist is the runner's error to report; here it has no name.
        const bool known = nodeIndex >= 1 && nodeIndex <= tree.nodeCount();
        m_wiring.m_observers.runStarted(trigger,
                                        known ? tree.key(nodeIndex) : QStringLiteral("no node"),
                                        known ? tree.text(nodeIndex) : QString());
    }
    ~Run() {
        if (m_wiring.m_state.stopRequested) {
            const StopKeyWatch* key = m_wiring.m_stopKeyWatch.get();
            m_wiring.m_observers.stopped(m_wiring.m_closed        ? m_wiring.closeSource()
                                         : key && key->sawPress() ? StopSource::StopKey
                                                                  : StopSource::StopButton);
        }
        m_wiring.m_runLog->refresh();
        m_wiring.m_observers.runEnded();
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

private:
    PlaybackWiring& m_wiring;
    RunSession::Hold m_hold;
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

TaskStore& PlaybackWiring::store() const {
    if (!m_store) throw Error(err::NotAvailable, "The task store is not open");
    return *m_store;
}

void PlaybackWiring::applyStoreSettings() {
    const RunSettings settings = RunSettings::read(store());
    if (m_player) {
        m_player->setPacing(std::chrono::milliseconds(settings.keyDelayMs),
                            std::chrono::milliseconds(settings.windowWaitMs));
    }
    // The clerk sees why typing is slow.
    QString version = QStringLiteral("Version: " NIGHTAUDIT_VERSION);
    if (settings.keyDelayMs > 0)
        version += QStringLiteral(", keys %1 ms apart").arg(settings.keyDelayMs);
    m_views.version.setText(version);
}

void PlaybackWiring::checkMayRun() const {
    if (!m_collaborators.desktop) {
        const QString why = m_collaborators.desktopProblem.isEmpty()
                                ? QStringLiteral("no desktop automation is set up")
                                : m_collaborators.desktopProblem;
        throw Error(err::NotAvailable,
                    "Keys cannot be typed into other windows: " + why.toStdString());
    }
    StorePermissions::require(m_storePath.toStdString());
}

void PlaybackWiring::build() {
    checkMayRun();
    if (m_runner) return;
    TaskStore& taskStore = store();
    if (!m_journal) {
        const QString journalPath = QFileInfo(QString::fromStdString(taskStore.path()))
                                        .absoluteDir()
                                        .filePath(QStringLiteral("journal.log"));
        m_journal = std::make_unique<RunJournal>(
            journalPath, RunJournal::Clock{},
            [notice = m_notice.get()](const QString& why) { notice->journalProblem(why); });
        m_observers.add(m_journal.get());
    }
    Collaborators& c = m_collaborators;
    m_settlingWaiter = std::make_unique<SettlingWaiter>(*c.waiter, *c.desktop);
    m_player =
        std::make_unique<KeySequencePlayer>(taskStore, *c.desktop, *m_settlingWaiter, *m_runLog,
                                            m_views.host, *c.reports, m_state, &m_observers);
    m_runner = std::make_unique<SelectionRunner>(taskStore, m_views.host, *m_player,
                                                 *m_settlingWaiter, m_state);
    m_typingWatch = std::make_unique<RunTypingWatch>(m_views.host, *c.waiter, m_state,
                                                     [stopKey = m_stopKeyWatch.get()] {
                                                         if (stopKey) stopKey->poll();
                                                     });
    c.desktop->setTypingWatch(m_typingWatch.get());
}

void PlaybackWiring::run(std::int16_t nodeIndex, RunTrigger trigger) {
    // A Go or Next handled inside a run's event pumping would type the night's steps twice.
    if (m_session.underWay()) {
        throw Error(err::InvalidArgument,
                    "A run is already under way: wait for it to end or press Stop");
    }
    build();
    Run run(*this, trigger, nodeIndex);
    // An error that ends the whole run is recorded before it goes on to the handler.
    try {
        m_runner->run(nodeIndex);
    } catch (const Error& e) {
        m_observers.failed(e.number(), QString::fromStdString(e.description()), {});
        throw;
    }
}

}  // namespace nightaudit
