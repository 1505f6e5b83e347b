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
std::vector<KeyStroke> parseSendKeys(const std::string& text);

}  // namespace nightaudit
