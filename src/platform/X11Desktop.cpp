// The desktop's public face; its steps live in the X11Desktop*.cpp files beside it.

#include "X11DesktopState.h"
#include "core/Error.h"

#include <X11/extensions/XTest.h>

namespace nightaudit {

X11Desktop::X11Desktop() : m_impl(std::make_unique<Impl>()) {
    Impl& d = *m_impl;
    d.connection = x11::openConnection();
    d.display = d.connection.get();
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d.display, &event, &error, &major, &minor)) {
        throw Error(err::NotAvailable, "The X display offers no XTEST extension for typing");
    }
    d.held = std::make_unique<X11HeldInputRecord>(d.display);
    d.keyboard = std::make_unique<X11Keyboard>(d.display, *d.held);
    d.root = DefaultRootWindow(d.display);
    d.clientList = d.atom("_NET_CLIENT_LIST");
    d.wmName = d.atom("_NET_WM_NAME");
    d.utf8 = d.atom("UTF8_STRING");
    d.wmState = d.atom("WM_STATE");
    d.activeWindow = d.atom("_NET_ACTIVE_WINDOW");
    d.supported = d.atom("_NET_SUPPORTED");
    d.wmPid = d.atom("_NET_WM_PID");
    d.wmProtocols = d.atom("WM_PROTOCOLS");
    d.ping = d.atom("_NET_WM_PING");
    d.wmClientMachine = d.atom("WM_CLIENT_MACHINE");
    // Changes of the client list and the active window invalidate what is cached.
    d.watch(d.root, PropertyChangeMask);
    x11::syncOk(d.display);
}

X11Desktop::~X11Desktop() {
    m_impl->keyboard.reset();
    m_impl->held.reset();
}

void X11Desktop::Impl::stopIfAsked(TypingWatch* typingWatch, const std::string& what) {
    if (typingWatch && typingWatch->stopRequested()) {
        throw Error(err::Stopped, "Stopped " + what);
    }
}

bool X11Desktop::hasWindow(const std::string& title) {
    // No round trip of its own: the client list's changes come as events.
    Impl& d = *m_impl;
    d.takeEvents();
    return d.find(title) != None;
}

void X11Desktop::activate(const std::string& title) {
    Impl& d = *m_impl;
    d.launcher.reap();
    d.takeEvents();
    const Window w = d.find(title);
    if (w == None) {
        throw Error(err::WindowNotFound, "No window with the title \"" + title + "\" was found");
    }
    if (d.minimizer) d.minimizer->keepShown(w);
    if (w != d.unsettled) {
        d.settle(m_watch);
        d.takeEvents();  // what came while the window typed into before settled
    }
    const bool again = w == d.activated;
    if (!again) d.targetMayHoldKeyboard = false;
    d.activated = w;
    d.activatedTitle = title;
    // The window typed into a moment ago, with no event since saying that anything moved:
    // the next stroke's check under the grab stands in for the round trips of a look.
    if (again && d.knownToHold(w)) return;
    d.keyboardFree = false;
    d.activateWindow(w, m_watch);
}

void X11Desktop::settle() {
    m_impl->settle(m_watch);
}

std::string X11Desktop::heldKey() {
    return m_impl->keyboard->heldModifier();
}

void X11Desktop::launch(const std::vector<std::string>& words) {
    // X11 cannot ask a program to start minimized: its window is iconified once it shows.
    Impl& d = *m_impl;
    d.settle(m_watch);
    const int pid = d.launcher.launch(words);
    if (!d.minimizer) d.minimizer = std::make_unique<X11LaunchMinimizer>(DisplayString(d.display));
    d.minimizer->watch(pid);
}

void X11Desktop::setPointer(int x, int y) {
    Impl& d = *m_impl;
    d.settle(m_watch);
    XTestFakeMotionEvent(d.display, 0, x, y, CurrentTime);
    x11::sync(d.display, "XTestFakeMotionEvent");
}

void X11Desktop::leftButton(bool down) {
    Impl& d = *m_impl;
    d.settle(m_watch);
    if (down) d.stopIfAsked(m_watch, "before the left button was pressed");
    d.held->button(1, down);
    XTestFakeButtonEvent(d.display, 1, down ? True : False, CurrentTime);
    x11::sync(d.display, "XTestFakeButtonEvent");
}

}  // namespace nightaudit
