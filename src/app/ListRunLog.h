#pragma once

#include "playback/RunLog.h"

class QListWidget;

namespace nightaudit {

// The run log on the main window's list `lstLog`: one line per keystroke text sent,
// the newest kept in view so the clerk sees what was typed last.
class ListRunLog : public RunLog {
public:
    explicit ListRunLog(QListWidget& list) : m_list(list) {}

    void clear() override;
    void append(const QString& line) override;

private:
    QListWidget& m_list;
};

}  // namespace nightaudit
