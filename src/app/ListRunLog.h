#pragma once

#include <QListWidget>
#include <QPointer>
#include <QTimer>

#include "playback/RunLog.h"

namespace nightaudit {

// The run log on the main window's list `lstLog`: one line per keystroke text sent,
// appended at the end. The log never scrolls the list: it stays where the clerk left it.
//
// A run appends a line per key and pumps events after each; every insertion makes the
// list lay all its lines out again at the next pump, which in a long key sequence cost
// more than typing the key. So the lines wait and go into the list together, at most
// kRefreshMs after they were appended, and at once on refresh() (the end of a run).
class ListRunLog : public RunLog {
public:
    static constexpr int kRefreshMs = 40;

    explicit ListRunLog(QListWidget& list);
    ~ListRunLog() override;
    ListRunLog(const ListRunLog&) = delete;
    ListRunLog& operator=(const ListRunLog&) = delete;

    void clear() override;
    void append(const QString& line) override;

    // Puts every line appended so far into the list now.
    void refresh();

private:
    QStringList m_pending;
    // Watched: the list may go before its log, and the log must not touch it then.
    QPointer<QListWidget> m_list;
    QTimer m_refresh;
};

}  // namespace nightaudit
