#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace nightaudit {

// The message boxes the main window shows (OK button only). While a Recorder lives,
// messages are recorded instead of shown, so tests can read them without a modal
// dialog. Every message is also written to standard error, and on a platform
// nobody can see (offscreen, minimal) it is not shown at all, so a start-up failure
// there still ends the program instead of waiting for a click that cannot come.
class MessageBoxes {
public:
    enum class Icon { Information, Critical };
    struct Shown {
        Icon icon;
        QString title;
        QString text;
    };

    static void information(QWidget* parent, const QString& title, const QString& text);
    static void critical(QWidget* parent, const QString& title, const QString& text);

    class Recorder {
    public:
        Recorder();
        ~Recorder();
        Recorder(const Recorder&) = delete;
        Recorder& operator=(const Recorder&) = delete;
        const QList<Shown>& shown() const { return m_shown; }
        void record(Shown s) { m_shown.append(std::move(s)); }

    private:
        Recorder* m_previous;
        QList<Shown> m_shown;
    };

private:
    static void show(QWidget* parent, Icon icon, const QString& title, const QString& text);
};

}  // namespace nightaudit
