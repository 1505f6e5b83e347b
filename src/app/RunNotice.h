#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

#include "playback/RunObserver.h"

class QLabel;

namespace nightaudit {

// The notice label Label17 during and after a run: the run's last error with its time
// and number (the caption is cut short by the title bar and overwritten by the next
// error) and a journal that could not be written. The label shows the latest notice as
// far as it fits; its tooltip holds every notice of the run in full. The next run puts
// the label back as it was.
class RunNotice : public RunObserver {
public:
    using Clock = std::function<QDateTime()>;
    RunNotice(QLabel& label, Clock clock);

    void journalProblem(const QString& why);

    void runStarted(RunTrigger, const QString&, const QString&) override;
    void keySequenceEnded(int, SequenceOutcome, const KeyRef&) override {}
    void failed(int number, const QString& description, const KeyRef& key) override;
    void stopped(StopSource) override {}
    void runEnded() override {}

private:
    void show(const QString& notice);

    QLabel& m_label;
    Clock m_clock;
    QString m_idleText;
    QStringList m_notices;
};

}  // namespace nightaudit
