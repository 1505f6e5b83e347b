#pragma once

#include <QObject>

class QTreeWidget;
class QWidget;

namespace nightaudit {

struct MainControls;

// The small buttons that change the main window's layout; each connects its own
// button. Sizes are in twips and absolute, so the layouts apply in any order.
class LayoutCommands : public QObject {
    Q_OBJECT
public:
    // `window`, `controls` and `treeView` must outlive the commands.
    LayoutCommands(QWidget& window, const MainControls& controls, QTreeWidget& treeView);

    void wide();        // "->": the whole window as designed
    void narrow();      // "<-": the tree column and the actions only
    void treeOnly();    // "->" under the tree: the tree alone, widened, with its own Go
    void shortenLog();  // clock: a shorter run log, clear of the stopwatch row
    void dockLow();     // "v": a low window above the screen's bottom

private:
    void setFramesWidth(int tasksWidth, int actionsLeft, int windowWidth);

    QWidget& m_window;
    const MainControls& m_controls;
    QTreeWidget& m_treeView;
};

}  // namespace nightaudit
