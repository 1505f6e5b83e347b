#include "KeyTokens.h"

#include <QKeySequence>

#include "keys/SendKeysParser.h"

namespace nightaudit::frontdesk {

namespace {

bool isModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_Super_L ||
           key == Qt::Key_Super_R;
}

QString keyName(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return QStringLiteral("Enter");
    return QKeySequence(key).toString(QKeySequence::PortableText);
}

int qtKey(NamedKey key) {
    if (key >= NamedKey::F1 && key <= NamedKey::F16)
        return Qt::Key_F1 + (static_cast<int>(key) - static_cast<int>(NamedKey::F1));
    switch (key) {
        case NamedKey::Backspace:
            return Qt::Key_Backspace;
        case NamedKey::Break:
            return Qt::Key_Pause;
        case NamedKey::CapsLock:
            return Qt::Key_CapsLock;
        case NamedKey::Delete:
            return Qt::Key_Delete;
        case NamedKey::Down:
            return Qt::Key_Down;
        case NamedKey::End:
            return Qt::Key_End;
        case NamedKey::Enter:
            return Qt::Key_Return;
        case NamedKey::Escape:
            return Qt::Key_Escape;
        case NamedKey::Help:
            return Qt::Key_Help;
        case NamedKey::Home:
            return Qt::Key_Home;
        case NamedKey::Insert:
            return Qt::Key_Insert;
        case NamedKey::Left:
            return Qt::Key_Left;
        case NamedKey::NumLock:
            return Qt::Key_NumLock;
        case NamedKey::PageDown:
            return Qt::Key_PageDown;
        case NamedKey::PageUp:
            return Qt::Key_PageUp;
        case NamedKey::PrintScreen:
            return Qt::Key_Print;
        case NamedKey::Right:
            return Qt::Key_Right;
        case NamedKey::ScrollLock:
            return Qt::Key_ScrollLock;
        case NamedKey::Tab:
            return Qt::Key_Tab;
        case NamedKey::Up:
            return Qt::Key_Up;
        case NamedKey::Add:
            return Qt::Key_Plus;
        case NamedKey::Subtract:
            return Qt::Key_Minus;
        case NamedKey::Multiply:
            return Qt::Key_Asterisk;
        case NamedKey::Divide:
            return Qt::Key_Slash;
        default:
            return 0;
    }
}

// The key event a stroke becomes on a US layout, as far as the token depends on it.
QString strokeToken(const KeyStroke& stroke) {
    Qt::KeyboardModifiers modifiers;
    if (stroke.modifiers & Shift) modifiers |= Qt::ShiftModifier;
    if (stroke.modifiers & Ctrl) modifiers |= Qt::ControlModifier;
    if (stroke.modifiers & Alt) modifiers |= Qt::AltModifier;
    if (stroke.key != NamedKey::None) {
        const int key = qtKey(stroke.key);
        // The keypad's operators type their character, as any printable key does.
        const bool keypad = stroke.key >= NamedKey::Add;
        return keyToken(key, modifiers, keypad ? QString(QChar(key)) : QString());
    }
    const QString text = QString::fromUcs4(&stroke.character, 1);
    const QChar c = text.at(0);
    if (c.isUpper()) modifiers |= Qt::ShiftModifier;  // typed with Shift, as a hand would
    const bool letter = c.isLetter();
    int key = letter ? c.toUpper().unicode() : static_cast<int>(stroke.character);
    if (!letter && (modifiers & Qt::ShiftModifier)) return keyToken(key, modifiers, {});
    return keyToken(key, modifiers, (modifiers & Qt::ShiftModifier) ? text.toUpper() : text);
}

}  // namespace

QString keyToken(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    if (isModifierKey(key)) return {};
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (key == Qt::Key_Backtab) {
        key = Qt::Key_Tab;
        modifiers |= Qt::ShiftModifier;
    }
    const bool command = modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command && !text.isEmpty() && text.at(0).isPrint()) return text;
    if (modifiers == Qt::NoModifier && (key == Qt::Key_Return || key == Qt::Key_Enter))
        return QStringLiteral("⏎");
    if (modifiers == Qt::NoModifier && key == Qt::Key_Tab) return QStringLiteral("⇥");
    QString token = QStringLiteral("[");
    if (modifiers & Qt::ControlModifier) token += QStringLiteral("Ctrl+");
    if (modifiers & Qt::AltModifier) token += QStringLiteral("Alt+");
    if (modifiers & Qt::MetaModifier) token += QStringLiteral("Meta+");
    if (modifiers & Qt::ShiftModifier) token += QStringLiteral("Shift+");
    return token + keyName(key) + QStringLiteral("]");
}

QString buttonToken(Qt::MouseButton button, bool down, QPoint at) {
    const QString name = button == Qt::LeftButton    ? QStringLiteral("Left")
                         : button == Qt::RightButton ? QStringLiteral("Right")
                                                     : QStringLiteral("Middle");
    return QStringLiteral("[%1 %2 %3,%4]")
        .arg(name, down ? QStringLiteral("down") : QStringLiteral("up"))
        .arg(at.x())
        .arg(at.y());
}

QString tokensOf(const std::string& keys) {
    QString out;
    for (const KeyStroke& stroke : parseSendKeys(keys)) out += strokeToken(stroke);
    return out;
}

}  // namespace nightaudit::frontdesk
