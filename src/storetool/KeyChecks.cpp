// The store checker's checks of each key, and of the chains of key sequences that run
// one another (type 10).
#include <QString>

#include <deque>
#include <map>

#include "FieldNames.h"
#include "StoreCheckRun.h"
#include "core/Error.h"
#include "keys/SendKeysParser.h"
#include "platform/CommandLine.h"
#include "playback/WholeNumber.h"

namespace nightaudit {

using namespace storecheck;

void StoreChecker::Run::key(const StoreTable& t, const Row& r) {
    const auto err = [&](const char* column, std::string what, std::string fix) {
        add(Severity::Error, t, r, "keysid", column, std::move(what), std::move(fix));
    };
    const Value typeValue = t.value(r, "keytype");
    const Value text = t.value(r, "keytext");
    std::optional<int> type;
    try {
        type = keyTypeNumber(typeValue);
        if (!type) {
            err("keytype",
                "the key type " + shown(typeValue) + " is none of 0 to 12: the key does nothing",
                "write the type the key is meant to be (docs/authoring.md lists them)");
        }
    } catch (const Error& e) {
        err("keytype", e.description() + ": the key sequence stops at this key",
            "write the type as a number from 0 to 12");
    }
    if (!type) return;
    const auto needText = [&] {
        if (!text.isNull()) return true;
        err("keytext", "keytext is Null: the key sequence stops at this key",
            "write the text the key type needs");
        return false;
    };
    switch (*type) {
        case 0:
        case 8:
            if (!needText()) break;
            try {
                parseSendKeys(text.text());
            } catch (const Error& e) {
                err("keytext",
                    "the keystroke text " + shown(text) + " is refused: " + e.description(),
                    "correct the text (docs/authoring.md, keystroke texts)");
            }
            if (*type == 8 && isBlank(t.value(r, "keypurpose"))) {
                err("keypurpose", "a key of type 8 needs the title of its window here",
                    "write the window's title (or the start of it) in keypurpose");
            }
            break;
        case 1:
            if (needText() && !isWindowField(text.text())) {
                err("keytext",
                    shown(text) +
                        " is no field of the main window: the key sequence "
                        "stops at this key",
                    "name one of special1 to special7 (or another main-window control)");
            }
            break;
        case 2:
            if (!needText()) break;
            try {
                if (splitCommandLine(text.text()).empty())
                    throw Error(err::LaunchFailed, "the command line is empty");
            } catch (const Error& e) {
                err("keytext",
                    "the program " + shown(text) + " cannot be started: " + e.description(),
                    "write the program and its arguments as a shell would");
            }
            break;
        case 3:
            needText();
            break;
        case 5:
        case 6:
        case 7:
            for (const char* c : {"waitbefore", "waitafter"}) {
                try {
                    wholeNumber32(t.value(r, c), c);
                } catch (const Error& e) {
                    err(c, "the pointer coordinate is unusable: " + e.description(),
                        "write the screen position in pixels (x in waitbefore, y in "
                        "waitafter)");
                }
            }
            break;
        case 9:
        case 11:
            if (isBlank(text)) {
                err("keytext", "the report key has no file name",
                    "write the report's file name (relative to the store's folder)");
            }
            break;
        case 10:
            runKeySequence(t, r, text);
            break;
        default:
            break;
    }
    if (*type <= 2 || *type == 4 || *type == 8) {
        wait(t, r, "keysid", "waitbefore");
        wait(t, r, "keysid", "waitafter");
    }
}

void StoreChecker::Run::runKeySequence(const StoreTable& t, const Row& r, const Value& text) {
    const auto err = [&](Severity s, std::string what, std::string fix) {
        add(s, t, r, "keysid", "keytext", std::move(what), std::move(fix));
    };
    std::int16_t target = 0;
    try {
        target = wholeNumber16(text, "the key sequence to run");
    } catch (const Error& e) {
        return err(Severity::Error, e.description(), "write the id of a key sequence");
    }
    const auto found = m_sequence.find(target);
    if (found == m_sequence.end()) {
        return err(Severity::Error,
                   "there is no key sequence " + std::to_string(target) + " to run",
                   "write the id of an existing key sequence");
    }
    const Value enabled = m_t.keySequences.value(*found->second, "enabled");
    if (!(enabled.kind() == Value::Kind::Integer && enabled.text() == "1")) {
        err(Severity::Warning,
            "key sequence " + std::to_string(target) + " is disabled, yet this key plays it",
            "enable key sequence " + std::to_string(target) + " or run another one");
    }
    const auto own = storedInteger(t.value(r, "KEYSEQUENCEID"));
    if (!own) return;
    const std::vector<std::int64_t> chain = pathOf(target, *own);
    if (chain.empty()) return;
    std::string path = std::to_string(*own);
    for (auto id : chain) path += " -> " + std::to_string(id);
    err(Severity::Error, "key sequence " + std::to_string(*own) + " plays itself: " + path,
        "break the chain: one of these type 10 keys must run another key sequence");
}

// The key sequences run (type 10) by the keys of key sequence `id`.
std::vector<std::int64_t> StoreChecker::Run::runsOf(std::int64_t id) const {
    std::vector<std::int64_t> out;
    for (const Row& r : m_t.keys.rows) {
        if (storedInteger(m_t.keys.value(r, "KEYSEQUENCEID")) != id) continue;
        const Value type = m_t.keys.value(r, "keytype");
        if (type.kind() != Value::Kind::Integer || type.text() != "10") continue;
        try {
            out.push_back(wholeNumber16(m_t.keys.value(r, "keytext"), "id"));
        } catch (const Error&) {
        }
    }
    return out;
}

// The chain from `from` to `to` through type 10 keys, `from` first; empty when none.
std::vector<std::int64_t> StoreChecker::Run::pathOf(std::int64_t from, std::int64_t to) const {
    std::map<std::int64_t, std::int64_t> cameFrom{{from, from}};
    std::deque<std::int64_t> next{from};
    while (!next.empty()) {
        const std::int64_t at = next.front();
        next.pop_front();
        if (at == to) {
            std::vector<std::int64_t> path{to};
            for (std::int64_t p = to; p != from;) path.insert(path.begin(), p = cameFrom[p]);
            return path;
        }
        for (std::int64_t n : runsOf(at))
            if (cameFrom.emplace(n, at).second) next.push_back(n);
    }
    return {};
}

}  // namespace nightaudit
