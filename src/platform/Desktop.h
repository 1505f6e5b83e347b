#pragma once

#include <string>

namespace nightaudit {

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
    // window. Returns once the request is made. Throws err::WindowNotFound naming the title.
    virtual void activate(const std::string& title) = 0;

    // Types a keystroke text in the SendKeys syntax into the window activated last.
    // The text is parsed whole first: a malformed text sends nothing (err::KeySyntax).
    // Before the first key it checks that the input focus is on that window
    // (err::WrongFocus otherwise). Modifiers pressed by the text are released on
    // every path, errors included.
    virtual void sendKeys(const std::string& keys) = 0;

    // Starts a program from a command line (program path and arguments, split as a
    // shell would split words, but without a shell), minimized where possible.
    // Throws err::LaunchFailed when it cannot be started.
    virtual void launch(const std::string& commandLine) = 0;

    // Moves the pointer to screen pixel (x, y).
    virtual void setPointer(int x, int y) = 0;

    // Presses (down = true) or releases the left button where the pointer is.
    virtual void leftButton(bool down) = 0;
};

}  // namespace nightaudit
