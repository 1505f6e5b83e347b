#pragma once

#include <cstdint>

namespace nightaudit {

// Shared run state the main window holds for the player, the runner and teach mode.
struct PlaybackState {
    bool bolStop = false;
    std::int16_t intKeySequenceID = 0;
    std::int16_t intSentNodeIndex = 0;
};

}  // namespace nightaudit
