// The interpreter through real scenes: arithmetic and operand flags, conditional blocks, labels,
// calls across scenes, waits, transitions' parameters, system commands and the end of a scene.
#include "script_fixture.h"

namespace hk::test {
namespace {

TEST_F(ScriptTest, ArithmeticWrapsAt16BitsAndDividesTowardsZero) {
    Play({{1, R"(
    add s1, 30000, 30000       ; 60000 - 65536
    div s2, -7, 2
    mod s3, -7, 2
    div s4, 5, 0
    mod s5, 5, 0
    mul s6, 300, 300           ; 90000 - 65536
    sub s7, -32768, 1
    div s8, -32768, -1         ; 32768 does not fit: low 16 bits
    mod s9, 7, -2
    wait 0
)"}});
    EXPECT_EQ(S(1), -5536);
    EXPECT_EQ(S(2), -3);
    EXPECT_EQ(S(3), -1);
    EXPECT_EQ(S(4), 0);
    EXPECT_EQ(S(5), 0);
    EXPECT_EQ(S(6), 24464);
    EXPECT_EQ(S(7), 32767);
    EXPECT_EQ(S(8), -32768);
    EXPECT_EQ(S(9), 1);
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_KEY);
}

TEST_F(ScriptTest, OperandFlagsReadScenarioThenSystemBankAndPickDestinations) {
    Play({{1, R"(
    let s3, 42
    let g9, 77
    let s2, 9
    let s5, 7                  ; flags 0x01
    let g5, s3                 ; flags 0x0A: SystemVars[5] := ScenarioVars[3]
    let 6, 99                  ; no destination bit: discarded
    let gs7, -4                ; both banks
    let s10, gs2               ; SystemVars[ScenarioVars[2]] = SystemVars[9]
    add s11, s3, gs2           ; 42 + 77
    let gs12, 1                ; destination not resolved: ScenarioVars[12] = 0 is no index
    wait 0
)"}});
    EXPECT_EQ(S(5), 7);
    EXPECT_EQ(G(5), 42);
    EXPECT_EQ(S(6), 0);
    EXPECT_EQ(G(6), 0);
    EXPECT_EQ(S(7), -4);
    EXPECT_EQ(G(7), -4);
    EXPECT_EQ(S(10), 77);
    EXPECT_EQ(S(11), 119);
    EXPECT_EQ(S(12), 1);
    EXPECT_EQ(G(12), 1);
    EXPECT_EQ(Error(), "");
}

TEST_F(ScriptTest, ConditionalBlocksPairMarkersByNumberOnly) {
    Play({{1, R"(
    let s1, 5
    if_eq 1, s1, 5
        let s2, 1
    else 1
        let s2, 2
    endif 1
    if_ne 2, s1, 5
        let s3, 1
    else 2
        let s3, 2
    endif 2
    if_lt 3, s1, 6
        if_gt 3, s1, 9         ; false: continues after the inner marker
            let s4, 1
        endif 3
        let s4, 2              ; reached: the outer block is already closed
    endif 3
    if_lt 4, s1, 6
        if_gt 5, s1, 9
            let s5, 1
        endif 5
        let s6, 1
    endif 4
    let s7, 3
    if_eq s7, 0, 1             ; block number taken from ScenarioVars[7] = 3 ...
        let s8, 1
    endif 3                    ; ... and compared with the stored number of the marker
    wait 0
)"}});
    EXPECT_EQ(S(2), 1);
    EXPECT_EQ(S(3), 2);
    EXPECT_EQ(S(4), 2);
    EXPECT_EQ(S(5), 0);
    EXPECT_EQ(S(6), 1);
    EXPECT_EQ(S(8), 0);
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_KEY);
}

TEST_F(ScriptTest, EndlessConditionLoopEndsTheTickAndGoesOnNextTick) {
    // add and if run 500,000 times each in the budget of one tick.
    Play({{1, "    add s1, s1, 1\n    if_eq 5, 0, 1\n    end\n"}});
    EXPECT_EQ(S(1), static_cast<std::int16_t>(500000 % 65536));
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
    EXPECT_TRUE(TheEngine().FrameTimerEnabled()) << "the window stays responsive";
    Tick();
    EXPECT_EQ(S(1), static_cast<std::int16_t>(1000000 % 65536));
    EXPECT_EQ(Error(), "");
}

TEST_F(ScriptTest, JumpsFindLabelsByExactNameFirstMatchAndAcrossScenes) {
    Play({{1, R"(
    jump loop
    let s1, 99
first:
    let s2, 1
    wait 0
loop:
    let s3, 1
    jump first
    end
loop:
    let s3, 2
)"},
          {2, R"(
    let s4, 1
there:
    let s5, 1
    jump "Loop", 1             ; no such label: scene 1 from its first instruction
)"}});
    EXPECT_EQ(S(1), 0);
    EXPECT_EQ(S(3), 0) << "a jump ends the tick";
    Tick();
    EXPECT_EQ(S(3), 1);
    Tick();
    EXPECT_EQ(S(2), 1);
    EXPECT_EQ(Step(), 4);

    // To another scene: the label's step there, and the scene's own lists.
    State().Game.ScriptStep = -1;
    ASSERT_NO_FATAL_FAILURE(Script().ReadScript(2));
    Resume();
    EXPECT_EQ(S(5), 1);
    EXPECT_EQ(Scene(), 1);
    EXPECT_EQ(Step(), -1);
}

TEST_F(ScriptTest, CallsReturnAfterTheCallInstructionAcrossScenes) {
    Play({{1, R"(
    return                     ; empty stack: ignored
    call sub, 2
    let s1, 1
    wait 0
)"},
          {2, R"(
    let s3, 1
sub:
    let s2, 1
    return
    end
)"}});
    EXPECT_EQ(Scene(), 2);
    EXPECT_EQ(State().Game.ReturnDepth, 1);
    EXPECT_EQ(State().Game.ReturnTable[0].Scene, 1);
    EXPECT_EQ(State().Game.ReturnTable[0].Step, 1);
    Tick();
    EXPECT_EQ(S(2), 1);
    EXPECT_EQ(Scene(), 1);
    EXPECT_EQ(State().Game.ReturnDepth, 0);
    EXPECT_EQ(S(3), 0) << "the call went straight to the label";
    Tick();
    EXPECT_EQ(S(1), 1);
    EXPECT_EQ(Step(), 3);
}

TEST_F(ScriptTest, WaitsAndTransitionsSetTheirTaskAndParameters) {
    Play({{1, R"(
    wait -1
    wait 1000
    effect 2
    effect 41, 0, 0
    effect 42, 300, 12
    effect 46, 0, -5
    effect 1
    effect 1, 250
)"}});
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT);
    EXPECT_EQ(State().WaitUntil, Platform().TickCount() + 1000);
    EXPECT_EQ(Step(), 1);

    const EffectStateData& e = TheEngine().TheStage().EffectState();
    Resume(); // effect 2 composes and goes on; effect 41 starts a wipe
    EXPECT_EQ(State().Task, TaskCode::TASK_EFFECT_11);
    EXPECT_EQ(Step(), 3);
    EXPECT_EQ(e.Graphic, 41);
    EXPECT_EQ(e.Duration, 0);
    EXPECT_EQ(e.Strength, 4);
    Resume();
    EXPECT_EQ(e.Strength, 8);
    EXPECT_EQ(e.Duration, 300);
    EXPECT_EQ(e.EndTime, e.StartTime + 300);
    Resume();
    EXPECT_EQ(e.Strength, 1);
    Resume();
    EXPECT_EQ(State().Task, TaskCode::TASK_EFFECT_01);
    EXPECT_EQ(e.Duration, 500);
    EXPECT_EQ(e.FirstTick, 0);
    Resume();
    EXPECT_EQ(e.Duration, 250);
}

TEST_F(ScriptTest, SystemCommandsSetFlagsCursorRandomAndTitle) {
    Play({{1, R"(
    system cursor, 1
    system auxflag, 5
    system contextmenu, 1
    let s1, -7
    system random, -3          ; negative: nothing
    let s2, s1
    system random, 0
    let s3, s1
    system random, 6
    system 999, 1              ; unknown sub-command: nothing
    system title
    system cursor, 0
    wait 0
)"}});
    EXPECT_EQ(State().Game.AuxFlag, 1);
    EXPECT_EQ(State().Game.ContextMenuOn, 1);
    EXPECT_EQ(S(2), -7);
    EXPECT_EQ(S(3), 0);
    EXPECT_GE(S(1), 0);
    EXPECT_LT(S(1), 6);
    EXPECT_EQ(State().Task, TaskCode::TASK_DISP_TITLE_MENU);
    EXPECT_EQ(Script().MenuReturnStep(), 10);
    EXPECT_EQ(Script().GamePlaying(), 0);
    EXPECT_EQ(State().Game.CursorShown, 1);
    EXPECT_TRUE(Platform().CursorVisible());
    Resume();
    EXPECT_EQ(State().Game.CursorShown, 0);
    EXPECT_FALSE(Platform().CursorVisible());
}

TEST_F(ScriptTest, RandomDrawsComeFromTheEngineGeneratorAfterTheTickDraw) {
    Play({{1, "    wait 0\n    system random, 0\n    system random, 1000\n    wait 0\n"}});
    State().Random.SetSeed(12345);
    RandomGenerator expected;
    expected.SetSeed(12345);
    expected.Random(1); // the tick's own draw; only its step of the seed matters
    expected.Random(0); // "random 0" steps the generator too
    const auto value = static_cast<std::int16_t>(expected.Random(1000));
    Resume();
    EXPECT_EQ(S(1), value);
    EXPECT_EQ(State().Random.Seed(), expected.Seed());
}

TEST_F(ScriptTest, EndRestartsThePlayedSceneOrMovesThroughTheReplayQueue) {
    Play({{1, "    wait 0\n    end\n"}, {101, "    add s1, s1, 1\n    end\n"}, {102, "    add s2, s2, 1\n    end\n"}});
    Script().SetGamePlaying(true);
    Resume();
    EXPECT_EQ(Step(), -1);
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
    Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_KEY) << "the scene ran again from instruction 0";

    // A replay of two album scenes, then back to the menu step of scene 1.
    EXPECT_EQ(Script().AddSceneTbl(101), 1);
    EXPECT_EQ(Script().AddSceneTbl(102), 2);
    Script().BeginReplay();
    Resume();
    EXPECT_EQ(S(1), 1);
    EXPECT_EQ(Scene(), 102);
    Tick();
    EXPECT_EQ(S(2), 1);
    EXPECT_EQ(Scene(), 1);
    EXPECT_EQ(Step(), 0);
    EXPECT_EQ(State().Task, TaskCode::TASK_DISP_SC_ALBUM_MENU);
    EXPECT_EQ(Script().GetSceneTbl(101), -1);
    EXPECT_FALSE(TheEngine().Message().MsgFloatChecked());
}

TEST_F(ScriptTest, UnknownOpcodesAreSkipped) {
    Play({{1, "    op 0x12 1, 2, 3\n    op 0x00\n    let s1, 4\n    wait 0\n"}});
    EXPECT_EQ(S(1), 4);
    EXPECT_EQ(Error(), "");
}

} // namespace
} // namespace hk::test
