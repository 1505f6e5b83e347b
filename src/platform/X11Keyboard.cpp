#include "X11Keyboard.h"

// Our headers come before Xlib's, whose None macro would clash with NamedKey::None.
#include "X11Errors.h"
#include "core/Error.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <map>
#include <thread>
#include <unordered_map>

namespace nightaudit {

namespace {

using Clock = std::chrono::steady_clock;

KeySym namedKeySym(NamedKey key) {
    switch (key) {
        case NamedKey::Backspace:
            return XK_BackSpace;
        case NamedKey::Break:
            return XK_Break;
        case NamedKey::CapsLock:
            return XK_Caps_Lock;
        case NamedKey::Delete:
            return XK_Delete;
        case NamedKey::Down:
            return XK_Down;
        case NamedKey::End:
            return XK_End;
        case NamedKey::Enter:
            return XK_Return;
        case NamedKey::Escape:
            return XK_Escape;
        case NamedKey::Help:
            return XK_Help;
        case NamedKey::Home:
            return XK_Home;
        case NamedKey::Insert:
            return XK_Insert;
        case NamedKey::Left:
            return XK_Left;
        case NamedKey::NumLock:
            return XK_Num_Lock;
        case NamedKey::PageDown:
            return XK_Next;
        case NamedKey::PageUp:
            return XK_Prior;
        case NamedKey::PrintScreen:
            return XK_Print;
        case NamedKey::Right:
            return XK_Right;
        case NamedKey::ScrollLock:
            return XK_Scroll_Lock;
        case NamedKey::Tab:
            return XK_Tab;
        case NamedKey::Up:
            return XK_Up;
        case NamedKey::Add:
            return XK_KP_Add;
        case NamedKey::Subtract:
            return XK_KP_Subtract;
        case NamedKey::Multiply:
            return XK_KP_Multiply;
        case NamedKey::Divide:
            return XK_KP_Divide;
        default:
            break;
    }
    if (key < NamedKey::F1 || key > NamedKey::F16) return NoSymbol;
    return XK_F1 + (static_cast<int>(key) - static_cast<int>(NamedKey::F1));
}

// Latin-1 characters have keysyms equal to their code; every other Unicode character has
// the keysym 0x01000000 + code, which X servers and clients understand since X11R6.9.
KeySym characterKeySym(char32_t c) {
    switch (c) {
        case '\n':
        case '\r':
            return XK_Return;
        case '\t':
            return XK_Tab;
        case '\b':
            return XK_BackSpace;
        case 0x1b:
            return XK_Escape;
        default:
            break;
    }
    if (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0)) return NoSymbol;
    if (c < 0x100) return c;
    return 0x01000000 | c;
}

struct Place {
    KeyCode code;
    int level;  // 0 plain, 1 with Shift
};

// The keymap as read at the start of one text.
class Keymap {
public:
    explicit Keymap(Display* display) {
        XDisplayKeycodes(display, &m_min, &m_max);
        KeySym* syms = XGetKeyboardMapping(display, static_cast<KeyCode>(m_min), m_max - m_min + 1,
                                           &m_perCode);
        if (!syms) throw Error(err::DisplayLost, "The X display refused XGetKeyboardMapping");
        for (int code = m_min; code <= m_max; ++code) {
            const KeySym* row = syms + (code - m_min) * m_perCode;
            bool empty = true;
            for (int i = 0; i < m_perCode; ++i) empty = empty && row[i] == NoSymbol;
            if (empty) {
                m_spare.push_back(static_cast<KeyCode>(code));
                continue;
            }
            for (int level = 0; level < std::min(m_perCode, 2); ++level) {
                add(row[level], code, level);
            }
            // A row that lists only the lower-case letter gives the upper case with Shift.
            if (m_perCode == 1 || row[1] == NoSymbol) {
                KeySym lower = 0, upper = 0;
                XConvertCase(row[0], &lower, &upper);
                if (lower != upper && row[0] == lower) add(upper, code, 1);
            }
        }
        XFree(syms);
    }

    const Place* find(KeySym sym) const {
        const auto it = m_places.find(sym);
        return it == m_places.end() ? nullptr : &it->second;
    }
    std::vector<KeyCode>& spare() { return m_spare; }

private:
    void add(KeySym sym, int code, int level) {
        if (sym != NoSymbol) m_places.emplace(sym, Place{static_cast<KeyCode>(code), level});
    }

