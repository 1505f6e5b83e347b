// Probes a real application's window on the current display, for benchmarks/bench_apps.sh:
//   apps_probe type TEXTFILE [ctrl-s] [watch=FILE] [away=WINDOW after=MS|ping]
//     types the ASCII text through XTest (press, release, XSync per key) into whatever has the
//     focus, then ^s if asked; prints when the last key went out, how long until FILE held the
//     whole text (BOM and CR dropped), and when the focus was sent to WINDOW (MS after the last
//     key, or as soon as the focused window answered a _NET_WM_PING); with `pixels`, also when
//     the window's picture last changed (polled every 10 ms) before the text was complete.
//   apps_probe ping WINDOW    whether WM_PROTOCOLS lists _NET_WM_PING and the reply's delay
//   apps_probe rebound CHAR   types one character through a spare keycode bound to it now
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

namespace {

Display* dpy;

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

Atom atom(const char* name) {
    return XInternAtom(dpy, name, False);
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// What the target holds, as typed: no byte-order mark, LF line ends.
std::string normalized(std::string s) {
    if (s.rfind("\xEF\xBB\xBF", 0) == 0) s.erase(0, 3);
    std::string out;
    for (char c : s)
        if (c != '\r') out += c;
    return out;
}

void tap(KeyCode code, bool shift, bool ctrl = false) {
    const KeyCode shiftCode = XKeysymToKeycode(dpy, XK_Shift_L);
    const KeyCode ctrlCode = XKeysymToKeycode(dpy, XK_Control_L);
    if (shift) XTestFakeKeyEvent(dpy, shiftCode, True, CurrentTime);
    if (ctrl) XTestFakeKeyEvent(dpy, ctrlCode, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    if (ctrl) XTestFakeKeyEvent(dpy, ctrlCode, False, CurrentTime);
    if (shift) XTestFakeKeyEvent(dpy, shiftCode, False, CurrentTime);
    XSync(dpy, False);
}

// The keycode and Shift level that type `sym` on the current keymap; 0 when none does.
KeyCode lookup(KeySym sym, bool& shift) {
    int min, max, per;
    XDisplayKeycodes(dpy, &min, &max);
    KeySym* map = XGetKeyboardMapping(dpy, min, max - min + 1, &per);
    KeyCode found = 0;
    for (int k = min; k <= max && !found; ++k)
        for (int level = 0; level < 2 && level < per && !found; ++level)
            if (map[(k - min) * per + level] == sym) found = k, shift = level == 1;
    XFree(map);
    return found;
}

Window activeWindow() {
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char* data = nullptr;
    Window w = 0;
    if (XGetWindowProperty(dpy, DefaultRootWindow(dpy), atom("_NET_ACTIVE_WINDOW"), 0, 1, False,
                           XA_WINDOW, &type, &format, &n, &after, &data) == Success &&
        n == 1)
        w = *reinterpret_cast<Window*>(data);
    if (data) XFree(data);
    return w;
}

void clientMessage(Window target, Window about, Atom type, long l0, long l1, long l2, long mask) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = about;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    e.xclient.data.l[0] = l0;
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[2] = l2;
    XSendEvent(dpy, target, False, mask, &e);
    XFlush(dpy);
}

// Sends a _NET_WM_PING to `w` and waits up to 5 s for its answer on the root window: the
// delay in ms, or -1. Says whether WM_PROTOCOLS lists the ping.
double ping(Window w, bool& listed) {
    Atom* protocols = nullptr;
    int n = 0;
    listed = false;
    if (XGetWMProtocols(dpy, w, &protocols, &n))
        for (int i = 0; i < n; ++i) listed |= protocols[i] == atom("_NET_WM_PING");
    if (protocols) XFree(protocols);
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    const long stamp = 0x5eed0000 + (static_cast<long>(nowMs()) & 0xffff);
    const double start = nowMs();
    clientMessage(w, w, atom("WM_PROTOCOLS"), atom("_NET_WM_PING"), stamp, w, NoEventMask);
    while (nowMs() - start < 5000) {
        while (XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            if (e.type == ClientMessage && e.xclient.message_type == atom("WM_PROTOCOLS") &&
                static_cast<Atom>(e.xclient.data.l[0]) == atom("_NET_WM_PING") &&
                e.xclient.data.l[1] == stamp)
                return nowMs() - start;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return -1;
}

void activate(Window w) {
    clientMessage(DefaultRootWindow(dpy), w, atom("_NET_ACTIVE_WINDOW"), 2, CurrentTime, 0,
                  SubstructureNotifyMask | SubstructureRedirectMask);
}

// A hash of the window's picture: what it shows changes when the target draws a character.
unsigned long long picture(Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy, w, &a)) return 0;
    XImage* img = XGetImage(dpy, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!img) return 0;
    unsigned long long h = 1469598103934665603ull;
    const size_t n = static_cast<size_t>(img->bytes_per_line) * img->height;
    for (size_t i = 0; i < n; ++i)
        h = (h ^ static_cast<unsigned char>(img->data[i])) * 1099511628211ull;
    XDestroyImage(img);
    return h;
}

int type(int argc, char** argv) {
    const std::string text = readAll(argv[2]);
    bool ctrlS = false, pingFirst = false, pixels = false;
    std::string watch;
    Window away = 0;
    int after = 0;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "ctrl-s") ctrlS = true;
        if (a == "pixels") pixels = true;
        if (a.rfind("watch=", 0) == 0) watch = a.substr(6);
        if (a.rfind("away=", 0) == 0) away = std::strtoul(a.c_str() + 5, nullptr, 0);
        if (a == "after=ping")
            pingFirst = true;
        else if (a.rfind("after=", 0) == 0)
            after = std::atoi(a.c_str() + 6);
    }
    const Window target = activeWindow();
    const double start = nowMs();
    for (char c : text) {
        bool shift = false;
        const KeyCode code = lookup(c == '\n' ? XK_Return : static_cast<KeySym>(c), shift);
        if (!code) return std::fprintf(stderr, "no key for %c\n", c), 1;
        tap(code, shift);
    }
    if (ctrlS) tap(XKeysymToKeycode(dpy, XK_s), false, true);
    const double last = nowMs();
    std::printf("typed %zu keys in %.0f ms (%.0f keys/s)\n", text.size(), last - start,
                text.size() * 1000.0 / (last - start));
    if (away) {
        if (pingFirst) {
            bool listed;
            const double reply = ping(target, listed);
            std::printf("ping answered %.1f ms after the last key (%.1f)\n", nowMs() - last, reply);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(after));
        }
        activate(away);
        std::printf("focus sent away %.1f ms after the last key\n", nowMs() - last);
    }
    if (!watch.empty()) {
        const std::string want = normalized(text);
        unsigned long long shown = pixels ? picture(target) : 0;
        double changed = 0, complete = -1;
        while (nowMs() - last < 30000 && (complete < 0 || (pixels && nowMs() - complete < 2000))) {
            if (complete < 0 && normalized(readAll(watch)) == want) complete = nowMs() - last;
            if (pixels && picture(target) != shown)
                shown = picture(target), changed = nowMs() - last;
            std::this_thread::sleep_for(std::chrono::milliseconds(pixels ? 10 : 1));
        }
        if (complete < 0)
            std::printf("complete NOT after %.0f ms\n", nowMs() - last);
        else
            std::printf("complete at %.0f ms after the last key\n", complete);
        if (pixels) std::printf("picture last changed %.0f ms after the last key\n", changed);
    }
    return 0;
}

