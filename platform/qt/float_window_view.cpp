#include "platform/qt/float_window_view.h"

#include "platform/qt/main_window_view.h"
#include "platform/qt/surface_image.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWindow>

#include <cmath>

namespace hk {

FloatWindowView::FloatWindowView(Bitmap& surface)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_surface(surface),
      m_picture(surface, QSize(kClientWidth, kClientHeight)) {
    setFixedSize(kClientWidth, kClientHeight);
    // Showing it must not take the keyboard from the main window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_translucent = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (m_translucent)
        setAttribute(Qt::WA_TranslucentBackground);
    else
        setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
}

const ScaledPicture& FloatWindowView::Picture() const {
    m_picture.SetOutput(size(), devicePixelRatioF());
    return m_picture;
}

void FloatWindowView::SetScale(double scale) {
    if (scale <= 0 || scale == m_scale)
        return;
    m_scale = scale;
    setFixedSize(static_cast<int>(std::lround(kClientWidth * scale)),
                 static_cast<int>(std::lround(kClientHeight * scale)));
    ApplyMask();
    update();
}

void FloatWindowView::SetSmooth(bool smooth) {
    if (smooth == m_picture.Smooth())
        return;
    m_picture.SetSmooth(smooth);
    update();
}

QPoint FloatWindowView::ClientToGlobal(Point client) const {
    return mapToGlobal(Picture().PictureToLocal(client));
}

Point FloatWindowView::GlobalToClient(QPoint global) const {
    return Picture().LocalToPicture(mapFromGlobal(QPointF(global)), false);
}

QRect FloatWindowView::ClientRectToLocal(const QRect& client) const {
    return Picture().PictureRectToLocal(client);
}

void FloatWindowView::SetShape(const std::vector<Platform::Rect>& runs) {
    std::vector<QRect> rects;
    rects.reserve(runs.size());
    for (const Platform::Rect& run : runs)
        if (run.width > 0 && run.height > 0)
            rects.emplace_back(run.x, run.y, run.width, run.height);
    QRegion shape;
    shape.setRects(rects.data(), static_cast<int>(rects.size()));
    m_shape = shape;
    ApplyMask();
    update();
}

QRegion FloatWindowView::Keyed() const {
    QRegion keyed;
    keyed.setRects(m_keyed.data(), static_cast<int>(m_keyed.size()));
    return keyed;
}

QRegion FloatWindowView::Visible() const {
    const QRegion whole = m_shape.isEmpty() ? QRegion(0, 0, kClientWidth, kClientHeight) : m_shape;
    return m_keyed.empty() ? whole : whole.subtracted(Keyed());
}

void FloatWindowView::ApplyMask() {
    if (m_shape.isEmpty() && m_keyed.empty())
        clearMask();
    else
        setMask(Picture().PictureRegionToLocal(Visible()));
}

void FloatWindowView::FollowKeyColour(const QImage& image) {
    std::vector<QRect> keyed;
    if (!image.isNull()) {
        // The surface's fourth byte is not alpha: compare the colour only.
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            int x = 0;
            while (x < image.width()) {
                if ((row[x] & 0xFFFFFFu) != kKeyColour) {
                    ++x;
                    continue;
                }
                const int start = x;
                while (x < image.width() && (row[x] & 0xFFFFFFu) == kKeyColour)
                    ++x;
                keyed.emplace_back(start, y, x - start, 1);
            }
        }
    }
    if (keyed == m_keyed)
        return;
    m_keyed = std::move(keyed);
    ApplyMask();
}

void FloatWindowView::StartDrag() {
    if (QWindow* window = windowHandle(); window && window->startSystemMove())
        return;
    // No window manager to do it (a bare X server): follow the pointer ourselves.
    m_drag_by_hand = true;
    m_drag_offset = m_press_global - pos();
    grabMouse();
}

void FloatWindowView::paintEvent(QPaintEvent* event) {
    // The key colour can come and go with what the engine draws; the mask follows it before
    // anything is shown.
    FollowKeyColour(SurfaceImage(m_surface));
    QPainter painter(this);
    Picture();
    if (m_translucent) {
        // Wayland: the mask only limits input, so everything outside the shape is painted clear.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(event->rect(), Qt::transparent);
        if (!m_shape.isEmpty() || !m_keyed.empty())
            painter.setClipRegion(m_picture.PictureRegionToLocal(Visible()));
        m_picture.Paint(painter, event->rect(), Qt::transparent);
        return;
    }
    m_picture.Paint(painter, event->rect(), Qt::black);
}

void FloatWindowView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    m_press_global = event->globalPosition().toPoint();
    m_press_button = event->button();
    MouseButton button;
    switch (event->button()) {
    case Qt::LeftButton: button = MouseButton::Left; break;
    case Qt::RightButton: button = MouseButton::Right; break;
    case Qt::MiddleButton: button = MouseButton::Middle; break;
    default: return;
    }
    if (m_sink)
        m_sink->OnMouseDown(WindowId::Float, button, Picture().LocalToPicture(event->position(), true));
}

void FloatWindowView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_drag_by_hand) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    event->accept();
    move(event->globalPosition().toPoint() - m_drag_offset);
}

void FloatWindowView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_drag_by_hand && !(event->buttons() & m_press_button)) {
        m_drag_by_hand = false;
        releaseMouse();
    }
    QWidget::mouseReleaseEvent(event);
}

void FloatWindowView::wheelEvent(QWheelEvent* event) {
    event->accept();
    int notches = TakeWheelNotches(m_wheel_rest, event->angleDelta().y());
    for (; notches > 0 && m_sink; --notches)
        m_sink->OnMouseWheel(WindowId::Float, true);
    for (; notches < 0 && m_sink; ++notches)
        m_sink->OnMouseWheel(WindowId::Float, false);
}

} // namespace hk
