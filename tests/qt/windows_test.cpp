// The game's windows on the offscreen platform: the main window's frame, picture, mouse, wheel,
// close question and context menu; the floating window's shape and drag; the debug window.
#include "platform/qt/debug_window_view.h"
#include "platform/qt/float_window_view.h"
#include "platform/qt/main_window_view.h"
#include "platform/qt/qt_platform.h"
#include "recording_sink.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace hk::test {
namespace {

TEST(MainWindowView, IsAFixedFramedWindowWithTheGameCaption) {
    TABitmap surface;
    surface.SetSize(800, 600);
    MainWindowView view(surface);
    EXPECT_EQ(view.windowTitle(), QStringLiteral("ＨＡＲＵＫＡＺＥ　radadu"));
    EXPECT_EQ(view.size(), QSize(800, 600));
    EXPECT_EQ(view.minimumSize(), QSize(800, 600));
    EXPECT_EQ(view.maximumSize(), QSize(800, 600));
    const Qt::WindowFlags flags = view.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::FramelessWindowHint);
}

TEST(MainWindowView, PaintsTheSurfaceIgnoringTheTransparencyByte) {
    TABitmap surface;
    surface.SetSize(800, 600);
    surface.Fill(MakeColor(0x10, 0x20, 0x30));
    surface.FillRect(100, 50, 10, 10, MakeColor(255, 0, 0));
    surface.Pixel(105, 55)[3] = 255; // "fully transparent" to the engine's drawing, not to the screen
    MainWindowView view(surface);
    const QImage shot = view.grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0) & 0xFFFFFF, 0x102030u);
    EXPECT_EQ(shot.pixel(100, 50) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shot.pixel(105, 55) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shot.pixel(110, 60) & 0xFFFFFF, 0x102030u);
}

TEST(MainWindowView, ClicksAndWheelNotchesReachTheEngine) {
    TABitmap surface;
    surface.SetSize(800, 600);
    MainWindowView view(surface);
    RecordingSink sink;
    view.SetSink(&sink);
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    QTest::mousePress(&view, Qt::MiddleButton, Qt::NoModifier, QPoint(0, 599));
    QTest::mouseRelease(&view, Qt::MiddleButton, Qt::NoModifier, QPoint(0, 599));
    auto wheel = [&view](int delta) {
        QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &event);
    };
    wheel(120);
    wheel(-240);
    wheel(60); // half a notch: nothing yet
    wheel(60);
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"down 1 0 400,300", "down 1 2 0,599", "wheel 1 up", "wheel 1 down",
                                                    "wheel 1 down", "wheel 1 up"}));
}

TEST(MainWindowView, WheelNotchesKeepTheRemainder) {
    int rest = 0;
    EXPECT_EQ(TakeWheelNotches(rest, 40), 0);
    EXPECT_EQ(TakeWheelNotches(rest, 40), 0);
    EXPECT_EQ(TakeWheelNotches(rest, 50), 1);
    EXPECT_EQ(rest, 10);
    EXPECT_EQ(TakeWheelNotches(rest, -370), -3);
    EXPECT_EQ(rest, 0);
}

TEST(MainWindowView, CloseAsksTheEngineAndStaysOpenOnNo) {
    TABitmap surface;
    surface.SetSize(800, 600);
    MainWindowView view(surface);
    RecordingSink sink;
    view.SetSink(&sink);
    view.show();
    EXPECT_FALSE(view.close());
    EXPECT_TRUE(view.isVisible());
    sink.allow_close = true;
    EXPECT_TRUE(view.close());
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"close?", "close?"}));
}

TEST(MainWindowView, RightClickDeliversThePressThenOpensTheAttachedMenu) {
    TABitmap surface;
    surface.SetSize(800, 600);
    MainWindowView view(surface);
    RecordingSink sink;
    view.SetSink(&sink);
    Menu menu;
    menu.name = "ContextMenu";
    MenuItem item;
    item.name = "ItemOption";
    item.caption = "ｵﾌﾟｼｮﾝ";
    menu.items.push_back(item);
    view.show();
    // Without a menu a right click is only a press.
    QTest::mousePress(&view, Qt::RightButton, Qt::NoModifier, QPoint(5, 6));
    QTest::mouseRelease(&view, Qt::RightButton, Qt::NoModifier, QPoint(5, 6));
    view.AttachMenu(&menu);
    QTimer::singleShot(0, []() {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        popup->setActiveAction(popup->actions().value(0));
        QTest::keyClick(popup, Qt::Key_Return);
    });
    QTest::mousePress(&view, Qt::RightButton, Qt::NoModifier, QPoint(7, 8));
    QTest::mouseRelease(&view, Qt::RightButton, Qt::NoModifier, QPoint(7, 8));
    EXPECT_EQ(sink.calls,
              (std::vector<std::string>{"down 1 1 5,6", "down 1 1 7,8", "popup ContextMenu", "command ItemOption"}));
}

