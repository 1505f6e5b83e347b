#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nightaudit {

// One line of a dry run: what the run would do at that point.
struct PreviewStep {
    enum class Kind { Heading, Skipped, Key, Desktop, Report, Wait, Failure };
    Kind kind = Kind::Heading;
    int indent = 0;
    std::string text;
    // Desktop and report steps as the test desktop records them ("activate(Front Desk) ").
    std::string record;
    std::int32_t waitMs = 0;
};

// The steps of a dry run as the player makes them, with the nesting the observer reports:
// key sequences inside tasks, keys inside key sequences, nested key sequences inside keys.
class PreviewSteps {
public:
    // `base`: the indent of the outermost key sequences (0 when one is previewed alone).
    explicit PreviewSteps(int base) : m_base(base) {}

    void heading(int indent, std::string text) { add(Kind::Heading, indent, std::move(text)); }
    void taskHeading(std::string text) { heading(m_base - 1, std::move(text)); }
    void skipped(std::string text) { add(Kind::Skipped, m_base, std::move(text)); }
    void nextSequence(std::string id) { m_next = std::move(id); }

    void sequenceStarted(std::string heading);
    void sequenceEnded(int id);
    void keyStarted(int type, std::string heading);
    void desktop(std::string text, std::string record);
    void report(std::string text, std::string record);
    void wait(std::int32_t ms);
    void failure(std::string text);

    const std::vector<PreviewStep>& steps() const { return m_steps; }
    std::int64_t waitSeconds() const { return m_seconds; }
    int failures() const { return m_failures; }
    int depth() const { return m_depth; }

private:
    using Kind = PreviewStep::Kind;
    void add(Kind kind, int indent, std::string text, std::string record = {},
             std::int32_t ms = 0) {
        m_steps.push_back({kind, indent, std::move(text), std::move(record), ms});
    }
    int sequenceIndent() const { return m_base + 2 * (depth() - 1); }
    int stepIndent() const { return depth() == 0 ? m_base : sequenceIndent() + (m_inKey ? 2 : 1); }

    int m_base;
    std::vector<PreviewStep> m_steps;
    int m_depth = 0;  // key sequences playing, one inside the other
    bool m_inKey = false;
    int m_keyType = -1;
    int m_keyWaits = 0;
    bool m_keyActed = false;
    std::string m_ended;  // the outermost key sequence that ended last, until its wait after
    std::string m_next;   // the key sequence a task is about to play
    std::int64_t m_seconds = 0;
    int m_failures = 0;
};

}  // namespace nightaudit
