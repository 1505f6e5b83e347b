#pragma once

// Reading windows and their properties, for the X11 backend's sources only. Each call
// works on the connection it is given, so a thread with a connection of its own may use it.

#include <X11/Xlib.h>

#include <vector>

namespace nightaudit::x11 {

// A property's items, freed on every path; empty when the window lacks it, it has
// another type, or the window closed meanwhile.
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

// Whether the window manager manages the window: it carries WM_STATE (`wmState`).
bool hasWmState(Display* display, Window window, Atom wmState);

// The managed top-level windows: the window manager's _NET_CLIENT_LIST (`clientList`), or
// without one the windows that carry WM_STATE among the root's children and, inside a
// window manager's frames, their children. Windows that close meanwhile may be listed;
// reading them fails, and the caller's next sync forgets that failure.
std::vector<Window> topLevelWindows(Display* display, Atom clientList, Atom wmState);

}  // namespace nightaudit::x11
