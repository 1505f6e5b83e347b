#include "X11DesktopState.h"

#include "X11Windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <unistd.h>

namespace nightaudit {

bool X11Desktop::Impl::isOwn(Window w) {
    if (const auto it = own.find(w); it != own.end()) return it->second;
    const std::vector<long> pid = x11::readProperty<long>(display, w, wmPid, XA_CARDINAL);
    x11::syncOk(display);  // a window that closed meanwhile is not ours
    const bool mine = !pid.empty() && pid.front() == static_cast<long>(getpid());
    own[w] = mine;
    return mine;
}

std::string X11Desktop::Impl::title(Window w) {
    const std::vector<char> name = x11::readProperty<char>(display, w, wmName, utf8);
    if (!name.empty()) return std::string(name.begin(), name.end());
    XTextProperty property{};
    std::string out;
    if (XGetWMName(display, w, &property) && property.value) {
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success && list &&
            count > 0) {
            out = list[0];
        }
        if (list) XFreeStringList(list);
        XFree(property.value);
    }
    return out;
}

std::string X11Desktop::Impl::describe(Window w) {
    if (w == None) return "no window";
    const std::string t = title(w);
    x11::syncOk(display);
    return t.empty() ? "a window without a title" : "\"" + t + "\"";
}

Window X11Desktop::Impl::find(const std::string& wanted) {
    if (cachedWindow != None && cachedTitle == wanted) return cachedWindow;
    Window prefixMatch = None;
    for (Window w : x11::topLevelWindows(display, clientList, wmState)) {
        const std::string t = title(w);
        if (t == wanted) {
            remember(w, wanted);
            return w;
        }
        // Every title begins with the empty text: an empty title matches only itself.
        // A prefix never finds our own windows, whose captions the clerk may change.
        if (prefixMatch == None && !wanted.empty() && t.compare(0, wanted.size(), wanted) == 0 &&
            !isOwn(w)) {
            prefixMatch = w;
        }
    }
    x11::syncOk(display);  // windows that closed while being read are simply skipped
    return prefixMatch;
}

void X11Desktop::Impl::remember(Window w, const std::string& wanted) {
    cachedWindow = None;
    watch(w, PropertyChangeMask | StructureNotifyMask);
    const bool same = title(w) == wanted;
    if (!x11::syncOk(display) || !same) return;
    takeEvents();
    cachedWindow = w;
    cachedTitle = wanted;
}

X11Keyboard::Target X11Desktop::Impl::target() {
    if (traitsWindow != activated) {
        XClassHint hint{};
        std::string instance, wmClass;
        if (XGetClassHint(display, activated, &hint)) {
            if (hint.res_name) instance = hint.res_name;
            if (hint.res_class) wmClass = hint.res_class;
        }
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
        x11::syncOk(display);  // a window that closed meanwhile fails at its first key
        std::string program;
        if (const int pid = processOf(activated)) {
            char path[4096] = {};
            const std::string link = "/proc/" + std::to_string(pid) + "/exe";
            if (readlink(link.c_str(), path, sizeof path - 1) > 0) {
                program = path;
                program = program.substr(program.rfind('/') + 1);
            }
        }
        traits = targetTraits(instance, wmClass, program);
        if (traits.kind.empty()) traits.kind = "its program";
        traitsWindow = activated;
    }
    return {activatedTitle, traits};
}

int X11Desktop::Impl::processOf(Window w) {
    const std::vector<long> pid = x11::readProperty<long>(display, w, wmPid, XA_CARDINAL);
    const std::vector<char> host = x11::readProperty<char>(display, w, wmClientMachine, XA_STRING);
    x11::syncOk(display);
    if (pid.empty() || pid.front() <= 0) return 0;
    char here[256] = {};
    gethostname(here, sizeof here - 1);
    if (!host.empty() && std::string(host.begin(), host.end()) != here) return 0;
    return static_cast<int>(pid.front());
}

}  // namespace nightaudit
