#include "platform/qt/key_state.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>

namespace hk {

std::optional<Key> KeyFromQt(int qt_key) {
    switch (qt_key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return Key::Return;
    case Qt::Key_Space: return Key::Space;
    case Qt::Key_Control: return Key::Control;
    case Qt::Key_Shift: return Key::Shift;
    case Qt::Key_Up: return Key::Up;
    case Qt::Key_Down: return Key::Down;
    case Qt::Key_PageUp: return Key::PageUp;
    case Qt::Key_PageDown: return Key::PageDown;
    case Qt::Key_F1: return Key::F1;
    case Qt::Key_F2: return Key::F2;
    case Qt::Key_Left: return Key::Left;
    case Qt::Key_Right: return Key::Right;
    case Qt::Key_Escape: return Key::Escape;
    default: return std::nullopt;
    }
}

int QtKeyOf(Key key) {
    switch (key) {
    case Key::Return: return Qt::Key_Return;
    case Key::Space: return Qt::Key_Space;
    case Key::Control: return Qt::Key_Control;
    case Key::Shift: return Qt::Key_Shift;
    case Key::Up: return Qt::Key_Up;
    case Key::Down: return Qt::Key_Down;
    case Key::PageUp: return Qt::Key_PageUp;
    case Key::PageDown: return Qt::Key_PageDown;
    case Key::F1: return Qt::Key_F1;
    case Key::F2: return Qt::Key_F2;
    case Key::Left: return Qt::Key_Left;
    case Key::Right: return Qt::Key_Right;
    case Key::Escape: return Qt::Key_Escape;
    }
    return Qt::Key_unknown;
}

KeyState::KeyState(QObject* parent) : QObject(parent) {}

void KeyState::SetPadDown(Key key, bool down) {
    const auto k = static_cast<std::size_t>(key);
    if (!down && m_pad_fresh[k])
        m_pad_tapped.set(k);
    m_pad_down[k] = down;
    m_pad_fresh[k] = down || m_pad_fresh[k];
}

bool KeyState::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // A key event that a widget ignores travels on to its parent and passes here again;
        // setting the same state twice is harmless.
        const auto* key_event = static_cast<QKeyEvent*>(event);
        const auto key = KeyFromQt(key_event->key());
        if (!key || key_event->isAutoRepeat())
            break;
        const bool press = event->type() == QEvent::KeyPress;
        if (press && *key == Key::Return && (key_event->modifiers() & Qt::AltModifier) && on_toggle_full_screen &&
            (!accepts_shortcut || accepts_shortcut())) {
            on_toggle_full_screen();
            // Consumed: it must not travel on and toggle twice, nor count as Return for the game
            // (that would advance the message as well).
            return true;
        }
        m_down[static_cast<std::size_t>(*key)] = press;
        break;
    }
    case QEvent::ApplicationStateChange:
        if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() != Qt::ApplicationActive)
            ReleaseAll();
        break;
    case QEvent::WindowBlocked:
    case QEvent::WindowUnblocked:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        // The keyboard moves to or from a modal dialog or another window. Qt drops key events for
        // the windows a dialog blocks, the release of a key held now may reach a window that is
        // going away, and a key still down when a dialog closes belongs to the dialog (its Return
        // pressed the button that closed it).
        ReleaseAll();
        break;
    case QEvent::Show:
    case QEvent::Hide:
        // A pop-up menu takes the keyboard while it is open; the Return that chose its item is
        // still down when it closes.
        if (const auto* widget = qobject_cast<QWidget*>(watched); widget && widget->windowType() == Qt::Popup)
            ReleaseAll();
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace hk
