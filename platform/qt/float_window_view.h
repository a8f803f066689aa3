// The floating message window (TMsgForm) in the window build: borderless, always on top, 800x176,
// shaped to its artwork, painted from its client surface. Presses and wheel turns go to the
// engine; the engine decides whether a press starts a drag.
#pragma once

#include "gfx/abitmap.h"
#include "platform/platform.h"

#include <QRegion>
#include <QWidget>

#include <vector>

namespace hk {

class FloatWindowView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 800;
    static constexpr int kClientHeight = 176;

    explicit FloatWindowView(TABitmap& surface);

    void SetSink(PlatformEvents* sink) { m_sink = sink; }
    // The visible part: the union of the runs. An empty list shows the whole window.
    void SetShape(const std::vector<Platform::Rect>& runs);
    const QRegion& Shape() const { return m_shape; }
    // Lets the player move the window with the button that is down now: the window system's own
    // move where it offers one, otherwise by following the pointer until the button is released.
    void StartDrag();
    bool DraggingByHand() const { return m_drag_by_hand; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    TABitmap& m_surface;
    PlatformEvents* m_sink = nullptr;
    QRegion m_shape;
    bool m_translucent = false; // Wayland: the mask only limits input, so paint clear outside it
    QPoint m_press_global;
    Qt::MouseButton m_press_button = Qt::LeftButton; // the button a drag follows
    bool m_drag_by_hand = false;
    QPoint m_drag_offset; // pointer minus window position while dragging by hand
    int m_wheel_rest = 0;
};

} // namespace hk
