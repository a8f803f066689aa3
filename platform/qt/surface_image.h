// A QImage that shows a Bitmap's pixels without copying them. The fourth byte of a surface pixel
// is a transparency value for the engine's own drawing, not alpha, so the image is RGB32 and Qt
// never blends with it. The image is valid only while the surface keeps its size.
#pragma once

#include "gfx/bitmap.h"

#include <QImage>

namespace hk {

inline QImage SurfaceImage(const Bitmap& surface) {
    if (!surface.HasImage() || surface.Format() != PixelFormat::Bgra32)
        return QImage();
    return QImage(surface.Row(0), surface.Width(), surface.Height(), static_cast<qsizetype>(surface.Stride()),
                  QImage::Format_RGB32);
}

} // namespace hk
