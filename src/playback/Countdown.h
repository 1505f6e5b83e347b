#pragma once

#include <cstdint>

#include <QString>

namespace nightaudit {

// The arithmetic of the wait countdown, apart from any dialog or clock: the caller
// turns the wait into seconds once and calls tick() once a second. It does not time
// anything itself and knows nothing of Stop.
class Countdown {
public:
    // Whole seconds for a wait of `milliseconds`, halves to the even neighbour
    // (500 -> 0, 501 -> 1, 1500 -> 2, 2500 -> 2, 2501 -> 3); negatives give 0 or less.
    static std::int32_t secondsFor(std::int32_t milliseconds);

    // The label text the dialog opens with, before the first tick.
    static QString openingLabel() { return QStringLiteral("Waiting for .... seconds"); }

    explicit Countdown(std::int32_t seconds) : m_remaining(seconds) {}

    std::int32_t remaining() const { return m_remaining; }
    // True while there is a second left to wait (the dialog shows only then).
    bool running() const { return m_remaining > 0; }
    QString label() const;

    // One second has passed: lowers the count by one. Returns true when the wait is over.
    bool tick();

private:
    std::int32_t m_remaining;
    bool m_ticked = false;
};

}  // namespace nightaudit
