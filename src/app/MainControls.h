#pragma once

#include <array>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace nightaudit {

class TaskTree;

// The main window's controls, kept by type. Each carries its designed object name (in
// the comments): stored keys read and write the fields by these names, and the clerk's
// notes name the buttons by them.
struct MainControls {
    // The frame "Actions" (Frame3).
    QGroupBox* actions = nullptr;
    QPushButton* go = nullptr;            // cmdSend, the window's default button
    QPushButton* next = nullptr;          // Command8
    QListWidget* log = nullptr;           // lstLog, the run log
    QCheckBox* completeTask = nullptr;    // chbCompleteTask, hidden
    QLineEdit* teachCount = nullptr;      // dfnTeach, the stopwatch's seconds
    QPushButton* teachTask = nullptr;     // Command10
    QTimer* teachTimer = nullptr;         // TimerTeach, one tick a second
    QPushButton* wideLayout = nullptr;    // Command1
    QPushButton* narrowLayout = nullptr;  // Command2
    QPushButton* print = nullptr;         // Command5
    QPushButton* shortLog = nullptr;      // Command9
    QPushButton* dockLow = nullptr;       // Command11

    // The frame "Night Audit Tasks" (Frame2).
    QGroupBox* tasks = nullptr;
    QPushButton* treeOnlyGo = nullptr;        // cmdSend2, shown in the tree-only layout
    QGroupBox* treeButtons = nullptr;         // Frame6
    QCheckBox* singleClick = nullptr;         // Check1, "Single Click Mode"
    QPushButton* editKeys = nullptr;          // Command6
    QPushButton* expandAll = nullptr;         // Command3
    QPushButton* collapseAll = nullptr;       // Command4
    QPushButton* treeOnlyLayout = nullptr;    // Command7
    QPlainTextEdit* instructions = nullptr;   // txtInstructions
    QLabel* instructionsCaption = nullptr;    // Label1
    QGroupBox* specialFields = nullptr;       // Frame1
    std::array<QLineEdit*, 7> specials = {};  // special1 ... special7

    QLabel* version = nullptr;  // lblVersion
    QLabel* notice = nullptr;   // Label17, the run's last error

    // special1 ... special7 by their number.
    QLineEdit* special(int number) const { return specials.at(number - 1); }
};

// Creates the controls in `window` in their designed order (a later control lies above
// an earlier one) with their texts, positions and initial states; the tree goes to
// `tree`. Behaviour is connected by the window and its parts.
MainControls buildMainControls(QWidget* window, std::unique_ptr<TaskTree>& tree);

}  // namespace nightaudit
