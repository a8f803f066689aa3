// Transitions and a display that is still busy: a step the display would not show is skipped,
// but the transition keeps its timing and ends on time with the new scene.
#include "support/transition_fixture.h"

namespace hk::test {
namespace {

class TransitionPacingTest : public TransitionFixture {
protected:
    void BeginFade(int duration) { BeginTransition(TaskCode::TASK_EFFECT_01, duration); }
    int Presents() { return Platform().Invalidations(WindowId::Main); }
};

TEST_F(TransitionPacingTest, BusyDisplaySkipsStepsButTheFadeEndsOnTime) {
    BeginFade(300);
    Session().Tick(); // the first step always runs
    const Color first = Shown();
    EXPECT_NE(first, kOld);
    const int presents = Presents();

    Platform().SetReadyForFrame(false);
    const auto start = static_cast<std::uint32_t>(TheEngine().TheStage().EffectState().StartTime);
    while (Platform().TickCount() - start < 280) {
        Session().Tick();
        ASSERT_EQ(State().Task, TaskCode::TASK_EFFECT_01);
    }
    EXPECT_EQ(Shown(), first) << "no step was made for a display that could not show it";
    EXPECT_EQ(Presents(), presents);

    // The display takes frames again: the next step shows the mix of this moment.
    Platform().SetReadyForFrame(true);
    Session().Tick();
    const int a = static_cast<int>((Platform().TickCount() - start) * 255 / 300);
    EXPECT_EQ(ColorRed(Shown()), static_cast<std::uint8_t>((ColorRed(kNew) * a + ColorRed(kOld) * (256 - a)) >> 8));
    EXPECT_EQ(Presents(), presents + 1);

    // The end comes on time even while the display is busy.
    Platform().SetReadyForFrame(false);
    while (Platform().TickCount() - start < 300)
        Session().Tick();
    Session().Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
    EXPECT_EQ(Shown(), kNew);
}

TEST_F(TransitionPacingTest, WipeSkipsStepsWhileTheDisplayIsBusy) {
    BeginTransition(TaskCode::TASK_EFFECT_11, 200, std::nullopt, 41, 4);
    Session().Tick();
    const int presents = Presents();
    Platform().SetReadyForFrame(false);
    for (int i = 0; i < 20; ++i)
        Session().Tick();
    EXPECT_EQ(Presents(), presents);
    Platform().SetReadyForFrame(true);
    Session().Tick();
    EXPECT_EQ(Presents(), presents + 1);
    while (State().Task == TaskCode::TASK_EFFECT_11)
        Session().Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
    EXPECT_EQ(TheEngine().TheStage().ScreenBuffer().GetColor(400, 300), kNew);
}

} // namespace
} // namespace hk::test
