#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace nightaudit {

// What a desktop asks of the running program while it types.
class TypingWatch {
public:
    virtual ~TypingWatch() = default;

    // Between two keystrokes, and while waiting for a window: handles the program's
    // pending events (Stop, the stop key, a close of the main window) and says whether
    // the run is to stop now.
    virtual bool stopRequested() = 0;

    // Typing cannot start yet (a key the clerk holds down): shows `notice` with a Stop
    // button and calls `ready` every few milliseconds until it returns true. Returns
    // false when the clerk stopped the run instead.
    virtual bool waitUntil(const std::string& notice, const std::function<bool()>& ready) = 0;
};

// Everything the player does to other programs' windows. Texts are UTF-8.
// X11Desktop is the real desktop; the tests use a fake that records the calls.
// Every method throws nightaudit::Error on failure and does nothing partial that
// could reach a wrong window.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Makes the top-level window whose title equals `title`, or failing that begins
    // with it, the active window that receives the following keystrokes. An empty
    // title is no prefix: it finds only a window whose title is empty, never just any
    // window, and a prefix never finds one of this program's own windows. Returns once
    // the window is active and holds the input focus; when the window was activated last
    // and nothing the desktop has heard of since moved the focus, the next keystroke's
    // own check confirms that instead, and activates the window anew if it finds the focus
    // elsewhere. Throws err::WindowNotFound naming the title, err::WrongFocus when it did
    // not become active in time.
    virtual void activate(const std::string& title) = 0;

    // Types a keystroke text in the SendKeys syntax into the window activated last.
    // The text is parsed whole first: a malformed text sends nothing (err::KeySyntax).
    // Before every key it checks that the input focus is on that window and that no
    // other program has taken the keyboard: otherwise no further key is sent and it
    // throws err::WrongFocus naming the window that took the focus. A window of this
    // program never receives a key (err::WrongFocus). A stop asked for between two keys
    // ends the text (err::Stopped). Modifiers pressed by the text are released on every
    // path, errors included.
    virtual void sendKeys(const std::string& keys) = 0;

    // Starts a program from a command line (program path and arguments, split as a
    // shell would split words, but without a shell), minimized where possible.
    // Throws err::LaunchFailed when it cannot be started.
    virtual void launch(const std::string& commandLine) = 0;

    // Moves the pointer to screen pixel (x, y).
    virtual void setPointer(int x, int y) = 0;

    // Presses (down = true) or releases the left button where the pointer is.
    virtual void leftButton(bool down) = 0;

    // Returns once the window keys were last typed into has read them, as far as the
    // desktop can tell (bounded to a few seconds), so that moving the focus away loses
    // none: some programs drop the keys they have not read when their window loses the
    // focus. activate() of another window, launch() and the pointer do this themselves;
    // a caller calls it before it shows a window of its own (a countdown). Nothing to do
    // when no key was typed since.
    virtual void settle() {}

    // Asked between keystrokes and during the desktop's own waits; null for none. It must
    // outlive every later call.
    void setTypingWatch(TypingWatch* watch) { m_watch = watch; }

    // For slow or remote targets; zero (the default) for none. `keyDelay`: the pause
    // between two keystrokes of a text, during which the typing watch is asked for a
    // stop every few milliseconds. `windowWait`: how long activate() keeps looking for a
    // window that is not there yet (through the typing watch's notice, with its Stop)
    // before it gives up with err::WindowNotFound.
    void setPacing(std::chrono::milliseconds keyDelay, std::chrono::milliseconds windowWait) {
        m_keyDelay = keyDelay;
        m_windowWait = windowWait;
    }

protected:
    TypingWatch* m_watch = nullptr;
    std::chrono::milliseconds m_keyDelay{0};
    std::chrono::milliseconds m_windowWait{0};
};

}  // namespace nightaudit
