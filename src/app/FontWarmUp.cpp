#include "FontWarmUp.h"

#include <fontconfig/fontconfig.h>

namespace nightaudit {

// A failed FcInit needs no report here: Qt's own first use fails the same way and
// falls back as it always does.
FontWarmUp::FontWarmUp() : m_thread([] { FcInit(); }) {}

FontWarmUp::~FontWarmUp() {
    join();
}

void FontWarmUp::join() {
    if (m_thread.joinable()) m_thread.join();
}

}  // namespace nightaudit
