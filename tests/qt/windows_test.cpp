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

#include <cstring>

namespace hk::test {
namespace {

TEST(MainWindowView, IsAResizableFramedWindowWithTheGameCaption) {
    Bitmap surface;
    surface.SetSize(800, 600);
    MainWindowView view(surface);
    EXPECT_EQ(view.windowTitle(), QStringLiteral("ＨＡＲＵＫＡＺＥ　radadu"));
    EXPECT_EQ(view.size(), QSize(800, 600));
    EXPECT_EQ(view.minimumSize(), QSize(400, 300));
    EXPECT_EQ(view.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    const Qt::WindowFlags flags = view.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::FramelessWindowHint);
    EXPECT_EQ(view.CurrentScale(), WindowScale::Times(1.0)) << "the game's own size";
    view.resize(1000, 700);
    EXPECT_EQ(view.CurrentScale(), std::nullopt) << "a size of the player's own";
    view.resize(1600, 1200);
    EXPECT_EQ(view.CurrentScale(), WindowScale::Times(2.0)) << "sized by the frame to exactly 2x";
}

// A surface whose every pixel tells where it is: 0x00YYYXXX-like (x in the low 10 bits, y above),
// with the engine's fourth byte set, which must never show.
Bitmap NumberedSurface() {
    Bitmap surface;
    surface.SetSize(800, 600);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const std::uint32_t value = 0x80000000u | (std::uint32_t(y) << 10) | std::uint32_t(x);
            std::memcpy(surface.Pixel(x, y), &value, 4);
        }
    return surface;
}

QRgb NumberedPixel(int x, int y) {
    return 0xFF000000u | (std::uint32_t(y) << 10) | std::uint32_t(x);
}

TEST(MainWindowView, ResizedItShowsThePictureScaledSharpBetweenBarsAndMapsPointsBack) {
    Bitmap surface = NumberedSurface();
    MainWindowView view(surface);
    RecordingSink sink;
    view.SetSink(&sink);

    // 1600x1200: exactly 2x, every screen pixel the picture pixel of its 2x2 block.
    view.resize(1600, 1200);
    QImage shot = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(1600, 1200));
    int wrong = 0;
    for (int y = 0; y < 1200; ++y)
        for (int x = 0; x < 1600; ++x)
            wrong += shot.pixel(x, y) != NumberedPixel(x / 2, y / 2);
    EXPECT_EQ(wrong, 0);
    EXPECT_DOUBLE_EQ(view.PictureScale(), 2.0);
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(2 * 123 + 1, 2 * 456));
    EXPECT_EQ(sink.calls.back(), "down 1 0 123,456");
    EXPECT_EQ(view.ClientToGlobal(Point{123, 456}), view.mapToGlobal(QPoint(246, 912)));
    EXPECT_EQ(view.GlobalToClient(view.mapToGlobal(QPoint(247, 913))), (Point{123, 456}));

    // 1000x600: the picture at 1x between bars of 100 either side; clicks in the bars clamp.
    view.resize(1000, 600);
    shot = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(shot.pixel(99, 599), 0xFF000000u);
    EXPECT_EQ(shot.pixel(900, 300), 0xFF000000u);
    EXPECT_EQ(shot.pixel(100, 0), NumberedPixel(0, 0));
    EXPECT_EQ(shot.pixel(899, 599), NumberedPixel(799, 599));
    EXPECT_EQ(shot.pixel(500, 300), NumberedPixel(400, 300));
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(100 + 799, 599));
    EXPECT_EQ(sink.calls.back(), "down 1 0 799,599");
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
    EXPECT_EQ(sink.calls.back(), "down 1 0 0,10");
    EXPECT_EQ(view.GlobalToClient(view.mapToGlobal(QPoint(30, 10))).x, -70) << "the engine sees the bars as outside";
    EXPECT_EQ(view.ClientRectToLocal(QRect(752, 552, 32, 32)), QRect(852, 552, 32, 32));

    // 1200x900 (1.5x): blocks of one and two pixels by the pixel centres.
    view.resize(1200, 900);
    shot = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    wrong = 0;
    for (int y = 0; y < 900; y += 3)
        for (int x = 0; x < 1200; ++x)
            wrong += shot.pixel(x, y) != NumberedPixel((2 * x + 1) * 800 / 2400, (2 * y + 1) * 600 / 1800);
    EXPECT_EQ(wrong, 0);
}

