#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "SendKeysParser.h"

struct _XDisplay;

namespace nightaudit {

// Types parsed keystrokes through XTest into whatever window has the input focus.
// It reads the keymap once per text; characters the keymap lacks are bound to spare
// keycodes for the time of the text and unbound afterwards. Modifiers it presses, a
// Caps Lock it switched off and the keycodes it bound are restored on every path.
// Only X11 backend sources include this.
class X11Keyboard {
public:
    // Maps every stroke to keycodes before anything is sent. Throws Error(err::KeySyntax)
    // for a character that cannot be typed, Error(err::NotAvailable) when the keymap has
    // no room for the characters it lacks.
    X11Keyboard(_XDisplay* display, const std::vector<KeyStroke>& strokes);
    ~X11Keyboard();
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    // Waits up to `limit` for the user to let go of every modifier key; throws
    // Error(err::KeyboardBusy) naming the key still held.
    void waitForModifiersReleased(std::chrono::milliseconds limit);

    // Sends every stroke, one server round trip per stroke. `afterStroke`, given the
    // index of the stroke just sent, lets tests stop a text half-way by throwing.
    void type(const std::function<void(std::size_t)>& afterStroke = {});

private:
    struct Plan;
    std::unique_ptr<Plan> m_plan;
    _XDisplay* m_display;
};

}  // namespace nightaudit
