#include "X11Keyboard.h"

// Our headers come before Xlib's, whose None macro would clash with NamedKey::None.
#include "KeymapIndex.h"
#include "X11Errors.h"
#include "X11HeldInputRecord.h"
#include "core/Error.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <optional>
#include <thread>
#include <unordered_map>

#include <sys/prctl.h>

namespace nightaudit {

namespace {

using Clock = std::chrono::steady_clock;

// A spare keycode is not given to another character sooner than this after its last use:
// an application still working through earlier keys would read the new character.
constexpr std::chrono::milliseconds kRebindAfter{1000};
constexpr std::chrono::microseconds kBetweenStrokes{50};

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

using Place = KeymapIndex::Place;

// The modifier keys a stroke may hold, in the order of their bits: Shift, Ctrl, Alt (the
// text's own), and the level keys Level3 and Level5.
constexpr unsigned kModifierBits[] = {Shift, Ctrl, Alt, Level3, Level5};
constexpr std::size_t kModifierKeys = std::size(kModifierBits);
using ModifierCodes = std::array<KeyCode, kModifierKeys>;

const KeySym kModifierSyms[] = {
    XK_Shift_L, XK_Shift_R, XK_Control_L,        XK_Control_R,  XK_Alt_L,
    XK_Alt_R,   XK_Meta_L,  XK_Meta_R,           XK_Super_L,    XK_Super_R,
    XK_Hyper_L, XK_Hyper_R, XK_ISO_Level3_Shift, XK_Mode_switch};

struct Action {
    KeyCode code;
    unsigned modifiers;  // the text's and the level's
    KeySym sym;          // what the key is to type, at
    unsigned level;      // the modifiers that select its level
    std::size_t stroke;  // the stroke of the text it belongs to
};

// The first stroke found the keymap or the layout group changed since the text was mapped.
struct MapAgain {};
constexpr int kMappingTries = 3;

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
    explicit CapsLockGuard(Display* display) : m_display(display) {}
    ~CapsLockGuard() {
        if (!m_switched) return;
        XkbLockModifiers(m_display, XkbUseCoreKbd, LockMask, LockMask);
        x11::syncOk(m_display);
    }
    void switchOff() {
        XkbLockModifiers(m_display, XkbUseCoreKbd, LockMask, 0);
        m_switched = true;
    }
    CapsLockGuard(const CapsLockGuard&) = delete;
    CapsLockGuard& operator=(const CapsLockGuard&) = delete;

private:
    Display* m_display;
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

}  // namespace

struct X11Keyboard::Impl {
    Display* display;
    X11HeldInputRecord& record;  // what a dead program leaves is put back from it
    int xkbEventType = -1;
    // The keyboard's state as the server last reported it; unknown until read.
    struct State {
        int group = 0;      // the layout group in effect
        int baseGroup = 0;  // set by a group key held down
        unsigned baseMods = 0, lockedMods = 0;
    } state;
    bool stateKnown = false;
    unsigned keymapGeneration = 0;  // counts the keymap changes reported
    XkbDescPtr xkb = nullptr;
    int group = -1;  // the layout group `index` was built for
    KeymapIndex index;
    std::vector<KeyCode> spare;  // keycodes with no symbol, free to bind
    struct Binding {
        KeySym lower;
        Clock::time_point lastUse;
    };
    std::map<KeyCode, Binding> bound;  // spare keycodes this connection bound
    ModifierCodes modifierCodes{};     // Shift, Ctrl, Alt, Level3, Level5; 0 where absent
    std::vector<std::pair<KeyCode, KeySym>> heldCheck;

    Impl(Display* d, X11HeldInputRecord& r) : display(d), record(r) {}
    ~Impl() {
        for (const auto& [code, binding] : bound) {
            KeySym none[2] = {NoSymbol, NoSymbol};
            XChangeKeyboardMapping(display, code, 2, none, 1);
            record.restored(code);
        }
        if (!bound.empty()) x11::syncOk(display);
        if (xkb) XkbFreeKeyboard(xkb, 0, True);
    }

    void readState() {
        XkbStateRec rec{};
        XkbGetState(display, XkbUseCoreKbd, &rec);
        state = {rec.group, static_cast<short>(rec.base_group), rec.base_mods, rec.locked_mods};
        stateKnown = true;
    }

