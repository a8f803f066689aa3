#include "platform/qt/paint_pacer.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace hk {

namespace {
constexpr qint64 kTickLeadNs = 3'000'000;
} // namespace

PaintPacer::PaintPacer(QWidget& widget, double refresh_hz) : m_widget(widget) {
    const double hz = std::clamp(std::isfinite(refresh_hz) ? refresh_hz : 60.0, 30.0, 240.0);
    m_interval_ms = static_cast<int>(std::floor(1000.0 / hz));
    m_interval_ns = static_cast<qint64>(std::llround(1e9 / hz));
    m_clock.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PaintPacer::Repaint);
}

void PaintPacer::Request() {
    Request(m_widget.rect());
}

void PaintPacer::Request(const QRect& area) {
    if (area.isEmpty())
        return;
    m_pending |= area;
    if (m_timer.isActive())
        return; // a repaint is already on its way and will show the newest picture
    const qint64 now = m_clock.nsecsElapsed();
    if (now >= m_next_slot_ns) {
        Repaint();
        return;
    }
    // Rounded up: a repaint never comes before its slot.
    m_timer.start(static_cast<int>((m_next_slot_ns - now + 999'999) / 1'000'000));
}

bool PaintPacer::ReadyForFrame() const {
    return !m_timer.isActive() && m_clock.nsecsElapsed() + kTickLeadNs >= m_next_slot_ns;
}

void PaintPacer::Repaint() {
    const qint64 now = m_clock.nsecsElapsed();
    // On the grid while repaints keep coming: one repaint per refresh period, and one that comes
    // late (the machine was busy) does not push the later ones back. After a pause, or a repaint
    // late by a whole period, the grid starts again from now.
    if (now - m_next_slot_ns >= m_interval_ns)
        m_next_slot_ns = now + m_interval_ns;
    else
        m_next_slot_ns += m_interval_ns;
    ++m_repaints;
    // update() only marks the window; Qt paints it on its next pass through the event loop.
    m_widget.update(m_pending);
    m_pending = QRect();
}

} // namespace hk