TEST(MainWindowView, SmoothFilterBlendsNeighbours) {
    Bitmap surface;
    surface.SetSize(800, 600);
    surface.Fill(MakeColor(0, 0, 0));
    surface.FillRect(400, 0, 400, 600, MakeColor(255, 255, 255));
    MainWindowView view(surface);
    view.resize(1600, 1200);
    view.SetSmooth(true);
    QImage shot = view.grab().toImage();
    const int edge = qGray(shot.pixel(799, 600)) + qGray(shot.pixel(800, 600));
    EXPECT_GT(edge, 0);
    EXPECT_LT(edge, 2 * 255) << "the edge is blended";
    view.SetSmooth(false);
    shot = view.grab().toImage();
    EXPECT_EQ(qGray(shot.pixel(799, 600)), 0);
    EXPECT_EQ(qGray(shot.pixel(800, 600)), 255);
}

TEST(MainWindowView, ZoomStepsAndResetsTheWindowSize) {
    Bitmap surface;
    surface.SetSize(800, 600);
    MainWindowView view(surface);
    view.ApplyScale(WindowScale::Times(3.0));
    EXPECT_EQ(view.size(), QSize(2400, 1800));
    EXPECT_EQ(view.CurrentScale(), WindowScale::Times(3.0));
    // The test screen is small: one step down goes to the largest size that fits it.
    const Size available = view.AvailableClientSize();
    view.Zoom(ZoomStep::Out);
    EXPECT_LE(view.width(), std::max(available.width, 800));
    view.Zoom(ZoomStep::Reset);
    EXPECT_EQ(view.size(), QSize(800, 600));
    EXPECT_EQ(view.CurrentScale(), WindowScale::Times(1.0));
    view.resize(1000, 700);
    EXPECT_EQ(view.CurrentScale(), std::nullopt) << "resized by the frame";
    view.SetFullScreen(true);
    view.Zoom(ZoomStep::Reset);
    view.SetFullScreen(false);
    EXPECT_EQ(view.size(), QSize(1000, 700)) << "the zoom keys do nothing in full screen";
}

