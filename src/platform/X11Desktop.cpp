#include "X11Desktop.h"

// Our headers come before Xlib's, whose None macro would clash with NamedKey::None.
#include "KeymapIndex.h"
#include "ProcessLauncher.h"
#include "SendKeysParser.h"
#include "X11Errors.h"
#include "X11HeldInputRecord.h"
#include "X11Keyboard.h"
#include "X11LaunchMinimizer.h"
#include "core/Error.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <thread>
#include <utility>

#include <dirent.h>
#include <poll.h>
#include <unistd.h>
#include <fstream>
#include <iterator>
#include <vector>

namespace nightaudit {

namespace {

using Clock = std::chrono::steady_clock;

// How long an activation waits for the window manager to hand the focus over, and how
// long the focus must then stay: a request another client made just before ours (a
// toolkit giving its window back the focus after a dialog) may still be carried out.
constexpr std::chrono::milliseconds kActivationWait{2000};
constexpr std::chrono::milliseconds kSettle{50};
constexpr int kActivationTries = 3;
// Without a program to show a notice, a held modifier is waited for this long.
constexpr std::chrono::milliseconds kModifierWait{1000};
// How long a window is given, before the first text into it, to grab the keyboard itself.
constexpr std::chrono::milliseconds kGrabLooked{100};
// How long the focus is kept on a window typed into, for it to read its keys: an answer to
// a ping through its own event queue, then its process at rest. A target that is never at
// rest (a busy program) is left after kRestWait and kRestPerKey for each key sent to it
// (Wine's notepad takes 3 ms a key here).
constexpr std::chrono::milliseconds kPingWait{3000};
constexpr std::chrono::milliseconds kRestWait{2000};
constexpr std::chrono::milliseconds kRestPerKey{10};
constexpr std::chrono::milliseconds kRestSample{10};
constexpr int kRestSamples = 3;
// At rest: less CPU time than this in one sample.
constexpr std::chrono::microseconds kRestBusy{1000};

// The CPU time all threads of a process have used so far; zero when it cannot be read.
std::chrono::nanoseconds cpuTimeOf(int pid) {
    std::chrono::nanoseconds total{0};
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return total;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        std::ifstream stat(tasks + "/" + entry->d_name + "/schedstat");
        long long ran = 0;
        if (stat >> ran) total += std::chrono::nanoseconds(ran);
    }
    closedir(dir);
    return total;
}

// Whether a thread of the process is running or waiting for a processor: a program starved
// of CPU time by others is busy, not at rest.
bool runnable(int pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return false;
    bool running = false;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        std::ifstream stat(tasks + "/" + entry->d_name + "/stat");
        const std::string line((std::istreambuf_iterator<char>(stat)),
                               std::istreambuf_iterator<char>());
        const std::size_t close = line.rfind(')');
        if (close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'R') {
            running = true;
        }
    }
    closedir(dir);
    return running;
}

// The first stroke of a text found, under its grab, that the text cannot start yet: the
// window is no longer focused since an activation that trusted the server's last events,
// or a modifier key is held down. Nothing was sent; the text is typed again once the
// window is activated anew.
struct StartAgain {
    bool heldKey;
};

// A property's items, freed on every path.
template <typename T>
std::vector<T> readProperty(Display* display, Window window, Atom property, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<T> out;
    if (XGetWindowProperty(display, window, property, 0, 1 << 20, False, type, &actualType, &format,
                           &count, &after, &data) == Success &&
        data && actualType == type) {
        if (format == 8) {
            out.assign(data, data + count);
        } else if (format == 32) {
            // Xlib hands 32-bit items over as longs.
            const auto* items = reinterpret_cast<const unsigned long*>(data);
            out.assign(items, items + count);
        }
    }
    if (data) XFree(data);
    return out;
}

}  // namespace

struct X11Desktop::Impl {
    x11::Connection connection;  // closed last, after the keyboard has put its keys back
    Display* display = nullptr;
    Window root = None;
    Window activated = None;
    std::string activatedTitle;
    ProcessLauncher launcher;
    std::unique_ptr<X11LaunchMinimizer> minimizer;  // from the first launch on
    StopKey* stopKey = nullptr;
    std::unique_ptr<X11HeldInputRecord> held;  // on the typing connection, before any key
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
    // The last activation was answered from what the server's events had said, without a
    // round trip: the first stroke's check under the grab confirms it.
    bool trustedActivation = false;
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
    // When the last key of a text went out, for the pause before the next text's first key.
    std::optional<Clock::time_point> lastStroke;

