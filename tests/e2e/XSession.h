#pragma once

#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <vector>

struct _XDisplay;

// A throwaway X session for end-to-end tests: its own Xvfb on a free display, openbox, and
// xterms that record every byte they receive. Everything it starts dies with it.
class XSession {
public:
    ~XSession();
    QString start();  // empty once Xvfb and openbox are up, else what failed
    // A raw-mode xterm titled `title`, managed, appending what it receives to the file returned
    // (empty on failure).
    QString startRecorder(const QString& title);
    // The bytes of `file` from `offset` on, once `count` arrived or a bounded wait ended, plus
    // whatever follows within a short settling time.
    static QByteArray readFrom(const QString& file, qint64 offset, qint64 count);
    static qint64 size(const QString& file);
    QByteArray run(const QString& program, const QStringList& args);  // its stdout
    // A background client of this display; `readOutput` keeps both its output channels.
    QProcess* spawn(const QString& program, const QStringList& args, bool readOutput = false);
    qint64 recorderPid(const QString& title) const { return m_recorders.value(title)->processId(); }
    // Whether the window manager lists a window titled `title`, so a desktop can activate it.
    bool lists(const QString& title);
    void killServer();  // at once, as a crash or a lost remote display would
    QString display() const { return m_display; }

private:
    QTemporaryDir m_dir;
    QString m_display;
    _XDisplay* m_x = nullptr;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QHash<QString, QProcess*> m_recorders;
};
