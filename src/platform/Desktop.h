#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "StopKey.h"
#include "keys/SendKeysParser.h"

namespace nightaudit {

// What a desktop asks of the running program during its own waits (an activation, a
// window reading its keys), and what the typing engine asks between keystrokes.
class TypingWatch {
public:
    virtual ~TypingWatch() = default;

    // Handles the program's pending events (Stop, the stop key, a close of the main
    // window) and says whether the run is to stop now.
    virtual bool stopRequested() = 0;

    // Typing cannot start yet (a key the clerk holds down, a window not there yet): shows
    // `notice` with a Stop button and calls `ready` every few milliseconds until it returns
    // true. Returns false when the clerk stopped the run instead.
    virtual bool waitUntil(const std::string& notice, const std::function<bool()>& ready) = 0;
};

// What came of one stroke's "check the focus and press".
struct StrokeAnswer {
    enum class Outcome {
        Pressed,        // the key went out
        FocusMoved,     // the activated window lost the focus: `detail` names the holder
        KeymapChanged,  // the keys looked up for this stroke would now type something else
        KeyHeld,        // first stroke only: the clerk holds `detail` (a modifier key) down
        KeyboardTaken,  // another program holds the keyboard
    };
    Outcome outcome = Outcome::Pressed;
    std::string detail;
};

// One text's strokes on their way into the activated window. Ending it lets go of every
// modifier it pressed and puts back any keyboard state it changed (Caps Lock), on every path.
class StrokeSender {
public:
    virtual ~StrokeSender() = default;

    // Why stroke `index` cannot arrive in the window ("would arrive garbled in \"Till\" (a
    // Java program)"), empty when it can. Asked of every stroke before the first press.
    virtual std::string cannotArrive(std::size_t index) = 0;

    // Checks, in one step no other program can come between, that the activated window
    // still holds the focus, then presses and releases stroke `index` with its modifiers.
    // Nothing is pressed unless the answer is Pressed. After KeymapChanged the next press
    // looks the keys up afresh. Throws nightaudit::Error for what no retry mends.
    virtual StrokeAnswer press(std::size_t index) = 0;

    // Returns once the strokes pressed so far have reached the desktop, so that a pause
    // after it is really between two keys.
    virtual void flush() {}
};

// Everything the player does to other programs' windows: mechanism only. What to retry,
// how fast to type and when to stop is the typing engine's (playback/KeystrokeTyper).
// Texts are UTF-8. Every method throws nightaudit::Error on failure.
// makeDesktop() (DesktopFactory.h) makes the platform's desktop; tests use a fake.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Whether a top-level window has the title `title`, or one beginning with it (never one
    // of this program's own by a prefix). An empty title finds only an untitled window.
    virtual bool hasWindow(const std::string& title) = 0;

    // Makes that window the active one that receives the following keystrokes. Returns once
    // it is active and holds the input focus; when it was activated last and nothing the
    // desktop heard of since moved the focus, the next stroke's own check confirms that
    // instead. Throws err::WindowNotFound naming the title, err::WrongFocus when it did not
    // become active in time.
    virtual void activate(const std::string& title) = 0;

    // Prepares `strokes`, parsed from `text`, for the window activated last. Throws
    // err::WrongFocus when there is none or it is one of this program's own.
    virtual std::unique_ptr<StrokeSender> beginTyping(const std::string& text,
                                                      const std::vector<KeyStroke>& strokes) = 0;

    // The name of a modifier key the clerk holds down ("Shift_L"), empty when none is.
    virtual std::string heldKey() { return {}; }

    // Returns once the window keys were last typed into has read them, as far as the
    // desktop can tell (bounded to a few seconds), so that moving the focus away loses
    // none. activate() of another window, launch() and the pointer do this themselves; a
    // caller calls it before it shows a window of its own. Nothing to do after no keys.
    virtual void settle() {}

    // A key's command line as the platform splits it into a program and its arguments.
    virtual std::vector<std::string> commandWords(const std::string& commandLine) const {
        return splitCommandLine(commandLine);
    }

    // Starts the program `words[0]` with the other words as arguments, without a shell,
    // minimized where possible. Throws err::LaunchFailed when it cannot be started.
    virtual void launch(const std::vector<std::string>& words) = 0;

    // Moves the pointer to screen pixel (x, y).
    virtual void setPointer(int x, int y) = 0;

    // Presses (down = true) or releases the left button where the pointer is.
    virtual void leftButton(bool down) = 0;

    // Asked during the desktop's own waits and by the typing engine between keystrokes;
    // null for none. It must outlive every later call.
    void setTypingWatch(TypingWatch* watch) { m_watch = watch; }
    TypingWatch* typingWatch() const { return m_watch; }

    // The run's stop key, given back while a text with {BREAK} is typed; null for none.
    void setStopKey(StopKey* stopKey) { m_stopKey = stopKey; }
    StopKey* stopKey() const { return m_stopKey; }

protected:
    TypingWatch* m_watch = nullptr;
    StopKey* m_stopKey = nullptr;
};

}  // namespace nightaudit
