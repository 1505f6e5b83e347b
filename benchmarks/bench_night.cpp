// A long night: the resident memory of a process that plays key sequence after key sequence
// through the shown main window. 100 000 keys on the fake desktop (VmRSS read every
// 10 000), then 10 000 keys on the X session run.sh starts (read every 1 000; every byte
// the recording xterm received is compared with what was sent). The run log is emptied
// at the start of each key sequence, so nothing should grow once the first ones ran.
//
//   bench_night KEYSTORE RECORD   (KEYSTORE: key sequence 1 of 1 000 one-character keys)

#include <QApplication>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Measure.h"
#include "Recorder.h"
#include "UnavailableReports.h"
#include "app/ListRunLog.h"
#include "app/MainWindow.h"
#include "app/TaskTree.h"
#include "platform/X11Desktop.h"
#include "playback/KeySequencePlayer.h"
#include "playback/Waiter.h"
#include "support/FakeDesktop.h"

using namespace nightaudit;

namespace {

const char* kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";

// Returns at once and keeps nothing: the tests' waiter remembers every wait, which over
// 100 000 keys is close to a megabyte of its own.
class NoWait : public Waiter {
public:
    void wait(std::int32_t) override {}
    bool waitUntil(const QString&, const std::function<bool()>& ready) override {
        for (int i = 0; i < 1000; ++i) {
            if (ready()) return true;
        }
        return false;
    }
    void stopCurrentWait() override {}
};

double residentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6) / 1024.0;
    }
    return 0;
}

// Plays the key sequence `runs` times; VmRSS after every `perSample` runs.
template <class Play>
std::vector<double> sample(int runs, int perSample, Play play) {
    std::vector<double> out;
    for (int r = 1; r <= runs; ++r) {
        play();
        if (r % perSample == 0) out.push_back(residentMiB());
    }
    return out;
}

// "+0.03 MiB (41.2 41.2 ... 41.3)": the growth from the first sample to the last.
std::string describe(const std::vector<double>& samples) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.2f MiB (", samples.back() - samples.front());
    std::string out = text;
    for (double s : samples) {
        std::snprintf(text, sizeof text, "%.1f ", s);
        out += text;
    }
    out.back() = ')';
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_night KEYSTORE RECORD\n");
        return 2;
    }
    const std::string record = argv[2];
    MainWindow window(QString::fromLocal8Bit(argv[1]));
    window.load();
    window.show();
    for (int i = 0; i < 500 && !(window.windowHandle() && window.windowHandle()->isExposed());
         ++i) {
        app.processEvents(QEventLoop::AllEvents, 10);
    }
    const auto node = static_cast<std::int16_t>(window.tree().indexOfKey(QStringLiteral("KS1")));
    if (node == 0) {
        std::fprintf(stderr, "no key sequence 1\n");
        return 1;
    }
    NoWait waiter;
    ListRunLog log(*window.controls().log);
    UnavailableReports reports;
    const QString caption = window.caption();
    auto playOrFail = [&](KeySequencePlayer& player) {
        player.playKeySequence(node);
        if (window.caption() != caption) {
            std::fprintf(stderr, "player failed: %s\n", qPrintable(window.caption()));
            std::exit(1);
        }
    };

    FakeDesktop fake;
    fake.addWindow("Front Desk");
    fake.addWindow("Quillmar Night Audit");
    KeySequencePlayer fakePlayer(window.store(), fake, waiter, log, window, reports,
                                 window.state());
    const std::vector<double> fakeSamples = sample(100, 10, [&] {
        playOrFail(fakePlayer);
        fake.clearRecord();  // the fake's own record is the test double's, not the program's
    });
    const double fakeGrowth = fakeSamples.back() - fakeSamples.front();
    bench::row("long night", "100 000 keys, fake desktop, main window; VmRSS every 10 000 keys",
               describe(fakeSamples).c_str(), "growth from the first 10 000 keys on", "-",
               "< 1 MiB", fakeGrowth < 1.0);

    X11Desktop desktop;
    KeySequencePlayer player(window.store(), desktop, waiter, log, window, reports, window.state());
    std::string sent;
    for (int i = 1; i <= 1000; ++i) sent += kAlphabet[i % 36];
    std::string all;
    for (int r = 0; r < 10; ++r) all += sent;
    const long offset = bench::fileSize(record);
    const std::vector<double> realSamples = sample(10, 1, [&] { playOrFail(player); });
    const std::string check =
        bench::compare(all, bench::readFrom(record, offset, static_cast<long>(all.size())));
    const double realGrowth = realSamples.back() - realSamples.front();
    bench::row("long night",
               ("10 000 keys, X11 desktop, main window; VmRSS every 1 000 keys, " + check).c_str(),
               describe(realSamples).c_str(), "growth from the first 1 000 keys on", "-",
               "< 1 MiB, 0 lost", realGrowth < 1.0 && check == "0 lost");
    return 0;
}