    int m_min = 0, m_max = 0, m_perCode = 0;
    std::unordered_map<KeySym, Place> m_places;
    std::vector<KeyCode> m_spare;
};

const KeySym kModifierSyms[] = {
    XK_Shift_L, XK_Shift_R, XK_Control_L,        XK_Control_R,  XK_Alt_L,
    XK_Alt_R,   XK_Meta_L,  XK_Meta_R,           XK_Super_L,    XK_Super_R,
    XK_Hyper_L, XK_Hyper_R, XK_ISO_Level3_Shift, XK_Mode_switch};

}  // namespace

struct X11Keyboard::Plan {
    struct Action {
        KeyCode code;
        unsigned modifiers;
    };
    std::vector<Action> actions;
    std::map<KeySym, KeyCode> bound;       // characters put on spare keycodes for this text
    KeyCode modifierCodes[3] = {0, 0, 0};  // Shift, Ctrl, Alt
    std::vector<std::pair<KeyCode, KeySym>> heldCheck;
    KeyCode capsLock = 0;
};

X11Keyboard::X11Keyboard(Display* display, const std::vector<KeyStroke>& strokes)
    : m_plan(std::make_unique<Plan>()), m_display(display) {
    Keymap keymap(display);
    Plan& plan = *m_plan;
    auto codeOf = [&](std::initializer_list<KeySym> syms) -> KeyCode {
        for (KeySym s : syms) {
            if (const Place* p = keymap.find(s); p && p->level == 0) return p->code;
        }
        return 0;
    };
    plan.modifierCodes[0] = codeOf({XK_Shift_L, XK_Shift_R});
    plan.modifierCodes[1] = codeOf({XK_Control_L, XK_Control_R});
    plan.modifierCodes[2] = codeOf({XK_Alt_L, XK_Alt_R, XK_Meta_L});
    plan.capsLock = codeOf({XK_Caps_Lock});
    for (KeySym s : kModifierSyms) {
        if (const Place* p = keymap.find(s)) plan.heldCheck.emplace_back(p->code, s);
    }

    for (const KeyStroke& stroke : strokes) {
        const KeySym sym =
            stroke.key == NamedKey{} ? characterKeySym(stroke.character) : namedKeySym(stroke.key);
        if (sym == NoSymbol) {
            throw Error(err::KeySyntax, "Keystroke text: the control character " +
                                            std::to_string(stroke.character) + " cannot be typed");
        }
        Plan::Action action{0, stroke.modifiers};
        if (const Place* place = keymap.find(sym)) {
            action.code = place->code;
            const Place* pause = keymap.find(XK_Pause);
            if (sym == XK_Break && place->level == 1 && pause && pause->code == place->code) {
                // PC keymaps put Break on the Pause key's Ctrl level, which the core keymap
                // shows as its Shift level: Shift+Pause reaches XKB clients as Pause, while
                // Ctrl+Pause is Break to every client, as on the physical keyboard.
                action.modifiers |= Ctrl;
            } else if (place->level == 1) {
                action.modifiers |= Shift;
            }
        } else {
            KeySym lower = 0, upper = 0;
            XConvertCase(sym, &lower, &upper);
            auto it = plan.bound.find(lower);
            if (it == plan.bound.end()) {
                if (keymap.spare().empty()) {
                    throw Error(err::NotAvailable,
                                "Too many characters in the text are not on the keyboard map");
                }
                it = plan.bound.emplace(lower, keymap.spare().back()).first;
                keymap.spare().pop_back();
            }
            action.code = it->second;
            if (sym == upper && lower != upper) action.modifiers |= Shift;
        }
        const bool modifiersOnMap = ((action.modifiers & Shift) == 0 || plan.modifierCodes[0]) &&
                                    ((action.modifiers & Ctrl) == 0 || plan.modifierCodes[1]) &&
                                    ((action.modifiers & Alt) == 0 || plan.modifierCodes[2]);
        if (!modifiersOnMap) {
            throw Error(err::NotAvailable, "The keyboard map has no Shift, Ctrl or Alt key");
        }
        plan.actions.push_back(action);
    }
}

X11Keyboard::~X11Keyboard() = default;

