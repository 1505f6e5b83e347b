// Start-up and memory: from process start until its main window is on screen (a
// managed, viewable top-level window with the expected title), and the process's
// resident memory one second later, when the window has been painted and the program's
// connections to the desktop are open. The floor window (a Qt program showing text, see
// minimal_window.cpp) and nightaudit with two stores run interleaved, on the display in
// $DISPLAY; the repetitions go through every order of the three, so that none of them
// always follows the same one.
//
//   bench_startup REPS MINIMAL DEMO_DIR BIG_DIR BIG_LABEL
//   (each DIR holds a copy of nightaudit beside its db.mdb)

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "Measure.h"

extern char** environ;

namespace {

std::string windowTitle(Display* dpy, Window w) {
    const Atom netName = XInternAtom(dpy, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string out;
    if (XGetWindowProperty(dpy, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        out.assign(reinterpret_cast<char*>(data), count);
    }
    if (data) XFree(data);
    return out;
}

// A managed top-level window titled `title` that is viewable.
bool shown(Display* dpy, const std::string& title) {
    const Atom clientList = XInternAtom(dpy, "_NET_CLIENT_LIST", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(dpy, DefaultRootWindow(dpy), clientList, 0, 4096, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        data) {
        const Window* list = reinterpret_cast<Window*>(data);
        for (unsigned long i = 0; i < count && !found; ++i) {
            XWindowAttributes a{};
            found = windowTitle(dpy, list[i]) == title && XGetWindowAttributes(dpy, list[i], &a) &&
                    a.map_state == IsViewable;
        }
    }
    if (data) XFree(data);
    return found;
}

// Windows close while they are read (the previous start's, being torn down): such
// errors only mean "not this window".
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

// A "Name:   123 kB" line of /proc/PID/status.
long statusKb(pid_t pid, const std::string& name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(name + ":", 0) == 0) return std::atol(line.c_str() + name.size() + 1);
    }
    return 0;
}

struct Sample {
    double seconds = 0;
    long rssKb = 0, anonKb = 0, fileKb = 0;  // settled
};

Sample startOnce(Display* dpy, const std::string& program, const std::string& title) {
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    const auto start = bench::Clock::now();
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        std::exit(1);
    }
    Sample s;
    while (!shown(dpy, title)) {
        if (bench::secondsSince(start) > 30 || waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "%s never showed \"%s\"\n", program.c_str(), title.c_str());
            std::exit(1);
        }
        usleep(500);
    }
    s.seconds = bench::secondsSince(start);
    // Settled: the first paint and the desktop connections come within this second.
    usleep(1000 * 1000);
    s.rssKb = statusKb(pid, "VmRSS");
    s.anonKb = statusKb(pid, "RssAnon");
    s.fileKb = statusKb(pid, "RssFile");
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    // Let the window manager drop the closed window before the next start.
    while (shown(dpy, title)) usleep(1000);
    return s;
}

std::string fmt(const char* format, double value) {
    char text[96];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: bench_startup REPS MINIMAL DEMO_DIR BIG_DIR BIG_LABEL\n");
        return 2;
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return 1;
    XSetErrorHandler(ignoreXError);
    const int reps = std::atoi(argv[1]);
    struct Program {
        std::string label, path, title;
        std::vector<double> times, rss, anon, file;
    };
    std::vector<Program> programs = {
        {"floor window (text, group box, button, tree)", argv[2], "Floor window", {}, {}, {}, {}},
        {"nightaudit, demo store",
         std::string(argv[3]) + "/nightaudit",
         "Quillmar Night Audit",
         {},
         {},
         {},
         {}},
        {std::string("nightaudit, ") + argv[5] + " store",
         std::string(argv[4]) + "/nightaudit",
         "Quillmar Night Audit",
         {},
         {},
         {},
         {}},
    };
    for (auto& p : programs) startOnce(dpy, p.path, p.title);  // warm the page cache
    std::vector<std::size_t> order(programs.size());
    std::iota(order.begin(), order.end(), 0);
    for (int r = 0; r < reps; ++r, std::next_permutation(order.begin(), order.end())) {
        for (std::size_t k : order) {
            Program& p = programs[k];
            const Sample s = startOnce(dpy, p.path, p.title);
            p.times.push_back(s.seconds);
            p.rss.push_back(double(s.rssKb));
            p.anon.push_back(double(s.anonKb));
            p.file.push_back(double(s.fileKb));
        }
    }
    const double baseTime = bench::median(programs[0].times);
    const double baseRss = bench::median(programs[0].rss);
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const Program& p = programs[i];
        const double t = bench::median(p.times), m = bench::median(p.rss);
        const double tr = t / baseTime, mr = m / baseRss;
        const char* timeTarget = i == 0 ? "-" : i == 1 ? "<= 1.2x" : "<= 1.6x";
        const bool timeOk = i == 0 || tr <= (i == 1 ? 1.2 : 1.6);
        bench::row("start-up time", p.label.c_str(), fmt("%.0f ms", t * 1e3).c_str(),
                   fmt("floor %.0f ms", baseTime * 1e3).c_str(), fmt("%.2fx", tr).c_str(),
                   timeTarget, timeOk);
        const std::string memory = fmt("%.1f MiB", m / 1024) + " (anonymous " +
                                   fmt("%.1f", bench::median(p.anon) / 1024) + ", files " +
                                   fmt("%.1f", bench::median(p.file) / 1024) + ")";
        bench::row("memory (VmRSS 1 s after shown, painted)", p.label.c_str(), memory.c_str(),
                   fmt("floor %.1f MiB", baseRss / 1024).c_str(), fmt("%.2fx", mr).c_str(),
                   i == 1 ? "<= 1.2x" : "-", i != 1 || mr <= 1.2);
    }
    XCloseDisplay(dpy);
    return 0;
}
