#include "FakeDesktop.h"

#include "core/Error.h"
#include "platform/SendKeysParser.h"

namespace nightaudit {

void FakeDesktop::activate(const std::string& title) {
    std::string found;
    if (m_windows.count(title)) {
        found = title;
    } else if (!title.empty()) {
        // Every title begins with the empty text: matching it as a prefix would type
        // into whichever window came first.
        for (const auto& w : m_windows) {
            if (w.compare(0, title.size(), title) == 0) {
                found = w;
                break;
            }
        }
    }
    if (found.empty() && !(title.empty() && m_windows.count(""))) {
        throw Error(err::WindowNotFound, "No window with the title \"" + title + "\" was found");
    }
    m_active = found;
    m_record += "activate(" + title + ") ";
}

void FakeDesktop::sendKeys(const std::string& keys) {
    parseSendKeys(keys);  // a malformed text fails here, before anything is recorded
    if (m_active.empty() || !m_windows.count(m_active)) {
        throw Error(err::WrongFocus, "The input focus is not on the window the keys are meant for");
    }
    m_record += "keys(" + keys + ") ";
}

void FakeDesktop::launch(const std::string& commandLine) {
    m_record += "launch(" + commandLine + ") ";
}

void FakeDesktop::setPointer(int x, int y) {
    m_record += "pointer(" + std::to_string(x) + "," + std::to_string(y) + ") ";
}

void FakeDesktop::leftButton(bool down) {
    m_record += down ? "down " : "up ";
}

}  // namespace nightaudit
