#include "X11Errors.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <map>
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
// Per connection: one thread owns several (the desktop's, the stop key's), and a late error
// on one must not fail a request on another. Other threads (the launch watch) own theirs.
std::mutex g_lock;
std::map<Display*, Recorded> g_recorded;

int recordError(Display* display, XErrorEvent* event) {
    const std::lock_guard<std::mutex> hold(g_lock);
    Recorded& r = g_recorded[display];
    if (!r.failed) r = {true, event->error_code, event->request_code};
    return 0;
}

// The first error recorded on the connection since the last call, forgotten now.
Recorded takeRecorded(Display* display) {
    const std::lock_guard<std::mutex> hold(g_lock);
    const auto it = g_recorded.find(display);
    if (it == g_recorded.end()) return {};
    const Recorded r = it->second;
    g_recorded.erase(it);
    return r;
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
    return !takeRecorded(display).failed;
}

void sync(Display* display, const char* call) {
    XSync(display, False);
    throwIfRefused(display, call);
}

void throwIfRefused(Display* display, const char* call) {
    const Recorded r = takeRecorded(display);
    if (!r.failed) return;
    char text[256] = "";
    XGetErrorText(display, r.code, text, sizeof text);
    throw Error(err::DisplayLost, std::string("The X display refused ") + call + ": " + text +
                                      " (request " + std::to_string(r.request) + ")");
}

void CloseDisplay::operator()(_XDisplay* display) const {
    if (!display) return;
    XCloseDisplay(display);
    takeRecorded(display);  // a later connection may get the same address
}

Connection openConnection() {
    return Connection(openDisplay());
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
