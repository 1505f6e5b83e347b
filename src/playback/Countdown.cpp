#include "Countdown.h"

#include <limits>

#include "core/Rounding.h"

namespace nightaudit {

std::int32_t Countdown::secondsFor(std::int32_t milliseconds) {
    return static_cast<std::int32_t>(roundHalfEven(static_cast<double>(milliseconds) / 1000.0));
}

QString Countdown::label() const {
    if (!m_ticked) return openingLabel();
    return QStringLiteral("Waiting for %1 seconds").arg(m_remaining);
}

bool Countdown::tick() {
    // A count that has already ended stays where it is rather than wrapping below INT32_MIN.
    if (m_remaining > std::numeric_limits<std::int32_t>::min()) --m_remaining;
    m_ticked = true;
    return m_remaining < 1;
}

}  // namespace nightaudit
