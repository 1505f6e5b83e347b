#include "SelectionRunner.h"

#include "WholeNumber.h"
#include "core/Error.h"
#include "store/Statements.h"
#include "store/Value.h"

namespace nightaudit {

SelectionRunner::SelectionRunner(TaskStore& store, PlaybackHost& host, KeySequencePlayer& player,
                                 Waiter& waiter, PlaybackState& state)
    : m_store(store), m_host(host), m_player(player), m_waiter(waiter), m_state(state) {}

void SelectionRunner::ExecuteSelected(std::int16_t intNodeIndexToRun) {
    if (m_running) {
        throw Error(err::InvalidArgument,
                    "A run is already under way: wait for it to end or press Stop");
    }
    struct RunningGuard {
        bool& running;
        explicit RunningGuard(bool& r) : running(r) { running = true; }
        ~RunningGuard() { running = false; }
    } guard(m_running);

    m_state.bolStop = false;
    const QString key = m_host.nodeKey(intNodeIndexToRun);
    if (key.startsWith(QStringLiteral("KS"))) {
        m_player.RunKeySequence(intNodeIndexToRun, 0);
    } else if (key.startsWith(QStringLiteral("TS"))) {
        walkTaskSequence();
    } else if (key.startsWith(QStringLiteral("T"))) {
        RunTask(intNodeIndexToRun);
    }
}

void SelectionRunner::walkTaskSequence() {
    const int selected = m_host.selectedNodeIndex();
    if (selected == 0) throw Error(err::NoSuchNode, "No node is selected in the tree");
    const int n = m_host.childCount(selected);
    if (n == 0) return;
    m_host.selectNode(m_host.firstChild(selected));
    for (int i = 1; i <= n; ++i) {
        const int current = m_host.selectedNodeIndex();
        RunTask(static_cast<std::int16_t>(current));
        if (i != n) m_host.selectNode(m_host.nextSibling(m_host.selectedNodeIndex()));
    }
}

void SelectionRunner::RunTask(std::int16_t intNodeIndex) {
    const QString key = m_host.nodeKey(intNodeIndex);
    const std::int16_t taskId =
        wholeNumber16(key.mid(1, 10).toStdString(), "the task id of the node");
    Cursor rows = m_store.query(statements::taskKeySequencesQuery(taskId));
    while (!rows.eof()) {
        const QString nodeKey =
            QStringLiteral("KS") + QString::fromStdString(rows.value("keysequenceID").text());
        const int k = m_host.nodeIndexForKey(nodeKey);
        // The tree leaves out key sequences of other weekdays while taskKeySequencesQuery does not
        // look at the day; such a key sequence is not meant to play tonight.
        if (k != 0) {
            m_waiter.wait(NullSafeLong(rows.value("waitbefore")));
            m_player.RunKeySequence(static_cast<std::int16_t>(k), 0);
            m_host.markNodePlayed(k);
            m_waiter.wait(NullSafeLong(rows.value("waitafter")));
        }
        rows.next();
        if (m_state.bolStop) return;
    }
}

}  // namespace nightaudit
