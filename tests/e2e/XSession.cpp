#include "XSession.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <functional>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/prctl.h>

namespace {
bool waitFor(const std::function<bool()>& ready, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired() && !ready()) QThread::msleep(50);
    return ready();
}
}  // namespace

XSession::~XSession() {
    if (m_x) XCloseDisplay(m_x);
    // Clients first, the server last, so none of them complains about a lost display.
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
        (*it)->terminate();
        if (!(*it)->waitForFinished(2000)) (*it)->kill(), (*it)->waitForFinished(2000);
    }
}

QProcess* XSession::spawn(const QString& program, const QStringList& args, bool readOutput) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!m_display.isEmpty()) env.insert("DISPLAY", m_display);
    env.insert("LC_ALL", "C.UTF-8");
    p->setProcessEnvironment(env);
    if (!readOutput) {
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->setStandardOutputFile(QProcess::nullDevice());
    }
    // Should the test process die without unwinding, its servers and clients die with it.
    p->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    p->start(program, args);
    m_processes.push_back(std::move(p));
    return m_processes.back().get();
}

QByteArray XSession::run(const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(5000)) p.kill(), p.waitForFinished();
    return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}

QString XSession::start() {
    // The server picks a free display itself and prints it once it listens, so parallel test
    // runs never share one.
    QProcess* server = spawn(
        "Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, true);
    QByteArray number;
    waitFor(
        [&] {
            server->waitForReadyRead(50);
            number += server->readAllStandardOutput();
            return number.contains('\n') || server->state() == QProcess::NotRunning;
        },
        10000);
    m_display = ":" + QString::fromLatin1(number.trimmed());
    if (!number.contains('\n') || !(m_x = XOpenDisplay(m_display.toLatin1().constData())))
        return "no Xvfb server came up";
    // openbox now and then exits while the server is still settling, more often on a busy
    // machine; starting it again is enough then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QProcess* wm = spawn("openbox", {});
        const bool up = waitFor(
            [&] {
                return wm->state() == QProcess::NotRunning ||
                       run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
            },
            10000);
        if (up && wm->state() != QProcess::NotRunning) return {};
        wm->kill();
        wm->waitForFinished(2000);
    }
    return "openbox did not come up";
}

QString XSession::startRecorder(const QString& title) {
    const QString file = m_dir.filePath(QString("recorder-%1.bin").arg(m_processes.size()));
    m_recorders[title] = spawn(
        "xterm", {"-u8", "-T", title, "-xrm", "XTerm*allowTitleOps: false", "-xrm",
                  "XTerm*metaSendsEscape: true", "-xrm", "XTerm*backarrowKeyIsErase: false", "-xrm",
                  "XTerm*backarrowKey: true", "-e", "sh", "-c",
                  "stty raw -echo; exec cat >> '" + file + "'"});
    return waitFor([&] { return QFile::exists(file) && lists(title); }, 10000) ? file : QString();
}

bool XSession::lists(const QString& title) {
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

void XSession::killServer() {
    XCloseDisplay(m_x);
    m_x = nullptr;
    m_processes.front()->kill();
    m_processes.front()->waitForFinished(5000);
}

qint64 XSession::size(const QString& file) {
    return QFile(file).size();
}

QByteArray XSession::readFrom(const QString& file, qint64 offset, qint64 count) {
    QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired() && size(file) < offset + count) QThread::msleep(10);
    QThread::msleep(150);  // anything unexpected that follows shows up too
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    f.seek(offset);
    return f.readAll();
}
