#pragma once

#include <QElapsedTimer>
#include <functional>

#include "PlaybackHost.h"
#include "Waiter.h"
#include "platform/Desktop.h"

namespace nightaudit {

// What the desktop asks of a run while it types: the window's events are handled
// between keystrokes (Stop, the stop key, closing the main window), at most every few
// milliseconds so that long texts stay fast, and a key the clerk holds down is waited
// for with the countdown window's notice and Stop button.
class RunTypingWatch : public TypingWatch {
public:
    // `pollStopKey` reads the global stop key at once; it may be empty.
    RunTypingWatch(EventPump& events, Waiter& waiter, PlaybackState& state,
                   std::function<void()> pollStopKey = {});

    bool stopRequested() override;
    bool waitUntil(const std::string& notice, const std::function<bool()>& ready) override;

private:
    EventPump& m_events;
    Waiter& m_waiter;
    PlaybackState& m_state;
    std::function<void()> m_pollStopKey;
    QElapsedTimer m_sinceEvents;
};

}  // namespace nightaudit
