#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

#include <functional>

#include "RunObserver.h"

namespace nightaudit {

// The journal of every run: lines appended to a text file (journal.log beside the
// store), each with the local time to the second, so that the morning shift can see what
// a night run did after its caption has been overwritten. Keys are named by id and type
// only, never by their text.
//
// The file is opened for append when a run starts and closed when it ends, and each line
// goes to the system as it is written: a crash loses no line written before it. A file
// grown past kRotateBytes is renamed to journal.log.1 (replacing an older one) when the
// next run starts. A journal that cannot be written never stops or slows a run: the
// rest of that run is not written, and the first failure of each run is handed to
// `problem` once.
class RunJournal : public RunObserver {
public:
    static constexpr qint64 kRotateBytes = 1024 * 1024;
    using Clock = std::function<QDateTime()>;
    using Problem = std::function<void(const QString& why)>;

    RunJournal(QString path, Clock clock, Problem problem);

    void runStarted(RunTrigger trigger, const QString& nodeKey, const QString& nodeText) override;
    void keySequenceEnded(int keySequenceId, SequenceOutcome outcome, const KeyRef& key) override;
    void failed(int number, const QString& description, const KeyRef& key) override;
    void stopped(StopSource by) override;
    void runEnded() override;

private:
    void open();
    void write(const QString& line);
    void fail(const QString& why);

    QString m_path;
    Clock m_clock;
    Problem m_problem;
    QFile m_file;
    bool m_failed = false;  // this run's journal could not be written
};

}  // namespace nightaudit
