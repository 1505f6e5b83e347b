#pragma once

#include <memory>

#include "StopKey.h"

namespace nightaudit {

// Pause, grabbed on the root window of the X display named by $DISPLAY with every
// combination of Caps Lock and Num Lock, on a connection of its own: the typing
// connection never sees its events, and a grab never mixes with typed keys. Pause with
// Shift or Ctrl (Break) is not grabbed.
class X11StopKey : public StopKey {
public:
    // Throws Error(err::DisplayLost) when the display cannot be opened.
    X11StopKey();
    ~X11StopKey() override;

    bool arm() override;
    void disarm() override;
    bool pressed() override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace nightaudit
