#include "LayoutCommands.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "HandlerErrors.h"
#include "PlaybackWiring.h"
#include "core/NodeKey.h"
#include "core/Twips.h"
#include "dlgMain.h"
#include "editor/dlgEdit.h"

namespace nightaudit {
namespace {

constexpr int kDockedHeightTwips = 4000;
constexpr int kShortLogHeightTwips = 4115;

void setWidthTwips(QWidget* w, int widthTwips) {
    w->resize(twipsToPixels(widthTwips), w->height());
}

}  // namespace

void LayoutCommands::setFramesWidth(int tasksWidth, int actionsLeft, int windowWidth) {
    setWidthTwips(m_window.frame(2), tasksWidth);
    QGroupBox* actions = m_window.frame(3);
    actions->move(twipsToPixels(actionsLeft), actions->y());
    m_window.setWindowWidthTwips(windowWidth);
}

void LayoutCommands::Command1_Click() {
    setFramesWidth(7815, 8040, 10395);
}

void LayoutCommands::Command2_Click() {
    setFramesWidth(3975, 4080, 6465);
}

void LayoutCommands::Command11_Click() {
    m_window.setWindowHeightTwips(kDockedHeightTwips);
    const int top = dlgMain::screenHeightTwips() - m_window.windowHeightTwips() -
                    dlgMain::kScreenBottomGapTwips;
    m_window.move(m_window.x(), twipsToPixels(top));
}

void LayoutCommands::Command7_Click() {
    setWidthTwips(m_window.frame(2), m_window.windowWidthTwips() - 400);
    setWidthTwips(m_window.TreeView1(), m_window.windowWidthTwips() - 700);
    m_window.frame(3)->hide();
    m_window.frame(1)->hide();
    m_window.txtInstructions()->hide();
    m_window.findChild<QLabel*>(QStringLiteral("Label1"))->hide();
    m_window.cmdSend2()->show();
    // The widened tree reaches over the second Go: the one Go of this layout stays on top.
    m_window.cmdSend2()->raise();
}

void LayoutCommands::Command9_Click() {
    QListWidget* log = m_window.lstLog();
    log->resize(log->width(), twipsToPixels(kShortLogHeightTwips));
}

void LayoutCommands::Command5_Click() {
    reportingErrors(&m_window, [this] { m_window.wiring().printer().print(m_window); });
}

void LayoutCommands::Command6_Click() {
    reportingErrors(&m_window, [this] {
        const int selected = m_window.selectedNodeIndex();
        const auto id =
            selected == 0
                ? std::nullopt
                : NodeKey::parse(m_window.nodeKey(selected).toStdString()).keySequenceId();
        if (!id) {
            // A task's key holds a task id, not a key sequence id: editing by it would
            // show, and let the clerk rewrite, the keys of an unrelated key sequence.
            MessageBoxes::information(&m_window, QStringLiteral("Edit Keys"),
                                      QStringLiteral("A key sequence must be selected in "
                                                     "the tree to edit its keys."));
            return;
        }
        dlgEdit editor(m_window.store(), *id, &m_window);
        editor.exec();
    });
}

}  // namespace nightaudit
