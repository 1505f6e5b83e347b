#pragma once

// The guards a text is typed under, for X11Keyboard's sources only.

#include "X11Errors.h"
#include "X11HeldInputRecord.h"
#include "X11KeyboardState.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <optional>
#include <string>
#include <vector>

#include <sys/prctl.h>

namespace nightaudit {

// Holds the modifiers the text presses and lets every one of them go when it ends,
// whether the text was typed to the end or an error stopped it.
class ModifierGuard {
public:
    // The codes are copied: a keymap read afresh mid-text must not change which keys
    // are let go.
    ModifierGuard(Display* display, const ModifierCodes& codes, X11HeldInputRecord& record)
        : m_display(display), m_record(record), m_codes(codes) {}
    ~ModifierGuard() {
        if (m_held == NoModifier) return;
        hold(NoModifier);
        x11::syncOk(m_display);
    }
    void hold(unsigned wanted) {
        for (std::size_t i = 0; i < kModifierKeys; ++i) {
            const unsigned bit = kModifierBits[i];
            if ((m_held & bit) != (wanted & bit)) {
                m_record.key(m_codes[i], (wanted & bit) != 0);
                XTestFakeKeyEvent(m_display, m_codes[i], (wanted & bit) != 0, CurrentTime);
            }
        }
        m_held = wanted;
    }
    ModifierGuard(const ModifierGuard&) = delete;
    ModifierGuard& operator=(const ModifierGuard&) = delete;

private:
    Display* m_display;
    X11HeldInputRecord& m_record;
    ModifierCodes m_codes;
    unsigned m_held = NoModifier;
};

// Switches Caps Lock off for the text, so that letters arrive in the case the text gives,
// and on again afterwards. It changes the lock through XKB, not with a key press: no key
// event is sent, so none can reach a window or come between two keys of the text. The
// switch is made under the first stroke's grab, after the state was read in that grab.
class CapsLockGuard {
public:
    CapsLockGuard(Display* display, X11HeldInputRecord& record)
        : m_display(display), m_record(record) {}
    ~CapsLockGuard() {
        if (!m_switched) return;
        XkbLockModifiers(m_display, XkbUseCoreKbd, LockMask, LockMask);
        // On first, out of the record then: a death between the two locks it once more.
        m_record.capsLockOff(false);
        x11::syncOk(m_display);
    }
    void switchOff() {
        m_record.capsLockOff(true);
        XkbLockModifiers(m_display, XkbUseCoreKbd, LockMask, 0);
        m_switched = true;
    }
    CapsLockGuard(const CapsLockGuard&) = delete;
    CapsLockGuard& operator=(const CapsLockGuard&) = delete;

private:
    Display* m_display;
    X11HeldInputRecord& m_record;
    bool m_switched = false;
};

// The kernel may let a short sleep run on by the thread's timer slack (50 µs by default),
// which would double the pause between two strokes of a long text: keep it small meanwhile.
class TightSleeps {
public:
    TightSleeps() : m_slack(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0)) {
        prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
    }
    ~TightSleeps() {
        if (m_slack > 0) prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(m_slack), 0, 0, 0);
    }
    TightSleeps(const TightSleeps&) = delete;
    TightSleeps& operator=(const TightSleeps&) = delete;

private:
    int m_slack;
};

// Holds the whole server for one stroke: between the focus check and the key no other
// client's request (a window manager moving the focus, say) can be carried out.
class ServerGrab {
public:
    explicit ServerGrab(Display* display) : m_display(display) { XGrabServer(m_display); }
    ~ServerGrab() {
        XUngrabServer(m_display);
        XFlush(m_display);
    }
    ServerGrab(const ServerGrab&) = delete;
    ServerGrab& operator=(const ServerGrab&) = delete;

private:
    Display* m_display;
};

// One text's keys (see X11Keyboard::begin): looked up a part at a time, checked again under
// each stroke's grab, pressed under the guards above.
class X11Keyboard::Text {
public:
    Text(X11Keyboard::Impl& keyboard, const std::vector<KeyStroke>& strokes, Target target);
    ~Text();
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    // Why stroke `index` cannot arrive in the target, empty when it can.
    std::string cannotArrive(std::size_t index) const;

    // Looks up the keys for the strokes from `index` on, unless they are: outside the grab,
    // as binding a spare keycode waits for the server.
    void prepare(std::size_t index);

    // Under the stroke's grab, once the events from before it are in: whether the keys
    // looked up for the next stroke and those after it still type them. A keymap change that leaves
    // them typing the same (a spare keycode we bound, keys from another device) is none. When they
    // would not, the next prepare() looks them up afresh.
    bool stillMapped();

    // Presses and releases stroke `index`'s keys (a dead key and its base are one stroke)
    // with their modifiers.
    void press(std::size_t index);

private:
    X11Keyboard::Impl& d;
    std::vector<KeyStroke> m_strokes;
    Target m_target;
    bool m_mapped = false;
    std::vector<Action> m_actions;  // for the strokes up to m_end
    std::size_t m_end = 0;
    std::size_t m_next = 0;  // the first action not pressed yet
    int m_group = 0;         // the layout group and keymap they were looked up in
    unsigned m_generation = 0;
    ModifierCodes m_planned{};
    bool m_pressedAny = false;
    CapsLockGuard m_caps;
    std::optional<ModifierGuard> m_modifiers;  // let go first, then Caps Lock
};

}  // namespace nightaudit
