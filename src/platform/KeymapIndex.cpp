#include "KeymapIndex.h"

#include <algorithm>
#include <cctype>

namespace nightaudit {

namespace {

// The other case of a Latin-1 letter that a key lists in one case only; 0 for none.
std::uint32_t upperCaseOf(std::uint32_t sym) {
    if (sym >= 'a' && sym <= 'z') return sym - 0x20;
    if (sym >= 0xe0 && sym <= 0xfe && sym != 0xf7) return sym - 0x20;
    return 0;
}

// Letters a dead key composes with, as pairs of base and result, in UTF-32.
struct Composition {
    std::uint32_t dead;
    std::u32string pairs;
};
const Composition kCompositions[] = {
    {deadkey::Grave, U"a\u00e0e\u00e8i\u00eco\u00f2u\u00f9A\u00c0E\u00c8I\u00ccO\u00d2U\u00d9"},
    {deadkey::Acute,
     U"a\u00e1e\u00e9i\u00edo\u00f3u\u00fay\u00fdA\u00c1E\u00c9I\u00cdO\u00d3U\u00daY\u00dd"},
    {deadkey::Circumflex,
     U"a\u00e2e\u00eai\u00eeo\u00f4u\u00fbA\u00c2E\u00caI\u00ceO\u00d4U\u00db"},
    {deadkey::Tilde, U"a\u00e3n\u00f1o\u00f5A\u00c3N\u00d1O\u00d5"},
    {deadkey::Diaeresis,
     U"a\u00e4e\u00ebi\u00efo\u00f6u\u00fcy\u00ffA\u00c4E\u00cbI\u00cfO\u00d6U\u00dc"},
    {deadkey::Ring, U"a\u00e5A\u00c5"},
    {deadkey::Cedilla, U"c\u00e7C\u00c7"},
};

// The spacing characters a dead key gives before a space (or, for X clients, before
// itself where the space gives something else).
struct Spacing {
    std::uint32_t dead;
    char32_t character;
    bool x11Doubled;  // X clients: the dead key twice, not with a space
    bool windowsOnly;
};
const Spacing kSpacings[] = {
    {deadkey::Grave, U'`', false, false},         {deadkey::Circumflex, U'^', false, false},
    {deadkey::Tilde, U'~', false, false},         {deadkey::Acute, U'\u00b4', true, false},
    {deadkey::Diaeresis, U'\u00a8', true, false}, {deadkey::Cedilla, U'\u00b8', false, true},
};

}  // namespace

KeymapIndex::KeymapIndex(const std::vector<KeymapKey>& keys) {
    // The lowest keycode wins, at its lowest level: a character that is
    // also on an extra key (the keypad's parentheses) is typed on the main keyboard, the
    // one every program knows (Wine types nothing for keys its own table lacks).
    const auto consider = [&](std::uint32_t sym, Place place) {
        if (sym != 0) m_places.emplace(sym, place);
    };
    std::vector<const KeymapKey*> inOrder;
    for (const KeymapKey& key : keys) inOrder.push_back(&key);
    std::stable_sort(inOrder.begin(), inOrder.end(),
                     [](const KeymapKey* a, const KeymapKey* b) { return a->code < b->code; });
    for (const KeymapKey* k : inOrder) {
        const KeymapKey& key = *k;
        bool shiftLevel = false;
        for (const auto& [sym, modifiers] : key.levels) {
            consider(sym, Place{key.code, modifiers});
            if (modifiers == Shift && sym != 0) shiftLevel = true;
        }
        // A key that lists only the lower-case letter gives the upper case with Shift.
        if (!shiftLevel && !key.levels.empty() && key.levels.front().second == NoModifier) {
            if (const std::uint32_t upper = upperCaseOf(key.levels.front().first)) {
                consider(upper, Place{key.code, Shift});
            }
        }
    }
}

const KeymapIndex::Place* KeymapIndex::find(std::uint32_t sym) const {
    const auto it = m_places.find(sym);
    return it == m_places.end() ? nullptr : &it->second;
}

void KeymapIndex::add(std::uint32_t sym, Place place) {
    m_places[sym] = place;
}

void KeymapIndex::remove(std::uint32_t sym) {
    m_places.erase(sym);
}

std::optional<KeymapIndex::DeadKeyRoute> KeymapIndex::deadKeyRoute(char32_t c,
                                                                   DeadKeyStyle style) const {
    const auto route = [&](std::uint32_t dead, std::uint32_t base) -> std::optional<DeadKeyRoute> {
        const Place* d = find(dead);
        const Place* b = find(base);
        if (!d || !b) return std::nullopt;
        return DeadKeyRoute{dead, *d, base, *b};
    };
    for (const Spacing& s : kSpacings) {
        if (s.character != c) continue;
        if (style == DeadKeyStyle::Windows) {
            if (auto r = route(s.dead, ' ')) return r;
        } else if (!s.windowsOnly) {
            if (auto r = route(s.dead, s.x11Doubled ? s.dead : ' ')) return r;
        }
    }
    for (const Composition& comp : kCompositions) {
        for (std::size_t i = 0; i + 1 < comp.pairs.size(); i += 2) {
            if (comp.pairs[i + 1] != c) continue;
            if (auto r = route(comp.dead, keySymOf(comp.pairs[i]))) return r;
        }
    }
    return std::nullopt;
}

TargetTraits targetTraits(const std::string& instance, const std::string& wmClass,
                          const std::string& program) {
    const auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        return s;
    };
    const std::string name = lower(instance), cls = lower(wmClass);
    const auto endsWith = [](const std::string& s, const std::string& tail) {
        return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
    };
    TargetTraits traits;
    const bool wine = program.rfind("wine", 0) == 0;  // wine64-preloader, wine-preloader
    if (wine || endsWith(name, ".exe") || endsWith(cls, ".exe") || cls == "wine") {
        traits.readsNewBindings = false;
        traits.deadKeys = DeadKeyStyle::Windows;
        traits.dropsUnreadKeys = true;
        traits.kind = "a Windows program";
        return traits;
    }
    for (const char* client : {"xfreerdp", "wlfreerdp", "rdesktop", "remmina", "vncviewer",
                               "xtightvncviewer", "xfreerdp3", "sdl-freerdp"}) {
        if (name == client || cls == client) {
            traits.readsNewBindings = false;
            traits.deadKeys = DeadKeyStyle::Windows;
            traits.kind = "a remote desktop";
            return traits;
        }
    }
    // Chromium forwards keys from its browser process to the page's: what it has not
    // forwarded when its window loses the focus was seen lost (95 of 2 000 characters).
    if (program == "chromium" || cls == "chromium" || cls == "google-chrome") {
        traits.dropsUnreadKeys = true;
    }
    if (program == "java" || name.rfind("sun-awt-x11", 0) == 0) {
        traits.highestCharacter = 0xFFFF;
        traits.kind = "a Java program";
    }
    return traits;
}

}  // namespace nightaudit
