#include "platform/qt/qt_platform.h"

#include "platform/qt/config_dialog.h"
#include "platform/qt/cursor_tracker.h"
#include "platform/qt/debug_window_view.h"
#include "platform/qt/delay_timer.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/float_window_view.h"
#include "platform/qt/gamepad_input.h"
#include "platform/qt/key_state.h"
#include "platform/qt/main_window_view.h"
#include "platform/qt/menu_view.h"
#include "platform/qt/paint_pacer.h"
#include "platform/qt/sdl_audio_device.h"
#include "platform/qt/zoom_keys.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace hk {

// Marks a stretch of work done by Qt for the benchmark's allocation count (nothing without one).
class QtPlatform::InsideQt {
public:
    explicit InsideQt(QtPlatform& platform) : m_platform(platform) {
        if (m_platform.m_alloc_count && m_platform.m_qt_call_depth++ == 0)
            m_platform.m_qt_calls_since = m_platform.m_alloc_count();
    }
    ~InsideQt() {
        if (m_platform.m_alloc_count && --m_platform.m_qt_call_depth == 0)
            m_platform.m_allocs_in_events += m_platform.m_alloc_count() - m_platform.m_qt_calls_since;
    }
    InsideQt(const InsideQt&) = delete;
    InsideQt& operator=(const InsideQt&) = delete;

private:
    QtPlatform& m_platform;
};

std::uint64_t QtPlatform::AllocationsInEvents() const {
    // A sample taken while Qt handles an event counts that stretch so far.
    if (m_alloc_count && m_qt_call_depth > 0)
        return m_allocs_in_events + (m_alloc_count() - m_qt_calls_since);
    return m_allocs_in_events;
}

QtPlatform::QtPlatform() {
    m_main_surface.SetSize(MainWindowView::kClientWidth, MainWindowView::kClientHeight);
    m_main_surface.Fill(kBlack);
    m_float_surface.SetSize(FloatWindowView::kClientWidth, FloatWindowView::kClientHeight);
    m_float_surface.Fill(kBlack);

    m_main = std::make_unique<MainWindowView>(m_main_surface);
    m_float = std::make_unique<FloatWindowView>(m_float_surface);
    const QScreen* screen = m_main->screen() ? m_main->screen() : QGuiApplication::primaryScreen();
    const double refresh_hz = screen ? screen->refreshRate() : 60.0;
    m_main_pacer = std::make_unique<PaintPacer>(*m_main, refresh_hz);
    m_float_pacer = std::make_unique<PaintPacer>(*m_float, refresh_hz);
    m_keys = std::make_unique<KeyState>();
    m_keys->accepts_shortcut = [this]() {
        const WindowId front = ForegroundWindow();
        return front == WindowId::Main || front == WindowId::Float;
    };
    m_keys->on_toggle_full_screen = [this]() {
        if (m_sink)
            m_sink->OnToggleFullScreen();
    };
    qApp->installEventFilter(m_keys.get());
    // Installed after the key state, so it sees the keys first and can keep its own from the game.
    m_zoom_keys = std::make_unique<ZoomKeys>();
    m_zoom_keys->accepts_shortcut = m_keys->accepts_shortcut;
    m_zoom_keys->on_zoom = [this](ZoomStep step) { m_main->Zoom(step); };
    qApp->installEventFilter(m_zoom_keys.get());

    // The floating window is drawn at the main window's scale.
    QObject::connect(m_main.get(), &MainWindowView::PictureScaleChanged, m_float.get(), &FloatWindowView::SetScale);
    QObject::connect(m_main.get(), &MainWindowView::SmoothChanged, m_float.get(), &FloatWindowView::SetSmooth);

    // The frame tick reads the cursor on every tick; the main and floating windows report each
    // movement over them so that it need not be asked of the system.
    m_main->setMouseTracking(true);
    m_float->setMouseTracking(true);
    m_cursor = std::make_unique<CursorTracker>();
    m_cursor->Watch({m_main.get(), m_float.get()});
    qApp->installEventFilter(m_cursor.get());

    m_delay_timer = std::make_unique<DelayTimer>([this](std::uint32_t firings) {
        if (!m_sink)
            return;
        if (firings == 1)
            m_sink->OnDelayTimer();
        else
            m_sink->OnDelayTimerCatchUp(firings);
    });
    // It sees every event first, so that a sleep's firings come before whatever woke it.
    qApp->installEventFilter(m_delay_timer.get());
    m_wake_timer = std::make_unique<QTimer>();
    m_wake_timer->setSingleShot(true);
    m_wake_timer->setTimerType(Qt::PreciseTimer);

    m_pads = std::make_unique<GamepadInput>();
    // Its polls find nothing most of the time; what they find comes as a queued call, which ends
    // a sleep as any event does.
    m_delay_timer->IgnoreTimerEventsOf(m_pads->PollTimer());
    m_pads->on_key = [this](Key key, bool down) { PadKey(key, down); };
    m_pads->on_action = [this](hk::PadAction action) { PadAction(action); };
    if (const char* fifo = std::getenv("HARUKAZE_VIRTUAL_PAD"); fifo && *fifo && !m_pads->OpenVirtualPad(fifo))
        std::fprintf(stderr, "harukaze: cannot open the virtual pad's FIFO %s\n", fifo);
}