    Atom atom(const char* name) { return XInternAtom(display, name, False); }

    void watch(Window w, long mask) {
        long& selected = watched[w];
        if ((selected & mask) == mask) return;
        selected |= mask;
        XSelectInput(display, w, selected);
    }

    void forgetFocus() {
        focusWindow = None;
        focusTop = None;
        focusChain.clear();
        focusSuspect = true;
    }

    bool inFocusChain(Window w) const {
        return std::find(focusChain.begin(), focusChain.end(), w) != focusChain.end();
    }

    // Applies the events queued so far to what is cached: a renamed, closed, unmapped
    // or reparented window, a changed client list or active window, a focus change or
    // keyboard grab on the activated window, a changed keymap.
    void takeEvents() {
        while (XEventsQueued(display, QueuedAfterReading) > 0) {
            XEvent e;
            XNextEvent(display, &e);
            Window about = None;
            switch (e.type) {
                case PropertyNotify:
                    if (e.xproperty.window == root) {
                        if (e.xproperty.atom == clientList) cachedWindow = None;
                        if (e.xproperty.atom == activeWindow) {
                            activeKnown = false;
                            focusSuspect = true;
                        }
                        if (e.xproperty.atom == supported) activationSupport = -1;
                    }
                    if (e.xproperty.window == cachedWindow &&
                        (e.xproperty.atom == wmName || e.xproperty.atom == XA_WM_NAME)) {
                        cachedWindow = None;
                    }
                    if (e.xproperty.atom == wmState && inFocusChain(e.xproperty.window)) {
                        forgetFocus();
                    }
                    continue;
                case FocusIn:
                case FocusOut:
                    if (e.xfocus.window == activated && !ownGrabEvents) {
                        focusSuspect = true;
                        keyboardFree = false;
                        // A grab on a window inside the target is the target's own.
                        const bool grabInside =
                            e.xfocus.mode == NotifyGrab && e.xfocus.detail == NotifyInferior;
                        if (e.type == FocusOut && e.xfocus.mode == NotifyGrab && !grabInside) {
                            keyboardTaken = true;
                        }
                        targetMayHoldKeyboard =
                            e.type == FocusIn ? e.xfocus.mode != NotifyWhileGrabbed : grabInside;
                    }
                    continue;
                case DestroyNotify:
                    about = e.xdestroywindow.window;
                    watched.erase(about);
                    own.erase(about);
                    grabsItself.erase(about);
                    break;
                case UnmapNotify:
                    about = e.xunmap.window;
                    break;
                case ReparentNotify:
                    about = e.xreparent.window;
                    break;
                default:
                    keyboard->takeEvent(e);
                    continue;
            }
            if (about == cachedWindow) cachedWindow = None;
            if (inFocusChain(about)) forgetFocus();
            if (about == activated) focusSuspect = true;
        }
    }

    // One round trip: everything that changed before it is known afterwards.
    void catchUp() {
        x11::syncOk(display);
        takeEvents();
    }

