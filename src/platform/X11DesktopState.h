#pragma once

// What X11Desktop's sources share: its state and the steps each of them implements.
// Only those sources include this.

// Our headers come before Xlib's, whose None macro would clash with NamedKey::None.
#include "KeymapIndex.h"
#include "ProcessLauncher.h"
#include "X11Desktop.h"
#include "X11Errors.h"
#include "X11HeldInputRecord.h"
#include "X11Keyboard.h"
#include "X11LaunchMinimizer.h"

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nightaudit {

using Clock = std::chrono::steady_clock;

constexpr int kActivationTries = 3;

struct X11Desktop::Impl {
    x11::Connection connection;  // closed last, after the keyboard has put its keys back
    Display* display = nullptr;
    Window root = None;
    Window activated = None;
    std::string activatedTitle;
    ProcessLauncher launcher;
    std::unique_ptr<X11LaunchMinimizer> minimizer;  // from the first launch on
    std::unique_ptr<X11HeldInputRecord> held;       // on the typing connection, before any key
    std::unique_ptr<X11Keyboard> keyboard;
    Atom clientList, wmName, utf8, wmState, activeWindow, supported, wmPid;

    // What earlier activations and focus checks learnt, kept only while the server's
    // events say it still holds: each key activates its window twice and checks the
    // focus before every stroke, and reading every title each time cost more than typing
    // the key. The window found for an exact title; a prefix match is looked up afresh
    // each time, since a window with the exact title may appear meanwhile.
    Window cachedWindow = None;
    std::string cachedTitle;
    Window active = None;  // the root's _NET_ACTIVE_WINDOW, while activeKnown
    bool activeKnown = false;
    int activationSupport = -1;  // _NET_SUPPORTED lists _NET_ACTIVE_WINDOW: -1 unread
    Window focusWindow = None;   // the last focus window seen, and its top-level window
    Window focusTop = None;
    std::vector<Window> focusChain;  // the windows the walk from focusWindow went through
    std::map<Window, long> watched;  // event masks selected on other clients' windows
    std::map<Window, bool> own;      // windows known to be, or not to be, this program's

    // Set by the events on the activated window: the focus may have moved since it was
    // last seen there, another client grabbed the keyboard. keyboardFree: a trial grab
    // found the keyboard free and no focus event on the window came since.
    bool focusSuspect = true;
    bool keyboardTaken = false;
    bool keyboardFree = false;
    // Our own trial grab's focus events, received under the server grab, are not news.
    bool ownGrabEvents = false;
    // The activated window took the focus while the keyboard was free and no other
    // client's grab took it from there since: a grab found now is the target's own (a
    // remote-desktop client or a viewer grabs the keyboard whenever it has the focus), and
    // keys reach it.
    bool targetMayHoldKeyboard = false;
    // Windows seen grabbing the keyboard themselves while focused (true) or not (false).
    std::map<Window, bool> grabsItself;

    // The window keys were last sent to and not yet known to be read, for settle().
    Window unsettled = None;
    std::size_t unsettledKeys = 0;
    bool unsettledDropsKeys = false;
    long pingSerial = 0;
    Atom wmProtocols, ping, wmClientMachine;
    // What the activated window can be given, from its WM_CLASS.
    Window traitsWindow = None;
    TargetTraits traits;

    Atom atom(const char* name) { return XInternAtom(display, name, False); }

    // Window lists and titles (X11DesktopWindows.cpp).

    // Whether a top-level window belongs to this process: toolkits put their pid on
    // their windows, and ours do.
    bool isOwn(Window w);
    std::string title(Window w);

    // How an error names a window: its title, or what stands in for one.
    std::string describe(Window w);
    Window find(const std::string& wanted);

    // Watches the window before reading its title once more, so that no change after
    // that read goes unnoticed; the client list is watched from the start.
    void remember(Window w, const std::string& wanted);
    X11Keyboard::Target target();

    // The local process that shows the window, 0 when unknown or on another machine.
    int processOf(Window w);

    // Events, the active window and the focus (X11DesktopFocus.cpp).
    void watch(Window w, long mask);
    void forgetFocus();
    bool inFocusChain(Window w) const;

    // Applies the events queued so far to what is cached: a renamed, closed, unmapped
    // or reparented window, a changed client list or active window, a focus change or
    // keyboard grab on the activated window, a changed keymap.
    void takeEvents();

    // One round trip: everything that changed before it is known afterwards.
    void catchUp();
    bool wmSupportsActivation();
    Window activeNow();

    // The top-level window that holds the input focus; the focus itself is often on a
    // child (a terminal widget, a toolkit's focus proxy). The walk up from a focus
    // window is remembered until one of the windows on it changes.
    Window focusedTopLevel();
    Window topLevelOf(Window focus);

    // The window is what the window manager calls active and it holds the input focus.
    bool holds(Window w);

    // What the events taken so far say, without reading more: the window was found
    // active and focused, and nothing about its focus or the active window changed since.
    bool knownToHold(Window w);

    // Activation (X11DesktopActivation.cpp).
    // Returns when an event came from the server, or after `limit`: the window manager's
    // answer to an activation is an event on the root or the window.
    void awaitEvent(std::chrono::milliseconds limit);

    // Asks for the window once and waits until the window manager has carried the
    // request out, so that no request of ours is ever still on its way when keys are
    // sent or the next window is asked for.
    bool request(Window w, TypingWatch* typingWatch);
    void activateWindow(Window w, TypingWatch* typingWatch);

    // The check before each stroke and keyboard grabs (X11DesktopGrab.cpp).
    // Before each stroke, with the server grabbed: the focus is still on the activated
    // window and no other client holds the keyboard (Pressed when both hold: the stroke
    // may go). The focus query is the stroke's one round trip; it brings in every event
    // from before the grab. Before the first stroke also: no modifier key is held and no
    // other client holds the keyboard, found from the events where they say so and asked
    // of the server where they do not.
    StrokeAnswer checkStroke(bool first);

    // Whether the keyboard is free for us, or held by the activated window itself: a grab
    // of our own fails when another client holds it. Made under the server grab, so the
    // focus events of our own grab are the only ones that come.
    bool trialGrab(Window focus);

    // Lets a trial grab of ours go: the keyboard was free. Its own focus events are no news.
    void endTrialGrab();

    // Whether the activated window's own program holds the keyboard (see
    // targetMayHoldKeyboard). A trial grab that succeeds also tells the first stroke the
    // keyboard is free.
    bool targetHoldsKeyboard(TypingWatch* typingWatch);

    // A grab found now is the activated window's own: it took the focus with the keyboard
    // free, or it was seen grabbing before and no other client's grab came since.
    bool ownGrabPossible();

    // Waiting until the target has read its keys (X11DesktopSettle.cpp).
    bool answersPing(Window w);

    // Sends a ping that the window's program answers from its own event queue, after every
    // key it was sent before; false when no answer came in time.
    bool pingAnswered(Window w, TypingWatch* typingWatch);

    // Waits until the process has used next to no CPU time, and wanted none, for a few
    // samples in a row, or until `deadline`.
    void awaitRest(int pid, Clock::time_point deadline, TypingWatch* typingWatch);

    // Keeps the focus on the window keys were last sent to until its program has read
    // them: some programs (Windows programs under Wine) drop every key they have not read
    // yet when their window loses the focus.
    void settle(TypingWatch* typingWatch);

    void stopIfAsked(TypingWatch* typingWatch, const std::string& what);
};

}  // namespace nightaudit
