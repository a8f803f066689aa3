// The game's main window in the window build: a fixed 800x600 client area showing the main
// client surface, framed with only the system menu and minimise box, or borderless over the
// whole screen with the picture scaled to fit. It turns Qt's mouse, wheel and close events into
// the engine's events and opens the attached context menu on a right click.
#pragma once

#include "gfx/abitmap.h"
#include "platform/platform.h"
#include "platform/qt/picture_fit.h"

#include <QImage>
#include <QWidget>

namespace hk {

class MainWindowView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 800;
    static constexpr int kClientHeight = 600;

    explicit MainWindowView(TABitmap& surface);

    void SetSink(PlatformEvents* sink) { m_sink = sink; }
    // The context menu a right click opens; nullptr: none. The model must outlive the attachment.
    void AttachMenu(Menu* menu) { m_menu = menu; }
    Menu* AttachedMenu() const { return m_menu; }

    // Places the window so that it is centred on its screen.
    void CentreOnScreen();
    void SetFullScreen(bool full);
    bool FullScreen() const { return m_full_screen; }

    // Client (picture) coordinates to and from global screen coordinates; in full screen they go
    // through the scaling of the picture.
    QPoint ClientToGlobal(Point client) const;
    Point GlobalToClient(QPoint global) const;
    // Where the picture lies in the window, in physical pixels.
    PictureFit Fit() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Point LocalToClient(QPointF local, bool clamp) const;

    TABitmap& m_surface;
    QImage m_image; // shows m_surface's pixels without a copy
    PlatformEvents* m_sink = nullptr;
    Menu* m_menu = nullptr;
    bool m_full_screen = false;
    int m_wheel_rest = 0; // wheel travel not yet worth a whole notch
};

// One notch of a mouse wheel in Qt's angle units (eighths of a degree).
inline constexpr int kWheelNotch = 120;
// Adds a wheel movement to the travel left over from before and returns whole notches (positive:
// away from the user), leaving the rest in `rest`. High-resolution wheels and touchpads send
// fractions of a notch.
int TakeWheelNotches(int& rest, int delta);

} // namespace hk
