#pragma once

#include <cstdint>

namespace nightaudit {

// DoWait: every wait of the playback goes through one of these.
class Waiter {
public:
    virtual ~Waiter() = default;
    // Waits `milliseconds`, turned into whole seconds (half to even); 0 seconds or
    // less returns at once. Returns early when the clerk presses Stop, which sets
    // the stop request.
    virtual void wait(std::int32_t milliseconds) = 0;

    // Does what the Stop button does, for a stop that comes from elsewhere (the global
    // stop key): sets the stop request and ends the wait under way now, if any.
    virtual void stopCurrentWait() = 0;
};

}  // namespace nightaudit