    bool hasWmState(Window w) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const bool has = XGetWindowProperty(display, w, wmState, 0, 0, False, AnyPropertyType,
                                            &type, &format, &count, &after, &data) == Success &&
                         type != None;
        if (data) XFree(data);
        return has;
    }

    // Whether a top-level window belongs to this process: toolkits put their pid on
    // their windows, and ours do.
    bool isOwn(Window w) {
        if (const auto it = own.find(w); it != own.end()) return it->second;
        const std::vector<long> pid = readProperty<long>(display, w, wmPid, XA_CARDINAL);
        x11::syncOk(display);  // a window that closed meanwhile is not ours
        const bool mine = !pid.empty() && pid.front() == static_cast<long>(getpid());
        own[w] = mine;
        return mine;
    }

    std::vector<Window> children(Window w) {
        Window rootReturn = None, parent = None, *kids = nullptr;
        unsigned count = 0;
        std::vector<Window> out;
        if (XQueryTree(display, w, &rootReturn, &parent, &kids, &count) && kids) {
            out.assign(kids, kids + count);
        }
        if (kids) XFree(kids);
        return out;
    }

    // The managed top-level windows: the window manager's list, or without one the
    // windows that carry WM_STATE among the root's children and their children.
    std::vector<Window> topLevelWindows() {
        std::vector<Window> list = readProperty<Window>(display, root, clientList, XA_WINDOW);
        if (!list.empty()) return list;
        for (Window w : children(root)) {
            if (hasWmState(w)) {
                list.push_back(w);
                continue;
            }
            for (Window c : children(w)) {
                if (hasWmState(c)) list.push_back(c);
            }
        }
        return list;
    }

    std::string title(Window w) {
        const std::vector<char> name = readProperty<char>(display, w, wmName, utf8);
        if (!name.empty()) return std::string(name.begin(), name.end());
        XTextProperty property{};
        std::string out;
        if (XGetWMName(display, w, &property) && property.value) {
            char** list = nullptr;
            int count = 0;
            if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success && list &&
                count > 0) {
                out = list[0];
            }
            if (list) XFreeStringList(list);
            XFree(property.value);
        }
        return out;
    }

    // How an error names a window: its title, or what stands in for one.
    std::string describe(Window w) {
        if (w == None) return "no window";
        const std::string t = title(w);
        x11::syncOk(display);
        return t.empty() ? "a window without a title" : "\"" + t + "\"";
    }

    Window find(const std::string& wanted) {
        if (cachedWindow != None && cachedTitle == wanted) return cachedWindow;
        Window prefixMatch = None;
        for (Window w : topLevelWindows()) {
            const std::string t = title(w);
            if (t == wanted) {
                remember(w, wanted);
                return w;
            }
            // Every title begins with the empty text: an empty title matches only itself.
            // A prefix never finds our own windows, whose captions the clerk may change.
            if (prefixMatch == None && !wanted.empty() &&
                t.compare(0, wanted.size(), wanted) == 0 && !isOwn(w)) {
                prefixMatch = w;
            }
        }
        x11::syncOk(display);  // windows that closed while being read are simply skipped
        return prefixMatch;
    }

    // Watches the window before reading its title once more, so that no change after
    // that read goes unnoticed; the client list is watched from the start.
    void remember(Window w, const std::string& wanted) {
        cachedWindow = None;
        watch(w, PropertyChangeMask | StructureNotifyMask);
        const bool same = title(w) == wanted;
        if (!x11::syncOk(display) || !same) return;
        takeEvents();
        cachedWindow = w;
        cachedTitle = wanted;
    }

    bool wmSupportsActivation() {
        if (activationSupport < 0) {
            activationSupport = 0;
            for (Atom a : readProperty<Atom>(display, root, supported, XA_ATOM)) {
                if (a == activeWindow) activationSupport = 1;
            }
        }
        return activationSupport == 1;
    }

    Window activeNow() {
        if (!activeKnown) {
            const std::vector<Window> v =
                readProperty<Window>(display, root, activeWindow, XA_WINDOW);
            active = v.empty() ? None : v.front();
            activeKnown = true;
        }
        return active;
    }

    // The top-level window that holds the input focus; the focus itself is often on a
    // child (a terminal widget, a toolkit's focus proxy). The walk up from a focus
    // window is remembered until one of the windows on it changes.
    Window focusedTopLevel() {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        takeEvents();
        return topLevelOf(focus);
    }

    Window topLevelOf(Window focus) {
        if (focus != None && focus == focusWindow) return focusTop;
        forgetFocus();
        std::vector<Window> chain;
        Window top = None;
        for (Window w = focus; w != None && w != PointerRoot && w != root;) {
            // Watched before it is read, as in remember().
            watch(w, PropertyChangeMask | StructureNotifyMask);
            chain.push_back(w);
            if (hasWmState(w)) {
                top = w;
                break;
            }
            Window rootReturn = None, parent = None, *kids = nullptr;
            unsigned count = 0;
            if (!XQueryTree(display, w, &rootReturn, &parent, &kids, &count)) break;
            if (kids) XFree(kids);
            if (parent == root) {
                top = w;
                break;
            }
            w = parent;
        }
        if (!x11::syncOk(display)) return None;
        takeEvents();
        if (top != None) {
            focusWindow = focus;
            focusTop = top;
            focusChain = std::move(chain);
        }
        return top;
    }

    // The window is what the window manager calls active and it holds the input focus.
    bool holds(Window w) {
        catchUp();
        return (!wmSupportsActivation() || activeNow() == w) && focusedTopLevel() == w;
    }

    // What the events received so far say, without a round trip: the window was found
    // active and focused, and nothing about its focus or the active window changed since.
    bool knownToHold(Window w) {
        takeEvents();
        return !focusSuspect && focusWindow != None && focusTop == w &&
               (!wmSupportsActivation() || (activeKnown && active == w));
    }

    void stopIfAsked(TypingWatch* typingWatch, const std::string& what) {
        if (typingWatch && typingWatch->stopRequested()) {
            throw Error(err::Stopped, "Stopped " + what);
        }
    }

    // The pause between two keystrokes for a target that loses keys arriving close
    // together. The key before it is on the server first, so the pause is really between
    // the two; the run's events are handled throughout, so a stop acts within it.
    void pauseBetweenKeys(std::chrono::milliseconds delay, TypingWatch* typingWatch,
                          const std::function<std::string()>& what) {
        if (delay.count() <= 0) return;
        x11::syncOk(display);
        const auto until = Clock::now() + delay;
        for (auto now = Clock::now(); now < until; now = Clock::now()) {
            if (typingWatch && typingWatch->stopRequested()) {
                throw Error(err::Stopped, "Stopped " + what());
            }
            std::this_thread::sleep_for(
                std::min<Clock::duration>(until - now, std::chrono::milliseconds(2)));
        }
    }

    // A window that may not exist yet (a program just started): looked for again until
    // it is there or `limit` has passed, with the typing watch's notice and its Stop.
    Window waitForWindow(const std::string& wanted, std::chrono::milliseconds limit,
                         TypingWatch* typingWatch) {
        const auto deadline = Clock::now() + limit;
        Window found = None;
        const auto lookedLongEnough = [&] {
            catchUp();
            found = find(wanted);
            return found != None || Clock::now() >= deadline;
        };
        if (!typingWatch) {
            while (!lookedLongEnough()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return found;
        }
        settle(typingWatch);
        if (!typingWatch->waitUntil("Waiting for window \"" + wanted + "\" ....",
                                    lookedLongEnough)) {
            throw Error(err::Stopped, "Stopped while waiting for the window \"" + wanted + "\"");
        }
        return found;
    }

    // Returns when an event came from the server, or after `limit`: the window manager's
    // answer to an activation is an event on the root or the window.
    void awaitEvent(std::chrono::milliseconds limit) {
        if (XPending(display) > 0) return;
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(limit.count()));
    }

    // Asks for the window once and waits until the window manager has carried the
    // request out, so that no request of ours is ever still on its way when keys are
    // sent or the next window is asked for.
    bool request(Window w, TypingWatch* typingWatch) {
        if (wmSupportsActivation()) {
            // Source indication 2 (a pager acting for the user): window managers honour
            // it where focus-stealing prevention refuses a request from an application.
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = w;
            event.xclient.message_type = activeWindow;
            event.xclient.format = 32;
            event.xclient.data.l[0] = 2;
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent(display, root, False, SubstructureNotifyMask | SubstructureRedirectMask,
                       &event);
        } else {
            XMapRaised(display, w);
            XSetInputFocus(display, w, RevertToParent, CurrentTime);
        }
        if (!x11::syncOk(display)) {
            throw Error(err::WindowNotFound, "The window \"" + activatedTitle +
                                                 "\" closed before it could be activated");
        }
        const auto deadline = Clock::now() + kActivationWait;
        while (!holds(w)) {
            if (Clock::now() >= deadline) return false;
            stopIfAsked(typingWatch, "while waiting for the window \"" + activatedTitle + "\"");
            awaitEvent(std::chrono::milliseconds(2));
        }
        // Nothing is typed into our own windows: a late request cannot misdirect a key there,
        // and the next activation of another window settles for itself.
        if (isOwn(w)) return true;
        const auto settled = Clock::now() + kSettle;
        while (Clock::now() < settled) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (!holds(w)) return false;
        }
        return true;
    }

    void activateWindow(Window w, TypingWatch* typingWatch) {
        trustedActivation = false;
        watch(w, PropertyChangeMask | StructureNotifyMask | FocusChangeMask);
        bool done = holds(w);
        for (int i = 0; i < kActivationTries && !done; ++i) done = request(w, typingWatch);
        if (done) {
            focusSuspect = false;
            return;
        }
        const std::string holder = describe(focusedTopLevel());
        activated = None;
        throw Error(err::WrongFocus, "The window \"" + activatedTitle +
                                         "\" did not become active; the focus stays on " + holder +
                                         "; nothing was typed");
    }

    // Before each stroke, with the server grabbed: the focus is still on the activated
    // window and no other client holds the keyboard. The focus query is the stroke's one
    // round trip; it brings in every event from before the grab. Before the first stroke
    // also: no modifier key is held and no other client holds the keyboard, found from the
    // events where they say so and asked of the server where they do not.
    void checkStroke(std::size_t sent, std::size_t total, bool first) {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        x11::throwIfRefused(display, "a keystroke");
        takeEvents();
        const std::string progress = "; " + std::to_string(sent) + " of " + std::to_string(total) +
                                     " keys were typed, no more";
        if (first) {
            if (!keyboardFree || keyboardTaken) trialGrab(focus);
            if (keyboard->modifierMaybeHeld() && !keyboard->heldModifier().empty()) {
                throw StartAgain{true};
            }
        }
        if (keyboardTaken) {
            throw Error(err::WrongFocus, "Another program took the keyboard while typing into \"" +
                                             activatedTitle + "\"" + progress);
        }
        const Window top = topLevelOf(focus);
        if (top != activated) {
            if (first && trustedActivation) throw StartAgain{false};
            throw Error(err::WrongFocus, "The input focus moved to " + describe(top) +
                                             " while typing into \"" + activatedTitle + "\"" +
                                             progress);
        }
        focusSuspect = false;
    }

    // Whether another client holds the keyboard: a grab of our own fails then. Made under
    // the server grab, so the focus events of our own grab are the only ones that come.
    void trialGrab(Window focus) {
        const int status =
            XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        if (status == AlreadyGrabbed && ownGrabPossible() && topLevelOf(focus) == activated) {
            keyboardTaken = false;
            return;
        }
        if (status != GrabSuccess) {
            throw Error(err::WrongFocus,
                        "Another program holds the keyboard; nothing was typed into \"" +
                            activatedTitle + "\"");
        }
        endTrialGrab();
    }

    // Lets a trial grab of ours go: the keyboard was free. Its own focus events are no news.
    void endTrialGrab() {
        XUngrabKeyboard(display, CurrentTime);
        x11::sync(display, "XGrabKeyboard");
        ownGrabEvents = true;
        takeEvents();
        ownGrabEvents = false;
        keyboardTaken = false;
        keyboardFree = true;
    }

    X11Keyboard::Target target() {
        if (traitsWindow != activated) {
            XClassHint hint{};
            std::string instance, wmClass;
            if (XGetClassHint(display, activated, &hint)) {
                if (hint.res_name) instance = hint.res_name;
                if (hint.res_class) wmClass = hint.res_class;
            }
            if (hint.res_name) XFree(hint.res_name);
            if (hint.res_class) XFree(hint.res_class);
            x11::syncOk(display);  // a window that closed meanwhile fails at its first key
            std::string program;
            if (const int pid = processOf(activated)) {
                char path[4096] = {};
                const std::string link = "/proc/" + std::to_string(pid) + "/exe";
                if (readlink(link.c_str(), path, sizeof path - 1) > 0) {
                    program = path;
                    program = program.substr(program.rfind('/') + 1);
                }
            }
            traits = targetTraits(instance, wmClass, program);
            if (traits.kind.empty()) traits.kind = "its program";
            traitsWindow = activated;
        }
        return {activatedTitle, traits};
    }

    // Whether the activated window's own program holds the keyboard (see
    // targetMayHoldKeyboard). A trial grab that succeeds also tells the first stroke the
    // keyboard is free.
    bool targetHoldsKeyboard(TypingWatch* typingWatch) {
        const auto known = grabsItself.find(activated);
        if (known == grabsItself.end()) {
            // A program that grabs the keyboard when it gets the focus does so a moment
            // after: the first text into a window gives it that moment, once.
            const auto until = Clock::now() + kGrabLooked;
            while (Clock::now() < until) {
                if (typingWatch) typingWatch->stopRequested();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        } else if (!known->second) {
            return false;
        }
        if (!targetMayHoldKeyboard && known == grabsItself.end()) return false;
        const int status =
            XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        if (status != GrabSuccess) {
            const bool own = status == AlreadyGrabbed && ownGrabPossible();
            if (own) grabsItself[activated] = true;
            return own;
        }
        endTrialGrab();
        grabsItself.emplace(activated, false);
        return false;
    }

    // A grab found now is the activated window's own: it took the focus with the keyboard
    // free, or it was seen grabbing before and no other client's grab came since.
    bool ownGrabPossible() {
        const auto known = grabsItself.find(activated);
        return targetMayHoldKeyboard ||
               (known != grabsItself.end() && known->second && !keyboardTaken);
    }

    bool answersPing(Window w) {
        Atom* protocols = nullptr;
        int count = 0;
        bool answers = false;
        if (XGetWMProtocols(display, w, &protocols, &count) && protocols) {
            answers = std::find(protocols, protocols + count, ping) != protocols + count;
            XFree(protocols);
        }
        return x11::syncOk(display) && answers;
    }

    // Sends a ping that the window's program answers from its own event queue, after every
    // key it was sent before; false when no answer came in time.
    bool pingAnswered(Window w, TypingWatch* typingWatch) {
        const long serial = ++pingSerial;
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = w;
        event.xclient.message_type = wmProtocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(ping);
        event.xclient.data.l[1] = serial;
        event.xclient.data.l[2] = static_cast<long>(w);
        // The answer goes to the root window, to those who listen for its children.
        watch(root, SubstructureNotifyMask);
        XSendEvent(display, w, False, NoEventMask, &event);
        if (!x11::syncOk(display)) return false;
        const auto deadline = Clock::now() + kPingWait;
        while (Clock::now() < deadline) {
            XEvent reply;
            if (XCheckTypedEvent(display, ClientMessage, &reply)) {
                if (reply.xclient.message_type == wmProtocols &&
                    static_cast<Atom>(reply.xclient.data.l[0]) == ping &&
                    reply.xclient.data.l[1] == serial) {
                    return true;
                }
                continue;
            }
            // The clerk's window stays alive; a stop cannot take back keys already sent.
            if (typingWatch) typingWatch->stopRequested();
            awaitEvent(std::chrono::milliseconds(5));
            XEventsQueued(display, QueuedAfterReading);
        }
        return false;
    }

    // The local process that shows the window, 0 when unknown or on another machine.
    int processOf(Window w) {
        const std::vector<long> pid = readProperty<long>(display, w, wmPid, XA_CARDINAL);
        const std::vector<char> host = readProperty<char>(display, w, wmClientMachine, XA_STRING);
        x11::syncOk(display);
        if (pid.empty() || pid.front() <= 0) return 0;
        char here[256] = {};
        gethostname(here, sizeof here - 1);
        if (!host.empty() && std::string(host.begin(), host.end()) != here) return 0;
        return static_cast<int>(pid.front());
    }

    // Waits until the process has used next to no CPU time, and wanted none, for a few
    // samples in a row, or until `deadline`.
    void awaitRest(int pid, Clock::time_point deadline, TypingWatch* typingWatch) {
        auto before = cpuTimeOf(pid);
        for (int quiet = 0; quiet < kRestSamples && Clock::now() < deadline;) {
            std::this_thread::sleep_for(kRestSample);
            if (typingWatch) typingWatch->stopRequested();
            const auto now = cpuTimeOf(pid);
            quiet = now - before < kRestBusy && !runnable(pid) ? quiet + 1 : 0;
            before = now;
        }
    }

    // Keeps the focus on the window keys were last sent to until its program has read
    // them: some programs (Windows programs under Wine) drop every key they have not read
    // yet when their window loses the focus.
    void settle(TypingWatch* typingWatch) {
        const Window w = unsettled;
        if (w == None) return;
        unsettled = None;
        const std::size_t keys = std::exchange(unsettledKeys, 0);
        // An X client has every key in its own queue once the server delivered it, and
        // keeps it when the focus moves: only a target that drops unread keys is waited for.
        if (!x11::syncOk(display) || !unsettledDropsKeys) return;
        const auto unanswered = [&] {
            return Error(err::Unconfirmed,
                         "\"" + activatedTitle + "\" did not answer within " +
                             std::to_string(kPingWait.count() / 1000) + " s after " +
                             std::to_string(keys) +
                             " keys typed into it; it may not have received them all");
        };
        // Never sent to a window that does not list it: xterm closes its window on any
        // WM_PROTOCOLS message it does not know.
        const bool pings = answersPing(w);
        if (pings && !pingAnswered(w, typingWatch)) throw unanswered();
        const int pid = processOf(w);
        const auto deadline = Clock::now() + kRestWait + kRestPerKey * keys;
        // Wine reads its X events only when its queue is empty or every few hundred
        // messages: an answer that cost it no work, after a rest, says the queue was read
        // to its end.
        for (;;) {
            if (pid) awaitRest(pid, deadline, typingWatch);
            const auto before = pid ? cpuTimeOf(pid) : std::chrono::nanoseconds{0};
            if (pings && !pingAnswered(w, typingWatch)) throw unanswered();
            if (!pid || !pings || Clock::now() >= deadline || cpuTimeOf(pid) - before < kRestBusy) {
                break;
            }
        }
    }

    // The pause between the last key of one text and the first of the next, as between
    // two keys of one text.
    void pauseSinceLastStroke(std::chrono::milliseconds delay, TypingWatch* typingWatch) {
        if (delay.count() <= 0 || !lastStroke) return;
        const auto until = *lastStroke + delay;
        for (auto now = Clock::now(); now < until; now = Clock::now()) {
            stopIfAsked(typingWatch, "before a text was typed into \"" + activatedTitle + "\"");
            std::this_thread::sleep_for(
                std::min<Clock::duration>(until - now, std::chrono::milliseconds(2)));
        }
    }

    void waitForHeldKeys(TypingWatch* typingWatch) {
        std::string held = keyboard->heldModifier();
        if (held.empty()) return;
        if (!typingWatch) {
            const auto deadline = Clock::now() + kModifierWait;
            while (!(held = keyboard->heldModifier()).empty()) {
                if (Clock::now() >= deadline) {
                    throw Error(err::KeyboardBusy,
                                "The " + held + " key is held down; nothing was typed");
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return;
        }
        settle(typingWatch);
        const bool released = typingWatch->waitUntil(
            "The " + held + " key is held down: typing goes on when it is let go",
            [this] { return keyboard->heldModifier().empty(); });
        if (!released) {
            throw Error(err::Stopped,
                        "Stopped while the " + held + " key was held down; nothing was typed");
        }
        // The notice had the focus: the window gets it back before any key.
        activateWindow(activated, typingWatch);
    }
};

X11Desktop::X11Desktop() : m_impl(std::make_unique<Impl>()) {
    Impl& d = *m_impl;
    d.connection = x11::openConnection();
    d.display = d.connection.get();
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d.display, &event, &error, &major, &minor)) {
        throw Error(err::NotAvailable, "The X display offers no XTEST extension for typing");
    }
    d.held = std::make_unique<X11HeldInputRecord>(d.display);
    d.keyboard = std::make_unique<X11Keyboard>(d.display, *d.held);
    d.root = DefaultRootWindow(d.display);
    d.clientList = d.atom("_NET_CLIENT_LIST");
    d.wmName = d.atom("_NET_WM_NAME");
    d.utf8 = d.atom("UTF8_STRING");
    d.wmState = d.atom("WM_STATE");
    d.activeWindow = d.atom("_NET_ACTIVE_WINDOW");
    d.supported = d.atom("_NET_SUPPORTED");
    d.wmPid = d.atom("_NET_WM_PID");
    d.wmProtocols = d.atom("WM_PROTOCOLS");
    d.ping = d.atom("_NET_WM_PING");
    d.wmClientMachine = d.atom("WM_CLIENT_MACHINE");
    // Changes of the client list and the active window invalidate what is cached.
    d.watch(d.root, PropertyChangeMask);
    x11::syncOk(d.display);
}