TEST(FloatWindowView, IsABorderlessToolShapedByTheRuns) {
    TABitmap surface;
    surface.SetSize(800, 176);
    FloatWindowView view(surface);
    EXPECT_EQ(view.size(), QSize(800, 176));
    const Qt::WindowFlags flags = view.windowFlags();
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    view.SetShape({{1, 1, 10, 1}, {1, 2, 10, 1}, {5, 3, 0, 1}, {20, 3, 4, 1}});
    QRegion want(1, 1, 10, 2);
    want += QRect(20, 3, 4, 1);
    EXPECT_TRUE(view.Shape().xored(want).isEmpty());
    EXPECT_TRUE(view.mask().xored(want).isEmpty());
    view.SetShape({});
    EXPECT_TRUE(view.mask().isEmpty());
}

TEST(FloatWindowView, LimePixelsAreCutOutOfTheShapeWhileThePictureHasThem) {
    TABitmap surface;
    surface.SetSize(800, 176);
    surface.Fill(MakeColor(0x10, 0x20, 0x40));
    auto put = [&surface](int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t fourth) {
        std::uint8_t* p = surface.Pixel(x, y);
        p[0] = b;
        p[1] = g;
        p[2] = r;
        p[3] = fourth;
    };
    for (int x = 10; x < 20; ++x)
        put(x, 5, 0, 255, 0, 0);
    put(30, 6, 0, 255, 0, 0x7F); // the surface's fourth byte is not part of the colour
    put(40, 7, 0, 254, 0, 0);    // close to lime is not lime
    FloatWindowView view(surface);
    view.SetShape({{1, 1, 798, 174}});
    view.grab(); // paints, as showing the window would
    QRegion lime(10, 5, 10, 1);
    lime += QRect(30, 6, 1, 1);
    EXPECT_TRUE(view.Keyed().xored(lime).isEmpty());
    EXPECT_TRUE(view.mask().xored(QRegion(1, 1, 798, 174).subtracted(lime)).isEmpty());
    EXPECT_TRUE(view.Shape().xored(QRegion(1, 1, 798, 174)).isEmpty());

    // Without a shape the whole window shows, less the lime.
    view.SetShape({});
    view.grab();
    EXPECT_TRUE(view.mask().xored(QRegion(0, 0, 800, 176).subtracted(lime)).isEmpty());

    // The lime drawn over: the window shows whole again.
    for (int x = 10; x < 20; ++x)
        put(x, 5, 0x10, 0x20, 0x40, 0);
    put(30, 6, 0x10, 0x20, 0x40, 0);
    view.grab();
    EXPECT_TRUE(view.Keyed().isEmpty());
    EXPECT_TRUE(view.mask().isEmpty());
}

TEST(FloatWindowView, PressesGoToTheEngineAndADragFollowsThePointerByHand) {
    TABitmap surface;
    surface.SetSize(800, 176);
    FloatWindowView view(surface);
    RecordingSink sink;
    view.SetSink(&sink);
    view.move(100, 200);
    view.show();
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(400, 100));
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"down 2 0 400,100"}));
    // The offscreen platform has no system move, like an X server without a window manager.
    view.StartDrag();
    ASSERT_TRUE(view.DraggingByHand());
    const QPoint grab_point = view.mapToGlobal(QPoint(400, 100));
    QMouseEvent move(QEvent::MouseMove, QPointF(400, 100), QPointF(grab_point + QPoint(30, -20)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    EXPECT_EQ(view.pos(), QPoint(130, 180));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(400, 100));
    EXPECT_FALSE(view.DraggingByHand());
}

