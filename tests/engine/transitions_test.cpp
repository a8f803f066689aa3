// Transitions on the virtual clock: what the screen shows at a given moment, and which controls
// may cut a transition short.
#include "support/transition_fixture.h"

namespace hk::test {
namespace {

class TransitionTest : public TransitionFixture {
protected:
    // Starts a transition as the show opcode or a menu does.
    void Begin(TaskCode task, int duration, int graphic = 0, int strength = 4) {
        BeginTransition(task, duration, TaskCode::TASK_WAIT_KEY, graphic, strength);
    }
    // Runs ticks until the clock has passed `ms` since the transition started, or until the
    // transition has handed the task on (the idle scene would move on from there).
    void RunUntil(std::uint32_t ms) {
        const auto start = static_cast<std::uint32_t>(TheEngine().TheStage().EffectState().StartTime);
        const TaskCode task = State().Task;
        while (Platform().TickCount() - start < ms && State().Task == task)
            Session().Tick();
    }
};

std::uint8_t Mix(std::uint8_t fresh, std::uint8_t old, int a) {
    return static_cast<std::uint8_t>((fresh * a + old * (256 - a)) >> 8);
}

TEST_F(TransitionTest, FadeShowsTheTimedMixAndEndsOnTheNewScene) {
    Begin(TaskCode::TASK_EFFECT_01, 1000);
    // Tick until about half the time has passed; the tick reads the clock after its 2 ms sleep,
    // which is the clock after the tick.
    const auto start = static_cast<std::uint32_t>(TheEngine().TheStage().EffectState().StartTime);
    while (Platform().TickCount() - start < 497)
        Session().Tick();
    Session().Tick();
    const auto at = Platform().TickCount() - start;
    ASSERT_GE(at, 499u);
    ASSERT_LE(at, 503u);
    const int a = static_cast<int>(at * 255 / 1000);
    const Color c = Shown();
    EXPECT_EQ(ColorRed(c), Mix(ColorRed(kNew), ColorRed(kOld), a));
    EXPECT_EQ(ColorBlue(c), Mix(ColorBlue(kNew), ColorBlue(kOld), a));
    EXPECT_EQ(State().Task, TaskCode::TASK_EFFECT_01);
    RunUntil(1010);
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
    EXPECT_EQ(Shown(), kNew);
    EXPECT_EQ(TheEngine().TheStage().ScreenBuffer().GetColor(0, 0), kNew);
}

TEST_F(TransitionTest, ZeroDurationEndsOnTheFirstTick) {
    Begin(TaskCode::TASK_EFFECT_01, 0);
    Session().Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
    EXPECT_EQ(Shown(), kNew);

    TheEngine().TheStage().ScreenBuffer().Fill(kOld);
    TheEngine().TheStage().PresentScreen();
    Begin(TaskCode::TASK_EFFECT_11, 0, 41);
    Session().Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
    EXPECT_EQ(TheEngine().TheStage().ScreenBuffer().GetColor(1, 1), kNew);
    EXPECT_EQ(Shown(), kOld) << "the wipe's last step does not present";
}

TEST_F(TransitionTest, WipeWithAnEmptyRuleChangesEverythingLate) {
    // Graphic 43 does not exist: the rule is white (255) everywhere.
    Begin(TaskCode::TASK_EFFECT_11, 1000, 43, 8);
    RunUntil(300);
    EXPECT_EQ(Shown(), kOld);
    EXPECT_EQ(TheEngine().TheStage().RuleImage().Format(), PixelFormat::Gray8);
    RunUntil(980);
    EXPECT_NE(Shown(), kOld);
    RunUntil(1010);
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
    EXPECT_EQ(TheEngine().TheStage().ScreenBuffer().GetColor(5, 5), kNew);
    EXPECT_GT(TheEngine().TheStage().EffectState().FirstTick, 4);
}

TEST_F(TransitionTest, ControlSkipAndEffectsOffCutScriptTransitionsOnlyWithTheCursorShown) {
    Platform().SetKeyDown(Key::Control, true);
    Begin(TaskCode::TASK_EFFECT_01, 1000);
    Session().Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);

    // The menus' fade ignores Control.
    Begin(TaskCode::TASK_EFFECT_91, 500);
    Session().Ticks(10);
    EXPECT_EQ(State().Task, TaskCode::TASK_EFFECT_91);
    RunUntil(510);
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_KEY) << "the menu fade continues with ReturnTask";

    // With the cursor hidden by the script nothing shortens a script transition.
    State().Game.CursorShown = 0;
    State().System.EffectsOn = 0;
    Begin(TaskCode::TASK_EFFECT_11, 1000, 41);
    Session().Ticks(10);
    EXPECT_EQ(State().Task, TaskCode::TASK_EFFECT_11);

    Platform().SetKeyDown(Key::Control, false);
    State().Game.CursorShown = 1;
    Begin(TaskCode::TASK_EFFECT_11, 1000, 41);
    Session().Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT) << "effects off";

    State().System.EffectsOn = 1;
    Message().SetSkipMode(1);
    Begin(TaskCode::TASK_EFFECT_01, 1000);
    Session().Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT) << "skip mode";
}

TEST_F(TransitionTest, ShowOpcodeSettlesStrengthAndDefaultDuration) {
    WriteArchives(ScenarioArchive({{1, R"(
    effect 1, 0, 0
    effect 41, 100, 0
    effect 42, 100, 12
    effect 43, 100, -3
    wait 0
)"}}));
    m_session.reset();
    Start();
    Session().UntilTask(TaskCode::TASK_EFFECT_01, 1000);
    EXPECT_EQ(TheEngine().TheStage().EffectState().Duration, 500);
    for (int expected : {4, 8, 1}) {
        ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_EFFECT_11, 2000));
        EXPECT_EQ(TheEngine().TheStage().EffectState().Strength, expected);
        ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_SCRIPT, 2000));
    }
}

} // namespace
} // namespace hk::test
