// Playback cost per key on a real X server. The running X session (Xvfb, openbox and a
// raw xterm titled "Front Desk" appending to RECORD) is run.sh's. In one run: the
// key sequence player with the X11 desktop playing 1 000 one-character keys, a minimal
// XTest loop (the floor), xdotool once per key and once for the whole text; then one
// 10 000-character text through the typing engine over X11Desktop against xdotool.
//
//   bench_playback REPS KEYSTORE RECORD

#include <QApplication>
#include <QListWidget>
#include <QWindow>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Measure.h"
#include "Recorder.h"
#include "UnavailableReports.h"
#include "app/ListRunLog.h"
#include "app/MainWindow.h"
#include "app/TaskTree.h"
#include "core/Error.h"
#include "platform/X11Desktop.h"
#include "playback/KeySequencePlayer.h"
#include "playback/KeystrokeTyper.h"
#include "playback/RunLog.h"
#include "support/FakeDesktop.h"
#include "support/InstantWaiter.h"

// Xlib last: its None macro would clash with NamedKey::None.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

extern char** environ;
using namespace nightaudit;

namespace {

const char* kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";

// The text of the store's key sequence: key i (from 1) types kAlphabet[i % 36].
std::string textOf(int count) {
    std::string s;
    for (int i = 1; i <= count; ++i) s += kAlphabet[i % 36];
    return s;
}

int runProcess(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The floor: press and release of each character's key, synced with the server.
double xtestFloor(Display* dpy, const std::string& text) {
    std::vector<KeyCode> codes;
    for (char c : text) codes.push_back(XKeysymToKeycode(dpy, static_cast<KeySym>(c)));
    const auto start = bench::Clock::now();
    for (KeyCode code : codes) {
        XTestFakeKeyEvent(dpy, code, True, CurrentTime);
        XTestFakeKeyEvent(dpy, code, False, CurrentTime);
        XSync(dpy, False);
    }
    return bench::secondsSince(start);
}

double xdotoolPerKey(const std::string& text) {
    const auto start = bench::Clock::now();
    for (char c : text) runProcess({"xdotool", "type", "--delay", "0", std::string(1, c)});
    return bench::secondsSince(start);
}

double xdotoolOnce(const std::string& text) {
    const auto start = bench::Clock::now();
    runProcess({"xdotool", "type", "--delay", "0", text});
    return bench::secondsSince(start);
}

struct Side {
    explicit Side(const char* n) : name(n) {}
    const char* name;
    std::vector<double> times;
    std::string check = "0 lost";
};

std::string fmt(const char* format, double value) {
    char text[96];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_playback REPS KEYSTORE RECORD\n");
        return 2;
    }
    const int reps = std::atoi(argv[1]);
    const std::string record = argv[3];

    MainWindow window(QString::fromLocal8Bit(argv[2]));
    window.load();
    window.show();
    for (int i = 0; i < 500 && !(window.windowHandle() && window.windowHandle()->isExposed());
         ++i) {
        app.processEvents(QEventLoop::AllEvents, 10);
    }
    const int node = window.tree().indexOfKey(QStringLiteral("KS1"));

    X11Desktop desktop;
    KeystrokeTyper typer(desktop);
    InstantWaiter waiter(window.state());
    ListRunLog log(*window.controls().log);
    UnavailableReports reports;
    KeySequencePlayer player(window.store(), desktop, waiter, log, window, reports, window.state());
    // The same player on the fake desktop: what the main window, the store and the run
    // log cost per key, without the X server.
    FakeDesktop fake;
    fake.addWindow("Front Desk");
    fake.addWindow("Quillmar Night Audit");
    KeySequencePlayer fakePlayer(window.store(), fake, waiter, log, window, reports,
                                 window.state());
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy || node == 0) {
        std::fprintf(stderr, "no display or no key sequence 1\n");
        return 1;
    }

    const std::string text = textOf(1000);
    // Each side starts with the recorder focused, as the player leaves the main window active.
    auto focusRecorder = [&] {
        typer.activate("Front Desk");
        // openbox hands the focus over within a few milliseconds; this is outside the timing.
        for (int i = 0; i < 20; ++i) {
            app.processEvents();
            usleep(5000);
        }
    };
    auto measure = [&](Side& side, auto send) {
        focusRecorder();
        const long offset = bench::fileSize(record);
        side.times.push_back(send());
        const std::string c =
            bench::compare(text, bench::readFrom(record, offset, long(text.size())));
        if (c != "0 lost") side.check = c;
    };

