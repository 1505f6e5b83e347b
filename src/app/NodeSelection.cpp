#include "NodeSelection.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "HandlerErrors.h"
#include "MainControls.h"
#include "TaskTree.h"
#include "core/NodeKey.h"
#include "playback/PlaybackState.h"
#include "playback/RunSession.h"
#include "widgets/TextFitter.h"

namespace nightaudit {

NodeSelection::NodeSelection(const MainControls& controls, TaskTree& tree,
                             const RunSession& session, PlaybackState& state)
    : m_controls(controls), m_tree(tree), m_session(session), m_state(state) {
    QTreeWidget* view = tree.view();
    connect(view, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (const int index = m_tree.indexOf(item)) apply(index, true);
    });
    connect(view, &QTreeWidget::itemSelectionChanged, this, [this] { onSelectionChanged(); });
    view->installEventFilter(this);
    controls.teachTask->installEventFilter(this);
}

// The selection, not the current node, is what counts: the tree makes its first node
// current, unselected, when it takes the focus. Without a selected node (a click on the
// tree's empty area) there is nothing to run.
void NodeSelection::onSelectionChanged() {
    if (m_session.underWay()) return;
    if (const int index = m_tree.selectedIndex()) {
        apply(index, false);
        return;
    }
    m_controls.go->setEnabled(false);
    m_controls.treeOnlyGo->setEnabled(false);
}

// Space is the keyboard's click; the arrow keys only move the selection; Enter goes on
// to the window, where it presses Go. Teach Task's tooltip names where the time goes.
bool NodeSelection::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && watched == m_controls.teachTask) {
        const int id = m_state.keySequenceId;
        m_controls.teachTask->setToolTip(
            id == 0
                ? QStringLiteral("Select a key sequence first: the time is stored as the wait "
                                 "after the last key of the key sequence selected or played last")
                : QStringLiteral("Stores the time as the wait after the last key of the key "
                                 "sequence KS%1, the one selected or played last")
                      .arg(id));
    }
    if (event->type() == QEvent::KeyPress && watched == m_tree.view() &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        if (const int index = m_tree.indexOf(m_tree.view()->currentItem())) {
            m_tree.select(index);  // a click selects the node it is on
            apply(index, true);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void NodeSelection::apply(int nodeIndex, bool clicked) {
    QString key;
    reportingErrors(m_controls.tasks->window(), [&] {
        key = m_tree.key(nodeIndex);
        m_controls.instructions->setPlainText(m_tree.tag(nodeIndex));
    });
    const NodeKey parsed = NodeKey::parse(key.toStdString());
    const bool keySequence = parsed.kind() == NodeKind::KeySequence;
    const bool taskSequence = parsed.kind() == NodeKind::TaskSequence;
    const bool task = parsed.kind() == NodeKind::Task;

    if (keySequence || task || taskSequence) {
        m_controls.go->setEnabled(true);
        m_controls.treeOnlyGo->setEnabled(true);
    }
    if (keySequence || task) {
        m_controls.editKeys->setEnabled(true);
        if (clicked) {
            // Go shows its own failures and puts the window back in order.
            if (m_controls.singleClick->isChecked()) emit runRequested();
            emit stopwatchToggled();
        }
    } else if (taskSequence) {
        m_controls.editKeys->setEnabled(false);
    }
    // Only a key sequence's key names a key sequence: the number in a task's or a
    // task sequence's key would make teach mode write into an unrelated sequence.
    if (const auto id = parsed.keySequenceId()) m_state.keySequenceId = *id;
    m_controls.teachTask->setText(QStringLiteral("Teach Task(") + key + QStringLiteral(")"));
    fitText(m_controls.teachTask);
}

}  // namespace nightaudit
