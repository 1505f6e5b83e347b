#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nightaudit {

enum class NodeKind { None, TaskSequence, Task, KeySequence };

// The key of a task tree node: "TS", "T" or "KS" followed by the id of its task
// sequence, task or key sequence, as read from the store ("KS12"). The kind is told
// from the first characters alone: "KS" and "TS" first, then "T"; any other key has
// no kind.
class NodeKey {
public:
    NodeKey(NodeKind kind, std::string id) : m_kind(kind), m_id(std::move(id)) {}

    static NodeKey parse(std::string_view key) {
        if (key.starts_with("KS")) return {NodeKind::KeySequence, std::string(key.substr(2))};
        if (key.starts_with("TS")) return {NodeKind::TaskSequence, std::string(key.substr(2))};
        if (key.starts_with("T")) return {NodeKind::Task, std::string(key.substr(1))};
        return {NodeKind::None, std::string(key)};
    }

    NodeKind kind() const { return m_kind; }
    // The text after the prefix, as written; for a key without a kind, the whole key.
    const std::string& id() const { return m_id; }

    std::string text() const {
        switch (m_kind) {
            case NodeKind::KeySequence:
                return "KS" + m_id;
            case NodeKind::TaskSequence:
                return "TS" + m_id;
            case NodeKind::Task:
                return "T" + m_id;
            case NodeKind::None:
                break;
        }
        return m_id;
    }

    // The id of a key sequence node written as one to five plain digits that fit 16
    // bits ("KS12" gives 12); nothing for any other node kind or id. This is the lenient
    // reading for clicks and the editor, which skip such a node rather than fail.
    std::optional<std::int16_t> keySequenceId() const {
        if (m_kind != NodeKind::KeySequence || m_id.empty() || m_id.size() > 5) return {};
        int value = 0;
        for (char c : m_id) {
            if (c < '0' || c > '9') return {};
            value = value * 10 + (c - '0');
        }
        if (value > INT16_MAX) return {};
        return static_cast<std::int16_t>(value);
    }

private:
    NodeKind m_kind;
    std::string m_id;
};

}  // namespace nightaudit
