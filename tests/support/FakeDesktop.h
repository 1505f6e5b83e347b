#pragma once

#include <set>
#include <string>
#include <utility>

#include "core/Error.h"
#include "platform/Desktop.h"
#include "platform/SendKeysParser.h"

namespace nightaudit {

// Records what it is asked to do as one string, e.g. "activate(Front Desk) keys(a~) down up ".
// Only windows given to addWindow() can be activated; keystroke texts go through the real
// parser, so a malformed text fails as on the desktop. Other fakes note() their own events
// into the same record, so one string shows the whole order of a run.
class FakeDesktop : public Desktop {
public:
    void addWindow(const std::string& title) { m_windows.insert(title); }
    void removeWindow(const std::string& title) { m_windows.erase(title); }
    const std::string& record() const { return m_record; }
    void clearRecord() { m_record.clear(); }
    void note(const std::string& event) { m_record += event; }

    void activate(const std::string& title) override {
        std::string found = m_windows.count(title) ? title : std::string();
        // An empty title is no prefix: it would match whichever window came first.
        for (auto w = m_windows.begin(); found.empty() && !title.empty() && w != m_windows.end();
             ++w)
            if (w->compare(0, title.size(), title) == 0) found = *w;
        if (found.empty() && !(title.empty() && m_windows.count("")))
            throw Error(err::WindowNotFound,
                        "No window with the title \"" + title + "\" was found");
        // Another window settles the last one first, as on the real desktop; that is not noted.
        if (found != m_active) m_unsettled = false;
        m_active = found;
        note("activate(" + title + ") ");
    }
    void sendKeys(const std::string& keys) override {
        parseSendKeys(keys);  // a malformed text fails before anything is recorded
        if (m_active.empty() || !m_windows.count(m_active))
            throw Error(err::WrongFocus,
                        "The input focus is not on the window the keys are meant for");
        note("keys(" + keys + ") ");
        m_unsettled = true;
    }
    // Noted only after keys, as only then is there something to read.
    void settle() override {
        if (std::exchange(m_unsettled, false)) note("settle ");
    }
    void launch(const std::string& commandLine) override { note("launch(" + commandLine + ") "); }
    void setPointer(int x, int y) override {
        note("pointer(" + std::to_string(x) + "," + std::to_string(y) + ") ");
    }
    void leftButton(bool down) override { note(down ? "down " : "up "); }

private:
    std::set<std::string> m_windows;
    std::string m_active;
    std::string m_record;
    bool m_unsettled = false;
};

}  // namespace nightaudit