    void keymapChanged() {
        if (xkb) XkbFreeKeyboard(xkb, 0, True);
        xkb = nullptr;
        group = -1;
        ++keymapGeneration;
    }

    void readKeymap() {
        if (xkb) XkbFreeKeyboard(xkb, 0, True);
        xkb = XkbGetMap(display, XkbKeySymsMask | XkbKeyTypesMask | XkbModifierMapMask,
                        XkbUseCoreKbd);
        if (!xkb) throw Error(err::DisplayLost, "The X display refused XkbGetMap");
        group = -1;
    }

    KeySym symAt(KeyCode code, int level, int wanted) const {
        const int groups = XkbKeyNumGroups(xkb, code);
        if (groups == 0) return NoSymbol;
        const int g = wanted % groups;
        if (level >= XkbKeyGroupWidth(xkb, code, g)) return NoSymbol;
        return XkbKeySymEntry(xkb, code, level, g);
    }

    bool noSymbols(KeyCode code) const {
        const KeySym* syms = XkbKeySymsPtr(xkb, code);
        for (int i = 0; i < XkbKeyNumSyms(xkb, code); ++i) {
            if (syms[i] != NoSymbol) return false;
        }
        return true;
    }

    // The real modifier a level key (ISO_Level3_Shift, ISO_Level5_Shift) sets in group
    // `g`, and its keycode; 0 when the layout has none.
    std::pair<unsigned, KeyCode> levelKey(KeySym sym, int g) const {
        for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
            const KeyCode kc = static_cast<KeyCode>(code);
            if (symAt(kc, 0, g) == sym && xkb->map->modmap[kc] != 0) {
                return {xkb->map->modmap[kc], kc};
            }
        }
        return {0, 0};
    }

