#pragma once

#include <QListWidget>
#include <QPointer>
#include <QTimer>

#include "playback/RunLog.h"

namespace nightaudit {

// The run log on the main window's list `lstLog`: one line per keystroke text sent,
// appended at the end. The log never scrolls the list: it stays where the clerk left it.
//
// A run appends a line per key and pumps events after each; repainting and scrolling
// the list for every line cost far more than typing the key. So a line is in the list
// at once, but the list repaints at most once per kRefreshMs while
// lines keep coming, and kRefreshMs after the last one at the latest.
class ListRunLog : public RunLog {
public:
    static constexpr int kRefreshMs = 40;

    explicit ListRunLog(QListWidget& list);
    ~ListRunLog() override;
    ListRunLog(const ListRunLog&) = delete;
    ListRunLog& operator=(const ListRunLog&) = delete;

    void clear() override;
    void append(const QString& line) override;

    // Shows every line appended so far now, without waiting for the refresh.
    void refresh();

private:
    // Watched: the list may go before its log, and the log must not touch it then.
    QPointer<QListWidget> m_list;
    QTimer m_refresh;
};

}  // namespace nightaudit
