#pragma once

#include <QByteArray>
#include <QHash>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

// A throwaway X session for end-to-end tests: its own Xvfb on a free display, openbox, and
// xterms that record every byte they receive. Everything it starts is killed when it is
// destroyed, also after a failed test. The test process's DISPLAY names its server.
class XSession {
public:
    XSession() = default;
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Starts Xvfb and openbox; false (with error()) when either does not come up in time.
    bool start();

    // Starts a raw-mode xterm titled `title` that appends what it receives to a file, and
    // waits until it is on screen and recording. Returns the file path, empty on failure.
    QString startRecorder(const QString& title);

    // The bytes in `file` from `offset` on, once at least `count` of them arrived (or the
    // bounded wait ended), plus any that follow within a short settling time.
    static QByteArray readFrom(const QString& file, qint64 offset, qint64 count);
    static qint64 size(const QString& file);

    // Runs an X client tool against this display; its standard output.
    QByteArray run(const QString& program, const QStringList& args);

    // Starts a program on this display in the background; it ends with the session.
    QProcess* spawn(const QString& program, const QStringList& args, bool readOutput = false);

    // The process of the recorder titled `title`, to pause it as a slow program would be.
    qint64 recorderPid(const QString& title) const { return m_recorders.value(title)->processId(); }

    QStringList managedTitles();

    // Closes the window titled `title` as its program would go away (its X connection is
    // cut) and waits until the window manager has let it go.
    bool closeWindow(const QString& title);

    // Ends the X server at once, as a crash or a lost remote display would; every client
    // of it loses its connection.
    void killServer();

    QString display() const { return m_display; }
    QString error() const { return m_error; }

private:
    bool waitFor(const std::function<bool()>& ready, int milliseconds);

    QTemporaryDir m_dir;
    QString m_display;
    QString m_error;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QProcess* m_server = nullptr;
    QHash<QString, QProcess*> m_recorders;
};
