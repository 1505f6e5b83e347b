#include "X11KeyboardState.h"

#include "X11Errors.h"
#include "X11KeySyms.h"
#include "core/Error.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <thread>

namespace nightaudit {

namespace {

// A spare keycode is not given to another character sooner than this after its last use:
// an application still working through earlier keys would read the new character.
constexpr std::chrono::milliseconds kRebindAfter{1000};

}  // namespace

KeyCode X11Keyboard::Impl::bind(KeySym lower, const std::map<KeySym, KeyCode>& inText) {
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

std::string X11Keyboard::Impl::cannotArrive(const KeyStroke& stroke,
                                            const X11Keyboard::Target& target) const {
    const bool character = stroke.key == NamedKey{};
    const KeySym sym = character ? characterKeySym(stroke.character) : namedKeySym(stroke.key);
    const auto in = [&](const char* why) {
        return why + (" \"" + target.title + "\" (" + target.traits.kind + ")");
    };
    if (sym == NoSymbol) return in("has no key in");
    if (!character) return {};
    if (stroke.character > target.traits.highestCharacter) return in("would arrive garbled in");
    if (!target.traits.readsNewBindings && !findFor(sym, target) &&
        !index.deadKeyRoute(stroke.character, target.traits.deadKeys)) {
        return in("is not on the keyboard layout, which is all that reaches");
    }
    return {};
}

std::vector<Action> X11Keyboard::Impl::plan(const std::vector<KeyStroke>& strokes, std::size_t from,
                                            const X11Keyboard::Target& target, std::size_t& end) {
    std::vector<Action> actions;
    std::map<KeySym, KeyCode> inText;  // characters bound for this part
    for (end = from; end < strokes.size(); ++end) {
        const KeyStroke& stroke = strokes[end];
        const bool character = stroke.key == NamedKey{};
        const KeySym sym = character ? characterKeySym(stroke.character) : namedKeySym(stroke.key);
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
        Action action{place->code, stroke.modifiers | place->modifiers, sym, place->modifiers, end};
        const Place* pause = find(XK_Pause);
        if (sym == XK_Break && place->modifiers == Shift && pause && pause->code == place->code) {
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

bool X11Keyboard::Impl::stillTypes(const std::vector<Action>& actions, std::size_t from,
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

void X11Keyboard::Impl::used(const std::vector<Action>& actions) {
    const auto now = Clock::now();
    for (const Action& a : actions) {
        if (const auto it = bound.find(a.code); it != bound.end()) it->second.lastUse = now;
    }
}

}  // namespace nightaudit
