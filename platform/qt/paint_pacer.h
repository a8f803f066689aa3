// Keeps a window from being repainted more often than the display refreshes. The engine may
// present a new picture on every frame tick (several hundred a second); the player can only see
// one per refresh, so requests that come sooner than one refresh interval after the last repaint
// are folded into a single repaint at the end of that interval. Nothing is ever dropped: the last
// request always leads to a repaint.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QRect>
#include <QTimer>

class QWidget;

namespace hk {

class PaintPacer final : public QObject {
    Q_OBJECT
public:
    // refresh_hz: the display's refresh rate (clamped to 30..240).
    PaintPacer(QWidget& widget, double refresh_hz);

    // Asks for a repaint of the whole window, now or at the next refresh slot.
    void Request();
    // The same for a part of it (widget coordinates); the parts asked for before the repaint
    // are painted together.
    void Request(const QRect& area);
    // True when a request made now would be painted at the coming refresh slot: no repaint is
    // waiting, and the slot is at most a frame tick away (a tick is about 3 ms).
    bool ReadyForFrame() const;
    int IntervalMs() const { return m_interval_ms; }
    // Repaints asked of Qt so far (not the requests folded into them).
    int Repaints() const { return m_repaints; }

private:
    void Repaint();

    QWidget& m_widget;
    int m_interval_ms;
    qint64 m_interval_ns;
    // Refresh slots lie on a grid one interval apart, so that a display of 60 Hz gets 60 repaints
    // a second, not 1000 / 16 of them; a repaint is allowed from m_next_slot_ns on.
    QElapsedTimer m_clock;
    qint64 m_next_slot_ns = 0;
    QTimer m_timer;
    QRect m_pending; // what the coming repaint must cover
    int m_repaints = 0;
};

} // namespace hk
