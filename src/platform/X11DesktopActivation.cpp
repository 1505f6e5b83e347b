#include "X11DesktopState.h"

#include "core/Error.h"

#include <thread>

#include <poll.h>

namespace nightaudit {

namespace {

// How long an activation waits for the window manager to hand the focus over, and how
// long the focus must then stay: a request another client made just before ours (a
// toolkit giving its window back the focus after a dialog) may still be carried out.
constexpr std::chrono::milliseconds kActivationWait{2000};
constexpr std::chrono::milliseconds kSettle{50};

}  // namespace

void X11Desktop::Impl::awaitEvent(std::chrono::milliseconds limit) {
    if (XPending(display) > 0) return;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    poll(&connection, 1, static_cast<int>(limit.count()));
}

bool X11Desktop::Impl::request(Window w, TypingWatch* typingWatch) {
    if (wmSupportsActivation()) {
        // Source indication 2 (a pager acting for the user): window managers honour
        // it where focus-stealing prevention refuses a request from an application.
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = w;
        event.xclient.message_type = activeWindow;
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, root, False, SubstructureNotifyMask | SubstructureRedirectMask, &event);
    } else {
        XMapRaised(display, w);
        XSetInputFocus(display, w, RevertToParent, CurrentTime);
    }
    if (!x11::syncOk(display)) {
        throw Error(err::WindowNotFound,
                    "The window \"" + activatedTitle + "\" closed before it could be activated");
    }
    const auto deadline = Clock::now() + kActivationWait;
    while (!holds(w)) {
        if (Clock::now() >= deadline) return false;
        stopIfAsked(typingWatch, "while waiting for the window \"" + activatedTitle + "\"");
        awaitEvent(std::chrono::milliseconds(2));
    }
    // Nothing is typed into our own windows: a late request cannot misdirect a key there,
    // and the next activation of another window settles for itself.
    if (isOwn(w)) return true;
    const auto settled = Clock::now() + kSettle;
    while (Clock::now() < settled) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!holds(w)) return false;
    }
    return true;
}

void X11Desktop::Impl::activateWindow(Window w, TypingWatch* typingWatch) {
    watch(w, PropertyChangeMask | StructureNotifyMask | FocusChangeMask);
    bool done = holds(w);
    for (int i = 0; i < kActivationTries && !done; ++i) done = request(w, typingWatch);
    if (done) {
        focusSuspect = false;
        return;
    }
    const std::string holder = describe(focusedTopLevel());
    activated = None;
    throw Error(err::WrongFocus, "The window \"" + activatedTitle +
                                     "\" did not become active; the focus stays on " + holder +
                                     "; nothing was typed");
}

}  // namespace nightaudit