X11Desktop::~X11Desktop() {
    m_impl->keyboard.reset();
    m_impl->held.reset();
}

void X11Desktop::activate(const std::string& title) {
    Impl& d = *m_impl;
    if (m_watch && m_watch->stopRequested()) {
        throw Error(err::Stopped, "Stopped before the window \"" + title + "\" was activated");
    }
    d.launcher.reap();
    d.takeEvents();
    Window w = d.find(title);
    if (w == None && m_windowWait.count() > 0) w = d.waitForWindow(title, m_windowWait, m_watch);
    if (w == None) {
        const std::string waited = m_windowWait.count() > 0
                                       ? " within " + std::to_string(m_windowWait.count()) + " ms"
                                       : std::string();
        throw Error(err::WindowNotFound,
                    "No window with the title \"" + title + "\" was found" + waited);
    }
    if (d.minimizer) d.minimizer->keepShown(w);
    if (w != d.unsettled) d.settle(m_watch);
    const bool again = w == d.activated;
    if (!again) d.targetMayHoldKeyboard = false;
    d.activated = w;
    d.activatedTitle = title;
    // The window typed into a moment ago, with no event since saying that anything moved:
    // the next stroke's check under the grab stands in for the round trips of a look.
    if (again && d.knownToHold(w)) {
        d.trustedActivation = true;
        return;
    }
    d.keyboardFree = false;
    d.activateWindow(w, m_watch);
}

