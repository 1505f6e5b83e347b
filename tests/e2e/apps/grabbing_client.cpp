// A stand-in for a remote-desktop client: a window titled by the first argument that grabs the
// keyboard while it has the focus (as such clients do, to forward every key) and appends the
// UTF-8 of each key press it receives to the file named by the second argument. Like such a
// client, which sends the far end the key's position, not its symbol, it forwards nothing for a
// keycode that had no symbol when it started: the far end has no such key.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <clocale>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) return std::fprintf(stderr, "usage: grabbing_client TITLE FILE\n"), 2;
    std::setlocale(LC_ALL, "");
    XSetLocaleModifiers("@im=none");
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return 1;
    FILE* out = std::fopen(argv[2], "ab");
    if (!out) return 1;
    Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 300, 200, 0, 0, 0);
    XStoreName(dpy, w, argv[1]);
    XSelectInput(dpy, w, KeyPressMask | FocusChangeMask | StructureNotifyMask);
    XMapWindow(dpy, w);
    int min, max, perCode;
    XDisplayKeycodes(dpy, &min, &max);
    KeySym* map = XGetKeyboardMapping(dpy, static_cast<KeyCode>(min), max - min + 1, &perCode);
    bool known[256] = {};
    for (int k = min; k <= max; ++k)
        for (int l = 0; l < perCode; ++l) known[k] |= map[(k - min) * perCode + l] != NoSymbol;
    XFree(map);
    XIM im = XOpenIM(dpy, nullptr, nullptr, nullptr);
    XIC ic = im ? XCreateIC(im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow,
                            w, XNFocusWindow, w, nullptr)
                : nullptr;
    if (!ic) return std::fprintf(stderr, "no input context\n"), 1;
    for (;;) {
        XEvent e;
        XNextEvent(dpy, &e);
        // The grab's own focus changes come as NotifyGrab and NotifyUngrab; a focus that moves
        // while the grab is held comes as NotifyWhileGrabbed.
        const bool moved = (e.type == FocusIn || e.type == FocusOut) &&
                           e.xfocus.detail != NotifyPointer &&
                           (e.xfocus.mode == NotifyNormal || e.xfocus.mode == NotifyWhileGrabbed);
        if (moved && e.type == FocusIn)
            XGrabKeyboard(dpy, w, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        else if (moved)
            XUngrabKeyboard(dpy, CurrentTime);
        else if (e.type == KeyPress && known[e.xkey.keycode]) {
            char buf[64];
            KeySym sym;
            Status status;
            int n = Xutf8LookupString(ic, &e.xkey, buf, sizeof buf, &sym, &status);
            if (n > 0 && (status == XLookupChars || status == XLookupBoth)) {
                std::fwrite(buf, 1, static_cast<size_t>(n), out);
                std::fflush(out);
            }
        }
    }
}
