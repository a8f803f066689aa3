// One window's view of a game surface drawn at the window's size: where the picture lies (in the
// window's physical pixels), points mapped both ways by the rule of picture_fit.h, and the
// painting, either sharp (nearest neighbour, through a cached scaled copy) or smooth (Qt's
// filtering). The main window and the floating window each own one.
#pragma once

#include "engine/host.h"
#include "gfx/bitmap.h"
#include "platform/qt/picture_fit.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QSize>

class QPainter;

namespace hk {

class ScaledPicture {
public:
    // picture: the size of the game picture the surface holds (the surface may still be empty).
    ScaledPicture(const Bitmap& surface, QSize picture);

    // The window's size in logical pixels and its device pixel ratio.
    void SetOutput(QSize logical, qreal ratio);
    void SetSmooth(bool smooth) { m_smooth = smooth; }
    bool Smooth() const { return m_smooth; }

    // Where the picture lies, in physical pixels of the window.
    const PictureFit& Fit() const { return m_fit; }
    QSize DeviceSize() const { return m_device; }
    // Logical window pixels per picture pixel (2.0 for a 1600x1200 window at ratio 1).
    double Scale() const;

    // A window point (logical) to the picture pixel shown under it; points in the bars land
    // outside the picture unless clamp is set.
    Point LocalToPicture(QPointF local, bool clamp) const;
    // The first logical window point that shows a picture pixel (its block's top-left corner).
    QPoint PictureToLocal(Point picture) const;
    // The logical window pixels that show any of these picture pixels.
    QRect PictureRectToLocal(const QRect& picture) const;
    QRegion PictureRegionToLocal(const QRegion& picture) const;

    // Paints `area` (logical) of the window: the picture, and the bars around it in `bars`
    // (Qt::transparent clears them).
    void Paint(QPainter& painter, const QRect& area, const QColor& bars);

private:
    void PaintSharp(QPainter& painter, const QRect& device_area);
    void PaintSmooth(QPainter& painter);
    bool Scaled() const { return m_fit.width != m_picture.width() || m_fit.height != m_picture.height(); }

    const Bitmap& m_surface;
    QSize m_picture;
    QSize m_logical;
    qreal m_ratio = 1.0;
    QSize m_device;
    PictureFit m_fit;
    bool m_smooth = false;
    QImage m_image; // the picture at m_fit's size (sharp) or at its own size (smooth), opaque
};

} // namespace hk
