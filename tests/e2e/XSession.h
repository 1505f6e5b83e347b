#pragma once

// A throwaway X session for the end-to-end tests, and the file helpers they share.
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
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

inline const QString kCaption = QStringLiteral("Quillmar Night Audit");

inline qint64 sizeOf(const QString& file) {
    return QFile(file).size();
}

inline QByteArray bytesFrom(const QString& file, qint64 offset) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && f.seek(offset) ? f.readAll() : QByteArray();
}

// A wait for the test's own setup, or for what must come: failing it fails the check after it.
inline bool waitFor(const std::function<bool()>& ready, int milliseconds = 30000) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired() && !ready()) QThread::msleep(20);
    return ready();
}

// A throwaway X session (Xvfb, openbox, xterms recording every byte they receive) and the
// test's own connection to it. Everything it starts dies with it.
class XSession {
public:
    ~XSession() {
        if (m_x) XCloseDisplay(m_x);
        endFrom(0);
    }
    // Ends every process started since `spawned()` returned `mark`, the latest first (the
    // server last), each with its process group: what it started (a D-Bus daemon, a browser's
    // helpers) goes with it, also when it ended first.
    void endFrom(size_t mark) {
        for (size_t i = m_processes.size(); i-- > mark;) {
            if (m_groups[i] > 0) {  // never started: -0 would be our own group
                if (m_processes[i]->state() != QProcess::NotRunning)
                    ::kill(-m_groups[i], SIGTERM), m_processes[i]->waitForFinished(2000);
                ::kill(-m_groups[i], SIGKILL);
                m_processes[i]->waitForFinished(2000);
            }
            m_processes.pop_back();
            m_groups.pop_back();
        }
    }
    size_t spawned() const { return m_processes.size(); }
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
            const bool up = waitFor([&] {  // a window manager owns the screen's WM_S0
                return wm->state() == QProcess::NotRunning ||
                       XGetSelectionOwner(m_x, XInternAtom(m_x, "WM_S0", False)) != 0;
            });
            if (up && wm->state() != QProcess::NotRunning) return {};
            wm->kill();
            wm->waitForFinished(2000);
        }
        return "openbox did not come up";
    }
    // A client of this display; `readOutput` keeps its output; `extraEnv`: NAME=VALUE entries.
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
    // The program itself, started in `folder` (it reads the store there), once its main window
    // is listed; null if it did not show. A killed program cannot free anything: no leak check.
    QProcess* startProgram(const QString& folder) {
        const QString program = folder + "/nightaudit";
        if (!QFile::exists(program) && !QFile::copy(NIGHTAUDIT_BINARY_DIR "/nightaudit", program))
            return nullptr;
        QProcess* p = spawn(program, {}, true, {"ASAN_OPTIONS=detect_leaks=0"});
        return waitFor([&] { return lists(kCaption); }) ? p : nullptr;
    }
    // Go on the first node of the program's tree, as the clerk selects it and presses it.
    void pressGo() {
        activate(kCaption);
        run("xdotool", {"key", "Down", "Up", "Return"});
    }
    void activate(const QString& title) {
        run("xdotool", {"search", "--name", "^" + title + "$", "windowactivate", "--sync"});
    }
    // Closes the window titled `title`, if there is one, by cutting its client off the display.
    void closeWindow(const QString& title) {
        run("xdotool", {"search", "--name", "^" + title + "$", "windowkill"});
    }
    // What the recorder titled `title` wrote to `file` from `offset` on, up to a sentinel key
    // typed into it now (again should the focus have moved on before it arrived): what is
    // missing here never comes.
    QByteArray received(const QString& title, const QString& file, qint64 offset) {
        static const QByteArray sentinel = "\x1b[24~";  // F12
        QByteArray active;
        for (int attempt = 0; attempt < 3 && !bytesFrom(file, offset).contains(sentinel);
             ++attempt) {
            activate(title);
            key(XK_F12, true);
            key(XK_F12, false);
            waitFor([&] { return bytesFrom(file, offset).contains(sentinel); }, 5000);
            active += run("xdotool", {"getactivewindow", "getwindowname"}).trimmed() + ";";
        }
        const QByteArray got = bytesFrom(file, offset);
        return got.contains(sentinel) ? got.left(got.indexOf(sentinel))
                                      : got + "<no sentinel; active: " + active + ">";
    }
    KeyCode code(KeySym sym) { return XKeysymToKeycode(m_x, sym); }
    QString keysDown() {
        char keys[32] = {};
        XQueryKeymap(m_x, keys);
        QString what;
        for (int code = 0; code < 256; ++code)
            if (keys[code / 8] & (1 << (code % 8))) what += QString("key %1 down; ").arg(code);
        return what;
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

// The main() of a test on a throwaway X session: the session comes first, so that Qt and the
// program under test connect to its server.
template <class App, class Test>
int runOnXSession(int argc, char** argv) {
    XSession session;
    if (const QString problem = session.start(); !problem.isEmpty())
        return std::fprintf(stderr, "FAIL: %s\n", qPrintable(problem)), 1;
    qputenv("DISPLAY", session.display().toUtf8());
    qputenv("QT_QPA_PLATFORM", "xcb");  // also for the programs it starts
    App app(argc, argv);
    Test test(session);
    return QTest::qExec(&test, argc, argv);
}

}  // namespace nightaudit::test
