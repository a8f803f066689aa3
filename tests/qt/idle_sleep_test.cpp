// The window build's sleep between ticks: the 10 ms delay timer held during a sleep and its
// firings made up, on its grid, before the first event of the wake-up; and the platform's step 4
// that sleeps until an event or the engine's deadline.
#include "platform/qt/delay_timer.h"
#include "platform/qt/main_window_view.h"
#include "platform/qt/qt_platform.h"
#include "recording_sink.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace hk::test {
namespace {

TEST(DelayTimer, FiringsOfAHoldAreMadeUpAtOnceOnTheGrid) {
    qint64 now = 1000;
    std::vector<std::uint32_t> fired;
    DelayTimer timer([&](std::uint32_t n) { fired.push_back(n); }, [&] { return now; });
    timer.SetEnabled(true); // fires at 1010, 1020, ...
    EXPECT_EQ(timer.MsUntilFiring(1), 10);
    EXPECT_EQ(timer.MsUntilFiring(3), 30);
    timer.Hold();
    now = 1095; // 1010 .. 1090 passed: nine firings
    EXPECT_TRUE(fired.empty());
    timer.Release();
    EXPECT_EQ(fired, std::vector<std::uint32_t>{9});
    EXPECT_EQ(timer.MsUntilFiring(1), 5) << "the grid goes on at 1100";
    timer.Release(); // not held: nothing happens
    EXPECT_EQ(timer.Fired(), 9u);

    // Switched off, a hold makes nothing up; switched on again, the grid starts afresh.
    timer.SetEnabled(false);
    timer.Hold();
    now = 2000;
    timer.Release();
    EXPECT_EQ(timer.Fired(), 9u);
    timer.SetEnabled(true);
    EXPECT_EQ(timer.MsUntilFiring(2), 20);
}

TEST(DelayTimer, TheFirstEventAfterAHoldIsHandledAfterItsFirings) {
    qint64 now = 0;
    std::uint32_t fired = 0;
    DelayTimer timer([&](std::uint32_t n) { fired += n; }, [&] { return now; });
    qApp->installEventFilter(&timer);
    timer.SetEnabled(true);
    timer.Hold();
    now = 35;
    std::uint32_t fired_when_handled = 0;
    QTimer probe;
    probe.setSingleShot(true);
    QObject::connect(&probe, &QTimer::timeout, [&] { fired_when_handled = fired; });
    probe.start(0);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    qApp->removeEventFilter(&timer);
    EXPECT_FALSE(timer.Held());
    EXPECT_EQ(fired_when_handled, 3u) << "10, 20 and 30 ms came before the event";
}

TEST(DelayTimer, ATimerThatOnlyLooksForInputDoesNotEndAHold) {
    qint64 now = 0;
    DelayTimer timer([](std::uint32_t) {}, [&] { return now; });
    qApp->installEventFilter(&timer);
    timer.SetEnabled(true);
    QTimer poll, other;
    timer.IgnoreTimerEventsOf(&poll);
    int polls = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] { ++polls; });
    timer.Hold();
    poll.start(0);
    for (int i = 0; i < 20 && polls < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    poll.stop();
    EXPECT_GE(polls, 3);
    EXPECT_TRUE(timer.Held()) << "the gamepads' poll woke the game";
    // Any other timer, and what the poll hands on (a queued call), ends it.
    bool ran = false;
    QMetaObject::invokeMethod(
        qApp, [&] { ran = true; }, Qt::QueuedConnection);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(timer.Held());
    timer.Hold();
    other.setSingleShot(true);
    other.start(0);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_FALSE(timer.Held());
    qApp->removeEventFilter(&timer);
}

class PlatformSleepTest : public ::testing::Test {
protected:
    PlatformSleepTest() {
        m_platform.SetEventSink(&m_sink);
        m_platform.SetDelayTimerEnabled(true);
    }
    ~PlatformSleepTest() override { m_platform.SetDelayTimerEnabled(false); }

    static IdleDeadline Sleep(std::optional<std::uint32_t> until, std::optional<std::uint32_t> firings = {}) {
        IdleDeadline deadline;
        deadline.may_sleep = true;
        deadline.until = until;
        deadline.delay_firings = firings;
        return deadline;
    }

