#include "X11DesktopState.h"

#include "core/Error.h"

#include <thread>
#include <utility>

namespace nightaudit {

namespace {

// How long a window is given, before the first text into it, to grab the keyboard itself.
constexpr std::chrono::milliseconds kGrabLooked{100};

}  // namespace

StrokeAnswer X11Desktop::Impl::checkStroke(bool first) {
    using Outcome = StrokeAnswer::Outcome;
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    x11::throwIfRefused(display, "a keystroke");
    takeEvents();
    if (first) {
        if ((!keyboardFree || keyboardTaken) && !trialGrab(focus))
            return {Outcome::KeyboardTaken, {}};
        if (keyboard->modifierMaybeHeld()) {
            if (std::string held = keyboard->heldModifier(); !held.empty()) {
                return {Outcome::KeyHeld, std::move(held)};
            }
        }
    }
    if (keyboardTaken) return {Outcome::KeyboardTaken, {}};
    const Window top = topLevelOf(focus);
    if (top != activated) {
        // The next activation looks again instead of trusting what the events said.
        focusSuspect = true;
        return {Outcome::FocusMoved, describe(top)};
    }
    focusSuspect = false;
    return {};
}

bool X11Desktop::Impl::trialGrab(Window focus) {
    const int status =
        XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (status == AlreadyGrabbed && ownGrabPossible() && topLevelOf(focus) == activated) {
        keyboardTaken = false;
        return true;
    }
    if (status != GrabSuccess) return false;
    endTrialGrab();
    return true;
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
