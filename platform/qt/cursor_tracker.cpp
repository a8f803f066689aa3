#include "platform/qt/cursor_tracker.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>

namespace hk {

CursorTracker::CursorTracker(std::function<QPoint()> query_system, std::function<qint64()> clock_ms)
    : m_query_system(std::move(query_system)), m_clock_ms(std::move(clock_ms)) {
    if (!m_query_system)
        m_query_system = [] { return QCursor::pos(); };
    if (!m_clock_ms) {
        m_started.start();
        m_clock_ms = [this] { return m_started.elapsed(); };
    }
}

QPoint CursorTracker::Pos() {
    if (m_follows_events && m_have_pos)
        return m_pos;
    const qint64 now = m_clock_ms();
    if (!m_have_pos || now - m_known_at_ms >= kOutsidePollMs) {
        m_pos = m_query_system();
        m_have_pos = true;
        m_known_at_ms = now;
        ++m_queries;
    }
    return m_pos;
}

void CursorTracker::Moved(QPoint global) {
    m_pos = global;
    m_have_pos = true;
    m_known_at_ms = m_clock_ms();
}

bool CursorTracker::IsWatched(const QObject* object) const {
    return std::find(m_watched.begin(), m_watched.end(), object) != m_watched.end();
}

bool CursorTracker::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Enter:
    case QEvent::Wheel: {
        // Any window's mouse event tells where the pointer is now; only the watched windows (which
        // get every movement) tell it for the time after.
        const auto* pointer = dynamic_cast<const QSinglePointEvent*>(event);
        if (!pointer)
            break; // a bare enter event, sent without a position
        Moved(pointer->globalPosition().toPoint());
        if (IsWatched(watched))
            m_follows_events = true;
        break;
    }
    case QEvent::Leave:
        if (IsWatched(watched))
            Lose();
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
    case QEvent::ScreenChangeInternal:
        if (IsWatched(watched))
            ++m_placement_generation;
        break;
    case QEvent::Show:
    case QEvent::Hide:
        if (IsWatched(watched))
            ++m_placement_generation;
        // A menu or dialog takes the pointer's events while it is open, and when it closes the
        // pointer may be anywhere.
        if (const auto* widget = qobject_cast<const QWidget*>(watched);
            widget && widget->isWindow() && !IsWatched(widget))
            Lose();
        break;
    case QEvent::ApplicationStateChange:
    case QEvent::WindowDeactivate: Lose(); break;
    default: break;
    }
    return false;
}

} // namespace hk
