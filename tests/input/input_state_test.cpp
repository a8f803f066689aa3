// InputState on the headless platform alone, one CheckKey per tick as the frame tick calls it:
// keys pressed, held and let go, presses that have done their work, the mouse latches, the
// input lock and the pointer.
#include "engine/input/input_state.h"
#include "platform/headless/headless_platform.h"

#include <gtest/gtest.h>

namespace hk::test {
namespace {

class InputStateTest : public ::testing::Test {
protected:
    // One tick's worth of input: sampled, then the one-tick flags ended once read.
    bool Sample() { return m_input.CheckKey(); }
    void EndTick() { m_input.EndTick(); }
    void Hold(Key key) { m_platform.SetKeyDown(key, true); }
    void Release(Key key) { m_platform.SetKeyDown(key, false); }

    HeadlessPlatform m_platform;
    InputState m_input{m_platform};
};

TEST_F(InputStateTest, HeldKeysCountEveryTickUntilLetGo) {
    Hold(Key::Return);
    Hold(Key::Shift);
    for (int tick = 0; tick < 3; ++tick) {
        ASSERT_TRUE(Sample());
        EXPECT_TRUE(m_input.KeyReturn()) << "tick " << tick;
        EXPECT_TRUE(m_input.KeyShift()) << "tick " << tick;
        EXPECT_FALSE(m_input.KeySpace());
        EXPECT_TRUE(m_input.AnyCounted());
        EndTick();
    }
    Release(Key::Return);
    Sample();
    EXPECT_FALSE(m_input.KeyReturn());
    EXPECT_TRUE(m_input.KeyShift());
    Release(Key::Shift);
    Sample();
    EXPECT_FALSE(m_input.KeyShift());
    EXPECT_FALSE(m_input.AnyCounted());

    // F1 and F2 page like Page Up and Page Down.
    Hold(Key::F2);
    Sample();
    EXPECT_TRUE(m_input.KeyPageDown());
    EXPECT_FALSE(m_input.KeyPageUp());
    Release(Key::F2);
    Hold(Key::F1);
    Sample();
    EXPECT_TRUE(m_input.KeyPageUp());
    EXPECT_FALSE(m_input.KeyPageDown());
}

TEST_F(InputStateTest, ATapCountsForTheOneSampleThatSeesIt) {
    m_platform.TapKey(Key::Control);
    Sample();
    EXPECT_TRUE(m_input.KeyControl());
    Sample();
    EXPECT_FALSE(m_input.KeyControl()) << "the tap is over once the keys were sampled";
}

TEST_F(InputStateTest, ASpentKeyCountsAgainOnlyAfterItIsLetGo) {
    Hold(Key::Return);
    Hold(Key::Space);
    Hold(Key::Control);
    Hold(Key::Escape);
    Hold(Key::Down);
    Sample();
    ASSERT_TRUE(m_input.KeyReturn());
    ASSERT_TRUE(m_input.KeyEscape());
    m_input.SpendHeldKeys();
    Sample();
    EXPECT_FALSE(m_input.KeyReturn()) << "held on, the spent press does nothing more";
    EXPECT_FALSE(m_input.KeySpace());
    EXPECT_FALSE(m_input.KeyEscape()) << "a held Escape does not leave the screen it led back to";
    EXPECT_TRUE(m_input.KeyControl()) << "only Return, Space and Escape are spent by SpendHeldKeys";
    EXPECT_TRUE(m_input.KeyDown()) << "SpendHeldKeys leaves the cursor keys (a choice steps on while one is held)";
    m_input.SpendCursorKeys();
    Sample();
    EXPECT_FALSE(m_input.KeyDown()) << "a menu's step is one a press";
    Release(Key::Escape);
    Release(Key::Down);
    EXPECT_TRUE(m_input.AnyGameKeyDown()) << "a spent key is still down";

    Release(Key::Return);
    Sample();
    Hold(Key::Return);
    Sample();
    EXPECT_TRUE(m_input.KeyReturn()) << "pressed again after its release";
    EXPECT_FALSE(m_input.KeySpace()) << "still held since it was spent";

    // The press that ended a skip: the keys that count now are spent, Control included.
    m_input.SpendCountedKeys();
    Sample();
    EXPECT_FALSE(m_input.KeyReturn());
    EXPECT_FALSE(m_input.KeyControl());
}

TEST_F(InputStateTest, ASpentKeysReleaseIsSeenWhileTheLockHoldsIt) {
    Hold(Key::Return);
    m_input.SpendHeldKeys();
    m_input.SetInputLock(5);
    Release(Key::Return);
    Sample();
    Hold(Key::Return);
    Sample();
    EXPECT_FALSE(m_input.KeyReturn()) << "the lock holds";
    m_input.RunDownInputLock(5);
    Sample();
    EXPECT_TRUE(m_input.KeyReturn()) << "a new press, made under the lock, counts once it runs out";
}

TEST_F(InputStateTest, TheLockHoldsTheReadingKeysButNotControlShiftOrTheWheel) {
    for (Key key : {Key::Return, Key::Space, Key::Up, Key::Down, Key::PageUp, Key::PageDown, Key::Control, Key::Shift,
                    Key::Left, Key::Right, Key::Escape})
        Hold(key);
    m_input.SetInputLock(2);
    m_input.LatchWheel(false);
    Sample();
    EXPECT_FALSE(m_input.KeyReturn());
    EXPECT_FALSE(m_input.KeySpace());
    EXPECT_FALSE(m_input.KeyUp());
    EXPECT_FALSE(m_input.KeyDown());
    EXPECT_FALSE(m_input.KeyLeft());
    EXPECT_FALSE(m_input.KeyRight());
    EXPECT_FALSE(m_input.KeyEscape());
    EXPECT_FALSE(m_input.KeyPageUp());
    EXPECT_TRUE(m_input.KeyPageDown()) << "a wheel turn pages under the lock";
    EXPECT_TRUE(m_input.KeyControl());
    EXPECT_TRUE(m_input.KeyShift());
    EndTick();

    // 2 - 1 = 1 firing left; then 1 - 3 stops at 0.
    m_input.RunDownInputLock(1);
    EXPECT_EQ(m_input.InputLock(), 1);
    Sample();
    EXPECT_FALSE(m_input.KeyReturn());
    m_input.RunDownInputLock(3);
    EXPECT_EQ(m_input.InputLock(), 0);
    Sample();
    EXPECT_TRUE(m_input.KeyReturn());
    EXPECT_TRUE(m_input.KeyPageUp());
    EXPECT_TRUE(m_input.KeyLeft());
    EXPECT_TRUE(m_input.KeyRight());
    EXPECT_TRUE(m_input.KeyEscape());
    m_input.RunDownInputLock(1);
    EXPECT_EQ(m_input.InputLock(), 0) << "never below 0";
}

TEST_F(InputStateTest, ALatchedClickOrWheelTurnCountsForOneTick) {
    m_input.LatchMouseDown(MouseButton::Left);
    m_input.LatchWheel(true);
    EXPECT_TRUE(m_input.AnyLatched());
    Sample();
    EXPECT_FALSE(m_input.AnyLatched()) << "the latches are taken by the sample";
    EXPECT_TRUE(m_input.LeftClick());
    EXPECT_TRUE(m_input.WheelUpOnce());
    EXPECT_TRUE(m_input.KeyPageUp());
    EndTick();
    EXPECT_FALSE(m_input.LeftClick());
    EXPECT_FALSE(m_input.WheelUpOnce());
    Sample();
    EXPECT_FALSE(m_input.LeftClick()) << "consumed once";
    EXPECT_FALSE(m_input.KeyPageUp());
}

TEST_F(InputStateTest, TheLatestPressWinsAndTheMiddleButtonClearsBoth) {
    m_input.LatchMouseDown(MouseButton::Left);
    m_input.LatchMouseDown(MouseButton::Right);
    EXPECT_FALSE(m_input.LeftDownLatch());
    EXPECT_TRUE(m_input.RightDownLatch());
    Sample();
    EXPECT_FALSE(m_input.LeftClick()) << "a right press is no click";
    m_input.LatchMouseDown(MouseButton::Left);
    m_input.LatchMouseDown(MouseButton::Middle);
    EXPECT_FALSE(m_input.AnyLatched());
}

TEST_F(InputStateTest, AnotherWindowInFrontDropsKeysClicksAndSpentPresses) {
    Hold(Key::Return);
    Sample();
    m_input.SpendHeldKeys();
    m_platform.SetForeground(WindowId::Debug);
    m_input.LatchMouseDown(MouseButton::Left);
    m_input.LatchWheel(false);
    EXPECT_FALSE(Sample());
    EXPECT_FALSE(m_input.KeyReturn());
    EXPECT_FALSE(m_input.LeftClick());
    EXPECT_FALSE(m_input.AnyLatched()) << "a click made while another window was in front is dropped";

    // Back in front with Return held: its release went to the other window, so it is not spent.
    m_platform.SetForeground(WindowId::Float);
    EXPECT_TRUE(Sample());
    EXPECT_TRUE(m_input.KeyReturn());
    EXPECT_FALSE(m_input.LeftClick());
    EXPECT_FALSE(m_input.KeyPageDown());
}

TEST_F(InputStateTest, ThePointerIsReadInEachWindowsCoordinates) {
    const Point main_origin = m_platform.ClientToScreen(WindowId::Main, Point{0, 0});
    const Point float_origin = m_platform.ClientToScreen(WindowId::Float, Point{0, 0});
    m_platform.MoveCursorToClient(WindowId::Main, Point{10, 20});
    m_input.SamplePointer();
    EXPECT_EQ(m_input.CursorMain(), (Point{10, 20}));
    EXPECT_EQ(m_input.CursorScreen(), (Point{main_origin.x + 10, main_origin.y + 20}));
    EXPECT_EQ(m_input.CursorFloat(), (Point{main_origin.x + 10 - float_origin.x, main_origin.y + 20 - float_origin.y}));

    m_input.SetFloatCurPos(5, 6);
    EXPECT_EQ(m_platform.CursorPos(), (Point{float_origin.x + 5, float_origin.y + 6})) << "the pointer moved";
    m_input.SetCurPos(7, 8);
    EXPECT_EQ(m_platform.CursorPos(), (Point{main_origin.x + 7, main_origin.y + 8}));
}

} // namespace
} // namespace hk::test