void X11Keyboard::waitForModifiersReleased(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        char keys[32] = {};
        XQueryKeymap(m_display, keys);
        KeySym held = NoSymbol;
        for (const auto& [code, sym] : m_plan->heldCheck) {
            if (keys[code / 8] & (1 << (code % 8))) held = sym;
        }
        if (held == NoSymbol) return;
        if (Clock::now() >= deadline) {
            const char* name = XKeysymToString(held);
            throw Error(err::KeyboardBusy, std::string("The ") + (name ? name : "modifier") +
                                               " key is held down; nothing was typed");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

namespace {

// Holds the modifiers the text presses and lets every one of them go when it ends,
// whether the text was typed to the end or an error stopped it.
class ModifierGuard {
public:
    ModifierGuard(Display* display, const KeyCode (&codes)[3])
        : m_display(display), m_codes(codes) {}
    ~ModifierGuard() {
        hold(NoModifier);
        x11::syncOk(m_display);
    }
    void hold(unsigned wanted) {
        for (unsigned bit = 0; bit < 3; ++bit) {
            const unsigned mask = 1u << bit;
            if ((m_held & mask) != (wanted & mask)) {
                XTestFakeKeyEvent(m_display, m_codes[bit], (wanted & mask) != 0, CurrentTime);
            }
        }
        m_held = wanted;
    }

private:
    Display* m_display;
    const KeyCode (&m_codes)[3];
    unsigned m_held = NoModifier;
};

// Binds the characters the keymap lacks to spare keycodes, and unbinds them at the end.
class BindingGuard {
public:
    BindingGuard(Display* display, const std::map<KeySym, KeyCode>& bound)
        : m_display(display), m_bound(bound) {
        for (const auto& [lower, code] : m_bound) {
            KeySym lowerUpper[2];
            XConvertCase(lower, &lowerUpper[0], &lowerUpper[1]);
            XChangeKeyboardMapping(m_display, code, 2, lowerUpper, 1);
        }
        if (!m_bound.empty()) x11::sync(m_display, "XChangeKeyboardMapping");
    }
    ~BindingGuard() {
        if (m_bound.empty()) return;
        // Clients look a keycode up when they handle the event, and Xlib may already have
        // read the mapping change by then: give them a moment before the codes go blank.
        x11::syncOk(m_display);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (const auto& [lower, code] : m_bound) {
            KeySym none[2] = {NoSymbol, NoSymbol};
            XChangeKeyboardMapping(m_display, code, 2, none, 1);
        }
        x11::syncOk(m_display);
    }

private:
    Display* m_display;
    const std::map<KeySym, KeyCode>& m_bound;
};

bool capsLockOn(Display* display) {
    Window root, child;
    int rx, ry, wx, wy;
    unsigned mask = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rx, &ry, &wx, &wy, &mask);
    return (mask & LockMask) != 0;
}

// Switches Caps Lock off for the text, so that letters arrive in the case the text gives,
// and on again afterwards.
class CapsLockGuard {
public:
    CapsLockGuard(Display* display, KeyCode capsLock) : m_display(display), m_code(capsLock) {
        if (!capsLockOn(m_display)) return;
        if (m_code == 0) {
            throw Error(err::KeyboardBusy,
                        "Caps Lock is on and the keyboard map has no key to switch it off");
        }
        toggle();
        if (capsLockOn(m_display)) {
            toggle();
            throw Error(err::KeyboardBusy, "Caps Lock is on and could not be switched off");
        }
        m_switched = true;
    }
    ~CapsLockGuard() {
        if (m_switched) toggle();
        x11::syncOk(m_display);
    }

private:
    void toggle() {
        XTestFakeKeyEvent(m_display, m_code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, m_code, False, CurrentTime);
        x11::syncOk(m_display);
    }
    Display* m_display;
    KeyCode m_code;
    bool m_switched = false;
};

}  // namespace

void X11Keyboard::type(const std::function<void(std::size_t)>& afterStroke) {
    CapsLockGuard caps(m_display, m_plan->capsLock);
    BindingGuard binding(m_display, m_plan->bound);
    ModifierGuard modifiers(m_display, m_plan->modifierCodes);
    for (std::size_t i = 0; i < m_plan->actions.size(); ++i) {
        const Plan::Action& action = m_plan->actions[i];
        modifiers.hold(action.modifiers);
        XTestFakeKeyEvent(m_display, action.code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, action.code, False, CurrentTime);
        x11::sync(m_display, "XTestFakeKeyEvent");
        if (afterStroke) afterStroke(i);
    }
}

}  // namespace nightaudit
