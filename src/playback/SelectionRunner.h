#pragma once

#include <cstdint>

#include "KeySequencePlayer.h"
#include "PlaybackHost.h"
#include "Waiter.h"
#include "store/TaskStore.h"

namespace nightaudit {

// Turns a tree node into playback: a key sequence node plays that key sequence, a
// task node plays the task's enabled key sequences, a task sequence node walks its
// tasks, moving the tree's selection along.
//
// Errors of a single key sequence are the player's business and never reach here.
// What does reach here ends the run and is thrown to the caller: a node index that
// names no node, a task id that is not a 16-bit number, a failing query of the task's key
// sequences, a wait that does not fit 32 bits.
class SelectionRunner {
public:
    // Every collaborator must outlive the runner.
    SelectionRunner(TaskStore& store, NodeTree& tree, KeySequencePlayer& player, Waiter& waiter,
                    PlaybackState& state);

    // Clears the stop request, then runs the node at `nodeIndex` by the kind its key
    // tells. A task sequence walks the children of the *selected* node (from Go the
    // same node) and leaves its last task selected; once a stop is asked for it starts
    // no further task and leaves the stopped one selected. One run at a time is the
    // caller's business (RunSession).
    void run(std::int16_t nodeIndex);

    // Plays the enabled key sequences of the task node at `nodeIndex` in display
    // order: wait before, play, mark played, wait after, then stop if a stop was asked
    // for. A key sequence with no node in the tree (another weekday's) is skipped whole.
    void runTask(std::int16_t nodeIndex);

private:
    void walkTaskSequence();

    TaskStore& m_store;
    NodeTree& m_tree;
    KeySequencePlayer& m_player;
    Waiter& m_waiter;
    PlaybackState& m_state;
};

}  // namespace nightaudit