    // Where each keysym is in layout group `g`, at every level a person reaches with
    // Shift and the level keys, and which keycodes are free.
    void build(int g) {
        if (!xkb) readKeymap();
        if (g == group) return;
        spare.clear();
        const auto level3 = levelKey(XK_ISO_Level3_Shift, g);
        const auto level5 = levelKey(XK_ISO_Level5_Shift, g);
        const unsigned level3Mask = level3.first, level5Mask = level5.first;
        // Our bits for a type's real modifiers; nothing for a level that needs any other
        // modifier (Caps Lock and Num Lock are not pressed to reach a character).
        const auto levelModifiers = [&](unsigned mask) -> std::optional<unsigned> {
            unsigned bits = NoModifier;
            if (mask & ShiftMask) bits |= Shift, mask &= ~ShiftMask;
            if (level3Mask && (mask & level3Mask) == level3Mask)
                bits |= Level3, mask &= ~level3Mask;
            if (level5Mask && (mask & level5Mask) == level5Mask)
                bits |= Level5, mask &= ~level5Mask;
            if (mask != 0) return std::nullopt;
            return bits;
        };
        std::vector<KeymapKey> keys;
        for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
            const KeyCode kc = static_cast<KeyCode>(code);
            if (const auto it = bound.find(kc); it != bound.end()) {
                // Still ours unless someone else changed it meanwhile.
                if (symAt(kc, 0, 0) == it->second.lower) continue;
                bound.erase(it);
                record.restored(kc);
            }
            if (noSymbols(kc)) {
                spare.push_back(kc);
                continue;
            }
            const int kg = g % XkbKeyNumGroups(xkb, kc);
            const XkbKeyTypeRec* type = XkbKeyKeyType(xkb, kc, kg);
            KeymapKey key{kc, {}};
            // A character is looked up by its Unicode keysym: the layout may list it under
            // a legacy one (EuroSign, Cyrillic_zhe), which is also kept for named keys.
            const auto addLevel = [&](KeySym sym, unsigned bits) {
                key.levels.emplace_back(static_cast<std::uint32_t>(sym), bits);
                const bool dead = sym >= 0xfe00 && sym <= 0xfeff;
                const std::uint32_t c =
                    dead ? 0 : xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(sym));
                if (c >= 0x20 && keySymOf(c) != sym) key.levels.emplace_back(keySymOf(c), bits);
            };
            addLevel(symAt(kc, 0, g), NoModifier);
            for (int i = 0; i < type->map_count; ++i) {
                const XkbKTMapEntryRec& entry = type->map[i];
                if (!entry.active || entry.level == 0) continue;
                if (const auto bits = levelModifiers(entry.mods.mask)) {
                    addLevel(symAt(kc, entry.level, g), *bits);
                }
            }
            keys.push_back(std::move(key));
        }
        index = KeymapIndex(keys);
        for (const auto& [code, binding] : bound) {
            KeySym lower = 0, upper = 0;
            XConvertCase(binding.lower, &lower, &upper);
            index.add(lower, Place{code, NoModifier});
            if (upper != lower) index.add(upper, Place{code, Shift});
        }
        group = g;
        auto codeOf = [&](std::initializer_list<KeySym> syms) -> KeyCode {
            for (KeySym s : syms) {
                if (const Place* p = find(s); p && p->modifiers == NoModifier) return p->code;
            }
            return 0;
        };
        modifierCodes = {codeOf({XK_Shift_L, XK_Shift_R}), codeOf({XK_Control_L, XK_Control_R}),
                         codeOf({XK_Alt_L, XK_Alt_R, XK_Meta_L}), level3.second, level5.second};
        heldCheck.clear();
        for (KeySym s : kModifierSyms) {
            if (const Place* p = find(s)) heldCheck.emplace_back(p->code, s);
        }
    }

    const Place* find(KeySym sym) const { return index.find(static_cast<std::uint32_t>(sym)); }
    // A place the target reads: a spare keycode bound after it started is none to a target
    // that reads the keymap only when it starts.
    const Place* findFor(KeySym sym, const X11Keyboard::Target& target) const {
        const Place* place = find(sym);
        if (place && !target.traits.readsNewBindings && bound.count(place->code)) return nullptr;
        return place;
    }

    // A keycode for a character the keymap lacks: a free one, or else the one used
    // longest ago by a character this part of the text does not need; 0 when every one is
    // needed by it.
    KeyCode bind(KeySym lower, const std::map<KeySym, KeyCode>& inText) {
        KeyCode code = 0;
        if (!spare.empty()) {
            code = spare.back();
            spare.pop_back();
        } else {
            auto oldest = bound.end();
            for (auto it = bound.begin(); it != bound.end(); ++it) {
                if (inText.count(it->second.lower)) continue;
                if (oldest == bound.end() || it->second.lastUse < oldest->second.lastUse) {
                    oldest = it;
                }
            }
            if (oldest == bound.end()) return 0;
            std::this_thread::sleep_until(oldest->second.lastUse + kRebindAfter);
            code = oldest->first;
            index.remove(oldest->second.lower);
            KeySym l = 0, u = 0;
            XConvertCase(oldest->second.lower, &l, &u);
            index.remove(u);
            bound.erase(oldest);
        }
        KeySym lowerUpper[2];
        XConvertCase(lower, &lowerUpper[0], &lowerUpper[1]);
        record.rebinding(code, XkbKeySymsPtr(xkb, code), XkbKeyNumSyms(xkb, code));
        XChangeKeyboardMapping(display, code, 2, lowerUpper, 1);
        x11::sync(display, "XChangeKeyboardMapping");
        bound[code] = Binding{lower, Clock::now()};
        index.add(lowerUpper[0], Place{code, NoModifier});
        if (lowerUpper[1] != lowerUpper[0]) index.add(lowerUpper[1], Place{code, Shift});
        return code;
    }

    // Throws, before any key is sent, for a stroke that cannot be typed or a character
    // the target cannot be given.
    void refuseWhatCannotArrive(const std::vector<KeyStroke>& strokes,
                                const X11Keyboard::Target& target) const {
        for (const KeyStroke& stroke : strokes) {
            const bool character = stroke.key == NamedKey{};
            const KeySym sym =
                character ? characterKeySym(stroke.character) : namedKeySym(stroke.key);
            if (sym == NoSymbol) {
                throw Error(err::KeySyntax, "Keystroke text: the control character " +
                                                std::to_string(stroke.character) +
                                                " cannot be typed");
            }
            if (!character) continue;
            const auto refuse = [&](const std::string& why) {
                throw Error(err::NotAvailable, "The character \"" + utf8Of(stroke.character) +
                                                   "\" " + why + " \"" + target.title + "\" (" +
                                                   target.traits.kind + "); nothing was typed");
            };
            if (stroke.character > target.traits.highestCharacter) {
                refuse("would arrive garbled in");
            }
            if (!target.traits.readsNewBindings && !findFor(sym, target) &&
                !index.deadKeyRoute(stroke.character, target.traits.deadKeys)) {
                refuse("is not on the keyboard layout, which is all that reaches");
            }
        }
    }

    // The keys to press for the strokes from `from` on, in the layout group `index` was
    // built for: a character on the layout as a person types it (any level, or a dead key
    // and its base), else through a spare keycode. Stops before a stroke that needs a spare
    // keycode when every one is taken by the strokes before it; `end` is where it stopped.
    std::vector<Action> plan(const std::vector<KeyStroke>& strokes, std::size_t from,
                             const X11Keyboard::Target& target, std::size_t& end) {
        std::vector<Action> actions;
        std::map<KeySym, KeyCode> inText;  // characters bound for this part
        for (end = from; end < strokes.size(); ++end) {
            const KeyStroke& stroke = strokes[end];
            const bool character = stroke.key == NamedKey{};
            const KeySym sym =
                character ? characterKeySym(stroke.character) : namedKeySym(stroke.key);
            const Place* place = findFor(sym, target);
            if (!place && character) {
                const DeadKeyStyle style = target.traits.deadKeys;
                if (const auto route = index.deadKeyRoute(stroke.character, style)) {
                    actions.push_back({route->dead.code, route->dead.modifiers, route->deadSym,
                                       route->dead.modifiers, end});
                    actions.push_back({route->base.code, stroke.modifiers | route->base.modifiers,
                                       route->baseSym, route->base.modifiers, end});
                    continue;
                }
            }
            if (!place) {
                KeySym lower = 0, upper = 0;
                XConvertCase(sym, &lower, &upper);
                const KeyCode code = bind(lower, inText);
                if (code == 0) {
                    if (end > from) break;
                    throw Error(err::NotAvailable, "The keyboard map has no free key for \"" +
                                                       utf8Of(stroke.character) + "\"");
                }
                inText.emplace(lower, code);
                place = find(sym);
            } else if (const auto it = bound.find(place->code); it != bound.end()) {
                inText.emplace(it->second.lower, place->code);  // bound earlier, needed here
            }
            Action action{place->code, stroke.modifiers | place->modifiers, sym, place->modifiers,
                          end};
            const Place* pause = find(XK_Pause);
            if (sym == XK_Break && place->modifiers == Shift && pause &&
                pause->code == place->code) {
                // PC keymaps put Break on the Pause key's Ctrl level, which the core keymap
                // shows as its Shift level: Shift+Pause reaches XKB clients as Pause, while
                // Ctrl+Pause is Break to every client, as on the physical keyboard.
                action.modifiers = (action.modifiers & ~Shift) | Ctrl;
            }
            for (std::size_t i = 0; i < kModifierKeys; ++i) {
                if ((action.modifiers & kModifierBits[i]) && !modifierCodes[i]) {
                    throw Error(err::NotAvailable,
                                "The keyboard map has no key for a modifier the text needs");
                }
            }
            actions.push_back(action);
        }
        return actions;
    }

    // Whether the strokes from `from` on still type what they were mapped for, in the
    // keymap and group now in effect.
    bool stillTypes(const std::vector<Action>& actions, std::size_t from,
                    const ModifierCodes& plannedModifiers) const {
        if (modifierCodes != plannedModifiers) return false;
        for (std::size_t j = from; j < actions.size(); ++j) {
            const Place* place = find(actions[j].sym);
            if (!place || place->code != actions[j].code || place->modifiers != actions[j].level) {
                return false;
            }
        }
        return true;
    }

    void used(const std::vector<Action>& actions) {
        const auto now = Clock::now();
        for (const Action& a : actions) {
            if (const auto it = bound.find(a.code); it != bound.end()) it->second.lastUse = now;
        }
    }
};

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
