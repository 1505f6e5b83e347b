#include "X11StopKey.h"

#include "X11Errors.h"
#include "core/Error.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <string>

namespace nightaudit {

struct X11StopKey::Impl {
    x11::Connection connection;
    Display* display = nullptr;
    Window root = None;
    KeyCode pause = 0;
    unsigned numLock = 0;
    bool hit = false;

    // The modifier bit Num Lock sets; keymaps differ in where they put it.
    unsigned numLockMask() {
        unsigned mask = 0;
        const KeyCode code = XKeysymToKeycode(display, XK_Num_Lock);
        XModifierKeymap* map = XGetModifierMapping(display);
        if (!map) return 0;
        for (int modifier = 0; modifier < 8 && code; ++modifier) {
            for (int i = 0; i < map->max_keypermod; ++i) {
                if (map->modifiermap[modifier * map->max_keypermod + i] == code) {
                    mask = 1u << modifier;
                }
            }
        }
        XFreeModifiermap(map);
        return mask;
    }

    // A lock the clerk left on must not make the key go unnoticed.
    template <class F>
    void forEachLockCombination(unsigned held, F grabOrUngrab) {
        const unsigned locks[] = {0, LockMask, numLock, LockMask | numLock};
        for (unsigned m : locks) grabOrUngrab(held | m);
    }
    // Nor the modifiers a text holds down (Shift, Ctrl, Alt and their mixes): the press
    // would reach the window typed into instead of stopping the text.
    template <class F>
    void forEachCombination(F grabOrUngrab) {
        for (unsigned held : kHeldByTexts) forEachLockCombination(held, grabOrUngrab);
    }
    static constexpr unsigned kHeldByTexts[] = {0,
                                                ShiftMask,
                                                ControlMask,
                                                ShiftMask | ControlMask,
                                                Mod1Mask,
                                                ShiftMask | Mod1Mask,
                                                ControlMask | Mod1Mask,
                                                ShiftMask | ControlMask | Mod1Mask};

    void drain() {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == KeyPress && event.xkey.keycode == pause) hit = true;
        }
    }
};

X11StopKey::X11StopKey() : m_impl(std::make_unique<Impl>()) {
    Impl& d = *m_impl;
    d.connection = x11::openConnection();
    d.display = d.connection.get();
    d.root = DefaultRootWindow(d.display);
    d.pause = XKeysymToKeycode(d.display, XK_Pause);
    d.numLock = d.numLockMask();
}

X11StopKey::~X11StopKey() {
    disarm();
}

bool X11StopKey::arm() {
    Impl& d = *m_impl;
    if (m_armed) return true;
    if (d.pause == 0) return false;  // a keymap without Pause
    const auto grab = [&](unsigned m) {
        XGrabKey(d.display, d.pause, m, d.root, False, GrabModeAsync, GrabModeAsync);
    };
    const auto ungrab = [&](unsigned m) { XUngrabKey(d.display, d.pause, m, d.root); };
    d.forEachLockCombination(0, grab);
    // Another program's grab of the same key is refused with BadAccess.
    if (!x11::syncOk(d.display)) {
        d.forEachLockCombination(0, ungrab);
        x11::syncOk(d.display);
        return false;
    }
    // With modifiers the key is the stop key as far as no other program has it: a
    // combination taken elsewhere (Ctrl+Pause as Break, say) is left to its owner.
    for (unsigned held : Impl::kHeldByTexts) {
        if (held == 0) continue;
        d.forEachLockCombination(held, grab);
        if (!x11::syncOk(d.display)) d.forEachLockCombination(held, ungrab);
    }
    x11::syncOk(d.display);
    m_armed = true;
    return true;
}

void X11StopKey::disarm() {
    Impl& d = *m_impl;
    if (!m_armed) return;
    d.drain();
    d.forEachCombination([&](unsigned m) { XUngrabKey(d.display, d.pause, m, d.root); });
    // Once this returns the server has let go, so keys typed next reach their window.
    x11::syncOk(d.display);
    m_armed = false;
}

bool X11StopKey::pressed() {
    Impl& d = *m_impl;
    d.drain();
    const bool hit = d.hit;
    d.hit = false;
    return hit;
}

}  // namespace nightaudit
