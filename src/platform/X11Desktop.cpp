#include "X11Desktop.h"

#include "Error.h"

namespace nightaudit {

// Placeholder until the X11 backend lands: every operation fails clearly.
struct X11Desktop::Impl {};

X11Desktop::X11Desktop() : m_impl(std::make_unique<Impl>()) {}
X11Desktop::~X11Desktop() = default;

namespace {
[[noreturn]] void notYet() {
    throw Error(err::NotAvailable, "Desktop automation is not built yet");
}
}  // namespace

void X11Desktop::activate(const std::string&) {
    notYet();
}
void X11Desktop::sendKeys(const std::string&) {
    notYet();
}
void X11Desktop::launch(const std::string&) {
    notYet();
}
void X11Desktop::setPointer(int, int) {
    notYet();
}
void X11Desktop::leftButton(bool) {
    notYet();
}

}  // namespace nightaudit
