#pragma once

#include <set>
#include <string>

#include "platform/Desktop.h"

namespace nightaudit {

// Records what it is asked to do as one readable string, for example
// "activate(Front Desk) keys(abc{ENTER}) launch(notepad x.txt) pointer(100,200) down up ".
// Windows must be registered with addWindow() to be activated; keystroke texts are
// checked with the real SendKeys parser, so a malformed text fails as on the desktop.
// Other fakes may write their own events into the same record with note(), so that one
// string shows the whole order of a run.
class FakeDesktop : public Desktop {
public:
    void addWindow(const std::string& title) { m_windows.insert(title); }
    void removeWindow(const std::string& title) { m_windows.erase(title); }

    const std::string& record() const { return m_record; }
    void clearRecord() { m_record.clear(); }
    void note(const std::string& event) { m_record += event; }

    void activate(const std::string& title) override;
    void sendKeys(const std::string& keys) override;
    void launch(const std::string& commandLine) override;
    void setPointer(int x, int y) override;
    void leftButton(bool down) override;

private:
    std::set<std::string> m_windows;
    std::string m_active;
    std::string m_record;
};

}  // namespace nightaudit
