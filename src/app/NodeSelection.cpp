#include "NodeSelection.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "HandlerErrors.h"
#include "RunCommands.h"
#include "TaskTree.h"
#include "core/NodeKey.h"
#include "dlgMain.h"
#include "playback/PlaybackState.h"
#include "widgets/TextFitter.h"

namespace nightaudit {

NodeSelection::NodeSelection(dlgMain& window, const RunCommands& runs)
    : QObject(&window), m_window(window), m_runs(runs) {
    QTreeWidget* view = window.TreeView1();
    connect(view, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (const int index = m_window.tree().indexOf(item)) TreeView1_NodeClick(index);
    });
    connect(view, &QTreeWidget::itemSelectionChanged, this, [this] { onSelectionChanged(); });
    view->installEventFilter(this);
    window.command(10)->installEventFilter(this);
}

// The selection, not the current node, is what counts: the tree makes its first node
// current, unselected, when it takes the focus. Without a selected node (a click on the
// tree's empty area) there is nothing to run.
void NodeSelection::onSelectionChanged() {
    if (m_runs.isRunning()) return;
    if (const int index = m_window.selectedNodeIndex()) {
        nodeSelected(index);
        return;
    }
    m_window.cmdSend()->setEnabled(false);
    m_window.cmdSend2()->setEnabled(false);
}

// Space is the keyboard's click; the arrow keys only move the selection; Enter goes on
// to the window, where it presses Go. Teach Task's tooltip names where the time goes.
bool NodeSelection::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && watched == m_window.command(10)) {
        const int id = m_window.state().intKeySequenceID;
        m_window.command(10)->setToolTip(
            id == 0
                ? QStringLiteral("Select a key sequence first: the time is stored as the wait "
                                 "after the last key of the key sequence selected or played last")
                : QStringLiteral("Stores the time as the wait after the last key of the key "
                                 "sequence KS%1, the one selected or played last")
                      .arg(id));
    }
    if (event->type() == QEvent::KeyPress && watched == m_window.TreeView1()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space) {
            const int index = m_window.tree().indexOf(m_window.TreeView1()->currentItem());
            if (index != 0) {
                m_window.selectNode(index);  // a click selects the node it is on
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

    if (keySequence || task || taskSequence) {
        m_window.cmdSend()->setEnabled(true);
        m_window.cmdSend2()->setEnabled(true);
    }
    if (keySequence || task) {
        m_window.command(6)->setEnabled(true);
        if (clicked) {
            // cmdSend_Click shows its own failures and puts the window back in order.
            if (m_window.Check1()->isChecked()) m_window.goFromNodeClick();
            m_window.StartTeach();
        }
    } else if (taskSequence) {
        m_window.command(6)->setEnabled(false);
    }
    // Only a key sequence's key names a key sequence: the number in a task's or a
    // task sequence's key would make teach mode write into an unrelated sequence.
    if (const auto id = parsed.keySequenceId()) {
        m_window.state().intKeySequenceID = *id;
    }
    m_window.command(10)->setText(QStringLiteral("Teach Task(") + key + QStringLiteral(")"));
    fitText(m_window.command(10));
}

}  // namespace nightaudit
