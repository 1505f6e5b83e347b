#include "X11KeyboardState.h"

#include "X11Errors.h"
#include "core/Error.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace nightaudit {

X11Keyboard::Impl::~Impl() {
    for (const auto& [code, binding] : bound) {
        KeySym none[2] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(display, code, 2, none, 1);
        record.restored(code);
    }
    if (!bound.empty()) x11::syncOk(display);
    if (xkb) XkbFreeKeyboard(xkb, 0, True);
}

void X11Keyboard::Impl::readState() {
    XkbStateRec rec{};
    XkbGetState(display, XkbUseCoreKbd, &rec);
    state = {rec.group, static_cast<short>(rec.base_group), rec.base_mods, rec.locked_mods};
    stateKnown = true;
}

void X11Keyboard::Impl::keymapChanged() {
    if (xkb) XkbFreeKeyboard(xkb, 0, True);
    xkb = nullptr;
    group = -1;
    ++keymapGeneration;
}

X11Keyboard::X11Keyboard(Display* display, X11HeldInputRecord& record)
    : m_impl(std::make_unique<Impl>(display, record)) {
    Impl& d = *m_impl;
    int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &d.xkbEventType, &error, &major, &minor)) {
        throw Error(err::NotAvailable, "The X display offers no XKEYBOARD extension");
    }
    XkbSelectEvents(display, XkbUseCoreKbd, XkbMapNotifyMask | XkbNewKeyboardNotifyMask,
                    XkbMapNotifyMask | XkbNewKeyboardNotifyMask);
    // The group, Caps Lock and held modifiers, so that a text needs no query of its own.
    constexpr unsigned long kState =
        XkbModifierStateMask | XkbModifierBaseMask | XkbModifierLatchMask | XkbModifierLockMask |
        XkbGroupStateMask | XkbGroupBaseMask | XkbGroupLatchMask | XkbGroupLockMask;
    XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, kState, kState);
    d.readState();
}

X11Keyboard::~X11Keyboard() = default;

bool X11Keyboard::takeEvent(XEvent& event) {
    Impl& d = *m_impl;
    if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        d.keymapChanged();
        return true;
    }
    if (event.type != d.xkbEventType) return false;
    const auto& xkbEvent = reinterpret_cast<const XkbEvent&>(event);
    switch (xkbEvent.any.xkb_type) {
        case XkbStateNotify: {
            const XkbStateNotifyEvent& s = xkbEvent.state;
            d.state = {s.group, s.base_group, s.base_mods, s.locked_mods};
            break;
        }
        case XkbNewKeyboardNotify:
            d.stateKnown = false;
            d.keymapChanged();
            break;
        default:
            d.keymapChanged();
            break;
    }
    return true;
}

bool X11Keyboard::modifierMaybeHeld() const {
    const Impl& d = *m_impl;
    return !d.stateKnown || d.state.baseMods != 0 || d.state.baseGroup != 0;
}

std::string X11Keyboard::heldModifier() {
    Impl& d = *m_impl;
    d.readState();
    d.build(d.state.group);
    char keys[32] = {};
    XQueryKeymap(d.display, keys);
    for (const auto& [code, sym] : d.heldCheck) {
        if (keys[code / 8] & (1 << (code % 8))) {
            const char* name = XKeysymToString(sym);
            return name ? name : "modifier";
        }
    }
    return {};
}

}  // namespace nightaudit
