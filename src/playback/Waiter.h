#pragma once

#include <cstdint>
#include <functional>

#include <QString>

namespace nightaudit {

// Every wait of the playback goes through one of these.
class Waiter {
public:
    virtual ~Waiter() = default;
    // Waits `milliseconds`, turned into whole seconds (half to even); 0 seconds or
    // less returns at once. Returns early when the clerk presses Stop, which sets
    // the stop request.
    virtual void wait(std::int32_t milliseconds) = 0;

    // Waits, showing `notice` with a Stop button, until `ready` (asked every few
    // milliseconds) returns true, or the clerk presses Stop, which sets the stop
    // request. Returns whether `ready` came true.
    virtual bool waitUntil(const QString& notice, const std::function<bool()>& ready) = 0;

    // Does what the Stop button does, for a stop that comes from elsewhere (the global
    // stop key): sets the stop request and ends the wait under way now, if any.
    virtual void stopCurrentWait() = 0;
};

}  // namespace nightaudit
