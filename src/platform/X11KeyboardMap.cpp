#include "X11KeyboardState.h"

#include "core/Error.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

#include <optional>

namespace nightaudit {

namespace {

const KeySym kModifierSyms[] = {
    XK_Shift_L, XK_Shift_R, XK_Control_L,        XK_Control_R,  XK_Alt_L,
    XK_Alt_R,   XK_Meta_L,  XK_Meta_R,           XK_Super_L,    XK_Super_R,
    XK_Hyper_L, XK_Hyper_R, XK_ISO_Level3_Shift, XK_Mode_switch};

}  // namespace

void X11Keyboard::Impl::readKeymap() {
    if (xkb) XkbFreeKeyboard(xkb, 0, True);
    xkb = XkbGetMap(display, XkbKeySymsMask | XkbKeyTypesMask | XkbModifierMapMask, XkbUseCoreKbd);
    if (!xkb) throw Error(err::DisplayLost, "The X display refused XkbGetMap");
    group = -1;
}

KeySym X11Keyboard::Impl::symAt(KeyCode code, int level, int wanted) const {
    const int groups = XkbKeyNumGroups(xkb, code);
    if (groups == 0) return NoSymbol;
    const int g = wanted % groups;
    if (level >= XkbKeyGroupWidth(xkb, code, g)) return NoSymbol;
    return XkbKeySymEntry(xkb, code, level, g);
}

bool X11Keyboard::Impl::noSymbols(KeyCode code) const {
    const KeySym* syms = XkbKeySymsPtr(xkb, code);
    for (int i = 0; i < XkbKeyNumSyms(xkb, code); ++i) {
        if (syms[i] != NoSymbol) return false;
    }
    return true;
}

std::pair<unsigned, KeyCode> X11Keyboard::Impl::levelKey(KeySym sym, int g) const {
    for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
        const KeyCode kc = static_cast<KeyCode>(code);
        if (symAt(kc, 0, g) == sym && xkb->map->modmap[kc] != 0) {
            return {xkb->map->modmap[kc], kc};
        }
    }
    return {0, 0};
}

void X11Keyboard::Impl::build(int g) {
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
        if (level3Mask && (mask & level3Mask) == level3Mask) bits |= Level3, mask &= ~level3Mask;
        if (level5Mask && (mask & level5Mask) == level5Mask) bits |= Level5, mask &= ~level5Mask;
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
            const std::uint32_t c = dead ? 0 : xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(sym));
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

const Place* X11Keyboard::Impl::findFor(KeySym sym, const X11Keyboard::Target& target) const {
    const Place* place = find(sym);
    if (place && !target.traits.readsNewBindings && bound.count(place->code)) return nullptr;
    return place;
}

}  // namespace nightaudit
