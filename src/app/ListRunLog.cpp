#include "ListRunLog.h"

#include <QListWidget>

namespace nightaudit {

void ListRunLog::clear() {
    m_list.clear();
}

void ListRunLog::append(const QString& line) {
    m_list.addItem(line);
    m_list.scrollToBottom();
}

}  // namespace nightaudit
