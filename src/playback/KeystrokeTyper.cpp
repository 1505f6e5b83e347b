#include "KeystrokeTyper.h"

#include <algorithm>
#include <thread>

#include "core/Error.h"

namespace nightaudit {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A text whose first key found the window without the focus (or a key held down) is
// started again after a new activation this many times in all; one whose keys the keymap
// changed under before the first went out, this many times.
constexpr int kActivationTries = 3;
constexpr int kMappingTries = 3;
// Without a program to show a notice, a held modifier is waited for this long.
constexpr milliseconds kHeldKeyWait{1000};
// The stop key grabs the keyboard while it is down, and its own connection may report the
// press a moment after the grab was seen: that long it is taken for the clerk's stop.
constexpr milliseconds kStopKeyReported{100};
// Within a pause the run's events are handled at least this often.
constexpr milliseconds kPauseSlice{2};

bool isControl(char32_t c) {
    switch (c) {
        case '\n':
        case '\r':
        case '\t':
        case '\b':
        case 0x1b:
            return false;  // Enter, Tab, Backspace, Escape
        default:
            return c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0);
    }
}

std::string quoted(const std::string& title) {
    return "\"" + title + "\"";
}

}  // namespace

// How far a text got, for the texts of its errors.
struct KeystrokeTyper::Progress {
    std::size_t sent = 0, total = 0;
    std::string title;
    std::string heldKey;  // what the last attempt found held down

    std::string after() const {
        return "after " + std::to_string(sent) + " of " + std::to_string(total) +
               " keys typed into " + quoted(title);
    }
    std::string noMore() const {
        return "; " + std::to_string(sent) + " of " + std::to_string(total) +
               " keys were typed, no more";
    }
};

KeystrokeTyper::KeystrokeTyper(Desktop& desktop) : m_desktop(desktop) {}

void KeystrokeTyper::setPacing(milliseconds keyDelay, milliseconds windowWait) {
    m_keyDelay = keyDelay;
    m_windowWait = windowWait;
}

bool KeystrokeTyper::stopAsked() {
    TypingWatch* watch = m_desktop.typingWatch();
    return watch && watch->stopRequested();
}

void KeystrokeTyper::stopIfAsked(const std::string& when) {
    if (stopAsked()) throw Error(err::Stopped, "Stopped " + when);
}

// The run's events are handled throughout, so that a stop acts within the pause.
void KeystrokeTyper::pauseUntil(Clock::time_point until, const std::string& when) {
    for (auto now = Clock::now(); now < until; now = Clock::now()) {
        stopIfAsked(when);
        std::this_thread::sleep_for(std::min<Clock::duration>(until - now, kPauseSlice));
    }
}

void KeystrokeTyper::activate(const std::string& title) {
    stopIfAsked("before the window " + quoted(title) + " was activated");
    m_title = title;
    if (m_windowWait.count() > 0 && !m_desktop.hasWindow(title)) waitForWindow(title);
    m_desktop.activate(title);
}

// A window that may not exist yet (a program just started): looked for again until it is
// there or the window wait has passed, with the typing watch's notice and its Stop.
void KeystrokeTyper::waitForWindow(const std::string& title) {
    const auto deadline = Clock::now() + m_windowWait;
    bool found = false;
    const auto lookedLongEnough = [&] {
        found = m_desktop.hasWindow(title);
        return found || Clock::now() >= deadline;
    };
    if (TypingWatch* watch = m_desktop.typingWatch()) {
        m_desktop.settle();
        if (!watch->waitUntil("Waiting for window " + quoted(title) + " ....", lookedLongEnough))
            throw Error(err::Stopped, "Stopped while waiting for the window " + quoted(title));
    } else {
        while (!lookedLongEnough()) std::this_thread::sleep_for(milliseconds(10));
    }
    if (!found)
        throw Error(err::WindowNotFound, "No window with the title " + quoted(title) +
                                             " was found within " +
                                             std::to_string(m_windowWait.count()) + " ms");
}

void KeystrokeTyper::waitForHeldKey(const std::string& key) {
    TypingWatch* watch = m_desktop.typingWatch();
    if (!watch) {
        const auto deadline = Clock::now() + kHeldKeyWait;
        while (!m_desktop.heldKey().empty()) {
            if (Clock::now() >= deadline)
                throw Error(err::KeyboardBusy,
                            "The " + key + " key is held down; nothing was typed");
            std::this_thread::sleep_for(milliseconds(10));
        }
        return;
    }
    m_desktop.settle();
    const bool released =
        watch->waitUntil("The " + key + " key is held down: typing goes on when it is let go",
                         [this] { return m_desktop.heldKey().empty(); });
    if (!released)
        throw Error(err::Stopped,
                    "Stopped while the " + key + " key was held down; nothing was typed");
}

