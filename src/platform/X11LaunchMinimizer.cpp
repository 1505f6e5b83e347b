#include "X11LaunchMinimizer.h"

#include "X11Errors.h"
#include "X11Windows.h"
#include "core/Error.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <memory>
#include <utility>

namespace nightaudit {
namespace {

constexpr std::chrono::milliseconds kPollStep{50};

}  // namespace

X11LaunchMinimizer::X11LaunchMinimizer(std::string displayName)
    : m_display(std::move(displayName)) {}

X11LaunchMinimizer::~X11LaunchMinimizer() {
    m_stopping = true;
    for (std::thread& t : m_watches) t.join();
}

void X11LaunchMinimizer::watch(int pid) {
    throwIfAWatchFailed();
    m_watches.emplace_back([this, pid] { look(pid); });
}

void X11LaunchMinimizer::keepShown(unsigned long window) {
    throwIfAWatchFailed();
    std::lock_guard lock(m_mutex);
    m_kept.insert(window);
}

void X11LaunchMinimizer::throwIfAWatchFailed() {
    std::string failure;
    {
        std::lock_guard lock(m_mutex);
        failure = std::exchange(m_failure, {});
    }
    if (!failure.empty()) {
        throw Error(err::LaunchFailed,
                    "The window of a started program could not be looked for: " + failure);
    }
}

void X11LaunchMinimizer::look(int pid) {
    std::string failure;
    try {
        lookFor(pid);
        return;
    } catch (const std::exception& e) {
        failure = e.what();
    } catch (...) {
    }
    if (failure.empty()) failure = "an unknown error";
    std::lock_guard lock(m_mutex);
    if (m_failure.empty()) m_failure = failure;
}

void X11LaunchMinimizer::lookFor(int pid) {
    x11::installErrorHandlers();
    const x11::Connection connection(XOpenDisplay(m_display.c_str()));
    Display* display = connection.get();
    if (!display) return;  // nothing to minimize on: the program shows as it starts
    const Atom wmPid = XInternAtom(display, "_NET_WM_PID", False);
    const Atom clientList = XInternAtom(display, "_NET_CLIENT_LIST", False);
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLookForMs);
    while (!m_stopping && std::chrono::steady_clock::now() < deadline) {
        Window found = None;
        for (Window w : x11::topLevelWindows(display, clientList, wmState)) {
            // A window that closed meanwhile fails the read: it is no candidate.
            const auto owner = x11::readProperty<long>(display, w, wmPid, XA_CARDINAL);
            if (!owner.empty() && owner.front() == pid) {
                found = w;
                break;
            }
        }
        x11::syncOk(display);  // forgets errors of windows that went away meanwhile
        if (found != None) {
            std::lock_guard lock(m_mutex);
            if (!m_kept.count(found)) {
                XIconifyWindow(display, found, DefaultScreen(display));
                x11::syncOk(display);
            }
            break;
        }
        std::this_thread::sleep_for(kPollStep);
    }
}

}  // namespace nightaudit
