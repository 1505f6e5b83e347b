#include "X11DesktopState.h"

#include "X11Windows.h"

#include <X11/Xatom.h>

#include <algorithm>

namespace nightaudit {

void X11Desktop::Impl::watch(Window w, long mask) {
    long& selected = watched[w];
    if ((selected & mask) == mask) return;
    selected |= mask;
    XSelectInput(display, w, selected);
}

void X11Desktop::Impl::forgetFocus() {
    focusWindow = None;
    focusTop = None;
    focusChain.clear();
    focusSuspect = true;
}

bool X11Desktop::Impl::inFocusChain(Window w) const {
    return std::find(focusChain.begin(), focusChain.end(), w) != focusChain.end();
}

void X11Desktop::Impl::takeEvents() {
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

void X11Desktop::Impl::catchUp() {
    x11::syncOk(display);
    takeEvents();
}

bool X11Desktop::Impl::wmSupportsActivation() {
    if (activationSupport < 0) {
        activationSupport = 0;
        for (Atom a : x11::readProperty<Atom>(display, root, supported, XA_ATOM)) {
            if (a == activeWindow) activationSupport = 1;
        }
    }
    return activationSupport == 1;
}

Window X11Desktop::Impl::activeNow() {
    if (!activeKnown) {
        const std::vector<Window> v =
            x11::readProperty<Window>(display, root, activeWindow, XA_WINDOW);
        active = v.empty() ? None : v.front();
        activeKnown = true;
    }
    return active;
}

Window X11Desktop::Impl::focusedTopLevel() {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    takeEvents();
    return topLevelOf(focus);
}

Window X11Desktop::Impl::topLevelOf(Window focus) {
    if (focus != None && focus == focusWindow) return focusTop;
    forgetFocus();
    std::vector<Window> chain;
    Window top = None;
    for (Window w = focus; w != None && w != PointerRoot && w != root;) {
        // Watched before it is read, as in remember().
        watch(w, PropertyChangeMask | StructureNotifyMask);
        chain.push_back(w);
        if (x11::hasWmState(display, w, wmState)) {
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

bool X11Desktop::Impl::holds(Window w) {
    catchUp();
    return (!wmSupportsActivation() || activeNow() == w) && focusedTopLevel() == w;
}

bool X11Desktop::Impl::knownToHold(Window w) {
    return !focusSuspect && focusWindow != None && focusTop == w &&
           (!wmSupportsActivation() || (activeKnown && active == w));
}

}  // namespace nightaudit
