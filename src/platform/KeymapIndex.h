#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "keys/SendKeysParser.h"

namespace nightaudit {

// The modifiers that select a level of a key, beside the Shift of Modifiers: the third level
// (AltGr on most layouts) and the fifth.
inline constexpr unsigned Level3 = 8, Level5 = 16;

// One key of the keymap in one layout group: the keysym at each reachable level with the
// modifiers (Shift, Level3, Level5) that select it. Levels that need other modifiers (Caps
// Lock, Num Lock) are left out by whoever reads the keymap.
struct KeymapKey {
    std::uint8_t code = 0;
    std::vector<std::pair<std::uint32_t, unsigned>> levels;  // keysym, modifiers
};

// How the target composes a dead key followed by a space: X clients follow the X compose
// tables ("'" for an acute accent), Windows programs and remote Windows desktops give the
// spacing accent itself.
enum class DeadKeyStyle { X11, Windows };

// Where each keysym of one layout group can be typed, as a person would type it: the key
// and the modifiers to hold. A keymap given as data, so the choices are tested without a
// display. Keysyms are X keysyms (Latin-1 characters are their own code, other Unicode
// characters 0x01000000 + code).
class KeymapIndex {
public:
    struct Place {
        std::uint8_t code = 0;
        unsigned modifiers = NoModifier;  // Shift | Level3 | Level5
        bool operator==(const Place&) const = default;
    };

    KeymapIndex() = default;
    explicit KeymapIndex(const std::vector<KeymapKey>& keys);

    // The place on the lowest keycode that has the keysym, at its lowest level; null when
    // the group lacks the keysym.
    const Place* find(std::uint32_t sym) const;
    // A keysym bound to a spare keycode: plain, and Shift for its other case.
    void add(std::uint32_t sym, Place place);
    void remove(std::uint32_t sym);

    // A dead key and the key after it that together type `c`, both on this group; none
    // when the layout has no such pair.
    struct DeadKeyRoute {
        std::uint32_t deadSym = 0;
        Place dead;
        std::uint32_t baseSym = 0;
        Place base;
    };
    std::optional<DeadKeyRoute> deadKeyRoute(char32_t c, DeadKeyStyle style) const;

private:
    std::unordered_map<std::uint32_t, Place> m_places;
};

// What a target window can be given, told from its WM_CLASS (instance and class names) and
// the file name of the program that shows it (empty when unknown): Java names its windows
// after the main class, so only the program says it is Java.
struct TargetTraits {
    // The target reads the keymap when it starts: a keycode bound afterwards types nothing
    // there (Windows programs under Wine) or never reaches the far end (remote desktops).
    bool readsNewBindings = true;
    // Characters above this arrive garbled (Java keeps 16 bits of a character).
    char32_t highestCharacter = 0x10FFFF;
    DeadKeyStyle deadKeys = DeadKeyStyle::X11;
    // Keys the target has not read when its window loses the focus are dropped (Wine
    // reads them from its own queue late, Chromium forwards them to the page late); other
    // X clients keep what the server gave them.
    bool dropsUnreadKeys = false;
    std::string kind;  // how an error names such a target: "a Windows program"; empty for others
};
TargetTraits targetTraits(const std::string& instance, const std::string& wmClass,
                          const std::string& program);

// X keysyms of the dead keys the routes use.
namespace deadkey {
inline constexpr std::uint32_t Grave = 0xfe50, Acute = 0xfe51, Circumflex = 0xfe52, Tilde = 0xfe53,
                               Diaeresis = 0xfe57, Ring = 0xfe58, Cedilla = 0xfe5b;
}

// The X keysym of a Unicode character.
constexpr std::uint32_t keySymOf(char32_t c) {
    return c < 0x100 ? static_cast<std::uint32_t>(c) : 0x01000000u | static_cast<std::uint32_t>(c);
}

}  // namespace nightaudit