QtPlatform::~QtPlatform() {
    m_pads.reset();
    if (qApp) {
        qApp->removeEventFilter(m_keys.get());
        qApp->removeEventFilter(m_zoom_keys.get());
        qApp->removeEventFilter(m_cursor.get());
        qApp->removeEventFilter(m_delay_timer.get());
    }
    m_delay_timer->SetEnabled(false);
}

std::uint64_t QtPlatform::DelayFirings() const {
    return m_delay_timer->Fired();
}

DebugWindowView& QtPlatform::DebugView() {
    // Made when first needed: its labels make Qt read its font list, which start-up can do
    // without, and the window stays hidden unless the debug marker file is there.
    if (!m_debug) {
        m_debug = std::make_unique<DebugWindowView>();
        m_debug->on_button = [this](int number) {
            if (DebugButtonHook)
                DebugButtonHook(number);
            if (m_sink)
                m_sink->OnDebugButton(number);
            if (m_debug_form)
                m_debug->Show(*m_debug_form);
        };
    }
    return *m_debug;
}

QWidget* QtPlatform::Window(WindowId window) {
    switch (window) {
    case WindowId::Main: return m_main.get();
    case WindowId::Float: return m_float.get();
    case WindowId::Debug: return &DebugView();
    default: return nullptr;
    }
}

void QtPlatform::SetEventSink(PlatformEvents* sink) {
    m_sink = sink;
    m_main->SetSink(sink);
    m_float->SetSink(sink);
}