TEST(DebugWindowView, ShowsTheFormAndRefusesToClose) {
    DebugWindowView view;
    EXPECT_EQ(view.windowTitle(), QString::fromUtf8(TDebugWindow::kCaption));
    EXPECT_EQ(view.size(), QSize(624, 199));
    EXPECT_EQ(view.pos(), QPoint(0, 0));
    EXPECT_TRUE(view.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(view.Label("TASK_LABEL")->pos(), QPoint(8, 56));
    EXPECT_EQ(view.Label("BgmFileLabel")->pos(), QPoint(360, 40));
    EXPECT_EQ(view.Listing()->geometry(), QRect(8, 88, 609, 73));
    EXPECT_EQ(view.Button(4)->text(), QStringLiteral("変数表示"));
    EXPECT_EQ(view.Button(4)->pos(), QPoint(16, 168));
    EXPECT_EQ(view.Button(3)->pos(), QPoint(520, 8));

    TDebugWindow form;
    form.TASK_LABEL = "1 -1 FFFFFFFF";
    form.MOUSE_LABEL = "鼠:1,2 3,4 5,6";
    form.Listing = {"--シナリオ変数--", "1:0 2:0 "};
    view.Show(form);
    EXPECT_EQ(view.Label("TASK_LABEL")->text(), QStringLiteral("1 -1 FFFFFFFF"));
    EXPECT_EQ(view.Label("MOUSE_LABEL")->text(), QStringLiteral("鼠:1,2 3,4 5,6"));
    EXPECT_EQ(view.Listing()->toPlainText(), QStringLiteral("--シナリオ変数--\n1:0 2:0 "));

    int pressed = 0;
    view.on_button = [&pressed](int number) { pressed = number; };
    view.Button(5)->click();
    EXPECT_EQ(pressed, 5);

    view.show();
    EXPECT_FALSE(view.close());
    EXPECT_TRUE(view.isVisible());
}

TEST(QtPlatform, ClientSurfacesAndCoordinatesOfTheWindows) {
    QtPlatform platform;
    EXPECT_EQ(platform.ClientSurface(WindowId::Main).Width(), 800);
    EXPECT_EQ(platform.ClientSurface(WindowId::Main).Height(), 600);
    EXPECT_EQ(platform.ClientSurface(WindowId::Float).Height(), 176);
    platform.MoveWindow(WindowId::Float, Point{30, 40});
    EXPECT_EQ(platform.WindowPosition(WindowId::Float), (Point{30, 40}));
    platform.ShowWindow(WindowId::Float, true);
    EXPECT_TRUE(platform.IsWindowVisible(WindowId::Float));
    EXPECT_EQ(platform.ClientToScreen(WindowId::Float, Point{5, 6}), (Point{35, 46}));
    EXPECT_EQ(platform.ScreenToClient(WindowId::Float, Point{35, 46}), (Point{5, 6}));
    platform.ShowWindow(WindowId::Main, true);
    const Point screen = platform.ClientToScreen(WindowId::Main, Point{0, 424});
    EXPECT_EQ(platform.ScreenToClient(WindowId::Main, screen), (Point{0, 424}));
    platform.ShowWindow(WindowId::Float, false);
    EXPECT_FALSE(platform.IsWindowVisible(WindowId::Float));
}

TEST(QtPlatform, FullScreenScalesThePictureAndMapsPointsBack) {
    QtPlatform platform;
    platform.ShowWindow(WindowId::Main, true);
    platform.SetFullScreen(true);
    MainWindowView& view = platform.MainView();
    EXPECT_TRUE(view.FullScreen());
    const PictureFit fit = view.Fit();
    const qreal ratio = view.devicePixelRatioF();
    const QSize physical(qRound(view.width() * ratio), qRound(view.height() * ratio));
    // The picture touches two opposite edges and keeps 4:3.
    EXPECT_TRUE(fit.width == physical.width() || fit.height == physical.height());
    EXPECT_LE(std::abs(fit.width * 3 - fit.height * 4), 4);
    for (const Point p : {Point{0, 0}, Point{799, 599}, Point{400, 424}}) {
        const Point screen = platform.ClientToScreen(WindowId::Main, p);
        EXPECT_EQ(platform.ScreenToClient(WindowId::Main, screen), p);
    }
    platform.SetFullScreen(false);
    EXPECT_FALSE(view.FullScreen());
    EXPECT_EQ(view.size(), QSize(800, 600));
    EXPECT_EQ(view.maximumSize(), QSize(800, 600));
}

TEST(QtPlatform, DelayTimerFiresWhileEventsAreProcessed) {
    QtPlatform platform;
    RecordingSink sink;
    platform.SetEventSink(&sink);
    platform.SetDelayTimerEnabled(true);
    const std::uint32_t start = platform.TickCount();
    // At least 100 ms and five fires; a loaded machine may keep the process from running for a
    // while, so the fires are waited for (up to 5 s) rather than expected by a set time.
    while ((platform.TickCount() - start < 100 || sink.delay_ticks < 5) && platform.TickCount() - start < 5000) {
        platform.ProcessMessages();
        platform.Sleep(1);
    }
    const std::uint32_t elapsed = platform.TickCount() - start;
    EXPECT_GE(sink.delay_ticks, 5);
    // Never more than one per 10 ms.
    EXPECT_LE(sink.delay_ticks, static_cast<int>(elapsed / 10) + 1);
    platform.SetDelayTimerEnabled(false);
    const int before = sink.delay_ticks;
    platform.Sleep(30);
    platform.ProcessMessages();
    EXPECT_EQ(sink.delay_ticks, before);
}

TEST(QtPlatform, CursorCanBeHiddenOverTheMainWindow) {
    QtPlatform platform;
    platform.SetCursorVisible(false);
    EXPECT_EQ(platform.MainView().cursor().shape(), Qt::BlankCursor);
    platform.SetCursorVisible(true);
    EXPECT_EQ(platform.MainView().cursor().shape(), Qt::ArrowCursor);
}

} // namespace
} // namespace hk::test
