#include "RunTypingWatch.h"

namespace nightaudit {

namespace {
// Events are handled at most this often between keystrokes.
constexpr qint64 kEventsEveryMs = 5;
}  // namespace

RunTypingWatch::RunTypingWatch(EventPump& events, Waiter& waiter, PlaybackState& state,
                               std::function<void()> pollStopKey)
    : m_events(events), m_waiter(waiter), m_state(state), m_pollStopKey(std::move(pollStopKey)) {}

bool RunTypingWatch::stopRequested() {
    if (m_state.stopRequested) return true;
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kEventsEveryMs) return false;
    m_sinceEvents.start();
    if (m_pollStopKey) m_pollStopKey();
    m_events.processEvents();
    return m_state.stopRequested;
}

bool RunTypingWatch::waitUntil(const std::string& notice, const std::function<bool()>& ready) {
    if (m_state.stopRequested) return false;
    return m_waiter.waitUntil(QString::fromStdString(notice), ready) && !m_state.stopRequested;
}

}  // namespace nightaudit
