#include "MainControls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "ControlFactory.h"
#include "SpecialFieldsFrame.h"
#include "TaskTree.h"
#include "core/Twips.h"

namespace nightaudit {
namespace {

using namespace controls;

void buildActionsFrame(QWidget* window, MainControls& c) {
    QGroupBox* f = frame(window, "Frame3", QStringLiteral("Actions"), 8040, 120, 2175, 7335);
    c.actions = f;

    c.dockLow = pictureButton(f, "Command11", QStringLiteral("v"), Picture::DockLow,
                              QStringLiteral("Low on the screen: a shorter window at the bottom"),
                              625, 7005, 255, 255);
    c.teachTimer = new QTimer(f);
    c.teachTimer->setObjectName(QStringLiteral("TimerTeach"));
    c.teachTimer->setInterval(1000);
    c.shortLog =
        pictureButton(f, "Command9", QString(), Picture::ShortLog,
                      QStringLiteral("Shorter run log: shows the stopwatch's \"Time:\" again"),
                      1305, 6960, 375, 315);
    c.next = button(f, "Command8", QStringLiteral("&Next"), 120, 675, 1935, 375);
    c.next->setEnabled(false);
    c.narrowLayout = pictureButton(f, "Command2", QStringLiteral("<-"), Picture::Narrow,
                                   QStringLiteral("Narrow layout: the tree and the actions only"),
                                   75, 7005, 255, 255);
    c.wideLayout = pictureButton(f, "Command1", QStringLiteral("->"), Picture::Wide,
                                 QStringLiteral("Wide layout: the whole window as designed"), 350,
                                 7005, 255, 255);
    c.print = pictureButton(f, "Command5", QString(), Picture::Print,
                            QStringLiteral("Print the window on the default printer"), 1680, 6960,
                            375, 315);

    c.log = new QListWidget(f);
    c.log->setObjectName(QStringLiteral("lstLog"));
    c.log->setGeometry(twipsRectToPixels(120, 1200, 1935, 4350));

    c.completeTask =
        checkBox(f, "chbCompleteTask", QStringLiteral("Co&mplete Task"), 120, 840, 1695, 255);
    c.completeTask->hide();

    c.go = button(f, "cmdSend", QStringLiteral("&Go"), 120, 240, 1935, 375);
    c.go->setEnabled(false);
    c.go->setDefault(true);

    c.teachCount = textBox(f, "dfnTeach", QStringLiteral("1"), 1440, 5842, 510, 300);
    c.teachTask = button(f, "Command10", QStringLiteral("Teach Task"), 285, 6405, 1665, 255);
    // A label is drawn on its frame, beneath the frame's other controls: a tall run
    // log covers "Time:" while the stopwatch box and its button stay above the log.
    QLabel* time = label(f, "Label16", QStringLiteral("Time:"), 285, 5895, 390, 195);
    time->stackUnder(c.log);
    c.teachCount->raise();
    c.teachTask->raise();
}

void buildTasksFrame(QWidget* window, MainControls& c, std::unique_ptr<TaskTree>& tree) {
    QGroupBox* f =
        frame(window, "Frame2", QStringLiteral("Night Audit Tasks"), 120, 120, 7815, 7335);
    c.tasks = f;

    c.treeOnlyGo = button(f, "cmdSend2", QStringLiteral("G&o"), 3870, 6960, 1935, 315);
    c.treeOnlyGo->hide();
    c.treeOnlyGo->setEnabled(false);  // as Go: nothing to run until a node is chosen

    QGroupBox* row = frame(f, "Frame6", QString(), 135, 6840, 3720, 435);
    c.treeButtons = row;
    c.singleClick =
        checkBox(row, "Check1", QStringLiteral("Single Click Mode"), 60, 165, 2055, 195);
    c.editKeys = pictureButton(row, "Command6", QStringLiteral("-"), Picture::EditKeys,
                               QStringLiteral("Edit the keys of the selected key sequence"), 3420,
                               135, 255, 255);
    c.editKeys->setEnabled(false);
    c.expandAll = button(row, "Command3", QStringLiteral("+"), 3135, 120, 255, 255);
    c.expandAll->setToolTip(QStringLiteral("Expand every node"));
    c.collapseAll = button(row, "Command4", QStringLiteral("-"), 2895, 120, 255, 255);
    c.collapseAll->setToolTip(QStringLiteral("Collapse to the task sequences"));
    c.treeOnlyLayout =
        pictureButton(row, "Command7", QStringLiteral("->"), Picture::Wide,
                      QStringLiteral("Tree only: the tree across the window, with its own Go"),
                      2655, 120, 255, 255);

    const SpecialFields fields = buildSpecialFieldsFrame(f);
    c.specialFields = fields.frame;
    c.specials = fields.fields;

    c.instructions = new QPlainTextEdit(f);
    c.instructions->setObjectName(QStringLiteral("txtInstructions"));
    c.instructions->setGeometry(twipsRectToPixels(3960, 360, 3735, 3015));

    tree = std::make_unique<TaskTree>(f);
    tree->view()->setGeometry(twipsRectToPixels(120, 225, 3735, 6735));

    c.instructionsCaption =
        label(f, "Label1", QStringLiteral("Task Instructions"), 3960, 120, 2535, 255);

    // The tree grows with the window and would otherwise cover the button row with
    // "Single Click Mode", "+" and "-"; the row stays reachable on top of it.
    row->raise();
}

}  // namespace

MainControls buildMainControls(QWidget* window, std::unique_ptr<TaskTree>& tree) {
    MainControls c;
    buildActionsFrame(window, c);
    buildTasksFrame(window, c, tree);
    c.version = label(window, "lblVersion", QStringLiteral("Version"), 2325, 7530, 1680, 225);
    c.notice = label(window, "Label17", QStringLiteral("Keys type into live windows"), 150, 7530,
                     1980, 195);
    return c;
}

}  // namespace nightaudit