void X11Desktop::sendKeys(const std::string& keys) {
    Impl& d = *m_impl;
    d.launcher.reap();
    const std::vector<KeyStroke> strokes = parseSendKeys(keys);
    if (strokes.empty()) return;
    if (d.activated == None) {
        throw Error(err::WrongFocus, "No window was activated to receive the keys");
    }
    if (d.isOwn(d.activated)) {
        throw Error(err::WrongFocus, "The window \"" + d.activatedTitle +
                                         "\" is one of this program's own; nothing was typed");
    }
    const bool typesBreak = std::any_of(strokes.begin(), strokes.end(), [](const KeyStroke& s) {
        return s.key == NamedKey::Break;
    });
    StopKey::Suspension suspension(typesBreak ? d.stopKey : nullptr);
    std::size_t sent = 0;
    const auto progress = [&] {
        return "after " + std::to_string(sent) + " of " + std::to_string(strokes.size()) +
               " keys typed into \"" + d.activatedTitle + "\"";
    };
    X11Keyboard::Target target = d.target();
    if (d.targetHoldsKeyboard(m_watch)) {
        // Such a program passes key positions on (a remote desktop, a virtual machine's
        // viewer): a character bound to a spare keycode means nothing at the far end.
        target.traits.readsNewBindings = false;
        target.traits.kind = "a program that holds the keyboard itself, as a remote desktop does";
    }
    d.pauseSinceLastStroke(m_keyDelay, m_watch);
    for (int attempt = 1;; ++attempt) {
        sent = 0;
        bool first = true;
        if (m_watch && m_watch->stopRequested()) throw Error(err::Stopped, "Stopped " + progress());
        try {
            d.keyboard->type(
                strokes, target,
                [&](std::size_t strokesSent) {
                    sent = strokesSent;
                    d.checkStroke(strokesSent, strokes.size(), std::exchange(first, false));
                    // From here on a key may be on its way to the window.
                    d.unsettled = d.activated;
                    d.unsettledDropsKeys = d.traits.dropsUnreadKeys;
                    ++d.unsettledKeys;
                    d.lastStroke = Clock::now();
                },
                [&](std::size_t) {
                    d.pauseBetweenKeys(m_keyDelay, m_watch, progress);
                    d.stopIfAsked(m_watch, progress());
                });
            return;
        } catch (const StartAgain& again) {
            // Nothing was sent; the grab is let go. A held key is waited for with its notice.
            if (attempt == kActivationTries) {
                throw Error(err::WrongFocus, "The window \"" + d.activatedTitle +
                                                 "\" did not keep the focus; nothing was typed");
            }
            if (again.heldKey) {
                d.waitForHeldKeys(m_watch);
            } else {
                d.activateWindow(d.activated, m_watch);
            }
        } catch (const Error& e) {
            // The stop key grabs the keyboard while it is down: say it was the clerk's stop,
            // which its own connection may report a moment after the grab was seen.
            if (d.keyboardTaken && m_watch) {
                const auto deadline = Clock::now() + std::chrono::milliseconds(100);
                do {
                    const std::size_t typed = sent;
                    d.stopIfAsked(m_watch, "by the stop key after " + std::to_string(typed) +
                                               " keys typed into \"" + d.activatedTitle + "\"");
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                } while (Clock::now() < deadline);
            }
            throw;
        }
    }
}