void KeystrokeTyper::type(const std::string& text) {
    const std::vector<KeyStroke> strokes = parseSendKeys(text);
    if (strokes.empty()) return;
    // Break is Pause with a modifier on most keymaps: the stop key's grab must neither
    // swallow it nor take it for the clerk's stop. Caught again once the keys are let go.
    const bool typesBreak = std::any_of(strokes.begin(), strokes.end(), [](const KeyStroke& s) {
        return s.key == NamedKey::Break;
    });
    StopKey::Suspension suspension(typesBreak ? m_desktop.stopKey() : nullptr);
    std::unique_ptr<StrokeSender> sender = m_desktop.beginTyping(text, strokes);
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        if (const char32_t c = strokes[i].character;
            strokes[i].key == NamedKey::None && isControl(c))
            throw Error(err::KeySyntax, "Keystroke text: the control character " +
                                            std::to_string(c) + " cannot be typed");
        if (const std::string why = sender->cannotArrive(i); !why.empty())
            throw Error(err::NotAvailable, "The character \"" + utf8Of(strokes[i].character) +
                                               "\" " + why + "; nothing was typed");
    }
    Progress progress{0, strokes.size(), m_title, {}};
    if (m_keyDelay.count() > 0 && m_lastStroke)
        pauseUntil(*m_lastStroke + m_keyDelay, "before a text was typed into " + quoted(m_title));
    int activations = 1, mappings = 1;
    for (;;) {
        if (stopAsked()) throw Error(err::Stopped, "Stopped " + progress.after());
        const Retry retry = typeOnce(*sender, progress);
        if (retry == Retry::None) return;
        sender.reset();  // nothing was pressed; whatever it prepared is let go
        if (retry == Retry::Remap) {
            if (++mappings > kMappingTries)
                throw Error(err::NotAvailable,
                            "The keyboard map kept changing while a text was about to be "
                            "typed; nothing was typed");
        } else {
            if (++activations > kActivationTries)
                throw Error(err::WrongFocus, "The window " + quoted(m_title) +
                                                 " did not keep the focus; nothing was typed");
            if (retry == Retry::WaitForKeys) waitForHeldKey(progress.heldKey);
            // The focus went elsewhere, or the notice had it: the window gets it back.
            m_desktop.activate(m_title);
        }
        sender = m_desktop.beginTyping(text, strokes);
    }
}

// Presses every stroke in turn; says what to do when the first could not be pressed.
KeystrokeTyper::Retry KeystrokeTyper::typeOnce(StrokeSender& sender, Progress& progress) {
    using Outcome = StrokeAnswer::Outcome;
    for (progress.sent = 0; progress.sent < progress.total;) {
        if (progress.sent > 0) {
            if (m_keyDelay.count() > 0) {
                // The key before is on its way first, so the pause is really between the two.
                sender.flush();
                pauseUntil(Clock::now() + m_keyDelay, progress.after());
            }
            if (stopAsked()) throw Error(err::Stopped, "Stopped " + progress.after());
        }
        const StrokeAnswer answer = sender.press(progress.sent);
        const bool first = progress.sent == 0;
        switch (answer.outcome) {
            case Outcome::Pressed:
                ++progress.sent;
                m_lastStroke = Clock::now();
                break;
            case Outcome::FocusMoved:
                if (first) return Retry::Activate;
                throw Error(err::WrongFocus, "The input focus moved to " + answer.detail +
                                                 " while typing into " + quoted(progress.title) +
                                                 progress.noMore());
            case Outcome::KeymapChanged:
                if (first) return Retry::Remap;
                throw Error(err::KeyboardBusy,
                            "The keyboard layout changed while typing" + progress.noMore());
            case Outcome::KeyHeld:
                progress.heldKey = answer.detail;
                return Retry::WaitForKeys;
            case Outcome::KeyboardTaken: {
                if (m_desktop.typingWatch())
                    pauseUntil(Clock::now() + kStopKeyReported,
                               "by the stop key after " + std::to_string(progress.sent) +
                                   " keys typed into " + quoted(progress.title));
                throw Error(err::WrongFocus,
                            first ? "Another program holds the keyboard; nothing was typed into " +
                                        quoted(progress.title)
                                  : "Another program took the keyboard while typing into " +
                                        quoted(progress.title) + progress.noMore());
            }
        }
    }
    return Retry::None;
}

}  // namespace nightaudit
