#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "platform/Desktop.h"

namespace nightaudit {

class StrokeSender;

// Types keystroke texts into windows through a desktop that offers only the mechanism
// (find and activate a window, check the focus and press one stroke). What is the same on
// every platform lives here: the text is parsed whole first, keys are paced, a stop is
// looked for between two keys, a {BREAK} gives the stop key back while it is typed, a text
// whose first key found the focus moved or the keymap changed is started again (a bounded
// number of times), and the errors say how far the text got.
class KeystrokeTyper {
public:
    // The desktop must outlive the typer; its typing watch is asked between keys.
    explicit KeystrokeTyper(Desktop& desktop);

    // `keyDelay`: the pause between two keys, also between the last key of one text and
    // the first of the next; `windowWait`: how long activate() waits for a window that is
    // not there yet. Zero (the default) for neither.
    void setPacing(std::chrono::milliseconds keyDelay, std::chrono::milliseconds windowWait);

    // Activates the window with the title `title` (or one beginning with it), waiting for
    // it up to the window wait with the typing watch's notice. Throws err::Stopped for a
    // stop asked before, err::WindowNotFound, err::WrongFocus.
    void activate(const std::string& title);

    // Types a keystroke text (SendKeys syntax, UTF-8) into the window activated last. A
    // malformed text, or one with a character that cannot arrive there, sends nothing
    // (err::KeySyntax, err::NotAvailable). A stop between two keys ends it (err::Stopped);
    // a focus lost after its first key ends it too (err::WrongFocus), as does a keymap
    // that changed under it (err::KeyboardBusy).
    void type(const std::string& text);

private:
    enum class Retry { None, Activate, WaitForKeys, Remap };
    struct Progress;

    Retry typeOnce(StrokeSender& sender, Progress& progress);
    void waitForWindow(const std::string& title);
    void waitForHeldKey(const std::string& key);
    bool stopAsked();  // the text of the error is made only for a stop: not once a key
    void stopIfAsked(const std::string& when);
    void pauseUntil(std::chrono::steady_clock::time_point until, const std::string& when);

    Desktop& m_desktop;
    std::chrono::milliseconds m_keyDelay{0};
    std::chrono::milliseconds m_windowWait{0};
    std::string m_title;  // the window activated last, as the key named it
    std::optional<std::chrono::steady_clock::time_point> m_lastStroke;
};

}  // namespace nightaudit
