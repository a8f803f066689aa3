#include "platform/qt/zoom_keys.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>

namespace hk {

std::optional<ZoomStep> ZoomStepFromKey(int qt_key, Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::ControlModifier) || (modifiers & (Qt::AltModifier | Qt::MetaModifier)))
        return std::nullopt;
    switch (qt_key) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: // the unshifted plus key of US keyboards, as in web browsers
        return ZoomStep::In;
    case Qt::Key_Minus: return ZoomStep::Out;
    case Qt::Key_0: return ZoomStep::Reset;
    default: return std::nullopt;
    }
}

ZoomKeys::ZoomKeys(std::function<qint64()> clock_ms) : m_clock_ms(std::move(clock_ms)) {
    m_started.start();
    if (!m_clock_ms)
        m_clock_ms = [this] { return m_started.elapsed(); };
}

bool ZoomKeys::ControlForGame(bool held) const {
    if (m_tap_pending)
        return true;
    if (!held || m_control_spent)
        return false;
    // A Control already down when the game got the keyboard counts at once.
    return !m_control_seen || m_clock_ms() - m_control_down_at >= kControlHoldBackMs;
}

void ZoomKeys::Forget() {
    m_control_seen = false;
    m_control_spent = false;
    m_tap_pending = false;
}

bool ZoomKeys::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // A key event that a widget ignores travels on to its parent and passes here again; the
        // state below changes only once, on the first pass (auto-repeat and repeats change nothing).
        const auto* key_event = static_cast<QKeyEvent*>(event);
        const bool press = event->type() == QEvent::KeyPress;
        if (key_event->key() == Qt::Key_Control && !key_event->isAutoRepeat()) {
            const qint64 now = m_clock_ms();
            if (press && !m_control_seen) {
                m_control_seen = true;
                m_control_spent = false;
                m_control_down_at = now;
            } else if (!press && m_control_seen) {
                // One press for the game, however long the tap was: a Control seen held on
                // several ticks would skip a message on each.
                if (!m_control_spent && now - m_control_down_at < kControlHoldBackMs)
                    m_tap_pending = true;
                m_control_seen = false;
                m_control_spent = false;
            }
            break;
        }
        if (!press) {
            if (m_consumed_key != 0 && key_event->key() == m_consumed_key) {
                if (!key_event->isAutoRepeat())
                    m_consumed_key = 0;
                return true;
            }
            break;
        }
        const auto step = ZoomStepFromKey(key_event->key(), key_event->modifiers());
        if (!step || (accepts_shortcut && !accepts_shortcut()))
            break;
        if (m_consumed_key != key_event->key() || !key_event->isAutoRepeat()) {
            m_consumed_key = key_event->key();
            m_control_spent = m_control_seen;
            if (on_zoom && !key_event->isAutoRepeat())
                on_zoom(*step);
        }
        return true;
    }
    case QEvent::ApplicationStateChange:
        if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() != Qt::ApplicationActive)
            Forget();
        break;
    case QEvent::WindowBlocked: Forget(); break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace hk
