#pragma once

#include <QPoint>
#include <QString>

#include <string>

namespace nightaudit::frontdesk {

// How the front desk writes what it receives, one token per key or button:
// printable text as typed ("A", "é"), Enter as "⏎", Tab as "⇥", and everything else
// in brackets with the modifiers held ("[F4]", "[Alt+C]", "[Ctrl+Shift+A]", "[Up]").
// Modifier keys alone give no token.

// The token for one key press as Qt reports it (`key` is a Qt::Key, `text` the
// characters the keyboard layout made of it).
QString keyToken(int key, Qt::KeyboardModifiers modifiers, const QString& text);

// "[Left down 200,150]", "[Left up 200,150]"; `at` in screen pixels.
QString buttonToken(Qt::MouseButton button, bool down, QPoint at);

// What the front desk shows when the player types the keystroke text `keys` into it,
// on a US keyboard layout: "%c{TAB 3}" gives "[Alt+C]⇥⇥⇥". Shift on a character that is
// not a letter gives "[Shift+1]" and the like, since the layout decides what it types.
// Throws nightaudit::Error (err::KeySyntax, with the position) for a text the player
// refuses.
QString tokensOf(const std::string& keys);

}  // namespace nightaudit::frontdesk
