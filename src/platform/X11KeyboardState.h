#pragma once

// What X11Keyboard's sources share: its state and the steps each of them implements.
// Only those sources include this.

// Our headers come before Xlib's, whose None macro would clash with NamedKey::None.
#include "KeymapIndex.h"
#include "X11HeldInputRecord.h"
#include "X11Keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <array>
#include <chrono>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

namespace nightaudit {

using Clock = std::chrono::steady_clock;
using Place = KeymapIndex::Place;

// The modifier keys a stroke may hold, in the order of their bits: Shift, Ctrl, Alt (the
// text's own), and the level keys Level3 and Level5.
constexpr unsigned kModifierBits[] = {Shift, Ctrl, Alt, Level3, Level5};
constexpr std::size_t kModifierKeys = std::size(kModifierBits);
using ModifierCodes = std::array<KeyCode, kModifierKeys>;

// One key to press for a text, with the modifiers held for it.
struct Action {
    KeyCode code;
    unsigned modifiers;  // the text's and the level's
    KeySym sym;          // what the key is to type, at
    unsigned level;      // the modifiers that select its level
    std::size_t stroke;  // the stroke of the text it belongs to
};

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
    ~Impl();  // unbinds the spare keycodes bound

    // The keyboard state from the server (X11Keyboard.cpp).
    void readState();
    void keymapChanged();

    // The keymap, indexed for one layout group (X11KeyboardMap.cpp).
    const Place* find(KeySym sym) const { return index.find(static_cast<std::uint32_t>(sym)); }
    void readKeymap();
    KeySym symAt(KeyCode code, int level, int wanted) const;
    bool noSymbols(KeyCode code) const;

    // The real modifier a level key (ISO_Level3_Shift, ISO_Level5_Shift) sets in group
    // `g`, and its keycode; 0 when the layout has none.
    std::pair<unsigned, KeyCode> levelKey(KeySym sym, int g) const;

    // Where each keysym is in layout group `g`, at every level a person reaches with
    // Shift and the level keys, and which keycodes are free.
    void build(int g);

    // A place the target reads: a spare keycode bound after it started is none to a target
    // that reads the keymap only when it starts.
    const Place* findFor(KeySym sym, const X11Keyboard::Target& target) const;

    // Spare keycodes and the keys to press for a text (X11KeyboardPlan.cpp).
    // A keycode for a character the keymap lacks: a free one, or else the one used
    // longest ago by a character this part of the text does not need; 0 when every one is
    // needed by it.
    KeyCode bind(KeySym lower, const std::map<KeySym, KeyCode>& inText);

    // Why the target cannot be given the stroke ("would arrive garbled in \"Till\" (a
    // Java program)"), empty when it can.
    std::string cannotArrive(const KeyStroke& stroke, const X11Keyboard::Target& target) const;

    // The keys to press for the strokes from `from` on, in the layout group `index` was
    // built for: a character on the layout as a person types it (any level, or a dead key
    // and its base), else through a spare keycode. Stops before a stroke that needs a spare
    // keycode when every one is taken by the strokes before it; `end` is where it stopped.
    std::vector<Action> plan(const std::vector<KeyStroke>& strokes, std::size_t from,
                             const X11Keyboard::Target& target, std::size_t& end);

    // Whether the strokes from `from` on still type what they were mapped for, in the
    // keymap and group now in effect.
    bool stillTypes(const std::vector<Action>& actions, std::size_t from,
                    const ModifierCodes& plannedModifiers) const;
    void used(const std::vector<Action>& actions);
};

}  // namespace nightaudit
