#include "StopKeyWatch.h"

namespace nightaudit {

namespace {
// Short enough that a press ends a countdown at once to the clerk's eye.
constexpr int kPollMilliseconds = 50;
}  // namespace

StopKeyWatch::StopKeyWatch(StopKey& key, PlaybackState& state, Waiter* waiter, QObject* parent)
    : QObject(parent), m_key(key), m_state(state), m_waiter(waiter) {
    m_timer.setInterval(kPollMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &StopKeyWatch::poll);
}

bool StopKeyWatch::arm() {
    const bool armed = m_key.arm();
    m_key.pressed();  // a press from an earlier run must not stop this one
    m_sawPress = false;
    if (armed) m_timer.start();
    return armed;
}

void StopKeyWatch::disarm() {
    m_timer.stop();
    m_key.disarm();
    m_key.pressed();
}

void StopKeyWatch::poll() {
    if (!m_key.pressed()) return;
    m_sawPress = true;
    if (m_waiter) {
        m_waiter->stopCurrentWait();
    } else {
        m_state.stopRequested = true;
    }
}

}  // namespace nightaudit
