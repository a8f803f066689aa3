// The cursor position the frame tick reads: kept from mouse events while the pointer is over the
// watched windows, asked of the system (at a limited rate) otherwise.
#include "platform/qt/cursor_tracker.h"
#include "platform/qt/main_window_view.h"
#include "platform/qt/qt_platform.h"

#include <QEnterEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace hk::test {
namespace {

struct FakeSystem {
    QPoint pointer{5, 6};
    qint64 now_ms = 1000;
    int queries = 0;
};

CursorTracker MakeTracker(FakeSystem& system) {
    return CursorTracker(
        [&system] {
            ++system.queries;
            return system.pointer;
        },
        [&system] { return system.now_ms; });
}

void SendMove(CursorTracker& tracker, QWidget& to, QPoint global) {
    QMouseEvent move(QEvent::MouseMove, QPointF(1, 1), QPointF(global), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    tracker.eventFilter(&to, &move);
}

void SendEnter(CursorTracker& tracker, QWidget& to, QPoint global) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(global));
    tracker.eventFilter(&to, &enter);
}

void SendPlain(CursorTracker& tracker, QObject& to, QEvent::Type type) {
    QEvent event(type);
    tracker.eventFilter(&to, &event);
}

TEST(CursorTracker, OverAWatchedWindowTheEventsAloneGiveThePosition) {
    FakeSystem system;
    CursorTracker tracker = MakeTracker(system);
    QWidget main_window, float_window;
    tracker.Watch({&main_window, &float_window});

    SendEnter(tracker, main_window, QPoint(300, 200));
    system.pointer = QPoint(-1, -1); // the system would answer differently: it must not be asked
    for (int tick = 0; tick < 100; ++tick)
        EXPECT_EQ(tracker.Pos(), QPoint(300, 200));
    SendMove(tracker, main_window, QPoint(310, 205));
    EXPECT_EQ(tracker.Pos(), QPoint(310, 205));
    // From one watched window straight into the other: still followed.
    SendPlain(tracker, main_window, QEvent::Leave);
    SendEnter(tracker, float_window, QPoint(320, 500));
    EXPECT_EQ(tracker.Pos(), QPoint(320, 500));
    EXPECT_TRUE(tracker.FollowsEvents());
    EXPECT_EQ(system.queries, 0);

    // The game puts the cursor on a choice itself.
    tracker.Moved(QPoint(100, 450));
    EXPECT_EQ(tracker.Pos(), QPoint(100, 450));
    EXPECT_EQ(system.queries, 0);
}

TEST(CursorTracker, OutsideTheWindowsTheSystemIsAskedAtALimitedRate) {
    FakeSystem system;
    CursorTracker tracker = MakeTracker(system);
    QWidget main_window;
    tracker.Watch({&main_window});

    // Before any event nothing is known: the first tick asks.
    EXPECT_EQ(tracker.Pos(), QPoint(5, 6));
    EXPECT_EQ(system.queries, 1);

    SendEnter(tracker, main_window, QPoint(300, 200));
    SendPlain(tracker, main_window, QEvent::Leave);
    EXPECT_FALSE(tracker.FollowsEvents());
    // The leave itself carries no position; the last event's is as fresh as a query until the
    // poll interval has passed: 1000 ms + 50 ms.
    system.pointer = QPoint(900, 10);
    EXPECT_EQ(tracker.Pos(), QPoint(300, 200));
    system.now_ms += CursorTracker::kOutsidePollMs - 1;
    EXPECT_EQ(tracker.Pos(), QPoint(300, 200));
    EXPECT_EQ(system.queries, 1);
    system.now_ms += 1;
    EXPECT_EQ(tracker.Pos(), QPoint(900, 10));
    EXPECT_EQ(system.queries, 2);
    // Ticks every 3 ms for a second ask the system about 20 times, not 333.
    for (int tick = 0; tick < 333; ++tick) {
        system.now_ms += 3;
        tracker.Pos();
    }
    EXPECT_GE(system.queries, 2 + 19);
    EXPECT_LE(system.queries, 2 + 20);
}

TEST(CursorTracker, MenusDialogsAndOtherWindowsStopTheFollowing) {
    FakeSystem system;
    CursorTracker tracker = MakeTracker(system);
    QWidget main_window, menu, child_of_main(&main_window);
    tracker.Watch({&main_window});

    // A menu opening (a window of its own) takes the pointer's events.
    SendMove(tracker, main_window, QPoint(10, 10));
    SendPlain(tracker, menu, QEvent::Show);
    EXPECT_FALSE(tracker.FollowsEvents());
    // A press in the menu says where the pointer is, but not where it goes next.
    SendMove(tracker, menu, QPoint(40, 40));
    EXPECT_FALSE(tracker.FollowsEvents());
    system.now_ms += CursorTracker::kOutsidePollMs;
    system.pointer = QPoint(41, 41);
    EXPECT_EQ(tracker.Pos(), QPoint(41, 41));

    SendMove(tracker, main_window, QPoint(12, 12));
    EXPECT_TRUE(tracker.FollowsEvents());
    // A child widget appearing in the main window is no new window.
    SendPlain(tracker, child_of_main, QEvent::Show);
    EXPECT_TRUE(tracker.FollowsEvents());
    // Another program in front.
    SendPlain(tracker, main_window, QEvent::WindowDeactivate);
    EXPECT_FALSE(tracker.FollowsEvents());
}

TEST(CursorTracker, PlacementGenerationChangesWhenAWatchedWindowMoves) {
    FakeSystem system;
    CursorTracker tracker = MakeTracker(system);
    QWidget main_window, other;
    tracker.Watch({&main_window});
    const auto before = tracker.PlacementGeneration();
    SendPlain(tracker, other, QEvent::Move);
    SendMove(tracker, main_window, QPoint(1, 1));
    EXPECT_EQ(tracker.PlacementGeneration(), before);
    for (QEvent::Type type : {QEvent::Move, QEvent::Resize, QEvent::WindowStateChange, QEvent::Show}) {
        const auto was = tracker.PlacementGeneration();
        SendPlain(tracker, main_window, type);
        EXPECT_NE(tracker.PlacementGeneration(), was) << type;
    }
}

// The platform reuses a conversion while the cursor stays still; a window that moves (or the
// switch to full screen) must not leave it stale.
TEST(QtPlatform, ScreenToClientFollowsWindowsThatMove) {
    QtPlatform platform;
    platform.MoveWindow(WindowId::Float, Point{30, 40});
    platform.ShowWindow(WindowId::Float, true);
    QTest::qWait(20);
    const Point cursor{35, 46};
    EXPECT_EQ(platform.ScreenToClient(WindowId::Float, cursor), (Point{5, 6}));
    EXPECT_EQ(platform.ScreenToClient(WindowId::Float, cursor), (Point{5, 6}));
    platform.MoveWindow(WindowId::Float, Point{20, 20});
    QTest::qWait(20);
    EXPECT_EQ(platform.ScreenToClient(WindowId::Float, cursor), (Point{15, 26}));

    platform.ShowWindow(WindowId::Main, true);
    QTest::qWait(20);
    const Point on_main = platform.ClientToScreen(WindowId::Main, Point{400, 300});
    EXPECT_EQ(platform.ScreenToClient(WindowId::Main, on_main), (Point{400, 300}));
    platform.SetFullScreen(true);
    QTest::qWait(20);
    const Point scaled = platform.MainView().GlobalToClient(QPoint(on_main.x, on_main.y));
    EXPECT_EQ(platform.ScreenToClient(WindowId::Main, on_main), scaled);
    platform.SetFullScreen(false);
}

} // namespace
} // namespace hk::test
