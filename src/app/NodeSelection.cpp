#include "NodeSelection.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "HandlerErrors.h"
#include "RunCommands.h"
#include "TaskTree.h"
#include "core/NodeKey.h"
#include "dlgMain.h"

namespace nightaudit {

NodeSelection::NodeSelection(dlgMain& window, const RunCommands& runs)
    : QObject(&window), m_window(window), m_runs(runs) {
    QTreeWidget* view = window.TreeView1();
    connect(view, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (const int index = m_window.tree().indexOf(item)) TreeView1_NodeClick(index);
    });
    connect(view, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { onCurrentChanged(current); });
    view->installEventFilter(this);
}

void NodeSelection::onCurrentChanged(QTreeWidgetItem* current) {
    if (m_runs.isRunning()) return;
    if (const int index = m_window.tree().indexOf(current)) nodeSelected(index);
}

// Enter and Space are the keyboard's click; the arrow keys only move the selection.
bool NodeSelection::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == m_window.TreeView1()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            const int index = m_window.tree().indexOf(m_window.TreeView1()->currentItem());
            if (index != 0) {
                TreeView1_NodeClick(index);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void NodeSelection::TreeView1_NodeClick(int nodeIndex) {
    apply(nodeIndex, true);
}

void NodeSelection::nodeSelected(int nodeIndex) {
    apply(nodeIndex, false);
}

void NodeSelection::apply(int nodeIndex, bool clicked) {
    QString key;
    reportingErrors(&m_window, [&] {
        key = m_window.nodeKey(nodeIndex);
        m_window.txtInstructions()->setPlainText(m_window.tree().tag(nodeIndex));
    });
    const NodeKey parsed = NodeKey::parse(key.toStdString());
    const bool keySequence = parsed.kind() == NodeKind::KeySequence;
    const bool taskSequence = parsed.kind() == NodeKind::TaskSequence;
    const bool task = parsed.kind() == NodeKind::Task;

    if (keySequence || task) {
        m_window.cmdSend()->setEnabled(true);
        m_window.command(6)->setEnabled(true);
        if (clicked) {
            // cmdSend_Click shows its own failures and puts the window back in order.
            if (m_window.Check1()->isChecked()) m_window.goFromNodeClick();
            m_window.StartTeach();
        }
    } else if (taskSequence) {
        m_window.cmdSend()->setEnabled(true);
        m_window.command(6)->setEnabled(false);
    }
    // Only a key sequence's key names a key sequence: the number in a task's or a
    // task sequence's key would make teach mode write into an unrelated sequence.
    if (const auto id = parsed.keySequenceId()) {
        m_window.state().intKeySequenceID = *id;
    }
    m_window.command(10)->setText(QStringLiteral("Teach Task(") + key + QStringLiteral(")"));
}

}  // namespace nightaudit
