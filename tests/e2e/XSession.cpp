#include "XSession.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <signal.h>
#include <sys/prctl.h>

XSession::~XSession() {
    // Clients first, the server last, so none of them complains about a lost display.
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
        QProcess* p = it->get();
        if (p->state() == QProcess::NotRunning) continue;
        p->terminate();
        if (!p->waitForFinished(2000)) {
            p->kill();
            p->waitForFinished(2000);
        }
    }
}

QProcess* XSession::spawn(const QString& program, const QStringList& args, bool readOutput) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!m_display.isEmpty()) env.insert("DISPLAY", m_display);
    env.insert("LC_ALL", "C.UTF-8");
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!readOutput) p->setStandardOutputFile(QProcess::nullDevice());
    // Should the test process die without unwinding, its servers and clients die with it.
    p->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    p->start(program, args);
    m_processes.push_back(std::move(p));
    return m_processes.back().get();
}

bool XSession::waitFor(const std::function<bool()>& ready, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        if (ready()) return true;
        QThread::msleep(50);
    }
    return ready();
}

QByteArray XSession::run(const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}

bool XSession::start() {
    // The server picks a free display number itself and writes it to its standard output
    // once it listens, so parallel test runs cannot end up sharing one server.
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
    if (!number.contains('\n')) {
        m_error = "no Xvfb server came up";
        return false;
    }
    m_server = server;
    m_display = ":" + QString::fromLatin1(number.trimmed());
    if (!waitFor([&] { return !run("xdpyinfo", {}).isEmpty(); }, 10000)) {
        m_error = "the Xvfb server on " + m_display + " does not answer";
        return false;
    }
    qputenv("DISPLAY", m_display.toUtf8());
    // openbox now and then exits while the server is still settling, more often on a
    // busy machine; starting it again is enough then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QProcess* wm = spawn("openbox", {});
        const bool up = waitFor(
            [&] {
                return wm->state() == QProcess::NotRunning ||
                       run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
            },
            10000);
        if (up && wm->state() != QProcess::NotRunning) return true;
        m_error = QString("openbox did not come up (exit code %1)").arg(wm->exitCode());
        wm->kill();
        wm->waitForFinished(2000);
    }
    return false;
}

QString XSession::startRecorder(const QString& title) {
    const QString file = m_dir.filePath(QString("recorder-%1.bin").arg(m_processes.size()));
    m_recorders[title] =
        spawn("xterm", {"-u8", "-T", title, "-xrm", "XTerm*allowTitleOps: false", "-xrm",
                        "XTerm*metaSendsEscape: true", "-xrm", "XTerm*backarrowKeyIsErase: false",
                        "-xrm", "XTerm*backarrowKey: true", "-e", "sh", "-c",
                        "stty raw -echo; exec cat >> '" + file + "'"});
    const QByteArray quoted = "\"" + title.toUtf8() + "\"";
    const bool ready = waitFor(
        [&] {
            // Managed, not only mapped: only then can the program activate it.
            return QFile::exists(file) && run("xwininfo", {"-root", "-tree"}).contains(quoted) &&
                   managedTitles().contains(title);
        },
        10000);
    if (!ready) {
        m_error = "the xterm \"" + title + "\" did not come up";
        return {};
    }
    return file;
}

// The titles of the windows the window manager has taken on, which are the ones a desktop
// can activate.
QStringList XSession::managedTitles() {
    QStringList titles;
    const QByteArray list = run("xprop", {"-root", "-notype", "_NET_CLIENT_LIST"});
    const int hash = list.indexOf('#');
    if (hash < 0) return titles;
    for (const QByteArray& id : list.mid(hash + 1).split(',')) {
        // Older programs (xterm among them) name their window in WM_NAME only.
        const QByteArray name =
            run("xprop", {"-id", id.trimmed(), "-notype", "_NET_WM_NAME", "WM_NAME"});
        const int quote = name.indexOf('"');
        const int end = name.indexOf("\"\n", quote + 1);
        if (quote >= 0 && end > quote)
            titles << QString::fromUtf8(name.mid(quote + 1, end - quote - 1));
    }
    return titles;
}

bool XSession::closeWindow(const QString& title) {
    const QByteArray info = run("xwininfo", {"-name", title});
    const int at = info.indexOf("Window id: ");
    if (at < 0) return false;
    const QByteArray id = info.mid(at + 11).split(' ').value(0);
    run("xkill", {"-id", QString::fromLatin1(id)});
    return waitFor([&] { return !managedTitles().contains(title); }, 10000);
}

void XSession::killServer() {
    if (!m_server) return;
    m_server->kill();
    m_server->waitForFinished(5000);
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
