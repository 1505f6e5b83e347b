#include "DesktopFactory.h"

#include "X11Desktop.h"
#include "X11StopKey.h"

namespace nightaudit {

PlatformDesktop makeDesktop() {
    PlatformDesktop made;
    made.desktop = std::make_unique<X11Desktop>();
    made.stopKey = std::make_unique<X11StopKey>();
    made.desktop->setStopKey(made.stopKey.get());
    return made;
}

}  // namespace nightaudit
