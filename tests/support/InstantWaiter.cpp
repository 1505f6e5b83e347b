#include "InstantWaiter.h"

#include <algorithm>

#include "playback/Countdown.h"

namespace nightaudit {

std::size_t InstantWaiter::countedWaits() const {
    return static_cast<std::size_t>(
        std::count_if(m_waits.begin(), m_waits.end(),
                      [](std::int32_t ms) { return Countdown::secondsFor(ms) > 0; }));
}

bool InstantWaiter::waitUntil(const QString& notice, const std::function<bool()>& ready) {
    m_notices << notice;
    for (int i = 0; i < 1000; ++i) {
        if (ready()) return true;
    }
    return false;
}

void InstantWaiter::wait(std::int32_t milliseconds) {
    m_waits.push_back(milliseconds);
    if (m_observer) m_observer(milliseconds);
    if (m_stopAt > 0 && Countdown::secondsFor(milliseconds) > 0 &&
        static_cast<int>(countedWaits()) == m_stopAt) {
        m_state.bolStop = true;
        m_stopAt = 0;
    }
}

}  // namespace nightaudit
