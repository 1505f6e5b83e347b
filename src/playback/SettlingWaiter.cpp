#include "SettlingWaiter.h"

#include "Countdown.h"
#include "platform/Desktop.h"

namespace nightaudit {

void SettlingWaiter::wait(std::int32_t milliseconds) {
    // A wait that shows nothing leaves the focus where it is.
    if (Countdown::secondsFor(milliseconds) > 0) m_desktop.settle();
    m_shows.wait(milliseconds);
}

bool SettlingWaiter::waitUntil(const QString& notice, const std::function<bool()>& ready) {
    if (!ready()) m_desktop.settle();
    return m_shows.waitUntil(notice, ready);
}

}  // namespace nightaudit
