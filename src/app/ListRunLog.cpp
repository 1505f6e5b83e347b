#include "ListRunLog.h"

#include <QListWidget>

namespace nightaudit {

ListRunLog::ListRunLog(QListWidget& list) : m_list(&list) {
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kRefreshMs);
    QObject::connect(&m_refresh, &QTimer::timeout, [this] { refresh(); });
}

// A list that outlives its log must not be left without repaints.
ListRunLog::~ListRunLog() {
    if (m_list && m_refresh.isActive()) refresh();
}

void ListRunLog::clear() {
    m_list->clear();
}

void ListRunLog::append(const QString& line) {
    if (!m_refresh.isActive()) {
        m_list->setUpdatesEnabled(false);
        m_refresh.start();
    }
    auto* item = new QListWidgetItem(line);
    m_list->addItem(item);
    // Every insertion lays the whole list out again, asking each line for its size:
    // measured once here, a line's size is then read back instead of being shaped anew,
    // which keeps a long run from slowing down line by line.
    item->setSizeHint(m_list->sizeHintForIndex(m_list->model()->index(m_list->count() - 1, 0)));
}

void ListRunLog::refresh() {
    m_refresh.stop();
    if (!m_list) return;
    m_list->setUpdatesEnabled(true);
}

}  // namespace nightaudit
