// A text's strokes on their way: each checked and pressed under one server grab. What to
// retry, how fast and when to stop is the typing engine's (playback/KeystrokeTyper).

// Our headers come before Xlib's, whose None macro would clash with NamedKey::None.
#include "X11DesktopState.h"
#include "X11KeyGuards.h"
#include "X11KeyboardState.h"
#include "core/Error.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <thread>
#include <utility>

namespace nightaudit {

namespace {

// Other clients' requests wait while the server is held: they get a moment between two
// strokes, or the target and the window manager would starve.
constexpr std::chrono::microseconds kBetweenStrokes{50};

}  // namespace

X11Keyboard::Text::Text(X11Keyboard::Impl& keyboard, const std::vector<KeyStroke>& strokes,
                        Target target)
    : d(keyboard),
      m_strokes(strokes),
      m_target(std::move(target)),
      m_caps(keyboard.display, keyboard.record) {
    if (!d.stateKnown) d.readState();
    d.build(d.state.group);
}

X11Keyboard::Text::~Text() {
    if (m_mapped) d.used(m_actions);
}

std::string X11Keyboard::Text::cannotArrive(std::size_t index) const {
    return d.cannotArrive(m_strokes[index], m_target);
}

void X11Keyboard::Text::prepare(std::size_t index) {
    if (m_mapped && index < m_end) return;
    if (m_mapped) d.used(m_actions);
    // The modifiers of the part before are let go: the keymap may have moved them since.
    m_modifiers.reset();
    if (!d.stateKnown) d.readState();
    m_group = d.state.group;
    d.build(m_group);
    m_generation = d.keymapGeneration;
    m_actions = d.plan(m_strokes, index, m_target, m_end);
    m_planned = d.modifierCodes;
    m_modifiers.emplace(d.display, m_planned, d.record);
    m_next = 0;
    m_mapped = true;
}

bool X11Keyboard::Text::stillMapped() {
    if (d.keymapGeneration == m_generation && d.state.group == m_group) return true;
    m_generation = d.keymapGeneration;
    m_group = d.state.group;
    d.build(m_group);
    if (d.stillTypes(m_actions, m_next, m_planned)) return true;
    m_mapped = false;
    return false;
}

void X11Keyboard::Text::press(std::size_t index) {
    if (!std::exchange(m_pressedAny, true) && (d.state.lockedMods & LockMask)) m_caps.switchOff();
    for (; m_next < m_actions.size() && m_actions[m_next].stroke == index; ++m_next) {
        const Action& a = m_actions[m_next];
        m_modifiers->hold(a.modifiers);
        XTestFakeKeyEvent(d.display, a.code, True, CurrentTime);
        XTestFakeKeyEvent(d.display, a.code, False, CurrentTime);
    }
}

std::unique_ptr<X11Keyboard::Text> X11Keyboard::begin(const std::vector<KeyStroke>& strokes,
                                                      const Target& target) {
    return std::make_unique<Text>(*m_impl, strokes, target);
}

class X11Desktop::Sender : public StrokeSender {
public:
    Sender(Impl& desktop, std::unique_ptr<X11Keyboard::Text> text, std::size_t strokes)
        : d(desktop), m_text(std::move(text)) {
        if (strokes > 1) m_tight.emplace();  // only where strokes are paused between
    }

    std::string cannotArrive(std::size_t index) override { return m_text->cannotArrive(index); }

    StrokeAnswer press(std::size_t index) override {
        if (!m_first) std::this_thread::sleep_for(kBetweenStrokes);
        m_text->prepare(index);
        ServerGrab grab(d.display);
        StrokeAnswer answer = d.checkStroke(std::exchange(m_first, false));
        if (answer.outcome != StrokeAnswer::Outcome::Pressed) return answer;
        if (!m_text->stillMapped()) return {StrokeAnswer::Outcome::KeymapChanged, {}};
        // From here on a key may be on its way to the window.
        d.unsettled = d.activated;
        d.unsettledDropsKeys = d.traits.dropsUnreadKeys;
        ++d.unsettledKeys;
        m_text->press(index);
        return answer;
    }

    // The last stroke is flushed, not waited for: the next round trip on the connection
    // reports any error of it.
    void flush() override { x11::syncOk(d.display); }

private:
    Impl& d;
    std::unique_ptr<X11Keyboard::Text> m_text;
    std::optional<TightSleeps> m_tight;
    bool m_first = true;
};

std::unique_ptr<StrokeSender> X11Desktop::beginTyping(const std::string&,
                                                      const std::vector<KeyStroke>& strokes) {
    Impl& d = *m_impl;
    d.launcher.reap();
    if (d.activated == None) {
        throw Error(err::WrongFocus, "No window was activated to receive the keys");
    }
    if (d.isOwn(d.activated)) {
        throw Error(err::WrongFocus, "The window \"" + d.activatedTitle +
                                         "\" is one of this program's own; nothing was typed");
    }
    X11Keyboard::Target target = d.target();
    if (d.targetHoldsKeyboard(m_watch)) {
        // Such a program passes key positions on (a remote desktop, a virtual machine's
        // viewer): a character bound to a spare keycode means nothing at the far end.
        target.traits.readsNewBindings = false;
        target.traits.kind = "a program that holds the keyboard itself, as a remote desktop does";
    }
    return std::make_unique<Sender>(d, d.keyboard->begin(strokes, target), strokes.size());
}

}  // namespace nightaudit
