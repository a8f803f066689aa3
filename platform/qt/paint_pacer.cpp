#include "platform/qt/paint_pacer.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace hk {

PaintPacer::PaintPacer(QWidget& widget, double refresh_hz)
    : m_widget(widget),
      m_interval_ms(static_cast<int>(std::floor(1000.0 / std::clamp(std::isfinite(refresh_hz) ? refresh_hz : 60.0,
                                                                     30.0, 240.0)))) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PaintPacer::Repaint);
}

void PaintPacer::Request() {
    if (m_timer.isActive())
        return; // a repaint is already on its way and will show the newest picture
    if (!m_since_repaint.isValid() || m_since_repaint.elapsed() >= m_interval_ms) {
        Repaint();
        return;
    }
    m_timer.start(static_cast<int>(m_interval_ms - m_since_repaint.elapsed()));
}

void PaintPacer::Repaint() {
    m_since_repaint.start();
    ++m_repaints;
    // update() only marks the window; Qt paints it on its next pass through the event loop.
    m_widget.update();
}

} // namespace hk
