#pragma once

#include <QPointer>
#include <QWidget>

#include "PlaybackState.h"
#include "Waiter.h"

namespace nightaudit {

class CountdownDialog;

// The waits on the real desktop: a fresh modal CountdownDialog for every wait of one second or
// more; shorter waits return at once and show nothing. Window events keep being
// handled during the wait by the dialog's own event loop.
class DialogWaiter : public Waiter {
public:
    // `state.stopRequested` is set when the clerk presses Stop. `parent` (the main window)
    // owns and centres the dialog; it may be null.
    explicit DialogWaiter(PlaybackState& state, QWidget* parent = nullptr)
        : m_state(state), m_parent(parent) {}

    void wait(std::int32_t milliseconds) override;
    bool waitUntil(const QString& notice, const std::function<bool()>& ready) override;

    // Clicks the Stop button of the countdown showing, if any; sets stopRequested either way.
    void stopCurrentWait() override;

private:
    PlaybackState& m_state;
    QPointer<QWidget> m_parent;
    QPointer<CountdownDialog> m_current;
};

}  // namespace nightaudit