std::uint32_t QtPlatform::TickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void QtPlatform::Sleep(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void QtPlatform::ProcessMessages() {
    const InsideQt inside(*this);
    if (m_sleep) {
        const IdleDeadline deadline = *m_sleep;
        m_sleep.reset();
        SleepUntilEvent(deadline);
    }
    // What the pads did since the last look is handed on in the events processed here.
    m_pads->PollIfDue();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtPlatform::PaintPresented() {
    const InsideQt inside(*this);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

void QtPlatform::SleepUntilEvent(const IdleDeadline& deadline) {
    if (!deadline.may_sleep)
        return;
    std::optional<qint64> wait_ms;
    if (deadline.until)
        wait_ms = std::max<std::int32_t>(0, static_cast<std::int32_t>(*deadline.until - TickCount()));
    if (deadline.delay_firings && m_delay_timer->Enabled()) {
        const qint64 ms = m_delay_timer->MsUntilFiring(*deadline.delay_firings);
        wait_ms = wait_ms ? std::min(*wait_ms, ms) : ms;
    }
    if (wait_ms && *wait_ms <= 0)
        return;
    // A repaint the last tick asked for is done first: it would only end the sleep at once.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    ++m_sleeps;
    m_delay_timer->Hold();
    if (wait_ms)
        m_wake_timer->start(static_cast<int>(std::min<qint64>(*wait_ms, 24 * 60 * 60 * 1000)));
    // Until something other than a repaint has been handled (the first such event releases the
    // delay timer): an event of the player or the window system, a timer of Qt's or ours (the
    // wake-up timer among them), a wake from another thread. The window system also wakes the
    // loop for work of its own that reaches no window (the server finished showing a picture).
    while (m_delay_timer->Held())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    m_wake_timer->stop();
}

void QtPlatform::Wake() {
    // An empty call queued to the GUI thread: the event ends a sleep in ProcessMessages.
    QMetaObject::invokeMethod(
        qApp, [] {}, Qt::QueuedConnection);
}

void QtPlatform::SetDelayTimerEnabled(bool enabled) {
    m_delay_timer->SetEnabled(enabled);
}

Bitmap& QtPlatform::ClientSurface(WindowId window) {
    switch (window) {
    case WindowId::Float: return m_float_surface;
    case WindowId::Debug:
        // The debug window is rarely shown; its surface is made when first asked for.
        if (!m_debug_surface.HasImage()) {
            m_debug_surface.SetSize(DebugWindowView::kClientWidth, DebugWindowView::kClientHeight);
            m_debug_surface.Fill(kBlack);
        }
        return m_debug_surface;
    default: return m_main_surface;
    }
}

void QtPlatform::Invalidate(WindowId window) {
    const InsideQt inside(*this);
    // At most one repaint per display refresh, however many presents come in between.
    if (window == WindowId::Main)
        m_main_pacer->Request();
    else if (window == WindowId::Float)
        m_float_pacer->Request();
    else if (QWidget* widget = Window(window))
        widget->update();
}

void QtPlatform::InvalidateRect(WindowId window, int x, int y, int width, int height) {
    // A small change (the blinking wait icon) repaints only the window pixels that show it.
    const InsideQt inside(*this);
    const QRect area(x, y, width, height);
    if (window == WindowId::Main)
        m_main_pacer->Request(m_main->ClientRectToLocal(area));
    else if (window == WindowId::Float)
        m_float_pacer->Request(m_float->ClientRectToLocal(area));
    else
        Invalidate(window);
}

bool QtPlatform::ReadyForFrame(WindowId window) {
    if (window == WindowId::Main)
        return m_main_pacer->ReadyForFrame();
    if (window == WindowId::Float)
        return m_float_pacer->ReadyForFrame();
    return true;
}

void QtPlatform::ShowWindow(WindowId window, bool visible) {
    if (window == WindowId::Debug && !visible && !m_debug)
        return; // never made, so never shown
    if (QWidget* widget = Window(window))
        widget->setVisible(visible);
}

bool QtPlatform::IsWindowVisible(WindowId window) {
    if (window == WindowId::Debug && !m_debug)
        return false;
    const QWidget* widget = Window(window);
    return widget && widget->isVisible();
}

void QtPlatform::MoveWindow(WindowId window, Point screen_pos) {
    if (QWidget* widget = Window(window))
        widget->move(screen_pos.x, screen_pos.y);
}

Point QtPlatform::WindowPosition(WindowId window) {
    const QWidget* widget = Window(window);
    if (!widget)
        return Point{};
    return Point{widget->x(), widget->y()};
}

void QtPlatform::SetWindowShape(WindowId window, const std::vector<Rect>& region) {
    // Only the floating window has a shape; the others are plain rectangles.
    if (window == WindowId::Float)
        m_float->SetShape(region);
}

void QtPlatform::StartWindowDrag(WindowId window) {
    if (window == WindowId::Float)
        m_float->StartDrag();
}

void QtPlatform::SetFullScreen(bool full) {
    m_main->SetFullScreen(full);
}

WindowId QtPlatform::ForegroundWindow() {
    const QWidget* active = QApplication::activeWindow();
    if (!active)
        return WindowId::None;
    if (active == m_main.get())
        return WindowId::Main;
    if (active == m_float.get())
        return WindowId::Float;
    if (m_debug && active == m_debug.get())
        return WindowId::Debug;
    return WindowId::None;
}

bool QtPlatform::IsKeyDown(Key key) {
    const bool down = m_keys->IsDown(key);
    // Control may be held for a zoom key rather than for the game.
    return key == Key::Control ? m_zoom_keys->ControlForGame(down) : down;
}

namespace {

// The pop-up menu or modal dialog that has the keyboard, if any.
QWidget* KeyboardOwnerAbove() {
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal->focusWidget() ? modal->focusWidget() : modal;
    return nullptr;
}

} // namespace

void QtPlatform::PadKey(Key key, bool down) {
    if (QWidget* owner = KeyboardOwnerAbove()) {
        QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, QtKeyOf(key), Qt::NoModifier);
        QCoreApplication::sendEvent(owner, &event);
        return;
    }
    const WindowId front = ForegroundWindow();
    // A press while another program has the keyboard is not the game's; a release always is.
    if (!down || front == WindowId::Main || front == WindowId::Float)
        m_keys->SetPadDown(key, down);
}

void QtPlatform::PadAction(hk::PadAction action) {
    if (QApplication::activePopupWidget()) {
        // The menu button again closes the pop-up menu.
        if (action == hk::PadAction::GameMenu) {
            PadKey(Key::Escape, true);
            PadKey(Key::Escape, false);
        }
        return;
    }
    const WindowId front = ForegroundWindow();
    if (QApplication::activeModalWidget() || (front != WindowId::Main && front != WindowId::Float) || !m_sink)
        return;
    if (action == hk::PadAction::GameMenu) {
        // A right click on the main window at the pointer, or at its middle while the pointer is
        // elsewhere: the engine hears of it and the attached menu opens there.
        QPoint global = m_cursor->Pos();
        QPoint local = m_main->mapFromGlobal(global);
        if (!m_main->rect().contains(local)) {
            local = m_main->rect().center();
            global = m_main->mapToGlobal(local);
        }
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_main.get(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::RightButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_main.get(), &release);
        return;
    }
    // The automatic advance: the game menu's command, as if chosen from it.
    Menu* menu = m_main->AttachedMenu();
    const MenuItem* item = menu ? FindMenuItem(menu->items, "ItemMsgAuto") : nullptr;
    if (!item || !item->enabled)
        return;
    m_sink->OnMenuPopup(menu->name);
    m_sink->OnMenuCommand("ItemMsgAuto");
}

void QtPlatform::KeysSampled() {
    m_zoom_keys->KeysSampled();
    m_keys->PadKeysSampled();
}

Point QtPlatform::CursorPos() {
    const QPoint p = m_cursor->Pos();
    return Point{p.x(), p.y()};
}

void QtPlatform::SetCursorPos(Point screen) {
    QCursor::setPos(m_main->screen(), screen.x, screen.y);
    m_cursor->Moved(QPoint(screen.x, screen.y));
}

void QtPlatform::SetCursorVisible(bool visible) {
    if (visible)
        m_main->unsetCursor();
    else
        m_main->setCursor(Qt::BlankCursor);
}

Point QtPlatform::ClientToScreen(WindowId window, Point client) {
    if (window == WindowId::Main || window == WindowId::Float) {
        const QPoint p = window == WindowId::Main ? m_main->ClientToGlobal(client) : m_float->ClientToGlobal(client);
        return Point{p.x(), p.y()};
    }
    const QWidget* widget = Window(window);
    if (!widget)
        return client;
    const QPoint p = widget->mapToGlobal(QPoint(client.x, client.y));
    return Point{p.x(), p.y()};
}

Point QtPlatform::ScreenToClient(WindowId window, Point screen) {
    if (window == WindowId::Main || window == WindowId::Float) {
        Conversion& last = window == WindowId::Main ? m_to_main : m_to_float;
        const std::uint64_t generation = m_cursor->PlacementGeneration();
        const bool full_screen = m_main->FullScreen();
        if (last.generation == generation && last.full_screen == full_screen && last.screen.x == screen.x &&
            last.screen.y == screen.y)
            return last.client;
        const QPoint global(screen.x, screen.y);
        last.client = window == WindowId::Main ? m_main->GlobalToClient(global) : m_float->GlobalToClient(global);
        last.generation = generation;
        last.full_screen = full_screen;
        last.screen = screen;
        return last.client;
    }
    const QWidget* widget = Window(window);
    if (!widget)
        return screen;
    const QPoint p = widget->mapFromGlobal(QPoint(screen.x, screen.y));
    return Point{p.x(), p.y()};
}

Size QtPlatform::ScreenSize() {
    const QScreen* screen = m_main->screen() ? m_main->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return Size{800, 600};
    const QSize size = screen->geometry().size();
    return Size{size.width(), size.height()};
}

void QtPlatform::AttachContextMenu(Menu* menu) {
    m_main->AttachMenu(menu);
}

void QtPlatform::PopupMenu(Menu& menu, Point screen) {
    RunPopupMenu(menu, m_sink, QPoint(screen.x, screen.y), m_main.get());
}

void QtPlatform::ShowQueryForm(QueryForm& form) {
    QueryDialog dialog(form, m_main.get());
    dialog.Run();
}

void QtPlatform::ShowCommentForm(CommentForm& form) {
    CommentDialog dialog(form, m_main.get());
    dialog.Run();
}

void QtPlatform::ShowConfigForm(ConfigForm& form) {
    // Made when first needed: its widgets ask Qt for the font list, which start-up can do without.
    if (!m_config)
        m_config = std::make_unique<ConfigDialog>(m_main.get());
    // Over the game's picture wherever the window is and however the picture is scaled.
    const Point place = ClientToScreen(WindowId::Main, ConfigDialog::kPlaceOnPicture);
    m_config->move(place.x, place.y);
    m_config->Run(form);
}

void QtPlatform::UpdateDebugWindow(DebugForm& window) {
    m_debug_form = &window;
    DebugView().Show(window);
}

void QtPlatform::ReportError(const ErrorReport& report) {
    // The English detail goes to standard error, for a report (and the tests), where a player who
    // started the game from a terminal can still read it after the box is gone; the box speaks
    // the game's language only.
    std::fprintf(stderr, "error: %s\n", report.detail.c_str());
    std::fflush(stderr);
    QWidget* parent = m_main->isVisible() ? m_main.get() : nullptr;
    QMessageBox::critical(parent, QStringLiteral("ＨＡＲＵＫＡＺＥ"), QString::fromStdString(report.for_player));
}

void QtPlatform::ShowMessage(const std::string& message) {
    std::fprintf(stderr, "notice: %s\n", message.c_str());
    std::fflush(stderr);
    QWidget* parent = m_main->isVisible() ? m_main.get() : nullptr;
    QMessageBox::information(parent, QStringLiteral("ＨＡＲＵＫＡＺＥ"), QString::fromStdString(message));
}

std::unique_ptr<AudioDevice> QtPlatform::CreateAudioDevice() {
    return std::make_unique<SdlAudioDevice>();
}

} // namespace hk