    Side floor{"XTest floor"}, played{"player"}, perKey{"xdotool per key"}, once{"xdotool once"};
    std::vector<double> hostTimes;
    for (int r = 0; r < reps; ++r) {
        fake.clearRecord();
        const auto start = bench::Clock::now();
        fakePlayer.playKeySequence(static_cast<std::int16_t>(node));
        hostTimes.push_back(bench::secondsSince(start));
        measure(floor, [&] { return xtestFloor(dpy, text); });
        measure(played, [&] {
            const auto start = bench::Clock::now();
            player.playKeySequence(static_cast<std::int16_t>(node));
            const double s = bench::secondsSince(start);
            if (window.caption() != QStringLiteral("Quillmar Night Audit")) {
                std::fprintf(stderr, "player failed: %s\n", qPrintable(window.caption()));
                std::exit(1);
            }
            return s;
        });
        measure(perKey, [&] { return xdotoolPerKey(text); });
        measure(once, [&] { return xdotoolOnce(text); });
    }
    const double floorRate = text.size() / bench::median(floor.times);
    // The floor's own rate swings with the load from one repetition to the next: each
    // side's ratio is the median of the ratios within a repetition, where the floor and
    // the side ran back to back.
    auto pairedRatio = [&](const Side& s) {
        std::vector<double> ratios;
        for (std::size_t i = 0; i < s.times.size(); ++i)
            ratios.push_back(s.times[i] / floor.times[i]);
        return bench::median(ratios);
    };
    for (Side* s : {&floor, &played, &perKey, &once}) {
        const double rate = text.size() / bench::median(s->times);
        std::string target = "-";
        bool ok = true;
        if (s == &played) {
            const double perKeyRate = text.size() / bench::median(perKey.times);
            target =
                "<= 1.5x floor per key, > xdotool per key (" + fmt("%.0f keys/s", perKeyRate) + ")";
            ok = pairedRatio(*s) <= 1.5 && rate > perKeyRate;
        }
        const std::string what =
            std::string("1 000 one-character keys, ") + s->name + ", " + s->check;
        ok = ok && s->check == "0 lost";
        bench::row("playback per key", what.c_str(), fmt("%.0f keys/s", rate).c_str(),
                   fmt("floor %.0f keys/s", floorRate).c_str(),
                   fmt("%.2fx floor time", pairedRatio(*s)).c_str(), target.c_str(), ok);
    }

    const double hostRate = text.size() / bench::median(hostTimes);
    bench::row("playback per key",
               "1 000 one-character keys, player on the fake desktop (host share)",
               fmt("%.0f keys/s", hostRate).c_str(), fmt("floor %.0f keys/s", floorRate).c_str(),
               fmt("%.2fx floor time", floorRate / hostRate).c_str(), "-", true);

    // One long text: the X11 desktop's own typing loop against xdotool's.
    const std::string longText = textOf(10000);
    Side ours{"KeystrokeTyper over X11Desktop"}, theirs{"xdotool type --delay 0"};
    auto measureLong = [&](Side& side, auto send) {
        focusRecorder();
        const long offset = bench::fileSize(record);
        side.times.push_back(send());
        const std::string c =
            bench::compare(longText, bench::readFrom(record, offset, long(longText.size())));
        if (c != "0 lost") side.check = c;
    };
    for (int r = 0; r < reps; ++r) {
        measureLong(ours, [&] {
            const auto start = bench::Clock::now();
            typer.type(longText);
            return bench::secondsSince(start);
        });
        measureLong(theirs, [&] { return xdotoolOnce(longText); });
    }
    const double ourRate = longText.size() / bench::median(ours.times);
    const double theirRate = longText.size() / bench::median(theirs.times);
    bench::row(
        "single text", (std::string("10 000 characters, ") + ours.name + ", " + ours.check).c_str(),
        fmt("%.0f chars/s", ourRate).c_str(),
        (std::string("xdotool ") + fmt("%.0f chars/s", theirRate) + ", " + theirs.check).c_str(),
        fmt("%.2fx xdotool time", theirRate / ourRate).c_str(), ">= 2x xdotool's speed, 0 lost",
        ourRate >= 2 * theirRate && ours.check == "0 lost" && theirs.check == "0 lost");
    XCloseDisplay(dpy);
    return 0;
}
