#include "X11Windows.h"

#include <X11/Xatom.h>

namespace nightaudit::x11 {

namespace {

std::vector<Window> children(Display* display, Window w) {
    Window rootReturn = None, parent = None, *kids = nullptr;
    unsigned count = 0;
    std::vector<Window> out;
    if (XQueryTree(display, w, &rootReturn, &parent, &kids, &count) && kids) {
        out.assign(kids, kids + count);
    }
    if (kids) XFree(kids);
    return out;
}

}  // namespace

bool hasWmState(Display* display, Window window, Atom wmState) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool has = XGetWindowProperty(display, window, wmState, 0, 0, False, AnyPropertyType,
                                        &type, &format, &count, &after, &data) == Success &&
                     type != None;
    if (data) XFree(data);
    return has;
}

std::vector<Window> topLevelWindows(Display* display, Atom clientList, Atom wmState) {
    const Window root = DefaultRootWindow(display);
    std::vector<Window> list = readProperty<Window>(display, root, clientList, XA_WINDOW);
    if (!list.empty()) return list;
    for (Window w : children(display, root)) {
        if (hasWmState(display, w, wmState)) {
            list.push_back(w);
            continue;
        }
        for (Window c : children(display, w)) {
            if (hasWmState(display, c, wmState)) list.push_back(c);
        }
    }
    return list;
}

}  // namespace nightaudit::x11
