#include "X11DesktopState.h"

#include "core/Error.h"

#include <thread>
#include <utility>

namespace nightaudit {

namespace {

// How long a window is given, before the first text into it, to grab the keyboard itself.
constexpr std::chrono::milliseconds kGrabLooked{100};

}  // namespace

void X11Desktop::Impl::checkStroke(std::size_t sent, std::size_t total, bool first) {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    x11::throwIfRefused(display, "a keystroke");
    takeEvents();
    const std::string progress =
        "; " + std::to_string(sent) + " of " + std::to_string(total) + " keys were typed, no more";
    if (first) {
        if (!keyboardFree || keyboardTaken) trialGrab(focus);
        if (keyboard->modifierMaybeHeld() && !keyboard->heldModifier().empty()) {
            throw StartAgain{true};
        }
    }
    if (keyboardTaken) {
        throw Error(err::WrongFocus, "Another program took the keyboard while typing into \"" +
                                         activatedTitle + "\"" + progress);
    }
    const Window top = topLevelOf(focus);
    if (top != activated) {
        if (first && trustedActivation) throw StartAgain{false};
        throw Error(err::WrongFocus, "The input focus moved to " + describe(top) +
                                         " while typing into \"" + activatedTitle + "\"" +
                                         progress);
    }
    focusSuspect = false;
}

void X11Desktop::Impl::trialGrab(Window focus) {
    const int status =
        XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (status == AlreadyGrabbed && ownGrabPossible() && topLevelOf(focus) == activated) {
        keyboardTaken = false;
        return;
    }
    if (status != GrabSuccess) {
        throw Error(err::WrongFocus,
                    "Another program holds the keyboard; nothing was typed into \"" +
                        activatedTitle + "\"");
    }
    endTrialGrab();
}

void X11Desktop::Impl::endTrialGrab() {
    XUngrabKeyboard(display, CurrentTime);
    x11::sync(display, "XGrabKeyboard");
    ownGrabEvents = true;
    takeEvents();
    ownGrabEvents = false;
    keyboardTaken = false;
    keyboardFree = true;
}

bool X11Desktop::Impl::targetHoldsKeyboard(TypingWatch* typingWatch) {
    const auto known = grabsItself.find(activated);
    if (known == grabsItself.end()) {
        // A program that grabs the keyboard when it gets the focus does so a moment
        // after: the first text into a window gives it that moment, once.
        const auto until = Clock::now() + kGrabLooked;
        while (Clock::now() < until) {
            if (typingWatch) typingWatch->stopRequested();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    } else if (!known->second) {
        return false;
    }
    if (!targetMayHoldKeyboard && known == grabsItself.end()) return false;
    const int status =
        XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (status != GrabSuccess) {
        const bool own = status == AlreadyGrabbed && ownGrabPossible();
        if (own) grabsItself[activated] = true;
        return own;
    }
    endTrialGrab();
    grabsItself.emplace(activated, false);
    return false;
}

bool X11Desktop::Impl::ownGrabPossible() {
    const auto known = grabsItself.find(activated);
    return targetMayHoldKeyboard || (known != grabsItself.end() && known->second && !keyboardTaken);
}

}  // namespace nightaudit
