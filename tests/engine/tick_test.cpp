// The frame tick and input sampling, driven one tick at a time on the virtual clock.
#include "support/engine_fixture.h"

namespace hk::test {
namespace {

class TickTest : public GameFixture {
protected:
    // The first tick runs TaskInit; the engine then sits in a task with no handler so the tests
    // below see only the shell's own behaviour.
    void SetUp() override { StartParked(); }
};

TEST_F(TickTest, FirstTickRunsTaskInitWhichHidesTheDebugWindowWithoutTheMarker) {
    // The fixture above already ran TaskInit: it moved on to the script.
    EXPECT_FALSE(TheEngine().Debug().Visible());
    EXPECT_FALSE(Platform().IsWindowVisible(WindowId::Debug));
}

TEST_F(TickTest, ClickIsSeenByExactlyOneTickAndBeforeTheTaskRuns) {
    TheEngine().SetTask(TaskCode::TASK_WAIT_KEY);
    Platform().QueueMouseDown(WindowId::Main, MouseButton::Left, Point{10, 10});
    Tick();
    // The click arrived in step 4, was sampled in step 5 and ended the wait in step 7 of the
    // same tick; step 9 then cleared the one-shot flag.
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
    EXPECT_EQ(TheEngine().Input().LeftClick(), 0);
    TheEngine().SetTask(TaskCode::TASK_WAIT_KEY);
    Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_KEY) << "a held-down button is not a second click";
}

TEST_F(TickTest, WaitKeyEndsOnReturnControlOrClickButNotSpaceWheelOrArrows) {
    TheEngine().SetTask(TaskCode::TASK_WAIT_KEY);
    for (Key key : {Key::Space, Key::Up, Key::Down, Key::PageUp, Key::PageDown, Key::Shift}) {
        Platform().SetKeyDown(key, true);
        Tick();
        Platform().SetKeyDown(key, false);
        EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_KEY);
    }
    Platform().QueueWheel(WindowId::Main, false);
    Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_KEY);

    for (Key key : {Key::Return, Key::Control}) {
        TheEngine().SetTask(TaskCode::TASK_WAIT_KEY);
        Platform().SetKeyDown(key, true);
        Tick();
        Platform().SetKeyDown(key, false);
        EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
    }
}

TEST_F(TickTest, TimedWaitEndsOnTheFirstTickAtOrAfterItsEnd) {
    TheEngine().SetTask(TaskCode::TASK_WAIT);
    State().WaitUntil = Platform().TickCount() + 1000;
    Platform().SetKeyDown(Key::Return, true); // keys do not shorten a timed wait
    std::uint32_t before = 0;
    while (State().Task == TaskCode::TASK_WAIT) {
        before = Platform().TickCount();
        Tick();
    }
    // The check runs after the tick's 2 ms sleep: the tick that ends the wait is the first
    // whose clock reached WaitUntil.
    EXPECT_GE(Platform().TickCount(), State().WaitUntil);
    EXPECT_LT(before + 2, State().WaitUntil + 2);
    EXPECT_LE(Platform().TickCount() - State().WaitUntil, 2u);
}

TEST_F(TickTest, InputLockHoldsBackAdvanceKeysButNotControlAndShift) {
    TheEngine().Input().SetInputLock(10);
    Platform().SetKeyDown(Key::Return, true);
    Platform().SetKeyDown(Key::Space, true);
    Platform().SetKeyDown(Key::Control, true);
    Platform().SetKeyDown(Key::Shift, true);
    Tick();
    EXPECT_EQ(TheEngine().Input().KeyReturn(), 0);
    EXPECT_EQ(TheEngine().Input().KeySpace(), 0);
    EXPECT_EQ(TheEngine().Input().KeyControl(), 1);
    EXPECT_EQ(TheEngine().Input().KeyShift(), 1);

    // The 10 ms timer counts the lock down: 10 steps, about 100 ms.
    const auto start = Platform().TickCount();
    while (TheEngine().Input().KeyReturn() == 0) {
        Tick();
        ASSERT_LT(Platform().TickCount() - start, 200u);
    }
    EXPECT_GE(Platform().TickCount() - start, 90u);
    EXPECT_EQ(TheEngine().Input().InputLock(), 0);
    EXPECT_EQ(TheEngine().Input().KeySpace(), 1);
}

TEST_F(TickTest, PageKeysF1F2AndTheWheelAllTurnPages) {
    Platform().SetKeyDown(Key::F1, true);
    Tick();
    EXPECT_EQ(TheEngine().Input().KeyPageUp(), 1);
    EXPECT_EQ(TheEngine().Input().KeyPageDown(), 0);
    Platform().SetKeyDown(Key::F1, false);
    Platform().SetKeyDown(Key::F2, true);
    Tick();
    EXPECT_EQ(TheEngine().Input().KeyPageUp(), 0);
    EXPECT_EQ(TheEngine().Input().KeyPageDown(), 1);
    Platform().SetKeyDown(Key::F2, false);

    Platform().QueueWheel(WindowId::Main, false);
    Tick();
    EXPECT_EQ(TheEngine().Input().KeyPageDown(), 1);
    EXPECT_EQ(TheEngine().Input().WheelDownOnce(), 0) << "the one-shot flag lives for one tick";
    Tick();
    EXPECT_EQ(TheEngine().Input().KeyPageDown(), 0);

    // The wheel counts as a page key even while the lock holds the real keys back.
    TheEngine().Input().SetInputLock(50);
    Platform().QueueWheel(WindowId::Float, true);
    Tick();
    EXPECT_EQ(TheEngine().Input().KeyPageUp(), 1);
}

