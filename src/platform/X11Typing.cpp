// Typing a text: the desktop's loop, which activates the window anew when the first stroke
// finds it cannot start, and the keyboard's, which maps the text again when the keymap
// changed before its first stroke.

// Our headers come before Xlib's, whose None macro would clash with NamedKey::None.
#include "SendKeysParser.h"
#include "X11DesktopState.h"
#include "X11KeyGuards.h"
#include "X11KeyboardState.h"
#include "core/Error.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <optional>
#include <thread>
#include <utility>

namespace nightaudit {

namespace {

// Without a program to show a notice, a held modifier is waited for this long.
constexpr std::chrono::milliseconds kModifierWait{1000};

constexpr std::chrono::microseconds kBetweenStrokes{50};

// The first stroke found the keymap or the layout group changed since the text was mapped.
struct MapAgain {};
constexpr int kMappingTries = 3;

}  // namespace

void X11Desktop::Impl::stopIfAsked(TypingWatch* typingWatch, const std::string& what) {
    if (typingWatch && typingWatch->stopRequested()) {
        throw Error(err::Stopped, "Stopped " + what);
    }
}

void X11Desktop::Impl::pauseBetweenKeys(std::chrono::milliseconds delay, TypingWatch* typingWatch,
                                        const std::function<std::string()>& what) {
    if (delay.count() <= 0) return;
    x11::syncOk(display);
    const auto until = Clock::now() + delay;
    for (auto now = Clock::now(); now < until; now = Clock::now()) {
        if (typingWatch && typingWatch->stopRequested()) {
            throw Error(err::Stopped, "Stopped " + what());
        }
        std::this_thread::sleep_for(
            std::min<Clock::duration>(until - now, std::chrono::milliseconds(2)));
    }
}

void X11Desktop::Impl::pauseSinceLastStroke(std::chrono::milliseconds delay,
                                            TypingWatch* typingWatch) {
    if (delay.count() <= 0 || !lastStroke) return;
    const auto until = *lastStroke + delay;
    for (auto now = Clock::now(); now < until; now = Clock::now()) {
        stopIfAsked(typingWatch, "before a text was typed into \"" + activatedTitle + "\"");
        std::this_thread::sleep_for(
            std::min<Clock::duration>(until - now, std::chrono::milliseconds(2)));
    }
}

void X11Desktop::Impl::waitForHeldKeys(TypingWatch* typingWatch) {
    std::string held = keyboard->heldModifier();
    if (held.empty()) return;
    if (!typingWatch) {
        const auto deadline = Clock::now() + kModifierWait;
        while (!(held = keyboard->heldModifier()).empty()) {
            if (Clock::now() >= deadline) {
                throw Error(err::KeyboardBusy,
                            "The " + held + " key is held down; nothing was typed");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return;
    }
    settle(typingWatch);
    const bool released = typingWatch->waitUntil(
        "The " + held + " key is held down: typing goes on when it is let go",
        [this] { return keyboard->heldModifier().empty(); });
    if (!released) {
        throw Error(err::Stopped,
                    "Stopped while the " + held + " key was held down; nothing was typed");
    }
    // The notice had the focus: the window gets it back before any key.
    activateWindow(activated, typingWatch);
}

void X11Desktop::sendKeys(const std::string& keys) {
    Impl& d = *m_impl;
    d.launcher.reap();
    const std::vector<KeyStroke> strokes = parseSendKeys(keys);
    if (strokes.empty()) return;
    if (d.activated == None) {
        throw Error(err::WrongFocus, "No window was activated to receive the keys");
    }
    if (d.isOwn(d.activated)) {
        throw Error(err::WrongFocus, "The window \"" + d.activatedTitle +
                                         "\" is one of this program's own; nothing was typed");
    }
    const bool typesBreak = std::any_of(strokes.begin(), strokes.end(), [](const KeyStroke& s) {
        return s.key == NamedKey::Break;
    });
    StopKey::Suspension suspension(typesBreak ? d.stopKey : nullptr);
    std::size_t sent = 0;
    const auto progress = [&] {
        return "after " + std::to_string(sent) + " of " + std::to_string(strokes.size()) +
               " keys typed into \"" + d.activatedTitle + "\"";
    };
    X11Keyboard::Target target = d.target();
    if (d.targetHoldsKeyboard(m_watch)) {
        // Such a program passes key positions on (a remote desktop, a virtual machine's
        // viewer): a character bound to a spare keycode means nothing at the far end.
        target.traits.readsNewBindings = false;
        target.traits.kind = "a program that holds the keyboard itself, as a remote desktop does";
    }
    d.pauseSinceLastStroke(m_keyDelay, m_watch);
    for (int attempt = 1;; ++attempt) {
        sent = 0;
        bool first = true;
        if (m_watch && m_watch->stopRequested()) throw Error(err::Stopped, "Stopped " + progress());
        try {
            d.keyboard->type(
                strokes, target,
                [&](std::size_t strokesSent) {
                    sent = strokesSent;
                    d.checkStroke(strokesSent, strokes.size(), std::exchange(first, false));
                    // From here on a key may be on its way to the window.
                    d.unsettled = d.activated;
                    d.unsettledDropsKeys = d.traits.dropsUnreadKeys;
                    ++d.unsettledKeys;
                    d.lastStroke = Clock::now();
                },
                [&](std::size_t) {
                    d.pauseBetweenKeys(m_keyDelay, m_watch, progress);
                    d.stopIfAsked(m_watch, progress());
                });
            return;
        } catch (const StartAgain& again) {
            // Nothing was sent; the grab is let go. A held key is waited for with its notice.
            if (attempt == kActivationTries) {
                throw Error(err::WrongFocus, "The window \"" + d.activatedTitle +
                                                 "\" did not keep the focus; nothing was typed");
            }
            if (again.heldKey) {
                d.waitForHeldKeys(m_watch);
            } else {
                d.activateWindow(d.activated, m_watch);
            }
        } catch (const Error& e) {
            // The stop key grabs the keyboard while it is down: say it was the clerk's stop,
            // which its own connection may report a moment after the grab was seen.
            if (d.keyboardTaken && m_watch) {
                const auto deadline = Clock::now() + std::chrono::milliseconds(100);
                do {
                    const std::size_t typed = sent;
                    d.stopIfAsked(m_watch, "by the stop key after " + std::to_string(typed) +
                                               " keys typed into \"" + d.activatedTitle + "\"");
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                } while (Clock::now() < deadline);
            }
            throw;
        }
    }
}

void X11Keyboard::type(const std::vector<KeyStroke>& strokes, const Target& target,
                       const Check& check, const Between& between) {
    Impl& d = *m_impl;
    if (!d.stateKnown) d.readState();
    d.build(d.state.group);
    d.refuseWhatCannotArrive(strokes, target);
    // A text needing more characters off the layout than there are spare keycodes is typed
    // in parts; a keycode is bound anew only a while after its last key (see bind()).
    for (std::size_t from = 0; from < strokes.size();) {
        if (from > 0 && between) between(from);
        from = typePart(strokes, from, target, check, between);
    }
}

std::size_t X11Keyboard::typePart(const std::vector<KeyStroke>& strokes, std::size_t from,
                                  const Target& target, const Check& check,
                                  const Between& between) {
    Impl& d = *m_impl;
    for (int attempt = 1;; ++attempt) {
        if (!d.stateKnown) d.readState();
        int group = d.state.group;
        d.build(group);
        unsigned generation = d.keymapGeneration;
        std::size_t end = from;
        const std::vector<Action> actions = d.plan(strokes, from, target, end);
        const ModifierCodes planned = d.modifierCodes;
        try {
            CapsLockGuard caps(d.display);
            ModifierGuard modifiers(d.display, d.modifierCodes, d.record);
            std::optional<TightSleeps> tight;  // only where strokes are paused between
            if (actions.size() > 1) tight.emplace();
            for (std::size_t i = 0; i < actions.size(); ++i) {
                if (i > 0) {
                    // Other clients' requests wait while the server is held: leave them a
                    // moment between two strokes, or the target and the window manager
                    // would starve.
                    std::this_thread::sleep_for(kBetweenStrokes);
                    if (between) between(actions[i].stroke);
                }
                ServerGrab grab(d.display);
                check(actions[i].stroke);
                if (d.keymapGeneration != generation || d.state.group != group) {
                    // Binding a spare keycode above is itself a keymap change.
                    if (i == 0) throw MapAgain{};
                    // The server also reports a change when our keys come from another
                    // device than the last ones did: only a change that makes a key of the
                    // rest of the text type another character ends it.
                    generation = d.keymapGeneration;
                    group = d.state.group;
                    d.build(group);
                    if (!d.stillTypes(actions, i, planned)) {
                        throw Error(err::KeyboardBusy,
                                    "The keyboard layout changed while typing; " +
                                        std::to_string(actions[i].stroke) + " of " +
                                        std::to_string(strokes.size()) +
                                        " keys were typed, no more");
                    }
                }
                if (i == 0 && (d.state.lockedMods & LockMask)) caps.switchOff();
                modifiers.hold(actions[i].modifiers);
                XTestFakeKeyEvent(d.display, actions[i].code, True, CurrentTime);
                XTestFakeKeyEvent(d.display, actions[i].code, False, CurrentTime);
            }
            d.used(actions);
            return end;
        } catch (const MapAgain&) {
            if (attempt == kMappingTries) {
                throw Error(err::NotAvailable,
                            "The keyboard map kept changing while a text was about to be typed; "
                            "nothing was typed");
            }
        }
    }
}

}  // namespace nightaudit
