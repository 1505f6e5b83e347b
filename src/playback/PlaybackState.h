#pragma once

#include <cstdint>

namespace nightaudit {

// What the player, the runner, the waits and teach mode share about the current run.
struct PlaybackState {
    // Stop was pressed (the countdown's button, the stop key, a close of the main
    // window): the run ends after the current keystroke.
    bool stopRequested = false;
    // The key sequence selected or played last: teach mode writes its wait there.
    std::int16_t keySequenceId = 0;
    // The node Go ran last; Next runs the one after it.
    std::int16_t sentNodeIndex = 0;
};

}  // namespace nightaudit
