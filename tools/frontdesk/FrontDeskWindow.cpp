#include "FrontDeskWindow.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "KeyTokens.h"

namespace nightaudit::frontdesk {

FrontDeskWindow::FrontDeskWindow(const QString& title) : m_text(new QPlainTextEdit(this)) {
    setWindowTitle(title);
    auto* hint =
        new QLabel(tr("Keys and clicks this window receives are written below: text as typed, "
                      "⏎ Enter, ⇥ Tab, other keys in brackets; clicks with their screen position."),
                   this);
    hint->setWordWrap(true);
    m_text->setReadOnly(true);
    // The window itself takes every key and click, so none of them is lost to the
    // text area's own handling (selection, scrolling, Tab to the next control).
    m_text->setFocusPolicy(Qt::NoFocus);
    m_text->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    mono.setPointSize(12);
    m_text->setFont(mono);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_text);
    setFocusPolicy(Qt::StrongFocus);
}

bool FrontDeskWindow::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            // Taken here, before QWidget::event would turn Tab into a focus move.
            auto* key = static_cast<QKeyEvent*>(event);
            const QString token = keyToken(key->key(), key->modifiers(), key->text());
            append(token);
            if (token == QStringLiteral("⏎")) append(QStringLiteral("\n"));
            return true;
        }
        case QEvent::ShortcutOverride:
            event->accept();  // Alt+letter and the like are keys to show, not shortcuts
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const bool down = event->type() == QEvent::MouseButtonPress;
            const QPoint at = mouse->globalPosition().toPoint();
            append(buttonToken(mouse->button(), down, at) + QStringLiteral("\n"));
            return true;
        }
        default:
            return QWidget::event(event);
    }
}

void FrontDeskWindow::append(const QString& piece) {
    if (piece.isEmpty()) return;
    m_text->moveCursor(QTextCursor::End);
    m_text->insertPlainText(piece);
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
    if (m_echo) m_echo(piece);
}

}  // namespace nightaudit::frontdesk
