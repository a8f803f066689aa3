#include "platform/qt/scaled_picture.h"

#include "platform/qt/picture_scaler.h"

#include <QPainter>

#include <cmath>

namespace hk {

namespace {

// Float products such as 0.6667 * 1.5 land a hair beside the whole number they stand for.
constexpr double kSlack = 1e-6;

int FloorDevice(double logical, qreal ratio) {
    return static_cast<int>(std::floor(logical * ratio + kSlack));
}

int CeilDevice(double logical, qreal ratio) {
    return static_cast<int>(std::ceil(logical * ratio - kSlack));
}

int CeilLogical(int device, qreal ratio) {
    return static_cast<int>(std::ceil(device / ratio - kSlack));
}

int FloorLogical(int device, qreal ratio) {
    return static_cast<int>(std::floor(device / ratio + kSlack));
}

PixelBlock BlockOf(const Bitmap& surface) {
    PixelBlock block;
    block.pixels = reinterpret_cast<const std::uint32_t*>(surface.Row(0));
    block.stride = static_cast<std::ptrdiff_t>(surface.Stride() / 4);
    block.width = surface.Width();
    block.height = surface.Height();
    return block;
}

PixelTarget TargetOf(QImage& image) {
    PixelTarget target;
    target.pixels = reinterpret_cast<std::uint32_t*>(image.bits());
    target.stride = static_cast<std::ptrdiff_t>(image.bytesPerLine() / 4);
    target.width = image.width();
    target.height = image.height();
    return target;
}

} // namespace

ScaledPicture::ScaledPicture(const Bitmap& surface, QSize picture) : m_surface(surface), m_picture(picture) {
    SetOutput(picture, 1.0);
}

void ScaledPicture::SetOutput(QSize logical, qreal ratio) {
    if (logical == m_logical && ratio == m_ratio)
        return;
    m_logical = logical;
    m_ratio = ratio > 0 ? ratio : 1.0;
    m_device = QSize(static_cast<int>(std::lround(logical.width() * m_ratio)),
                     static_cast<int>(std::lround(logical.height() * m_ratio)));
    m_fit = FitPicture(m_device.width(), m_device.height(), m_picture.width(), m_picture.height());
}

double ScaledPicture::Scale() const {
    return m_picture.width() > 0 ? m_fit.width / m_ratio / m_picture.width() : 1.0;
}

Point ScaledPicture::LocalToPicture(QPointF local, bool clamp) const {
    return OutputToPicture(m_fit, FloorDevice(local.x(), m_ratio), FloorDevice(local.y(), m_ratio), m_picture.width(),
                           m_picture.height(), clamp);
}

QPoint ScaledPicture::PictureToLocal(Point picture) const {
    const Point device = PictureToOutput(m_fit, picture, m_picture.width(), m_picture.height());
    return QPoint(CeilLogical(device.x, m_ratio), CeilLogical(device.y, m_ratio));
}

QRect ScaledPicture::PictureRectToLocal(const QRect& picture) const {
    if (picture.isEmpty())
        return QRect();
    const Point first = PictureToOutput(m_fit, Point{picture.x(), picture.y()}, m_picture.width(), m_picture.height());
    const Point end = PictureToOutput(m_fit, Point{picture.x() + picture.width(), picture.y() + picture.height()},
                                      m_picture.width(), m_picture.height());
    const QPoint top_left(FloorLogical(first.x, m_ratio), FloorLogical(first.y, m_ratio));
    const QPoint bottom_right(CeilLogical(end.x, m_ratio), CeilLogical(end.y, m_ratio));
    return QRect(top_left, QSize(bottom_right.x() - top_left.x(), bottom_right.y() - top_left.y()));
}

QRegion ScaledPicture::PictureRegionToLocal(const QRegion& picture) const {
    if (!Scaled() && m_ratio == 1.0)
        return picture;
    QRegion local;
    for (const QRect& rect : picture)
        local += PictureRectToLocal(rect);
    return local;
}

void ScaledPicture::Paint(QPainter& painter, const QRect& area, const QColor& bars) {
    // Every physical pixel the logical area touches.
    const QRect device_area(
        QPoint(FloorDevice(area.x(), m_ratio), FloorDevice(area.y(), m_ratio)),
        QPoint(CeilDevice(area.x() + area.width(), m_ratio) - 1, CeilDevice(area.y() + area.height(), m_ratio) - 1));
    const QRect picture_rect(m_fit.x, m_fit.y, m_fit.width, m_fit.height);
    if (!picture_rect.contains(device_area)) {
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(area, bars);
        painter.restore();
    }
    if (!m_surface.HasImage() || m_surface.Format() != PixelFormat::Bgra32 || m_fit.width <= 0 || m_fit.height <= 0) {
        painter.fillRect(area, Qt::black);
        return;
    }
    if (m_smooth && Scaled())
        PaintSmooth(painter);
    else
        PaintSharp(painter, device_area & picture_rect);
}

void ScaledPicture::PaintSharp(QPainter& painter, const QRect& device_area) {
    if (device_area.isEmpty())
        return;
    if (m_image.width() != m_fit.width || m_image.height() != m_fit.height)
        m_image = QImage(m_fit.width, m_fit.height, QImage::Format_RGB32);
    // Only the part being painted is scaled again (the blinking wait icon repaints a few pixels).
    const QRect part = device_area.translated(-m_fit.x, -m_fit.y);
    ScaleNearest(BlockOf(m_surface), TargetOf(m_image), part.left(), part.top(), part.right() + 1, part.bottom() + 1);
    // Drawn pixel for pixel: the target is the same part, in logical units.
    const QRectF target(device_area.x() / m_ratio, device_area.y() / m_ratio, device_area.width() / m_ratio,
                        device_area.height() / m_ratio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, m_image, QRectF(part));
}

void ScaledPicture::PaintSmooth(QPainter& painter) {
    if (m_image.size() != m_picture)
        m_image = QImage(m_picture, QImage::Format_RGB32);
    ScaleNearest(BlockOf(m_surface), TargetOf(m_image), 0, 0, m_image.width(), m_image.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(m_fit.x / m_ratio, m_fit.y / m_ratio, m_fit.width / m_ratio, m_fit.height / m_ratio),
                      m_image);
}

} // namespace hk
