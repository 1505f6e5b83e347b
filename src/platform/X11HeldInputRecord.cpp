#include "X11HeldInputRecord.h"

#include "X11Errors.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <sstream>
#include <thread>
#include <utility>

#include <signal.h>
#include <unistd.h>

namespace nightaudit {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kPrefix[] = "_QUILLMAR_HELD_";
// A dead program's connection is closed by the server within milliseconds; a marker still
// there after this is another client's window with a reused id.
constexpr std::chrono::milliseconds kConnectionEnd{1000};

std::string hostName() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

// The record's text, one item a line: "host NAME", "marker WINDOW" (hex), "key CODE",
// "button NUMBER", "keycode CODE KEYSYM..." (hex keysyms; none listed: it had none),
// "capslock off".
struct Held {
    std::string host;
    unsigned long marker = 0;
    std::set<unsigned> keys, buttons;
    std::map<unsigned, std::vector<unsigned long>> rebound;
    bool capsLockOff = false;

    std::string text() const {
        std::ostringstream out;
        out << "host " << host << "\nmarker " << std::hex << marker << std::dec << '\n';
        for (unsigned k : keys) out << "key " << k << '\n';
        for (unsigned b : buttons) out << "button " << b << '\n';
        for (const auto& [code, syms] : rebound) {
            out << "keycode " << code << std::hex;
            for (unsigned long s : syms) out << ' ' << s;
            out << std::dec << '\n';
        }
        if (capsLockOff) out << "capslock off\n";
        return out.str();
    }

    static Held parse(const std::string& text) {
        Held held;
        std::istringstream lines(text);
        std::string line, what;
        while (std::getline(lines, line)) {
            std::istringstream words(line);
            unsigned number = 0;
            words >> what;
            if (what == "host") {
                words >> held.host;
            } else if (what == "marker") {
                words >> std::hex >> held.marker;
            } else if (what == "capslock") {
                held.capsLockOff = true;
            } else if (!(words >> number)) {
                continue;
            } else if (what == "key") {
                held.keys.insert(number);
            } else if (what == "button") {
                held.buttons.insert(number);
            } else if (what == "keycode") {
                std::vector<unsigned long>& syms = held.rebound[number];
                for (unsigned long s = 0; words >> std::hex >> s;) syms.push_back(s);
            }
        }
        return held;
    }
};

// Lets go of every key and button and gives every keycode its keysyms back. Keys are
// let go before the keymap changes, so each release reaches what its press did.
void putBack(Display* display, const Held& held) {
    for (unsigned k : held.keys) XTestFakeKeyEvent(display, k, False, CurrentTime);
    for (unsigned b : held.buttons) XTestFakeButtonEvent(display, b, False, CurrentTime);
    for (const auto& [code, syms] : held.rebound) {
        KeySym none[2] = {NoSymbol, NoSymbol};
        std::vector<KeySym> old(syms);
        XChangeKeyboardMapping(display, static_cast<int>(code),
                               old.empty() ? 2 : static_cast<int>(old.size()),
                               old.empty() ? none : old.data(), 1);
    }
    if (held.capsLockOff) XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
}

std::string readText(Display* display, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1 << 16, False,
                           XA_STRING, &type, &format, &count, &after, &data) == Success &&
        data && format == 8) {
        text.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data) XFree(data);
    return text;
}

bool windowExists(Display* display, Window window) {
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    return x11::syncOk(display);
}

