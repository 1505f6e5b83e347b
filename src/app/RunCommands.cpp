#include "RunCommands.h"

#include <QPushButton>
#include <QTreeWidget>

#include <cstdint>
#include <limits>

#include "HandlerErrors.h"
#include "PlaybackWiring.h"
#include "dlgMain.h"

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

// Holds a run: the controls that could start another run are disabled for its
// length and given back their earlier states however the run ends.
class RunCommands::RunLock {
public:
    explicit RunLock(RunCommands& commands)
        : m_commands(commands),
          m_controls{commands.m_window.cmdSend(), commands.m_window.cmdSend2(),
                     commands.m_window.command(8), commands.m_window.TreeView1()} {
        for (std::size_t i = 0; i < kCount; ++i) {
            m_enabled[i] = m_controls[i]->isEnabled();
            m_controls[i]->setEnabled(false);
        }
        m_commands.m_running = true;
    }
    ~RunLock() {
        m_commands.m_running = false;
        for (std::size_t i = 0; i < kCount; ++i) m_controls[i]->setEnabled(m_enabled[i]);
    }
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

private:
    static constexpr std::size_t kCount = 4;
    RunCommands& m_commands;
    QWidget* m_controls[kCount];
    bool m_enabled[kCount] = {};
};

bool RunCommands::mayStart() {
    if (m_running) {
        MessageBoxes::information(&m_window, QStringLiteral("Quillmar Night Audit"),
                                  QStringLiteral("A run is already under way: wait for it to "
                                                 "end or press Stop in its countdown."));
        return false;
    }
    // Without a desktop every key would fail while the waits still ran, and a store others
    // can write may type what they put there: refuse at once.
    return reportingErrors(&m_window, [this] { m_window.wiring().checkMayRun(); });
}

void RunCommands::cmdSend_Click(RunTrigger trigger) {
    if (!mayStart()) return;
    {
        RunLock lock(*this);
        reportingErrors(&m_window, [this, trigger] {
            PlaybackState& state = m_window.state();
            state.intSentNodeIndex = nodeIndex16(m_window.selectedNodeIndex());
            m_window.setCaption(QStringLiteral("Quillmar Night Audit"));
            m_window.wiring().ExecuteSelected(state.intSentNodeIndex, trigger);
        });
    }
    m_window.command(8)->setEnabled(true);
    m_window.TreeView1()->setFocus();
}

void RunCommands::Command8_Click() {
    if (m_window.state().intSentNodeIndex != 0 && mayStart()) {
        RunLock lock(*this);
        reportingErrors(&m_window, [this] {
            PlaybackState& state = m_window.state();
            const int next = state.intSentNodeIndex + 1;
            if (next > m_window.nodeCount()) {
                throw Error(err::NoSuchNode,
                            "The last node of the tree has been run: there is no next node.");
            }
            m_window.wiring().ExecuteSelected(nodeIndex16(next), RunTrigger::Next);
            state.intSentNodeIndex = static_cast<std::int16_t>(next);
            m_window.ensureNodeVisible(next);
        });
    }
    m_window.TreeView1()->setFocus();
}

}  // namespace nightaudit
