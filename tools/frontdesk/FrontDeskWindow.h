#pragma once

#include <QWidget>

#include <functional>

class QPlainTextEdit;

namespace nightaudit::frontdesk {

// A stand-in for the property-management window: it takes every key and button press
// it is sent and writes it as a token (see KeyTokens.h) into a read-only text area.
// Tab and Shift+Tab are shown, never used to move the focus; Enter and button presses
// end a line so that a run reads line by line.
class FrontDeskWindow : public QWidget {
    Q_OBJECT
public:
    explicit FrontDeskWindow(const QString& title);

    // Called with each piece of text as it is shown (tokens, and "\n" after a line).
    void setEcho(std::function<void(const QString&)> echo) { m_echo = std::move(echo); }

protected:
    bool event(QEvent* event) override;

private:
    void append(const QString& piece);

    QPlainTextEdit* m_text;
    std::function<void(const QString&)> m_echo;
};

}  // namespace nightaudit::frontdesk