    QtPlatform m_platform;
    RecordingSink m_sink;
};

TEST_F(PlatformSleepTest, SleepsUntilTheDeadlineAndMakesUpTheDelayTimer) {
    const std::uint32_t start = m_platform.TickCount();
    const std::uint32_t until = start + 120;
    const int fired_before = m_sink.delay_ticks;
    // Qt may wake the loop for its own events; the platform sleeps again each time it is asked.
    for (int i = 0; i < 50 && static_cast<std::int32_t>(m_platform.TickCount() - until) < 0; ++i) {
        m_platform.SleepInNextPump(Sleep(until));
        m_platform.ProcessMessages();
    }
    const std::uint32_t elapsed = m_platform.TickCount() - start;
    EXPECT_GE(elapsed, 120u);
    EXPECT_GE(m_platform.Sleeps(), 1u);
    // One firing per 10 ms of the sleep, none lost and none twice.
    const int fired = m_sink.delay_ticks - fired_before;
    EXPECT_GE(fired, static_cast<int>(elapsed / 10) - 1);
    EXPECT_LE(fired, static_cast<int>(elapsed / 10) + 1);
}

TEST_F(PlatformSleepTest, AWindowEventEndsTheSleepAtOnce) {
    m_platform.MainView().show();
    const std::uint32_t start = m_platform.TickCount();
    QTimer::singleShot(30, [this] { QTest::mouseClick(&m_platform.MainView(), Qt::LeftButton, {}, QPoint(40, 50)); });
    m_platform.SleepInNextPump(Sleep(start + 60000));
    while (m_sink.calls.empty() && m_platform.TickCount() - start < 10000) {
        m_platform.ProcessMessages();
        m_platform.SleepInNextPump(Sleep(start + 60000));
    }
    m_platform.SleepInNextPump(IdleDeadline{});
    ASSERT_FALSE(m_sink.calls.empty());
    EXPECT_EQ(m_sink.calls.front(), "down 1 0 40,50");
    EXPECT_LT(m_platform.TickCount() - start, 10000u);
    m_platform.MainView().hide();
}

TEST_F(PlatformSleepTest, AWakeFromAnotherThreadEndsTheSleep) {
    // As the sound output does when it fails: the error is reported on the next tick.
    const std::uint32_t start = m_platform.TickCount();
    const std::uint64_t sleeps = m_platform.Sleeps();
    std::thread waker([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        m_platform.Wake();
    });
    m_platform.SleepInNextPump(Sleep(start + 60000));
    m_platform.ProcessMessages();
    waker.join();
    EXPECT_EQ(m_platform.Sleeps(), sleeps + 1);
    EXPECT_LT(m_platform.TickCount() - start, 30000u);
}

TEST_F(PlatformSleepTest, ASleepForTheDelayTimerEndsAtItsNthFiring) {
    const std::uint32_t start = m_platform.TickCount();
    const std::uint64_t sleeps = m_platform.Sleeps();
    const std::uint64_t before = m_platform.DelayFirings();
    while (m_platform.DelayFirings() - before < 5 && m_platform.TickCount() - start < 10000) {
        const auto left = static_cast<std::uint32_t>(5 - (m_platform.DelayFirings() - before));
        m_platform.SleepInNextPump(Sleep(std::nullopt, left));
        m_platform.ProcessMessages();
    }
    EXPECT_GE(m_platform.DelayFirings() - before, 5u);
    EXPECT_GT(m_platform.Sleeps(), sleeps);
    // The fifth firing from the start was at least 40 ms away.
    EXPECT_GE(m_platform.TickCount() - start, 40u);
}

TEST_F(PlatformSleepTest, NoSleepWhenTheEngineCannotWait) {
    const std::uint64_t sleeps = m_platform.Sleeps();
    m_platform.SleepInNextPump(IdleDeadline{});
    m_platform.ProcessMessages();
    IdleDeadline passed = Sleep(m_platform.TickCount() - 5);
    m_platform.SleepInNextPump(passed);
    m_platform.ProcessMessages();
    EXPECT_EQ(m_platform.Sleeps(), sleeps) << "no sleep, and none for a deadline already past";
}

} // namespace
} // namespace hk::test
