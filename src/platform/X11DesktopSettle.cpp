#include "X11DesktopState.h"

#include "core/Error.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <thread>
#include <utility>

#include <dirent.h>

namespace nightaudit {

namespace {

// How long the focus is kept on a window typed into, for it to read its keys: an answer to
// a ping through its own event queue, then its process at rest. A target that is never at
// rest (a busy program) is left after kRestWait and kRestPerKey for each key sent to it
// (Wine's notepad takes 3 ms a key here).
constexpr std::chrono::milliseconds kPingWait{3000};
constexpr std::chrono::milliseconds kRestWait{2000};
constexpr std::chrono::milliseconds kRestPerKey{10};
constexpr std::chrono::milliseconds kRestSample{10};
constexpr int kRestSamples = 3;
// At rest: less CPU time than this in one sample.
constexpr std::chrono::microseconds kRestBusy{1000};

// The CPU time all threads of a process have used so far; zero when it cannot be read.
std::chrono::nanoseconds cpuTimeOf(int pid) {
    std::chrono::nanoseconds total{0};
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return total;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        std::ifstream stat(tasks + "/" + entry->d_name + "/schedstat");
        long long ran = 0;
        if (stat >> ran) total += std::chrono::nanoseconds(ran);
    }
    closedir(dir);
    return total;
}

// Whether a thread of the process is running or waiting for a processor: a program starved
// of CPU time by others is busy, not at rest.
bool runnable(int pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return false;
    bool running = false;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        std::ifstream stat(tasks + "/" + entry->d_name + "/stat");
        const std::string line((std::istreambuf_iterator<char>(stat)),
                               std::istreambuf_iterator<char>());
        const std::size_t close = line.rfind(')');
        if (close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'R') {
            running = true;
        }
    }
    closedir(dir);
    return running;
}

}  // namespace

bool X11Desktop::Impl::answersPing(Window w) {
    Atom* protocols = nullptr;
    int count = 0;
    bool answers = false;
    if (XGetWMProtocols(display, w, &protocols, &count) && protocols) {
        answers = std::find(protocols, protocols + count, ping) != protocols + count;
        XFree(protocols);
    }
    return x11::syncOk(display) && answers;
}

bool X11Desktop::Impl::pingAnswered(Window w, TypingWatch* typingWatch) {
    const long serial = ++pingSerial;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = wmProtocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = serial;
    event.xclient.data.l[2] = static_cast<long>(w);
    // The answer goes to the root window, to those who listen for its children.
    watch(root, SubstructureNotifyMask);
    XSendEvent(display, w, False, NoEventMask, &event);
    if (!x11::syncOk(display)) return false;
    const auto deadline = Clock::now() + kPingWait;
    while (Clock::now() < deadline) {
        XEvent reply;
        if (XCheckTypedEvent(display, ClientMessage, &reply)) {
            if (reply.xclient.message_type == wmProtocols &&
                static_cast<Atom>(reply.xclient.data.l[0]) == ping &&
                reply.xclient.data.l[1] == serial) {
                return true;
            }
            continue;
        }
        // The clerk's window stays alive; a stop cannot take back keys already sent.
        if (typingWatch) typingWatch->stopRequested();
        awaitEvent(std::chrono::milliseconds(5));
        XEventsQueued(display, QueuedAfterReading);
    }
    return false;
}

void X11Desktop::Impl::awaitRest(int pid, Clock::time_point deadline, TypingWatch* typingWatch) {
    auto before = cpuTimeOf(pid);
    for (int quiet = 0; quiet < kRestSamples && Clock::now() < deadline;) {
        std::this_thread::sleep_for(kRestSample);
        if (typingWatch) typingWatch->stopRequested();
        const auto now = cpuTimeOf(pid);
        quiet = now - before < kRestBusy && !runnable(pid) ? quiet + 1 : 0;
        before = now;
    }
}

void X11Desktop::Impl::settle(TypingWatch* typingWatch) {
    const Window w = unsettled;
    if (w == None) return;
    unsettled = None;
    const std::size_t keys = std::exchange(unsettledKeys, 0);
    // An X client has every key in its own queue once the server delivered it, and
    // keeps it when the focus moves: only a target that drops unread keys is waited for.
    if (!x11::syncOk(display) || !unsettledDropsKeys) return;
    const auto unanswered = [&] {
        return Error(err::Unconfirmed,
                     "\"" + activatedTitle + "\" did not answer within " +
                         std::to_string(kPingWait.count() / 1000) + " s after " +
                         std::to_string(keys) +
                         " keys typed into it; it may not have received them all");
    };
    // Never sent to a window that does not list it: xterm closes its window on any
    // WM_PROTOCOLS message it does not know.
    const bool pings = answersPing(w);
    if (pings && !pingAnswered(w, typingWatch)) throw unanswered();
    const int pid = processOf(w);
    const auto deadline = Clock::now() + kRestWait + kRestPerKey * keys;
    // Wine reads its X events only when its queue is empty or every few hundred
    // messages: an answer that cost it no work, after a rest, says the queue was read
    // to its end.
    for (;;) {
        if (pid) awaitRest(pid, deadline, typingWatch);
        const auto before = pid ? cpuTimeOf(pid) : std::chrono::nanoseconds{0};
        if (pings && !pingAnswered(w, typingWatch)) throw unanswered();
        if (!pid || !pings || Clock::now() >= deadline || cpuTimeOf(pid) - before < kRestBusy) {
            break;
        }
    }
}

}  // namespace nightaudit
