#pragma once

#include <functional>

#include <QStringList>
#include <vector>

#include "playback/PlaybackState.h"
#include "playback/Waiter.h"

namespace nightaudit {

// A Waiter for tests: returns at once, remembers every wait it was asked for (in
// milliseconds, as asked, short ones included) and can play the clerk pressing Stop
// during a chosen wait.
class InstantWaiter : public Waiter {
public:
    explicit InstantWaiter(PlaybackState& state) : m_state(state) {}

    void wait(std::int32_t milliseconds) override;
    // Asks `ready` until it comes true (at most 1000 times); remembers the notice.
    bool waitUntil(const QString& notice, const std::function<bool()>& ready) override;
    const QStringList& notices() const { return m_notices; }
    // Nothing is ever under way: sets bolStop only.
    void stopCurrentWait() override { m_state.bolStop = true; }

    const std::vector<std::int32_t>& waits() const { return m_waits; }
    // The `n`th wait from now on (counting from 1) sets bolStop, as Stop would.
    // Only a wait of one second or more shows a Stop button, so only such a wait counts.
    void stopAtWait(int n) { m_stopAt = static_cast<int>(countedWaits()) + n; }
    // Called with each wait's milliseconds, for tests that trace the order of events.
    void setObserver(std::function<void(std::int32_t)> observer) {
        m_observer = std::move(observer);
    }

private:
    std::size_t countedWaits() const;

    PlaybackState& m_state;
    std::vector<std::int32_t> m_waits;
    QStringList m_notices;
    std::function<void(std::int32_t)> m_observer;
    int m_stopAt = 0;
};

}  // namespace nightaudit
