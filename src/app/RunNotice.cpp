#include "RunNotice.h"

#include <QLabel>

namespace nightaudit {

RunNotice::RunNotice(QLabel& label, Clock clock)
    : m_label(label), m_clock(std::move(clock)), m_idleText(label.text()) {
    if (!m_clock) m_clock = [] { return QDateTime::currentDateTime(); };
}

void RunNotice::runStarted(RunTrigger, const QString&, const QString&) {
    m_notices.clear();
    m_label.setText(m_idleText);
    m_label.setToolTip({});
}

void RunNotice::failed(int number, const QString& description, const KeyRef& key) {
    const QString where =
        key.id.isEmpty() ? QString() : QStringLiteral(" (key %1, type %2)").arg(key.id, key.type);
    show(QStringLiteral("%1 error %2%3: %4")
             .arg(m_clock().toString(QStringLiteral("HH:mm:ss")))
             .arg(number)
             .arg(where, description));
}

void RunNotice::journalProblem(const QString& why) {
    show(m_clock().toString(QStringLiteral("HH:mm:ss ")) + why);
}

void RunNotice::show(const QString& notice) {
    m_notices << notice;
    m_label.setText(notice);
    m_label.setToolTip(m_notices.join('\n'));
}

}  // namespace nightaudit
