#include "SelectionRunner.h"

#include "WholeNumber.h"
#include "core/Error.h"
#include "core/NodeKey.h"
#include "store/Statements.h"
#include "store/Value.h"

namespace nightaudit {

SelectionRunner::SelectionRunner(TaskStore& store, NodeTree& tree, KeySequencePlayer& player,
                                 Waiter& waiter, PlaybackState& state)
    : m_store(store), m_tree(tree), m_player(player), m_waiter(waiter), m_state(state) {}

void SelectionRunner::run(std::int16_t nodeIndex) {
    m_state.stopRequested = false;
    switch (NodeKey::parse(m_tree.nodeKey(nodeIndex).toStdString()).kind()) {
        case NodeKind::KeySequence:
            m_player.playKeySequence(nodeIndex, 0);
            break;
        case NodeKind::TaskSequence:
            walkTaskSequence();
            break;
        case NodeKind::Task:
            runTask(nodeIndex);
            break;
        case NodeKind::None:
            break;
    }
}

void SelectionRunner::walkTaskSequence() {
    const int selected = m_tree.selectedNodeIndex();
    if (selected == 0) throw Error(err::NoSuchNode, "No node is selected in the tree");
    const int n = m_tree.childCount(selected);
    if (n == 0) return;
    m_tree.selectNode(m_tree.firstChild(selected));
    for (int i = 1; i <= n; ++i) {
        const int current = m_tree.selectedNodeIndex();
        runTask(static_cast<std::int16_t>(current));
        if (m_state.stopRequested)
            return;  // no further task starts, the stopped one stays selected
        if (i != n) m_tree.selectNode(m_tree.nextSibling(m_tree.selectedNodeIndex()));
    }
}

void SelectionRunner::runTask(std::int16_t nodeIndex) {
    // At most ten characters after the prefix are read as the id.
    const NodeKey key = NodeKey::parse(m_tree.nodeKey(nodeIndex).toStdString());
    const std::int16_t taskId = wholeNumber16(key.id().substr(0, 10), "the task id of the node");
    Cursor rows = m_store.query(statements::taskKeySequencesQuery(taskId));
    while (!rows.eof()) {
        const NodeKey nodeKey(NodeKind::KeySequence, rows.value("keysequenceID").text());
        const int k = m_tree.nodeIndexForKey(QString::fromStdString(nodeKey.text()));
        // The tree leaves out key sequences of other weekdays while taskKeySequencesQuery does not
        // look at the day; such a key sequence is not meant to play tonight.
        if (k != 0) {
            m_waiter.wait(leadingLongOrZero(rows.value("waitbefore")));
            m_player.playKeySequence(static_cast<std::int16_t>(k), 0);
            m_tree.markNodePlayed(k);
            m_waiter.wait(leadingLongOrZero(rows.value("waitafter")));
        }
        rows.next();
        if (m_state.stopRequested) return;
    }
}

}  // namespace nightaudit
