#pragma once

#include <functional>
#include <vector>

#include "playback/Countdown.h"
#include "playback/PlaybackState.h"
#include "playback/Waiter.h"

namespace nightaudit {

// Waits that return at once. Remembers every wait asked for (in ms, short ones too) and
// can play the clerk pressing Stop during a chosen wait.
class InstantWaiter : public Waiter {
public:
    explicit InstantWaiter(PlaybackState& state) : m_state(state) {}

    void wait(std::int32_t ms) override {
        m_waits.push_back(ms);
        if (m_observer) m_observer(ms);
        if (Countdown::secondsFor(ms) > 0 && ++m_counted == m_stopAt) m_state.stopRequested = true;
    }
    // Asks `ready` at most 1000 times.
    bool waitUntil(const QString&, const std::function<bool()>& ready) override {
        for (int i = 0; i < 1000; ++i)
            if (ready()) return true;
        return false;
    }
    void stopCurrentWait() override { m_state.stopRequested = true; }  // nothing is ever under way

    const std::vector<std::int32_t>& waits() const { return m_waits; }
    // The `n`th wait from now on (from 1) sets stopRequested, as Stop would. Only a wait of a
    // second or more shows a Stop button, so only such a wait counts.
    void stopAtWait(int n) { m_stopAt = m_counted + n; }
    // Called with each wait's milliseconds, for tests that trace the order of events.
    void setObserver(std::function<void(std::int32_t)> observer) {
        m_observer = std::move(observer);
    }

private:
    PlaybackState& m_state;
    std::vector<std::int32_t> m_waits;
    std::function<void(std::int32_t)> m_observer;
    int m_counted = 0, m_stopAt = 0;
};

}  // namespace nightaudit
