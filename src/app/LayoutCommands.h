#pragma once

namespace nightaudit {

class dlgMain;

// The small buttons that change the main window's layout, print it or open the key
// editor. Sizes are in twips and absolute, so the layouts apply in any order.
class LayoutCommands {
public:
    explicit LayoutCommands(dlgMain& window) : m_window(window) {}

    void Command1_Click();   // "->": the wide layout of the design
    void Command2_Click();   // "<-": narrow, the tree column and the actions only
    void Command5_Click();   // printer: the window as it looks, on the window printer
    void Command6_Click();   // pencil: the key editor for the selected key sequence
    void Command7_Click();   // "->": the tree alone, widened to the window
    void Command9_Click();   // clock: a shorter run log, clear of the stopwatch row
    void Command11_Click();  // "v": a low window docked above the screen's bottom

private:
    void setFramesWidth(int tasksWidth, int actionsLeft, int windowWidth);

    dlgMain& m_window;
};

}  // namespace nightaudit
