#include "platform/qt/main_window_view.h"

#include "platform/qt/menu_view.h"
#include "platform/qt/surface_image.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>

#include <cmath>

namespace hk {

namespace {

std::optional<MouseButton> ButtonFromQt(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return MouseButton::Left;
    case Qt::RightButton:
        return MouseButton::Right;
    case Qt::MiddleButton:
        return MouseButton::Middle;
    default:
        return std::nullopt;
    }
}

} // namespace

int TakeWheelNotches(int& rest, int delta) {
    rest += delta;
    const int notches = rest / kWheelNotch; // rounds towards zero, so the rest keeps its sign
    rest -= notches * kWheelNotch;
    return notches;
}

MainWindowView::MainWindowView(TABitmap& surface)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_surface(surface) {
    setWindowTitle(QStringLiteral("ＨＡＲＵＫＡＺＥ　radadu"));
    setFixedSize(kClientWidth, kClientHeight);
    // Every pixel comes from the surface: no background erase before painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    CentreOnScreen();
}

void MainWindowView::CentreOnScreen() {
    const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!where)
        return;
    const QRect area = where->geometry();
    move(area.x() + (area.width() - kClientWidth) / 2, area.y() + (area.height() - kClientHeight) / 2);
}

void MainWindowView::SetFullScreen(bool full) {
    if (full == m_full_screen)
        return;
    m_full_screen = full;
    if (full) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        showFullScreen();
        // Without a window manager nobody resizes the window for us.
        if (const QScreen* where = screen())
            setGeometry(where->geometry());
    } else {
        showNormal();
        setFixedSize(kClientWidth, kClientHeight);
        CentreOnScreen();
    }
    update();
}

PictureFit MainWindowView::Fit() const {
    if (!m_full_screen)
        return PictureFit{0, 0, kClientWidth, kClientHeight};
    const qreal ratio = devicePixelRatioF();
    return FitPicture(static_cast<int>(std::lround(width() * ratio)), static_cast<int>(std::lround(height() * ratio)),
                      kClientWidth, kClientHeight);
}

Point MainWindowView::LocalToClient(QPointF local, bool clamp) const {
    if (!m_full_screen) {
        Point p{static_cast<int>(std::floor(local.x())), static_cast<int>(std::floor(local.y()))};
        return p;
    }
    const qreal ratio = devicePixelRatioF();
    return OutputToPicture(Fit(), local.x() * ratio, local.y() * ratio, kClientWidth, kClientHeight, clamp);
}

QPoint MainWindowView::ClientToGlobal(Point client) const {
    if (!m_full_screen)
        return mapToGlobal(QPoint(client.x, client.y));
    // The centre of the picture pixel on the output, then the logical pixel that holds it: a
    // whole logical point that maps back to the same picture pixel.
    double x = 0, y = 0;
    PictureToOutput(Fit(), client, kClientWidth, kClientHeight, x, y);
    const qreal ratio = devicePixelRatioF();
    const QPoint local(static_cast<int>(std::floor(x / ratio)), static_cast<int>(std::floor(y / ratio)));
    return mapToGlobal(local);
}

Point MainWindowView::GlobalToClient(QPoint global) const {
    return LocalToClient(mapFromGlobal(QPointF(global)), false);
}

void MainWindowView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // The image wrapping the surface is made again only when the surface's pixels have moved.
    if (m_image.constBits() != m_surface.Row(0) || m_image.width() != m_surface.Width() ||
        m_image.height() != m_surface.Height())
        m_image = SurfaceImage(m_surface);
    const QImage& image = m_image;
    if (image.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    if (!m_full_screen) {
        const QRect area = event->rect();
        painter.drawImage(area.topLeft(), image, area);
        return;
    }
    // Black bars around the picture, then the picture scaled by nearest neighbour, placed on
    // whole physical pixels.
    painter.fillRect(rect(), Qt::black);
    const PictureFit fit = Fit();
    const qreal ratio = devicePixelRatioF();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRectF(fit.x / ratio, fit.y / ratio, fit.width / ratio, fit.height / ratio), image);
}

void MainWindowView::mousePressEvent(QMouseEvent* event) {
    const auto button = ButtonFromQt(event->button());
    if (!button || !m_sink) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    m_sink->OnMouseDown(WindowId::Main, *button, LocalToClient(event->position(), true));
    // The engine may have attached or detached its menu while handling the press.
    if (*button == MouseButton::Right && m_menu)
        RunPopupMenu(*m_menu, m_sink, event->globalPosition().toPoint(), this);
}

void MainWindowView::wheelEvent(QWheelEvent* event) {
    event->accept();
    int notches = TakeWheelNotches(m_wheel_rest, event->angleDelta().y());
    for (; notches > 0 && m_sink; --notches)
        m_sink->OnMouseWheel(WindowId::Main, true);
    for (; notches < 0 && m_sink; ++notches)
        m_sink->OnMouseWheel(WindowId::Main, false);
}

void MainWindowView::closeEvent(QCloseEvent* event) {
    if (!m_sink || m_sink->OnCloseQuery())
        event->accept();
    else
        event->ignore();
}

} // namespace hk
