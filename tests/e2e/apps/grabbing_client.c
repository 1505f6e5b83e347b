/* A stand-in for a remote-desktop client: a window titled by the first argument that grabs the
 * keyboard while it has the focus (as such clients do, to forward every key) and appends the
 * UTF-8 of each key press it receives to the file named by the second argument. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <locale.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc != 3) return fprintf(stderr, "usage: grabbing_client TITLE FILE\n"), 2;
    setlocale(LC_ALL, "");
    XSetLocaleModifiers("@im=none");
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) return 1;
    FILE* out = fopen(argv[2], "ab");
    if (!out) return 1;
    Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 300, 200, 0, 0, 0);
    XStoreName(dpy, w, argv[1]);
    Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    XChangeProperty(dpy, w, XInternAtom(dpy, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    (unsigned char*)argv[1], (int)strlen(argv[1]));
    XSelectInput(dpy, w, KeyPressMask | FocusChangeMask | StructureNotifyMask);
    XMapWindow(dpy, w);
    XIM im = XOpenIM(dpy, NULL, NULL, NULL);
    XIC ic = im ? XCreateIC(im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing,
                            XNClientWindow, w, XNFocusWindow, w, NULL)
                : NULL;
    if (!ic) return fprintf(stderr, "no input context\n"), 1;
    for (;;) {
        XEvent e;
        XNextEvent(dpy, &e);
        /* Focus changes the grab itself causes come in mode NotifyGrab/NotifyUngrab. */
        if (e.type == FocusIn && e.xfocus.mode == NotifyNormal)
            XGrabKeyboard(dpy, w, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        else if (e.type == FocusOut && e.xfocus.mode == NotifyNormal)
            XUngrabKeyboard(dpy, CurrentTime);
        else if (e.type == KeyPress) {
            char buf[64];
            KeySym sym;
            Status status;
            int n = Xutf8LookupString(ic, &e.xkey, buf, sizeof buf, &sym, &status);
            if (n > 0 && (status == XLookupChars || status == XLookupBoth)) {
                fwrite(buf, 1, (size_t)n, out);
                fflush(out);
            }
        }
    }
}
