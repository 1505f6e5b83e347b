#pragma once

#include <chrono>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/Error.h"
#include "platform/Desktop.h"

namespace nightaudit {

// Records what it is asked to do as one string, e.g. "activate(Front Desk) keys(a~) down up ".
// Only windows given to addWindow() can be activated. A text is noted when its sender ends:
// "keys(TEXT)" when every stroke was pressed, "keys(TEXT)[N]" when only N were. `answers`
// scripts the strokes' checks, one character per press: f focus moved (to "Thief"), k keymap
// changed, h Shift_L held (until the typing watch's wait), t keyboard taken; anything else or
// none, pressed. Other fakes note() their own events into the same record, so one string
// shows the whole order of a run.
class FakeDesktop : public Desktop {
public:
    using Clock = std::chrono::steady_clock;

    void addWindow(const std::string& title) { m_windows.insert(title); }
    void removeWindow(const std::string& title) { m_windows.erase(title); }
    const std::string& record() const { return m_record; }
    void clearRecord() { m_record.clear(); }
    void note(const std::string& event) { m_record += event; }

    std::string answers;                     // consumed from the front
    std::string held;                        // the key heldKey() reports
    std::set<std::string> garbled;           // characters that cannot arrive
    std::vector<Clock::time_point> presses;  // when each stroke was pressed
    int sendersOpen = 0;                     // holding modifiers until they end

    bool hasWindow(const std::string& title) override { return !find(title).empty(); }
    void activate(const std::string& title) override {
        const std::string found = find(title);
        if (found.empty())
            throw Error(err::WindowNotFound,
                        "No window with the title \"" + title + "\" was found");
        // Another window settles the last one first, as on the real desktop; that is not noted.
        if (found != m_active) m_unsettled = false;
        m_active = found;
        note("activate(" + title + ") ");
    }
    std::unique_ptr<StrokeSender> beginTyping(const std::string& text,
                                              const std::vector<KeyStroke>& strokes) override {
        if (m_active.empty() || !m_windows.count(m_active))
            throw Error(err::WrongFocus,
                        "The input focus is not on the window the keys are meant for");
        return std::make_unique<Sender>(*this, text, strokes);
    }
    std::string heldKey() override { return held; }
    // Noted only after keys, as only then is there something to read.
    void settle() override {
        if (std::exchange(m_unsettled, false)) note("settle ");
    }
    void launch(const std::vector<std::string>& words) override {
        std::string line;
        for (const std::string& w : words) line += (line.empty() ? "" : " ") + w;
        note("launch(" + line + ") ");
    }
    void setPointer(int x, int y) override {
        note("pointer(" + std::to_string(x) + "," + std::to_string(y) + ") ");
    }
    void leftButton(bool down) override { note(down ? "down " : "up "); }

private:
    class Sender : public StrokeSender {
    public:
        Sender(FakeDesktop& d, std::string text, const std::vector<KeyStroke>& strokes)
            : m_d(d), m_text(std::move(text)), m_strokes(strokes) {
            ++m_d.sendersOpen;
        }
        ~Sender() override {
            --m_d.sendersOpen;
            m_d.note("keys(" + m_text + ")" +
                     (m_pressed == m_strokes.size() ? "" : "[" + std::to_string(m_pressed) + "]") +
                     " ");
        }
        std::string cannotArrive(std::size_t i) override {
            return m_d.garbled.count(utf8Of(m_strokes[i].character))
                       ? "would arrive garbled in \"" + m_d.m_active + "\" (a Java program)"
                       : "";
        }
        StrokeAnswer press(std::size_t) override {
            const char answer = m_d.answers.empty() ? '.' : m_d.answers.front();
            if (!m_d.answers.empty()) m_d.answers.erase(0, 1);
            using O = StrokeAnswer::Outcome;
            switch (answer) {
                case 'f':
                    return {O::FocusMoved, "\"Thief\""};
                case 'k':
                    return {O::KeymapChanged, {}};
                case 'h':
                    m_d.held = "Shift_L";
                    return {O::KeyHeld, m_d.held};
                case 't':
                    return {O::KeyboardTaken, {}};
            }
            ++m_pressed;
            m_d.presses.push_back(Clock::now());
            m_d.m_unsettled = true;
            return {};
        }

    private:
        FakeDesktop& m_d;
        std::string m_text;
        std::vector<KeyStroke> m_strokes;
        std::size_t m_pressed = 0;
    };

    // An empty title is no prefix: it would match whichever window came first.
    std::string find(const std::string& title) const {
        if (m_windows.count(title)) return title;
        for (const std::string& w : m_windows)
            if (!title.empty() && w.compare(0, title.size(), title) == 0) return w;
        return {};
    }

    std::set<std::string> m_windows;
    std::string m_active;
    std::string m_record;
    bool m_unsettled = false;
};

}  // namespace nightaudit
