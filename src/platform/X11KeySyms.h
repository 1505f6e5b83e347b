#pragma once

// The keysyms of named keys and characters, for the X11 backend's sources only.

#include "keys/SendKeysParser.h"

#include <X11/X.h>

namespace nightaudit {

// NoSymbol for a key X has no keysym for.
KeySym namedKeySym(NamedKey key);

// Latin-1 characters have keysyms equal to their code; every other Unicode character has
// the keysym 0x01000000 + code, which X servers and clients understand since X11R6.9.
// NoSymbol for a control character that is no key.
KeySym characterKeySym(char32_t c);

}  // namespace nightaudit