TEST_F(TickTest, InputWhileAnotherApplicationIsInFrontIsDropped) {
    Platform().SetKeyDown(Key::Return, true);
    Tick();
    EXPECT_EQ(TheEngine().Input().KeyReturn(), 1);

    Platform().SetForeground(WindowId::None);
    Platform().SetKeyDown(Key::Space, true);
    TheEngine().SetTask(TaskCode::TASK_WAIT_KEY);
    Platform().QueueMouseDown(WindowId::Main, MouseButton::Left, Point{1, 1});
    Tick();
    // The keys held when the focus went were let go with it (their releases reach the other
    // window), so the Return held until then no longer counts; keys pressed now are not read, and
    // the click is thrown away, not kept for later.
    EXPECT_EQ(TheEngine().Input().KeyReturn(), 0);
    EXPECT_EQ(TheEngine().Input().KeySpace(), 0);
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_KEY);
    Platform().SetForeground(WindowId::Float);
    Platform().SetKeyDown(Key::Return, false);
    Platform().SetKeyDown(Key::Space, false);
    TheEngine().SetTask(TaskCode::TASK_WAIT_KEY);
    Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_KEY);
    EXPECT_EQ(TheEngine().Input().KeyReturn(), 0);
}

TEST_F(TickTest, ControlSkippingStopsWhenAnotherApplicationTakesTheFocus) {
    TheEngine().SetTask(TaskCode::TASK_SCRIPT);
    Platform().SetKeyDown(Key::Control, true);
    Tick();
    ASSERT_EQ(Message().SkipNow(), 1);

    // Control held as the focus goes: its release goes to the other window, and the story must not
    // go on skipping behind it.
    Platform().SetForeground(WindowId::None);
    TheEngine().SetTask(TaskCode::TASK_SCRIPT);
    Tick();
    EXPECT_EQ(TheEngine().Input().KeyControl(), 0);
    EXPECT_EQ(Message().SkipNow(), 0);

    // Message skip chosen from the menu is not a held key: it goes on.
    Message().SetSkipMode(1);
    Message().SetSkipNow(1);
    TheEngine().SetTask(TaskCode::TASK_SCRIPT);
    Tick();
    EXPECT_EQ(Message().SkipNow(), 1);
    EXPECT_EQ(Message().SkipMode(), 1);
}

TEST_F(TickTest, SkipFollowsControlInTheScriptAndAnyAdvanceEndsSkipModes) {
    Message().SetSkipMode(1);
    Message().SetReadSkipMode(1);
    Tick();
    EXPECT_EQ(Message().SkipNow(), 1) << "message skip from the menu keeps skipping";
    Platform().SetKeyDown(Key::Space, true);
    Tick();
    EXPECT_EQ(Message().SkipMode(), 0);
    EXPECT_EQ(Message().ReadSkipMode(), 0);
    Platform().SetKeyDown(Key::Space, false);

    TheEngine().SetTask(TaskCode::TASK_SCRIPT);
    Message().SetSkipNow(0);
    Platform().SetKeyDown(Key::Control, true);
    Tick();
    EXPECT_EQ(Message().SkipNow(), 1);
    Platform().SetKeyDown(Key::Control, false);
    TheEngine().SetTask(TaskCode::TASK_SCRIPT);
    Tick();
    EXPECT_EQ(Message().SkipNow(), 0);
}

TEST_F(TickTest, DelayTimerCountsAutoAdvanceAndTheLockEveryTenMilliseconds) {
    Message().SetAutoElapsed(0);
    TheEngine().Input().SetInputLock(3);
    const auto start = Platform().TickCount();
    while (Platform().TickCount() - start < 100)
        Tick();
    const auto elapsed = Platform().TickCount() - start;
    // One firing per 10 ms boundary passed; no voice plays, so each adds 10.
    EXPECT_NEAR(Message().AutoElapsed(), static_cast<int>(elapsed / 10) * 10, 10);
    EXPECT_EQ(TheEngine().Input().InputLock(), 0);
}

TEST_F(TickTest, UnknownTaskRunsNothingButInputIsStillSampled) {
    const auto step = State().Game.ScriptStep;
    Platform().SetKeyDown(Key::Up, true);
    Tick();
    EXPECT_EQ(State().Task, kParkedTask);
    EXPECT_EQ(State().Game.ScriptStep, step);
    EXPECT_EQ(TheEngine().Input().KeyUp(), 1);
    EXPECT_TRUE(TheEngine().FrameTimerEnabled());
}

TEST_F(TickTest, EveryTickDrawsOneRandomNumber) {
    RandomGenerator expected;
    expected.SetSeed(State().Random.Seed());
    for (int i = 0; i < 7; ++i) {
        expected.Random(1);
        Tick();
    }
    EXPECT_EQ(State().Random.Seed(), expected.Seed());
}

TEST_F(TickTest, SetCurPosMovesThePointerToTheClientPoint) {
    TheEngine().Input().SetCurPos(100, 200);
    Tick();
    EXPECT_EQ(TheEngine().Input().CursorMain(), (Point{100, 200}));
    TheEngine().Input().SetFloatCurPos(30, 40);
    Tick();
    EXPECT_EQ(TheEngine().Input().CursorFloat(), (Point{30, 40}));
    EXPECT_EQ(TheEngine().Input().CursorScreen(), Platform().ClientToScreen(WindowId::Float, Point{30, 40}));
}

} // namespace
} // namespace hk::test
