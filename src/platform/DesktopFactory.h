#pragma once

#include <memory>

#include "Desktop.h"
#include "StopKey.h"

namespace nightaudit {

// The desktop this program types into, and the key that stops a run on it.
struct PlatformDesktop {
    std::unique_ptr<StopKey> stopKey;  // declared first: the desktop points at it
    std::unique_ptr<Desktop> desktop;
};

// Makes the desktop of the platform the program was built for, its stop key set. Throws
// nightaudit::Error when there is none to type into (no display, no input extension).
PlatformDesktop makeDesktop();

// Puts back what an earlier start left held or rebound on the desktop when it and its
// guardian (InputGuardian) were killed together. Harmless when there is nothing.
void restoreLeftoverHeldInput();

}  // namespace nightaudit
