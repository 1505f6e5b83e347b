#include "DialogWaiter.h"

#include "Countdown.h"
#include "dlgWait.h"

namespace nightaudit {

void DialogWaiter::wait(std::int32_t milliseconds) {
    const std::int32_t seconds = Countdown::secondsFor(milliseconds);
    if (seconds <= 0) return;
    // Owned here, not by the parent: the dialog is gone when the wait returns, so
    // the next wait opens with the design texts and a fresh timer.
    dlgWait dialog(m_state, seconds, m_parent.data());
    dialog.exec();
}

}  // namespace nightaudit
