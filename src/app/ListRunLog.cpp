#include "ListRunLog.h"

#include <QListWidget>

namespace nightaudit {

ListRunLog::ListRunLog(QListWidget& list) : m_list(&list) {
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kRefreshMs);
    QObject::connect(&m_refresh, &QTimer::timeout, [this] { refresh(); });
}

// A list that outlives its log still gets every line.
ListRunLog::~ListRunLog() {
    if (m_list) refresh();
}

void ListRunLog::clear() {
    m_pending.clear();
    m_refresh.stop();
    m_list->clear();
}

void ListRunLog::append(const QString& line) {
    m_pending.append(line);
    if (!m_refresh.isActive()) m_refresh.start();
}

void ListRunLog::refresh() {
    m_refresh.stop();
    if (!m_list) return;
    for (const QString& line : std::as_const(m_pending)) {
        auto* item = new QListWidgetItem(line);
        m_list->addItem(item);
        // Measured once here, a line's size is read back at each layout instead of being
        // shaped anew.
        item->setSizeHint(m_list->sizeHintForIndex(m_list->model()->index(m_list->count() - 1, 0)));
    }
    m_pending.clear();
}

}  // namespace nightaudit
