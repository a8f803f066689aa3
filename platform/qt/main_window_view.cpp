#include "platform/qt/main_window_view.h"

#include "platform/qt/menu_view.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <QWindow>

#include <cmath>

namespace hk {

namespace {

std::optional<MouseButton> ButtonFromQt(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return MouseButton::Left;
    case Qt::RightButton: return MouseButton::Right;
    case Qt::MiddleButton: return MouseButton::Middle;
    default: return std::nullopt;
    }
}

bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

int TakeWheelNotches(int& rest, int delta) {
    rest += delta;
    const int notches = rest / kWheelNotch; // rounds towards zero, so the rest keeps its sign
    rest -= notches * kWheelNotch;
    return notches;
}

MainWindowView::MainWindowView(Bitmap& surface)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      m_picture(surface, QSize(kClientWidth, kClientHeight)) {
    setWindowTitle(QStringLiteral("ＨＡＲＵＫＡＺＥ　radadu"));
    setMinimumSize(kMinClientWidth, kMinClientHeight);
    resize(kClientWidth, kClientHeight);
    // Every pixel comes from the surface or the bars: no background erase before painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    CentreOnScreen();
}

const ScaledPicture& MainWindowView::Picture() const {
    m_picture.SetOutput(size(), devicePixelRatioF());
    return m_picture;
}

ScaledPicture& MainWindowView::Picture() {
    m_picture.SetOutput(size(), devicePixelRatioF());
    return m_picture;
}

void MainWindowView::CentreOnScreen() {
    const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!where)
        return;
    const QRect area = where->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void MainWindowView::BringToFront() {
    if (windowState() & Qt::WindowMinimized)
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainWindowView::SetFullScreen(bool full) {
    if (full == m_full_screen)
        return;
    if (full) {
        m_normal_geometry = NormalClientGeometry();
        m_was_maximized = isMaximized();
        m_full_screen = true;
        showFullScreen();
        // Without a window manager nobody resizes the window for us. A Wayland compositor always
        // does, and Qt would take this size for the window's normal one.
        if (const QScreen* where = screen(); where && !OnWayland())
            setGeometry(where->geometry());
    } else {
        m_full_screen = false;
        showNormal();
        if (m_normal_geometry.isValid()) {
            setGeometry(m_normal_geometry);
        } else {
            resize(kClientWidth, kClientHeight);
            CentreOnScreen();
        }
        if (m_was_maximized)
            showMaximized();
    }
    update();
}

void MainWindowView::SetSmooth(bool smooth) {
    if (smooth == m_picture.Smooth())
        return;
    m_picture.SetSmooth(smooth);
    update();
    emit SmoothChanged(smooth);
}

QRect MainWindowView::NormalClientGeometry() const {
    if (m_full_screen)
        return m_normal_geometry;
    if (isMaximized() && normalGeometry().isValid())
        return normalGeometry();
    return geometry();
}

Size MainWindowView::AvailableClientSize() const {
    const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!where)
        return Size{kClientWidth, kClientHeight};
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QRect area = where->availableGeometry().marginsRemoved(frame);
    return Size{area.width(), area.height()};
}

void MainWindowView::ApplyScale(const WindowScale& scale) {
    if (m_full_screen)
        return;
    if (isMaximized())
        showNormal();
    const Size client = ClientSizeFor(scale, Size{kClientWidth, kClientHeight}, AvailableClientSize());
    QRect target(QPoint(0, 0), QSize(client.width, client.height).expandedTo(minimumSize()));
    target.moveCenter(geometry().center());
    // Kept on its screen where the window system lets us place windows (not on Wayland).
    if (const QScreen* where = screen()) {
        const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
        const QRect area = where->availableGeometry().marginsRemoved(frame);
        if (target.right() > area.right())
            target.moveRight(area.right());
        if (target.bottom() > area.bottom())
            target.moveBottom(area.bottom());
        if (target.left() < area.left())
            target.moveLeft(area.left());
        if (target.top() < area.top())
            target.moveTop(area.top());
    }
    setGeometry(target);
    m_applied_scale = scale;
    m_applied_size = target.size();
}

std::optional<WindowScale> MainWindowView::CurrentScale() const {
    const QSize size = NormalClientGeometry().size();
    if (m_applied_scale && size == m_applied_size)
        return m_applied_scale;
    // Sized by the frame to exactly a step, it is that step.
    return StepOfSize(Size{size.width(), size.height()}, Size{kClientWidth, kClientHeight});
}

void MainWindowView::Zoom(ZoomStep step) {
    if (m_full_screen)
        return;
    const Size picture{kClientWidth, kClientHeight};
    const int picture_width = static_cast<int>(std::lround(PictureScale() * kClientWidth));
    std::optional<WindowScale> next;
    switch (step) {
    case ZoomStep::In: next = LargerScale(picture_width, picture, AvailableClientSize()); break;
    case ZoomStep::Out: next = SmallerScale(picture_width, picture, AvailableClientSize()); break;
    case ZoomStep::Reset: next = WindowScale::Times(1.0); break;
    }
    if (next)
        ApplyScale(*next);
}

Point MainWindowView::LocalToClient(QPointF local, bool clamp) const {
    return Picture().LocalToPicture(local, clamp);
}

QPoint MainWindowView::ClientToGlobal(Point client) const {
    return mapToGlobal(Picture().PictureToLocal(client));
}

Point MainWindowView::GlobalToClient(QPoint global) const {
    return LocalToClient(mapFromGlobal(QPointF(global)), false);
}

QRect MainWindowView::ClientRectToLocal(const QRect& client) const {
    return Picture().PictureRectToLocal(client);
}

void MainWindowView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    Picture().Paint(painter, event->rect(), Qt::black);
}

void MainWindowView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FollowScale();
}

void MainWindowView::FollowScale() {
    const double scale = PictureScale();
    if (scale == m_last_scale)
        return;
    m_last_scale = scale;
    emit PictureScaleChanged(scale);
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