void X11Desktop::settle() {
    m_impl->settle(m_watch);
}

void X11Desktop::setStopKey(StopKey* stopKey) {
    m_impl->stopKey = stopKey;
}

void X11Desktop::launch(const std::string& commandLine) {
    // X11 cannot ask a program to start minimized: its window is iconified once it shows.
    Impl& d = *m_impl;
    d.settle(m_watch);
    const int pid = d.launcher.launch(commandLine);
    if (!d.minimizer) d.minimizer = std::make_unique<X11LaunchMinimizer>(DisplayString(d.display));
    d.minimizer->watch(pid);
}

void X11Desktop::setPointer(int x, int y) {
    Impl& d = *m_impl;
    d.settle(m_watch);
    XTestFakeMotionEvent(d.display, 0, x, y, CurrentTime);
    x11::sync(d.display, "XTestFakeMotionEvent");
}

void X11Desktop::leftButton(bool down) {
    Impl& d = *m_impl;
    d.settle(m_watch);
    if (down) d.stopIfAsked(m_watch, "before the left button was pressed");
    d.held->button(1, down);
    XTestFakeButtonEvent(d.display, 1, down ? True : False, CurrentTime);
    x11::sync(d.display, "XTestFakeButtonEvent");
}

}  // namespace nightaudit
