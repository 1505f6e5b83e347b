#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nightaudit {

// Modifier bits held down for one stroke.
enum Modifiers : unsigned { NoModifier = 0, Shift = 1, Ctrl = 2, Alt = 4 };

enum class NamedKey {
    None,  // the stroke is a character
    Backspace,
    Break,
    CapsLock,
    Delete,
    Down,
    End,
    Enter,
    Escape,
    Help,
    Home,
    Insert,
    Left,
    NumLock,
    PageDown,
    PageUp,
    PrintScreen,
    Right,
    ScrollLock,
    Tab,
    Up,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    F13,
    F14,
    F15,
    F16,
    Add,
    Subtract,
    Multiply,
    Divide,
};

// One key press and release, with the modifiers held around it.
struct KeyStroke {
    NamedKey key = NamedKey::None;
    char32_t character = 0;  // the Unicode character when key is NamedKey::None
    unsigned modifiers = NoModifier;

    bool operator==(const KeyStroke&) const = default;
};

// Parses a whole keystroke text in the SendKeys syntax (UTF-8) into strokes.
// Throws Error(err::KeySyntax) whose description says what is wrong and at which
// character position (counted from 1); nothing is returned for a malformed text.
//
// Syntax: ordinary characters type themselves; + ^ % hold Shift, Ctrl, Alt for the
// next key or parenthesised group ("+(ab)" is Shift+a Shift+b); ~ is Enter; {NAME}
// names a key (case-insensitive: ENTER, TAB, F1..F16, BS, ...); {c} types a special
// character c as itself ({+} {^} {%} {~} {(} {)} {[} {]} {{} {}}); {NAME n} and {c n}
// repeat a key n times (0 to 10000). Square brackets written bare are typed as
// themselves: their meaning is plain, so refusing them would only break stored texts.
// A group "(...)" without a modifier just groups. A text may expand to at most
// 100000 strokes.
std::vector<KeyStroke> parseSendKeys(const std::string& text);

// A Unicode character as UTF-8.
std::string utf8Of(char32_t c);

}  // namespace nightaudit
