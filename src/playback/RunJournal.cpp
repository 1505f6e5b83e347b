#include "RunJournal.h"

#include <QFileInfo>

namespace nightaudit {

namespace {

QString triggerName(RunTrigger trigger) {
    switch (trigger) {
        case RunTrigger::Go:
            return QStringLiteral("Go");
        case RunTrigger::SecondGo:
            return QStringLiteral("the second Go");
        case RunTrigger::Next:
            return QStringLiteral("Next");
        case RunTrigger::SingleClick:
            return QStringLiteral("a single-click");
    }
    return {};
}

QString keyName(const KeyRef& key) {
    if (key.id.isEmpty()) return {};
    return QStringLiteral(" at key %1 (type %2)").arg(key.id, key.type);
}

}  // namespace

RunJournal::RunJournal(QString path, Clock clock, Problem problem)
    : m_path(std::move(path)), m_clock(std::move(clock)), m_problem(std::move(problem)) {
    if (!m_clock) m_clock = [] { return QDateTime::currentDateTime(); };
}

void RunJournal::open() {
    m_failed = false;
    m_file.close();
    if (QFileInfo(m_path).size() > kRotateBytes) {
        const QString older = m_path + QStringLiteral(".1");
        QFile::remove(older);
        // Should the rename fail, the journal goes on growing: no line is lost for it.
        QFile::rename(m_path, older);
    }
    m_file.setFileName(m_path);
    // Unbuffered: every line is handed to the system at once. Made for its owner alone:
    // the node names and errors of the night are nobody else's business.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        fail(m_file.errorString());
    }
}

void RunJournal::fail(const QString& why) {
    if (m_failed) return;
    m_failed = true;
    m_file.close();
    if (m_problem)
        m_problem(QStringLiteral("The journal %1 cannot be written: %2").arg(m_path, why));
}

void RunJournal::write(const QString& line) {
    if (m_failed || !m_file.isOpen()) return;
    const QByteArray bytes =
        (m_clock().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + line + '\n').toUtf8();
    if (m_file.write(bytes) != bytes.size()) fail(m_file.errorString());
}

void RunJournal::runStarted(RunTrigger trigger, const QString& nodeKey, const QString& nodeText) {
    open();
    write(QStringLiteral("run started by %1 on %2 \"%3\"")
              .arg(triggerName(trigger), nodeKey, nodeText));
}

void RunJournal::keySequenceEnded(int keySequenceId, SequenceOutcome outcome, const KeyRef& key) {
    switch (outcome) {
        case SequenceOutcome::Played:
            write(QStringLiteral("key sequence %1 played").arg(keySequenceId));
            break;
        case SequenceOutcome::Failed:
            write(QStringLiteral("key sequence %1 failed%2").arg(keySequenceId).arg(keyName(key)));
            break;
        case SequenceOutcome::Stopped:
            write(QStringLiteral("key sequence %1 stopped%2").arg(keySequenceId).arg(keyName(key)));
            break;
    }
}

void RunJournal::failed(int number, const QString& description, const KeyRef& key) {
    write(QStringLiteral("error %1%2: %3").arg(number).arg(keyName(key), description));
}

void RunJournal::stopped(StopSource by) {
    switch (by) {
        case StopSource::StopButton:
            write(QStringLiteral("stopped by Stop"));
            break;
        case StopSource::StopKey:
            write(QStringLiteral("stopped by the Pause key"));
            break;
        case StopSource::Close:
            write(QStringLiteral("stopped by closing the main window"));
            break;
        case StopSource::SignalTerm:
            write(QStringLiteral("stopped by the signal SIGTERM; the program ends"));
            break;
        case StopSource::SignalHangUp:
            write(QStringLiteral("stopped by the signal SIGHUP; the program ends"));
            break;
        case StopSource::SignalInterrupt:
            write(QStringLiteral("stopped by the signal SIGINT; the program ends"));
            break;
    }
}

void RunJournal::runEnded() {
    write(QStringLiteral("run ended"));
    m_file.close();
}

}  // namespace nightaudit