// Binds a keycode without symbols to the character's keysym now, after the target started.
int rebound(const char* utf8) {
    unsigned cp = static_cast<unsigned char>(utf8[0]);
    int extra = cp >= 0xf0 ? 3 : cp >= 0xe0 ? 2 : cp >= 0xc0 ? 1 : 0;
    if (extra) cp &= 0x3f >> extra;
    for (int i = 1; i <= extra; ++i) cp = (cp << 6) | (utf8[i] & 0x3f);
    const KeySym sym = cp < 0x100 ? cp : 0x1000000 + cp;
    int min, max, per;
    XDisplayKeycodes(dpy, &min, &max);
    KeySym* map = XGetKeyboardMapping(dpy, min, max - min + 1, &per);
    int spare = 0;
    for (int k = max; k >= min && !spare; --k) {
        bool empty = true;
        for (int l = 0; l < per; ++l) empty &= map[(k - min) * per + l] == NoSymbol;
        if (empty) spare = k;
    }
    XFree(map);
    if (!spare) return std::fprintf(stderr, "no spare keycode\n"), 1;
    KeySym syms[2] = {sym, sym};
    XChangeKeyboardMapping(dpy, spare, 2, syms, 1);
    XSync(dpy, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    tap(spare, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    KeySym none[2] = {NoSymbol, NoSymbol};
    XChangeKeyboardMapping(dpy, spare, 2, none, 1);
    XSync(dpy, False);
    std::printf("typed U+%04X through keycode %d\n", cp, spare);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || !(dpy = XOpenDisplay(nullptr)))
        return std::fprintf(stderr, "usage: apps_probe type|ping|rebound ARG ...\n"), 2;
    const std::string what = argv[1];
    if (what == "type") return type(argc, argv);
    if (what == "rebound") return rebound(argv[2]);
    if (what == "ping") {
        bool listed;
        const double reply = ping(std::strtoul(argv[2], nullptr, 0), listed);
        std::printf("WM_PROTOCOLS lists _NET_WM_PING: %s; reply: %s", listed ? "yes" : "no",
                    reply < 0 ? "none in 5 s\n" : "");
        if (reply >= 0) std::printf("%.1f ms\n", reply);
        return 0;
    }
    return 2;
}