TEST(MainWindowView, PaintsTheSurfaceIgnoringTheTransparencyByte) {
    Bitmap surface;
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
    Bitmap surface;
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
    Bitmap surface;
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
    Bitmap surface;
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
    Bitmap surface;
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
    Bitmap surface;
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
    Bitmap surface;
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
    EXPECT_EQ(view.windowTitle(), QString::fromUtf8(DebugForm::kCaption));
    EXPECT_EQ(view.size(), QSize(624, 199));
    EXPECT_EQ(view.pos(), QPoint(0, 0));
    EXPECT_TRUE(view.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(view.Label("TaskLabel")->pos(), QPoint(8, 56));
    EXPECT_EQ(view.Label("BgmFileLabel")->pos(), QPoint(360, 40));
    EXPECT_EQ(view.Listing()->geometry(), QRect(8, 88, 609, 73));
    EXPECT_EQ(view.Button(4)->text(), QStringLiteral("変数表示"));
    EXPECT_EQ(view.Button(4)->pos(), QPoint(16, 168));
    EXPECT_EQ(view.Button(3)->pos(), QPoint(520, 8));

    DebugForm form;
    form.TaskLabel = "1 -1 FFFFFFFF";
    form.MouseLabel = "鼠:1,2 3,4 5,6";
    form.Listing = {"--シナリオ変数--", "1:0 2:0 "};
    view.Show(form);
    EXPECT_EQ(view.Label("TaskLabel")->text(), QStringLiteral("1 -1 FFFFFFFF"));
    EXPECT_EQ(view.Label("MouseLabel")->text(), QStringLiteral("鼠:1,2 3,4 5,6"));
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

    // Leaving full screen gives the framed window back its size and place.
    view.ApplyScale(WindowScale::Times(1.5));
    view.move(30, 20);
    const QRect framed = view.geometry();
    platform.SetFullScreen(true);
    EXPECT_EQ(view.NormalClientGeometry(), framed);
    EXPECT_EQ(view.CurrentScale(), WindowScale::Times(1.5)) << "the framed window's scale, kept in full screen";
    platform.SetFullScreen(false);
    EXPECT_EQ(view.geometry(), framed);
}

TEST(QtPlatform, TheFloatingWindowFollowsTheMainWindowsScaleAndFilter) {
    QtPlatform platform;
    MainWindowView& main = platform.MainView();
    FloatWindowView& floating = platform.FloatView();
    platform.SetWindowShape(WindowId::Float, {{1, 1, 10, 1}, {3, 2, 4, 1}});
    platform.ShowWindow(WindowId::Main, true);
    main.resize(1600, 1200);
    EXPECT_DOUBLE_EQ(floating.Scale(), 2.0);
    EXPECT_EQ(floating.size(), QSize(1600, 352));
    QRegion want(2, 2, 20, 2);
    want += QRect(6, 4, 8, 2);
    EXPECT_TRUE(floating.mask().xored(want).isEmpty()) << "the shape doubles with the window";
    EXPECT_TRUE(floating.Shape().xored(QRegion(1, 1, 10, 1) + QRect(3, 2, 4, 1)).isEmpty())
        << "the shape itself stays in picture pixels";
    RecordingSink sink;
    platform.SetEventSink(&sink);
    QTest::mousePress(&floating, Qt::LeftButton, Qt::NoModifier, QPoint(801, 201));
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"down 2 0 400,100"}));
    platform.MoveWindow(WindowId::Float, Point{100, 50});
    EXPECT_EQ(platform.ClientToScreen(WindowId::Float, Point{400, 100}), (Point{900, 250}));
    EXPECT_EQ(platform.ScreenToClient(WindowId::Float, Point{901, 251}), (Point{400, 100}));
    main.SetSmooth(true);
    EXPECT_TRUE(floating.Smooth());
    main.resize(800, 600);
    EXPECT_EQ(floating.size(), QSize(800, 176));
}

TEST(QtPlatform, TheSettingsOpenAtTheirPlaceOnTheGamePictureInBothModes) {
    QtPlatform platform;
    platform.ShowWindow(WindowId::Main, true);
    platform.MainView().move(100, 50);
    auto opened_at = [&platform]() {
        QPoint where(-1, -1);
        QTimer::singleShot(0, [&where]() {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            where = dialog->pos();
            dialog->close();
        });
        ConfigForm form;
        platform.ShowConfigForm(form);
        return Point{where.x(), where.y()};
    };
    // The game's client point (12, 123), wherever the window is and however the picture is scaled.
    EXPECT_EQ(opened_at(), platform.ClientToScreen(WindowId::Main, Point{12, 123}));
    const QPoint client_origin = platform.MainView().mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(opened_at(), (Point{client_origin.x() + 12, client_origin.y() + 123}));
    platform.MainView().move(200, 80); // follows the window
    EXPECT_EQ(opened_at(), (Point{client_origin.x() + 112, client_origin.y() + 153}));
    platform.SetFullScreen(true);
    EXPECT_EQ(opened_at(), platform.ClientToScreen(WindowId::Main, Point{12, 123}));
    platform.SetFullScreen(false);
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
