#include "X11Desktop.h"

// Our headers come before Xlib's, whose None macro would clash with NamedKey::None.
#include "ProcessLauncher.h"
#include "SendKeysParser.h"
#include "X11Errors.h"
#include "X11Keyboard.h"
#include "core/Error.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>
#include <vector>

namespace nightaudit {

namespace {

using Clock = std::chrono::steady_clock;

// How long a send waits for the window manager to hand the focus over, and for the
// clerk to let go of a modifier key.
constexpr std::chrono::milliseconds kFocusWait{1000};
constexpr std::chrono::milliseconds kModifierWait{1000};

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
    Display* display = nullptr;
    Window root = None;
    Window activated = None;
    std::string activatedTitle;
    ProcessLauncher launcher;
    StopKey* stopKey = nullptr;
    Atom clientList, wmName, utf8, wmState, activeWindow, supported;

    // What earlier activations and focus checks learnt, kept only while the server's
    // events say it still holds: each key activates its window twice and checks the
    // focus once, and reading every title each time cost more than typing the key.
    // The window found for an exact title; a prefix match is looked up afresh each time,
    // since a window with the exact title may appear meanwhile.
    Window cachedWindow = None;
    std::string cachedTitle;
    Window active = None;  // the root's _NET_ACTIVE_WINDOW, while activeKnown
    bool activeKnown = false;
    int activationSupport = -1;  // _NET_SUPPORTED lists _NET_ACTIVE_WINDOW: -1 unread
    Window focusWindow = None;   // the last focus window seen, and its top-level window
    Window focusTop = None;
    std::vector<Window> focusChain;  // the windows the walk from focusWindow went through
    std::map<Window, long> watched;  // event masks selected on other clients' windows

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
    }

    bool inFocusChain(Window w) const {
        return std::find(focusChain.begin(), focusChain.end(), w) != focusChain.end();
    }

    // Applies the events queued so far to what is cached: a renamed, closed, unmapped
    // or reparented window, a changed client list or active window.
    void takeEvents() {
        while (XEventsQueued(display, QueuedAfterReading) > 0) {
            XEvent e;
            XNextEvent(display, &e);
            Window about = None;
            switch (e.type) {
                case PropertyNotify:
                    if (e.xproperty.window == root) {
                        if (e.xproperty.atom == clientList) cachedWindow = None;
                        if (e.xproperty.atom == activeWindow) activeKnown = false;
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
                case DestroyNotify:
                    about = e.xdestroywindow.window;
                    watched.erase(about);
                    break;
                case UnmapNotify:
                    about = e.xunmap.window;
                    break;
                case ReparentNotify:
                    about = e.xreparent.window;
                    break;
                default:
                    continue;
            }
            if (about == cachedWindow) cachedWindow = None;
            if (inFocusChain(about)) forgetFocus();
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
            if (prefixMatch == None && !wanted.empty() &&
                t.compare(0, wanted.size(), wanted) == 0) {
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

    void waitForFocus() {
        if (activated == None) {
            throw Error(err::WrongFocus, "No window was activated to receive the keys");
        }
        const auto deadline = Clock::now() + kFocusWait;
        for (;;) {
            if (focusedTopLevel() == activated) return;
            if (Clock::now() >= deadline) {
                throw Error(err::WrongFocus, "The input focus is not on the window \"" +
                                                 activatedTitle + "\"; nothing was typed");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
};

X11Desktop::X11Desktop() : m_impl(std::make_unique<Impl>()) {
    Impl& d = *m_impl;
    d.display = x11::openDisplay();
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d.display, &event, &error, &major, &minor)) {
        XCloseDisplay(d.display);
        throw Error(err::NotAvailable, "The X display offers no XTEST extension for typing");
    }
    d.root = DefaultRootWindow(d.display);
    d.clientList = d.atom("_NET_CLIENT_LIST");
    d.wmName = d.atom("_NET_WM_NAME");
    d.utf8 = d.atom("UTF8_STRING");
    d.wmState = d.atom("WM_STATE");
    d.activeWindow = d.atom("_NET_ACTIVE_WINDOW");
    d.supported = d.atom("_NET_SUPPORTED");
    // Changes of the client list and the active window invalidate what is cached.
    d.watch(d.root, PropertyChangeMask);
    x11::syncOk(d.display);
}

X11Desktop::~X11Desktop() {
    if (m_impl->display) XCloseDisplay(m_impl->display);
}

void X11Desktop::activate(const std::string& title) {
    Impl& d = *m_impl;
    d.launcher.reap();
    d.catchUp();
    const Window w = d.find(title);
    if (w == None) {
        throw Error(err::WindowNotFound, "No window with the title \"" + title + "\" was found");
    }
    bool asked = true;
    if (d.wmSupportsActivation()) {
        // Already the active window and holding the focus: asking again changes
        // nothing. The window manager's word alone is not enough: a toolkit may have
        // moved the focus (a modal dialog of its own) without the property changing yet.
        asked = !(d.activeNow() == w && d.focusedTopLevel() == w);
        if (asked) {
            // Source indication 2 (a pager acting for the user): window managers honour
            // it where focus-stealing prevention refuses a request from an application.
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = w;
            event.xclient.message_type = d.activeWindow;
            event.xclient.format = 32;
            event.xclient.data.l[0] = 2;
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent(d.display, d.root, False, SubstructureNotifyMask | SubstructureRedirectMask,
                       &event);
        }
    } else {
        XMapRaised(d.display, w);
        XSetInputFocus(d.display, w, RevertToParent, CurrentTime);
    }
    if (asked && !x11::syncOk(d.display)) {
        throw Error(err::WindowNotFound,
                    "The window \"" + title + "\" closed before it could be activated");
    }
    d.activated = w;
    d.activatedTitle = title;
}

void X11Desktop::sendKeys(const std::string& keys) {
    Impl& d = *m_impl;
    d.launcher.reap();
    const std::vector<KeyStroke> strokes = parseSendKeys(keys);
    if (strokes.empty()) return;
    X11Keyboard keyboard(d.display, strokes);
    keyboard.waitForModifiersReleased(kModifierWait);
    d.waitForFocus();
    const bool typesBreak = std::any_of(strokes.begin(), strokes.end(), [](const KeyStroke& s) {
        return s.key == NamedKey::Break;
    });
    StopKey::Suspension suspension(typesBreak ? d.stopKey : nullptr);
    keyboard.type();
}

void X11Desktop::setStopKey(StopKey* stopKey) {
    m_impl->stopKey = stopKey;
}

void X11Desktop::launch(const std::string& commandLine) {
    // Started normally: X11 has no portable way to ask a program to start minimized.
    m_impl->launcher.launch(commandLine);
}

void X11Desktop::setPointer(int x, int y) {
    Impl& d = *m_impl;
    XTestFakeMotionEvent(d.display, 0, x, y, CurrentTime);
    x11::sync(d.display, "XTestFakeMotionEvent");
}

void X11Desktop::leftButton(bool down) {
    Impl& d = *m_impl;
    XTestFakeButtonEvent(d.display, 1, down ? True : False, CurrentTime);
    x11::sync(d.display, "XTestFakeButtonEvent");
}

}  // namespace nightaudit
