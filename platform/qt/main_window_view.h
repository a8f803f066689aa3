// The game's main window in the window build: a framed window the player can resize and maximise,
// or borderless over the whole screen. Either way it shows the 800x600 client surface as large as
// it fits with its 4:3 shape kept, centred between black bars, sharp or smooth (scaled_picture.h).
// The engine sees only 800x600 client coordinates: mouse points, and the points it asks to be
// put on the screen, go through the same scaling. It turns Qt's mouse, wheel and close events
// into the engine's events and opens the attached context menu on a right click.
#pragma once

#include "engine/host.h"
#include "gfx/bitmap.h"
#include "platform/qt/picture_fit.h"
#include "platform/qt/scaled_picture.h"
#include "platform/qt/window_scale.h"

#include <QWidget>

#include <optional>

namespace hk {

enum class ZoomStep : std::uint8_t { In = 0, Out = 1, Reset = 2 };

class MainWindowView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 800;
    static constexpr int kClientHeight = 600;
    // The smallest client area the frame can be dragged to.
    static constexpr int kMinClientWidth = 400;
    static constexpr int kMinClientHeight = 300;

    explicit MainWindowView(Bitmap& surface);

    void SetSink(PlatformEvents* sink) { m_sink = sink; }
    // The context menu a right click opens; nullptr: none. The model must outlive the attachment.
    void AttachMenu(Menu* menu) { m_menu = menu; }
    Menu* AttachedMenu() const { return m_menu; }

    // Places the window so that it is centred on its screen.
    void CentreOnScreen();
    // Shows the window on top of the others and asks for the focus: un-minimised to the state it
    // had (maximised or full screen stay so). What a second start of the game asks for.
    void BringToFront();
    // Full screen and back; leaving it gives the framed window its size and place from before.
    void SetFullScreen(bool full);
    bool FullScreen() const { return m_full_screen; }

    // The picture's filter when it is scaled: nearest neighbour (false) or smooth.
    void SetSmooth(bool smooth);
    bool Smooth() const { return m_picture.Smooth(); }
    // Gives the framed window the client size of a scale, keeping its centre where it was and the
    // window on its screen. In full screen it does nothing.
    void ApplyScale(const WindowScale& scale);
    // The scale last applied while the framed window still has its size, or the step (1x, 1.5x,
    // 2x, ...) whose size the framed window has; nullopt for other sizes the frame was given.
    std::optional<WindowScale> CurrentScale() const;
    // The window's zoom keys: one step larger or smaller, or back to 1x. Nothing in full screen.
    void Zoom(ZoomStep step);
    // The framed window's client area on the desktop (also while in full screen or maximised),
    // and whether it is maximised.
    QRect NormalClientGeometry() const;
    bool NormalMaximized() const { return m_full_screen ? m_was_maximized : isMaximized(); }
    // The client size a framed window can take on its screen: the free area less the frame.
    Size AvailableClientSize() const;

    // Client (picture) coordinates to and from global screen coordinates, through the scaling of
    // the picture. ClientToGlobal gives the top-left point of the pixel's block.
    QPoint ClientToGlobal(Point client) const;
    Point GlobalToClient(QPoint global) const;
    // The window's logical pixels that show a rectangle of the picture.
    QRect ClientRectToLocal(const QRect& client) const;
    // Where the picture lies in the window, in physical pixels.
    PictureFit Fit() const { return Picture().Fit(); }
    // Logical window pixels per picture pixel.
    double PictureScale() const { return Picture().Scale(); }

signals:
    // The picture is drawn at another scale or with another filter (the floating window follows).
    void PictureScaleChanged(double scale);
    void SmoothChanged(bool smooth);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The picture laid out for the window's present size and pixel ratio.
    const ScaledPicture& Picture() const;
    ScaledPicture& Picture();
    Point LocalToClient(QPointF local, bool clamp) const;
    void FollowScale();

    mutable ScaledPicture m_picture; // laid out afresh whenever the window is asked about it
    PlatformEvents* m_sink = nullptr;
    Menu* m_menu = nullptr;
    bool m_full_screen = false;
    QRect m_normal_geometry;      // the framed window's client area before full screen
    bool m_was_maximized = false; // ... and whether it was maximised
    std::optional<WindowScale> m_applied_scale;
    QSize m_applied_size;
    double m_last_scale = 1.0;
    int m_wheel_rest = 0; // wheel travel not yet worth a whole notch
};

// One notch of a mouse wheel in Qt's angle units (eighths of a degree).
inline constexpr int kWheelNotch = 120;
// Adds a wheel movement to the travel left over from before and returns whole notches (positive:
// away from the user), leaving the rest in `rest`. High-resolution wheels and touchpads send
// fractions of a notch.
int TakeWheelNotches(int& rest, int delta);

} // namespace hk
