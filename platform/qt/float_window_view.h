// The floating message window (TMsgForm) in the window build: borderless, always on top, 800x176
// picture pixels drawn at the main window's scale, shaped to its artwork, painted from its client
// surface, and see-through wherever the picture is exactly lime (the window's colour key). Presses
// and wheel turns go to the engine in picture coordinates; the engine decides whether a press
// starts a drag.
#pragma once

#include "engine/host.h"
#include "gfx/bitmap.h"
#include "platform/qt/scaled_picture.h"

#include <QColor>
#include <QRegion>
#include <QWidget>

#include <vector>

namespace hk {

class FloatWindowView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 800;
    static constexpr int kClientHeight = 176;
    // Pixels of exactly this colour are never shown, whatever the shape says.
    static constexpr QRgb kKeyColour = 0x00FF00;

    explicit FloatWindowView(Bitmap& surface);

    void SetSink(PlatformEvents* sink) { m_sink = sink; }
    // Logical window pixels per picture pixel, as in the main window; the window's size and shape
    // follow it.
    void SetScale(double scale);
    double Scale() const { return m_scale; }
    void SetSmooth(bool smooth);
    bool Smooth() const { return m_picture.Smooth(); }
    // The visible part in picture coordinates: the union of the runs. An empty list shows the
    // whole window.
    void SetShape(const std::vector<Platform::Rect>& runs);
    const QRegion& Shape() const { return m_shape; }
    // The key-coloured pixels of the picture as it was last painted (picture coordinates).
    QRegion Keyed() const;
    // Picture coordinates to and from global screen coordinates.
    QPoint ClientToGlobal(Point client) const;
    Point GlobalToClient(QPoint global) const;
    // The window's logical pixels that show a rectangle of the picture.
    QRect ClientRectToLocal(const QRect& client) const;
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
    // Finds the key-coloured runs of the picture; when they changed, shows the window again
    // through the shape minus those runs.
    void FollowKeyColour(const QImage& image);
    void ApplyMask();
    // The visible part in picture coordinates.
    QRegion Visible() const;
    const ScaledPicture& Picture() const;

    Bitmap& m_surface;
    mutable ScaledPicture m_picture; // laid out afresh whenever the window is asked about it
    double m_scale = 1.0;
    PlatformEvents* m_sink = nullptr;
    QRegion m_shape;
    std::vector<QRect> m_keyed; // one rectangle per run of key-coloured pixels, row by row
    bool m_translucent = false; // Wayland: the mask only limits input, so paint clear outside it
    QPoint m_press_global;
    Qt::MouseButton m_press_button = Qt::LeftButton; // the button a drag follows
    bool m_drag_by_hand = false;
    QPoint m_drag_offset; // pointer minus window position while dragging by hand
    int m_wheel_rest = 0;
};

} // namespace hk
