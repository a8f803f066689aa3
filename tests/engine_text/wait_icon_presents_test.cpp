// A game waiting at a message must not keep the display busy: the wait icon is drawn and presented
// once per animation frame (every 55 ms), not on every tick, yet comes back at once when anything
// is drawn over it.
#include "text_fixture.h"

namespace hk::test {
namespace {

class WaitIconPresentsTest : public TextGame {
protected:
    int MainPresents() { return Platform().Invalidations(WindowId::Main); }
    int IconFrame() { return static_cast<int>((Platform().TickCount() / 55) & 7); }
    // Ticks until the clock has just entered a new icon frame.
    void TickToNextFrame() {
        const int frame = IconFrame();
        while (IconFrame() == frame)
            Tick();
    }
    bool IconShown() {
        const int sx = 4 + 2 * IconFrame();
        return MainWindow().GetColor(752 + sx, 552 + 8) == kIconInk;
    }
};

TEST_F(WaitIconPresentsTest, OnePresentPerIconFrameWhileWaiting) {
    PlayMessages({"待つ"}, 3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    TickToNextFrame();
    // Within one frame (55 ms, some 18 ticks of 3 ms) nothing new is presented.
    const int presents = MainPresents();
    int ticks = 0;
    const int frame = IconFrame();
    while (true) {
        Tick();
        if (IconFrame() != frame)
            break;
        ++ticks;
    }
    EXPECT_GE(ticks, 10);
    EXPECT_EQ(MainPresents(), presents + 1) << "only the tick that entered the next frame presents";
    EXPECT_TRUE(IconShown());

    // Over a second: one present per frame, about 18, never one per tick.
    const int before = MainPresents();
    RunMs(1000);
    EXPECT_GE(MainPresents() - before, 17);
    EXPECT_LE(MainPresents() - before, 20);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
}

TEST_F(WaitIconPresentsTest, IconDrawnOverIsRedrawnOnTheNextTickOfTheSameFrame) {
    PlayMessages({"待つ", "次の文"}, 3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    TickToNextFrame();
    ASSERT_TRUE(IconShown());
    // Something presents the whole screen over the icon (as the menus do) in the middle of a frame.
    const int frame = IconFrame();
    TheEngine().TheStage().PresentScreen();
    ASSERT_FALSE(IconShown());
    Tick();
    ASSERT_EQ(IconFrame(), frame) << "the test needs the same frame";
    EXPECT_TRUE(IconShown());

    // The next message: its own window under the icon, not the old one.
    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Tick();
    EXPECT_TRUE(IconShown());
    EXPECT_TRUE(SameRect(MainWindow(), 752, 552 + 20, Message().MsgTextImage(), 752, 128 + 20, 32, 12));
    EXPECT_EQ(LogText(0), "待つ");
}

} // namespace
} // namespace hk::test
