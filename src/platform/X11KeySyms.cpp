#include "X11KeySyms.h"

#include <X11/keysym.h>

namespace nightaudit {

KeySym namedKeySym(NamedKey key) {
    switch (key) {
        case NamedKey::Backspace:
            return XK_BackSpace;
        case NamedKey::Break:
            return XK_Break;
        case NamedKey::CapsLock:
            return XK_Caps_Lock;
        case NamedKey::Delete:
            return XK_Delete;
        case NamedKey::Down:
            return XK_Down;
        case NamedKey::End:
            return XK_End;
        case NamedKey::Enter:
            return XK_Return;
        case NamedKey::Escape:
            return XK_Escape;
        case NamedKey::Help:
            return XK_Help;
        case NamedKey::Home:
            return XK_Home;
        case NamedKey::Insert:
            return XK_Insert;
        case NamedKey::Left:
            return XK_Left;
        case NamedKey::NumLock:
            return XK_Num_Lock;
        case NamedKey::PageDown:
            return XK_Next;
        case NamedKey::PageUp:
            return XK_Prior;
        case NamedKey::PrintScreen:
            return XK_Print;
        case NamedKey::Right:
            return XK_Right;
        case NamedKey::ScrollLock:
            return XK_Scroll_Lock;
        case NamedKey::Tab:
            return XK_Tab;
        case NamedKey::Up:
            return XK_Up;
        case NamedKey::Add:
            return XK_KP_Add;
        case NamedKey::Subtract:
            return XK_KP_Subtract;
        case NamedKey::Multiply:
            return XK_KP_Multiply;
        case NamedKey::Divide:
            return XK_KP_Divide;
        default:
            break;
    }
    if (key < NamedKey::F1 || key > NamedKey::F16) return NoSymbol;
    return XK_F1 + (static_cast<int>(key) - static_cast<int>(NamedKey::F1));
}

KeySym characterKeySym(char32_t c) {
    switch (c) {
        case '\n':
        case '\r':
            return XK_Return;
        case '\t':
            return XK_Tab;
        case '\b':
            return XK_BackSpace;
        case 0x1b:
            return XK_Escape;
        default:
            break;
    }
    if (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0)) return NoSymbol;
    if (c < 0x100) return c;
    return 0x01000000 | c;
}

}  // namespace nightaudit
