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
// Only windows given to addWindow() can be activated. A text is noted as its sender ends, when
// the real one lets go of its modifiers: "keys(TEXT)", or "keys(TEXT)[N]" when only N of its
// strokes were pressed. `answers` scripts the strokes' checks, a character a press: f focus
// moved to "Thief", k keymap changed, h Shift_L held (until a typing watch's wait clears
// `held`), t keyboard taken, else pressed. A stroke whose character is in `garbled` cannot
// arrive. Other fakes note() their own events into the same record, so one string shows the
// whole order of a run.
class FakeDesktop : public Desktop {
public:
    void addWindow(const std::string& title) { m_windows.insert(title); }
    void removeWindow(const std::string& title) { m_windows.erase(title); }
    const std::string& record() const { return m_record; }
    // The record and the press times: what the fake keeps of a run, not the program.
    void clearRecord() {
        m_record.clear();
        presses.clear();
    }
    void note(const std::string& event) { m_record += event; }

    std::string answers, held, garbled;
    std::vector<std::chrono::steady_clock::time_point> presses;

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
        if (!m_windows.count(m_active))
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
    struct Sender : StrokeSender {
        FakeDesktop& d;
        std::string text;
        std::vector<KeyStroke> strokes;
        std::size_t pressed = 0;
        Sender(FakeDesktop& desktop, std::string t, std::vector<KeyStroke> s)
            : d(desktop), text(std::move(t)), strokes(std::move(s)) {}
        ~Sender() override {
            std::string note = "keys(" + text + ")";
            if (pressed < strokes.size()) note.append("[").append(std::to_string(pressed)) += "]";
            d.note(note + " ");
        }
        std::string cannotArrive(std::size_t i) override {
            const bool garbled = d.garbled.find(utf8Of(strokes[i].character)) != std::string::npos;
            return garbled ? "would arrive garbled in \"" + d.m_active + "\" (a Java program)" : "";
        }
        StrokeAnswer press(std::size_t) override {
            using O = StrokeAnswer::Outcome;
            const char answer = d.answers.empty() ? '.' : d.answers[0];
            d.answers.erase(0, 1);
            if (answer == 'h') d.held = "Shift_L";
            if (answer == 'f') return {O::FocusMoved, "\"Thief\""};
            if (answer == 'k') return {O::KeymapChanged, {}};
            if (answer == 'h') return {O::KeyHeld, d.held};
            if (answer == 't') return {O::KeyboardTaken, {}};
            ++pressed;
            d.presses.push_back(std::chrono::steady_clock::now());
            d.m_unsettled = true;
            return {};
        }
    };

    // An empty title is no prefix: it would match whichever window came first.
    std::string find(const std::string& title) const {
        if (m_windows.count(title)) return title;
        for (const std::string& w : m_windows)
            if (!title.empty() && w.compare(0, title.size(), title) == 0) return w;
        return {};
    }

    std::set<std::string> m_windows;
    std::string m_active, m_record;
    bool m_unsettled = false;
};

}  // namespace nightaudit
