#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KeymapIndex.h"
#include "SendKeysParser.h"

struct _XDisplay;
union _XEvent;

namespace nightaudit {

class X11HeldInputRecord;

// Types parsed keystrokes through XTest on one X connection. The keymap and the keyboard's
// state (layout group, Caps Lock, modifiers held down) are read once and then kept up to date
// from the server's events, which the connection's owner hands to takeEvent(); keycodes are
// looked up in the keyboard's current layout group. Characters the keymap lacks are bound to spare
// keycodes and stay bound while the connection lives, so a slow application that looks a keycode up
// long after the key was sent still finds the character; a spare keycode is given to
// another character only when none is free, and never within a second of its last use.
// Modifiers held across strokes and bound keycodes are told to `record` before they change.
// Only X11 backend sources include this.
class X11Keyboard {
public:
    // `record` must outlive the keyboard.
    X11Keyboard(_XDisplay* display, X11HeldInputRecord& record);
    ~X11Keyboard();  // unbinds the spare keycodes it bound
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    // Takes a keymap or keyboard-state event; false for any other event.
    bool takeEvent(_XEvent& event);

    // Whether the last state the server reported has a modifier or group key held down.
    // No round trip: a caller that has just made one knows the state as of then.
    bool modifierMaybeHeld() const;

    // The name of a modifier key the user holds down ("Shift_L"), empty when none is.
    // Asks the server.
    std::string heldModifier();

    // Called before each key press with the server grabbed, given how many strokes of the
    // text were sent whole before it (a dead key and its base are one stroke): it makes one
    // round trip, so that every event sent before the grab is in and handed to takeEvent(),
    // and throws to keep that key and every later one from being sent.
    using Check = std::function<void(std::size_t strokesSent)>;
    // Called between strokes, outside the grab: it may handle the program's events and
    // throws to stop the text.
    using Between = std::function<void(std::size_t strokesSent)>;

    // The window typed into, for what it can be given and for the texts of errors.
    struct Target {
        std::string title;
        TargetTraits traits;
    };

    // Maps every stroke to keycodes first (Error(err::KeySyntax) for a character that
    // cannot be typed, Error(err::NotAvailable) when the keymap has no room for the
    // characters it lacks or the target cannot be given one), then sends them one at a
    // time. A character is typed as a person would on the layout in effect: at any level
    // Shift and the level keys (AltGr) reach, or as a dead key and its base; only a
    // character the layout lacks goes through a spare keycode. When the first stroke's check
    // shows that the keymap or the layout group changed since, it maps the text again; a
    // later stroke's ends the text (Error(err::KeyboardBusy)): its keycodes would now type
    // other characters.
    // Caps Lock is switched off under the first stroke's grab when it is on. Modifiers it
    // presses are released, and a Caps Lock it switched off is switched on again, on every
    // path. The last stroke is flushed, not waited for: the next round trip on the
    // connection reports any error of it.
    void type(const std::vector<KeyStroke>& strokes, const Target& target, const Check& check,
              const Between& between);

private:
    // Types the strokes from `from` on that fit the spare keycodes at hand; returns where
    // it stopped.
    std::size_t typePart(const std::vector<KeyStroke>& strokes, std::size_t from,
                         const Target& target, const Check& check, const Between& between);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace nightaudit
