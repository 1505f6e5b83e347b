#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "KeymapIndex.h"
#include "keys/SendKeysParser.h"

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

    // The window typed into, for what it can be given and for the texts of errors.
    struct Target {
        std::string title;
        TargetTraits traits;
    };

    // One text's keys. A character is typed as a person would on the layout in effect: at
    // any level Shift and the level keys (AltGr) reach, or as a dead key and its base; only
    // a character the layout lacks goes through a spare keycode. A text needing more such
    // characters than there are spare keycodes is mapped in parts; a keycode is bound anew
    // only a while after its last key. Caps Lock is switched off at the first press when it
    // is on. Ending the text lets go of the modifiers it pressed and switches a Caps Lock it
    // switched off on again, on every path.
    class Text;
    std::unique_ptr<Text> begin(const std::vector<KeyStroke>& strokes, const Target& target);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace nightaudit
