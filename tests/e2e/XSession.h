#pragma once

// A throwaway X session for the end-to-end tests, and the file helpers they share.
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <memory>
#include <vector>

// Xlib last: its None macro would clash with names in the headers above.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace nightaudit::test {

inline qint64 sizeOf(const QString& file) {
    return QFile(file).size();
}

// The bytes of `file` from `offset` on, once `count` arrived (or 3 s passed) and 150 ms more.
inline QByteArray readFrom(const QString& file, qint64 offset, qint64 count) {
    QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired() && sizeOf(file) < offset + count) QThread::msleep(10);
    QThread::msleep(150);
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && f.seek(offset) ? f.readAll() : QByteArray();
}

inline bool waitFor(const std::function<bool()>& ready, int milliseconds = 10000) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired() && !ready()) QThread::msleep(50);
    return ready();
}

// A throwaway X session (Xvfb, openbox, xterms recording every byte they receive) and the
// test's own connection to it. Everything it starts dies with it.
class XSession {
public:
    ~XSession() {
        if (m_x) XCloseDisplay(m_x);
        // Clients first, the server last, so none of them complains about a lost display. Each
        // leads a process group, so what it started itself (a D-Bus daemon, a browser's helpers)
        // goes with it, also when it ended first.
        for (size_t i = m_processes.size(); i-- > 0;) {
            if (m_groups[i] <= 0) continue;  // never started: -0 would be our own group
            if (m_processes[i]->state() != QProcess::NotRunning)
                ::kill(-m_groups[i], SIGTERM), m_processes[i]->waitForFinished(2000);
            ::kill(-m_groups[i], SIGKILL);
            m_processes[i]->waitForFinished(2000);
        }
    }
    // Empty once Xvfb and openbox are up, else what failed.
    QString start() {
        // The server picks a free display itself and prints it once it listens.
        QProcess* server = spawn(
            "Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, true);
        QByteArray number;
        waitFor([&] {
            server->waitForReadyRead(50);
            number += server->readAllStandardOutput();
            return number.contains('\n') || server->state() == QProcess::NotRunning;
        });
        m_display = ":" + QString::fromLatin1(number.trimmed());
        if (!number.contains('\n') || !(m_x = XOpenDisplay(m_display.toLatin1().constData())))
            return "no Xvfb server came up";
        // openbox now and then exits while the server is still settling; another start is enough.
        for (int attempt = 0; attempt < 3; ++attempt) {
            QProcess* wm = spawn("openbox", {});
            const bool up = waitFor([&] {
                return wm->state() == QProcess::NotRunning ||
                       XInternAtom(m_x, "_NET_SUPPORTING_WM_CHECK", True) != 0;
            });
            if (up && wm->state() != QProcess::NotRunning) return {};
            wm->kill();
            wm->waitForFinished(2000);
        }
        return "openbox did not come up";
    }
    // A background client of this display; `readOutput` keeps both its output channels;
    // `extraEnv` holds NAME=VALUE entries.
    QProcess* spawn(const QString& program, const QStringList& args, bool readOutput = false,
                    const QStringList& extraEnv = {}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_display);
        env.insert("LC_ALL", "C.UTF-8");
        for (const QString& entry : extraEnv)
            env.insert(entry.section('=', 0, 0), entry.section('=', 1));
        p->setProcessEnvironment(env);
        if (!readOutput) {
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p->setStandardOutputFile(QProcess::nullDevice());
        }
        // Should the test process die without unwinding, its servers and clients die with it.
        p->setChildProcessModifier([] {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            setpgid(0, 0);
        });
        p->start(program, args);
        m_groups.push_back(static_cast<pid_t>(p->processId()));
        return m_processes.emplace_back(std::move(p)).get();
    }
    QByteArray run(const QString& program, const QStringList& args) {
        QProcess* p = spawn(program, args, true);
        p->waitForFinished(5000);
        return p->readAllStandardOutput();
    }
    // A raw-mode xterm titled `title`, managed, appending what it receives to the file returned.
    QString startRecorder(const QString& title) {
        const QString file = m_dir.filePath(QString("recorder-%1.bin").arg(m_processes.size()));
        spawn("xterm", {"-u8", "-T", title, "-xrm", "XTerm*allowTitleOps: false", "-xrm",
                        "XTerm*metaSendsEscape: true", "-xrm", "XTerm*backarrowKeyIsErase: false",
                        "-xrm", "XTerm*backarrowKey: true", "-e", "sh", "-c",
                        "stty raw -echo; exec cat >> '" + file + "'"});
        return waitFor([&] { return QFile::exists(file) && lists(title); }) ? file : QString();
    }
    // Whether the window manager lists a window titled `title`, so a desktop can activate it.
    bool lists(const QString& title) {
        Atom type;
        int format;
        unsigned long n = 0, after;
        unsigned char* data = nullptr;
        XGetWindowProperty(m_x, DefaultRootWindow(m_x), XInternAtom(m_x, "_NET_CLIENT_LIST", False),
                           0, 4096, False, XA_WINDOW, &type, &format, &n, &after, &data);
        // A window may close while its title is read: that error is no failure here.
        const auto previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        bool listed = false;
        for (unsigned long i = 0; i < n && !listed; ++i) {
            XTextProperty name{};  // WM_NAME in any encoding: the titles here are ASCII
            if (XGetWMName(m_x, reinterpret_cast<Window*>(data)[i], &name) && name.value)
                listed = QByteArray(reinterpret_cast<char*>(name.value), int(name.nitems)) ==
                         title.toUtf8();
            if (name.value) XFree(name.value);
        }
        XSync(m_x, False);
        XSetErrorHandler(previous);
        if (data) XFree(data);
        return listed;
    }
    KeyCode code(KeySym sym) { return XKeysymToKeycode(m_x, sym); }
    bool down(KeySym sym) {
        char keys[32] = {};
        XQueryKeymap(m_x, keys);
        return keys[code(sym) / 8] & (1 << (code(sym) % 8));
    }
    void key(KeySym sym, bool press) {
        XTestFakeKeyEvent(m_x, code(sym), press, CurrentTime);
        XSync(m_x, False);
    }
    XkbStateRec keyboard() {
        XkbStateRec s{};
        XkbGetState(m_x, XkbUseCoreKbd, &s);
        return s;
    }
    // Whether another client may grab `sym`, as it can only when no program holds it.
    bool canGrab(KeySym sym) {
        static bool refused;
        refused = false;
        const auto previous =
            XSetErrorHandler([](Display*, XErrorEvent*) { return refused = true, 0; });
        XGrabKey(m_x, code(sym), 0, DefaultRootWindow(m_x), False, GrabModeAsync, GrabModeAsync);
        XUngrabKey(m_x, code(sym), 0, DefaultRootWindow(m_x));
        XSync(m_x, False);
        XSetErrorHandler(previous);
        return !refused;
    }
    // Ends the server at once, as a crash or a lost remote display would.
    void killServer() {
        XCloseDisplay(std::exchange(m_x, nullptr));
        m_processes.front()->kill();
        m_processes.front()->waitForFinished(5000);
    }
    Display* x() const { return m_x; }
    QString display() const { return m_display; }

private:
    QTemporaryDir m_dir;
    QString m_display;
    Display* m_x = nullptr;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    std::vector<pid_t> m_groups;  // m_processes' process ids, each its own group's
};

}  // namespace nightaudit::test
