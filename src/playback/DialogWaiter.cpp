#include "DialogWaiter.h"

#include "Countdown.h"
#include "CountdownDialog.h"

namespace nightaudit {

void DialogWaiter::wait(std::int32_t milliseconds) {
    const std::int32_t seconds = Countdown::secondsFor(milliseconds);
    if (seconds <= 0) return;
    // Owned here, not by the parent: the dialog is gone when the wait returns, so
    // the next wait opens with its first texts and a fresh timer.
    CountdownDialog dialog(m_state, seconds, m_parent.data());
    m_current = &dialog;
    dialog.exec();
    m_current = nullptr;
}

bool DialogWaiter::waitUntil(const QString& notice, const std::function<bool()>& ready) {
    if (ready()) return true;
    CountdownDialog dialog(m_state, notice, ready, m_parent.data());
    m_current = &dialog;
    dialog.exec();
    m_current = nullptr;
    return ready() && !m_state.stopRequested;
}

void DialogWaiter::stopCurrentWait() {
    if (m_current) {
        m_current->stop();
    } else {
        m_state.stopRequested = true;
    }
}

}  // namespace nightaudit
