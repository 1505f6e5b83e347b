#include "XSession.h"

#include <unistd.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

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

QProcess* XSession::spawn(const QString& program, const QStringList& args) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!m_display.isEmpty()) env.insert("DISPLAY", m_display);
    env.insert("LC_ALL", "C.UTF-8");
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->setStandardOutputFile(QProcess::nullDevice());
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
    // Numbers spread by process id, so that test runs in parallel rarely try the same one;
    // a number whose lock file exists, or whose server dies at once, is skipped.
    const int first = 50 + static_cast<int>(getpid() % 100);
    for (int n = first; n < first + 40; ++n) {
        if (QFile::exists(QString("/tmp/.X%1-lock").arg(n))) continue;
        m_display = QString(":%1").arg(n);
        QProcess* server =
            spawn("Xvfb", {m_display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        const bool up = waitFor(
            [&] {
                return server->state() != QProcess::NotRunning && !run("xdpyinfo", {}).isEmpty();
            },
            10000);
        if (up) break;
        server->kill();
        server->waitForFinished();
        m_display.clear();
    }
    if (m_display.isEmpty()) {
        m_error = "no Xvfb server came up";
        return false;
    }
    qputenv("DISPLAY", m_display.toUtf8());
    spawn("openbox", {});
    if (!waitFor(
            [&] {
                return run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
            },
            10000)) {
        m_error = "openbox did not come up";
        return false;
    }
    return true;
}

QString XSession::startRecorder(const QString& title) {
    const QString file = m_dir.filePath(QString("recorder-%1.bin").arg(m_processes.size()));
    spawn("xterm", {"-u8", "-T", title, "-xrm", "XTerm*allowTitleOps: false", "-xrm",
                    "XTerm*metaSendsEscape: true", "-xrm", "XTerm*backarrowKeyIsErase: false",
                    "-xrm", "XTerm*backarrowKey: true", "-e", "sh", "-c",
                    "stty raw -echo; exec cat >> '" + file + "'"});
    const QByteArray quoted = "\"" + title.toUtf8() + "\"";
    const bool ready = waitFor(
        [&] {
            return QFile::exists(file) && run("xwininfo", {"-root", "-tree"}).contains(quoted);
        },
        10000);
    if (!ready) {
        m_error = "the xterm \"" + title + "\" did not come up";
        return {};
    }
    return file;
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
