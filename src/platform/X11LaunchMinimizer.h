#pragma once

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace nightaudit {

// Iconifies the windows of programs the player started, as a program started minimized
// would show itself. X11 has no way to ask a program to start minimized, so each started
// process is watched for up to kLookFor: the first top-level window whose _NET_WM_PID is
// its pid is iconified. A program that shows no window in time, or whose windows carry
// no _NET_WM_PID (some old toolkits set none), is left as it shows itself.
//
// The looking runs beside the run, never holding it up: one thread per started program,
// each on an X connection of its own (an Xlib Display is never shared between threads).
class X11LaunchMinimizer {
public:
    static constexpr int kLookForMs = 10000;

    // `displayName`: the display the programs show on (DisplayString of the desktop's).
    explicit X11LaunchMinimizer(std::string displayName);
    // Stops every watch still looking and waits for it (at most one poll step).
    ~X11LaunchMinimizer();
    X11LaunchMinimizer(const X11LaunchMinimizer&) = delete;
    X11LaunchMinimizer& operator=(const X11LaunchMinimizer&) = delete;

    // Starts looking for the window of process `pid`; returns at once.
    void watch(int pid);

    // A window about to be activated for typing is never iconified afterwards: the steps
    // that type into a program they started must find its window where they left it.
    void keepShown(unsigned long window);

    // Both throw, once, Error(err::LaunchFailed) when an earlier watch failed (no memory,
    // say): a watch's thread hands its failure over instead of ending the program.

private:
    void look(int pid);
    void lookFor(int pid);
    void throwIfAWatchFailed();

    std::string m_display;
    std::mutex m_mutex;  // guards m_kept, and is held from the check to the iconify
    std::set<unsigned long> m_kept;
    std::string m_failure;  // guarded by m_mutex
    std::atomic<bool> m_stopping{false};
    std::vector<std::thread> m_watches;
};

}  // namespace nightaudit
