#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SendKeysParser.h"

struct _XDisplay;

namespace nightaudit {

// Types parsed keystrokes through XTest on one X connection. The keymap is read once and
// kept until the server says it changed (keymapChanged()); keycodes are looked up in the
// keyboard's current layout group. Characters the keymap lacks are bound to spare keycodes
// and stay bound while the connection lives, so a slow application that looks a keycode up
// long after the key was sent still finds the character; a spare keycode is given to
// another character only when none is free, and never within a second of its last use.
// Only X11 backend sources include this.
class X11Keyboard {
public:
    explicit X11Keyboard(_XDisplay* display);
    ~X11Keyboard();  // unbinds the spare keycodes it bound
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    // The keymap or the layout changed: read it afresh before the next text.
    void keymapChanged();

    // The name of a modifier key the user holds down ("Shift_L"), empty when none is.
    std::string heldModifier();

    // Called before each stroke with the server grabbed and every event sent before the
    // grab received: it throws to keep that stroke and every later one from being sent.
    using Check = std::function<void()>;
    // Called between strokes, outside the grab: it may handle the program's events and
    // throws to stop the text.
    using Between = std::function<void(std::size_t strokesSent)>;

    // Maps every stroke to keycodes first (Error(err::KeySyntax) for a character that
    // cannot be typed, Error(err::NotAvailable) when the keymap has no room for the
    // characters it lacks), then sends them one at a time. Modifiers it presses are
    // released, and a Caps Lock it switched off is switched on again, on every path.
    void type(const std::vector<KeyStroke>& strokes, const Check& check, const Between& between);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace nightaudit
