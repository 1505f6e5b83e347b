#include "RunCommands.h"

#include <QPushButton>
#include <QTreeWidget>

#include <cstdint>
#include <limits>

#include "HandlerErrors.h"
#include "MainControls.h"
#include "PlaybackWiring.h"
#include "TaskTree.h"
#include "playback/PlaybackState.h"
#include "playback/RunSession.h"

namespace nightaudit {
namespace {

std::int16_t nodeIndex16(int index) {
    if (index < 0 || index > std::numeric_limits<std::int16_t>::max()) {
        throw Error(err::Overflow,
                    "The node index " + std::to_string(index) + " is too large to run");
    }
    return static_cast<std::int16_t>(index);
}

}  // namespace

RunCommands::RunCommands(QWidget& window, const MainControls& controls, TaskTree& tree,
                         PlaybackWiring& wiring, RunSession& session, PlaybackState& state)
    : m_window(window),
      m_tree(tree),
      m_wiring(wiring),
      m_session(session),
      m_state(state),
      m_next(controls.next),
      m_starters{controls.go, controls.treeOnlyGo, controls.next, tree.view()} {
    connect(controls.go, &QPushButton::clicked, this, [this] { go(); });
    connect(controls.treeOnlyGo, &QPushButton::clicked, this, [this] { go(RunTrigger::SecondGo); });
    connect(controls.next, &QPushButton::clicked, this, &RunCommands::next);
    connect(&session, &RunSession::started, this, &RunCommands::lockOut);
    connect(&session, &RunSession::ended, this, &RunCommands::giveBack);
}

void RunCommands::lockOut() {
    for (std::size_t i = 0; i < m_starters.size(); ++i) {
        m_enabledBefore[i] = m_starters[i]->isEnabled();
        m_starters[i]->setEnabled(false);
    }
}

void RunCommands::giveBack() {
    for (std::size_t i = 0; i < m_starters.size(); ++i)
        m_starters[i]->setEnabled(m_enabledBefore[i]);
}

bool RunCommands::mayStart() {
    if (m_session.underWay()) {
        MessageBoxes::information(&m_window, QStringLiteral("Quillmar Night Audit"),
                                  QStringLiteral("A run is already under way: wait for it to "
                                                 "end or press Stop in its countdown."));
        return false;
    }
    // Without a desktop every key would fail while the waits still ran, and a store others
    // can write may type what they put there: refuse at once.
    return reportingErrors(&m_window, [this] { m_wiring.checkMayRun(); });
}

void RunCommands::go(RunTrigger trigger) {
    if (!mayStart()) return;
    reportingErrors(&m_window, [this, trigger] {
        m_state.sentNodeIndex = nodeIndex16(m_tree.selectedIndex());
        m_window.setWindowTitle(QStringLiteral("Quillmar Night Audit"));
        m_wiring.run(m_state.sentNodeIndex, trigger);
    });
    m_next->setEnabled(true);
    m_tree.view()->setFocus();
}

void RunCommands::next() {
    if (m_state.sentNodeIndex != 0 && mayStart()) {
        reportingErrors(&m_window, [this] {
            const int following = m_state.sentNodeIndex + 1;
            if (following > m_tree.nodeCount()) {
                throw Error(err::NoSuchNode,
                            "The last node of the tree has been run: there is no next node.");
            }
            m_wiring.run(nodeIndex16(following), RunTrigger::Next);
            m_state.sentNodeIndex = static_cast<std::int16_t>(following);
            m_tree.ensureVisible(following);
        });
    }
    m_tree.view()->setFocus();
}

}  // namespace nightaudit
