#include "X11Errors.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "core/Error.h"

namespace nightaudit::x11 {

namespace {

struct Recorded {
    bool failed = false;
    int code = 0;
    int request = 0;
};
// Per thread: a watch on a connection of its own must not report into the desktop's.
thread_local Recorded g_recorded;

int recordError(Display* display, XErrorEvent* event) {
    if (!g_recorded.failed) {
        g_recorded = {true, event->error_code, event->request_code};
    }
    (void)display;
    return 0;
}

int connectionLost(Display* display) {
    std::fprintf(stderr,
                 "Quillmar Night Audit: the connection to the X display %s was lost; "
                 "the program ends.\n",
                 display ? DisplayString(display) : "");
    std::_Exit(EXIT_FAILURE);
}

}  // namespace

void installErrorHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        XSetErrorHandler(recordError);
        XSetIOErrorHandler(connectionLost);
    });
}

bool syncOk(Display* display) {
    XSync(display, False);
    const bool ok = !g_recorded.failed;
    g_recorded = {};
    return ok;
}

void sync(Display* display, const char* call) {
    XSync(display, False);
    throwIfRefused(display, call);
}

void throwIfRefused(Display* display, const char* call) {
    if (!g_recorded.failed) return;
    const Recorded r = g_recorded;
    g_recorded = {};
    char text[256] = "";
    XGetErrorText(display, r.code, text, sizeof text);
    throw Error(err::DisplayLost, std::string("The X display refused ") + call + ": " + text +
                                      " (request " + std::to_string(r.request) + ")");
}

_XDisplay* openDisplay() {
    installErrorHandlers();
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = XDisplayName(nullptr);
        throw Error(err::DisplayLost,
                    std::string("Cannot open the X display \"") + (name ? name : "") + "\"");
    }
    return display;
}

}  // namespace nightaudit::x11
