#pragma once

#include "Waiter.h"

namespace nightaudit {

class Desktop;

// A countdown or a notice takes the focus from the window typed into: it is shown only
// once that window has read its keys. Everything else is the wrapped waiter's.
class SettlingWaiter : public Waiter {
public:
    SettlingWaiter(Waiter& shows, Desktop& desktop) : m_shows(shows), m_desktop(desktop) {}

    void wait(std::int32_t milliseconds) override;
    bool waitUntil(const QString& notice, const std::function<bool()>& ready) override;
    void stopCurrentWait() override { m_shows.stopCurrentWait(); }

private:
    Waiter& m_shows;
    Desktop& m_desktop;
};

}  // namespace nightaudit