// Puts back what one record holds, once the server is done with the recording connection
// (requests sent just before its end may still be carried out), and deletes it.
void putBackRecord(Display* display, Atom property, const std::string& host) {
    Held held = Held::parse(readText(display, property));
    if (!held.host.empty() && held.host != host) return;  // another machine's program
    if (held.marker != 0) {
        const auto deadline = Clock::now() + kConnectionEnd;
        while (windowExists(display, held.marker) && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        held = Held::parse(readText(display, property));
    }
    putBack(display, held);
    XDeleteProperty(display, DefaultRootWindow(display), property);
    x11::syncOk(display);
}

// The records on the display's root window and the process each belongs to.
std::vector<std::pair<Atom, pid_t>> records(Display* display) {
    std::vector<std::pair<Atom, pid_t>> found;
    int count = 0;
    Atom* atoms = XListProperties(display, DefaultRootWindow(display), &count);
    if (!atoms) return found;
    std::vector<char*> names(static_cast<std::size_t>(count), nullptr);
    if (XGetAtomNames(display, atoms, count, names.data())) {
        for (int i = 0; i < count; ++i) {
            const std::string name = names[i] ? names[i] : "";
            if (names[i]) XFree(names[i]);
            if (name.rfind(kPrefix, 0) != 0) continue;
            const std::string rest = name.substr(sizeof kPrefix - 1);
            const std::size_t digits = std::min(rest.find_first_not_of("0123456789"), rest.size());
            if (digits == 0 || digits > 9 || (digits < rest.size() && rest[digits] != '_'))
                continue;
            found.emplace_back(atoms[i], static_cast<pid_t>(std::stol(rest.substr(0, digits))));
        }
    }
    XFree(atoms);
    return found;
}

// Runs `body` on a connection of its own; without a display there is nothing to put back.
template <typename Body>
void onOwnConnection(Body&& body) {
    try {
        const x11::Connection connection = x11::openConnection();
        body(connection.get());
    } catch (...) {
    }
}

}  // namespace

X11HeldInputRecord::X11HeldInputRecord(Display* display)
    : m_display(display), m_name(kPrefix), m_host(hostName()) {
    static std::atomic<int> instances{0};
    m_name += std::to_string(getpid());
    if (const int instance = ++instances; instance > 1) {
        m_name += '_';
        m_name += std::to_string(instance);
    }
    m_atom = XInternAtom(display, m_name.c_str(), False);
    XSetWindowAttributes attributes{};
    m_marker = XCreateWindow(display, DefaultRootWindow(display), -1, -1, 1, 1, 0, 0, InputOnly,
                             CopyFromParent, 0, &attributes);
    write();
}

X11HeldInputRecord::~X11HeldInputRecord() {
    // A button a run pressed without letting go, say: the program never leaves it down.
    putBack(m_display, Held{m_host, m_marker, m_keys, m_buttons, m_rebound, m_capsLockOff});
    XDeleteProperty(m_display, DefaultRootWindow(m_display), m_atom);
    XDestroyWindow(m_display, m_marker);
    x11::syncOk(m_display);
}

void X11HeldInputRecord::key(unsigned keycode, bool down) {
    if (down ? m_keys.insert(keycode).second : m_keys.erase(keycode) > 0) write();
}

void X11HeldInputRecord::button(unsigned button, bool down) {
    if (down ? m_buttons.insert(button).second : m_buttons.erase(button) > 0) write();
}

void X11HeldInputRecord::rebinding(unsigned keycode, const unsigned long* keysyms, int count) {
    std::vector<unsigned long> old(keysyms, keysyms + (keysyms && count > 0 ? count : 0));
    if (m_rebound.emplace(keycode, std::move(old)).second) write();
}

void X11HeldInputRecord::restored(unsigned keycode) {
    if (m_rebound.erase(keycode) > 0) write();
}

void X11HeldInputRecord::capsLockOff(bool off) {
    if (std::exchange(m_capsLockOff, off) != off) write();
}

void X11HeldInputRecord::write() {
    const std::string text =
        Held{m_host, m_marker, m_keys, m_buttons, m_rebound, m_capsLockOff}.text();
    XChangeProperty(m_display, DefaultRootWindow(m_display), m_atom, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()),
                    static_cast<int>(text.size()));
}

void restoreHeldInputOf(pid_t pid) {
    onOwnConnection([pid](Display* display) {
        const std::string host = hostName();
        for (const auto& [property, owner] : records(display)) {
            if (owner == pid) putBackRecord(display, property, host);
        }
    });
}

void restoreLeftoverHeldInput() {
    onOwnConnection([](Display* display) {
        const std::string host = hostName();
        for (const auto& [property, owner] : records(display)) {
            if (owner != getpid() && kill(owner, 0) != 0 && errno == ESRCH) {
                putBackRecord(display, property, host);
            }
        }
    });
}

}  // namespace nightaudit
