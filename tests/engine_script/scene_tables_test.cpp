// Scene loading, read-marks, the replay queue, and the refusals that keep damaged or careless
// scenes inside the engine's tables.
#include "script_fixture.h"

#include "engine/script/script_error.h"

namespace hk::test {
namespace {

TEST_F(ScriptTest, ReadScriptReplacesListsAndKeepsVoiceNamesBeyondTheNewScene) {
    Play({{1, "    wait 0\n"},
          {2, "    message \"a\", \"v0\"\n    message \"b\", \"v1\"\n    message \"c\", \"v2\"\n"
              "    message \"d\", \"v3\"\n    end\n"},
          {3, ".voice \"w0\"\n.voice \"--END--\"\n.voice \"w2\"\nlabel x\n    jump y\n    end\n"},
          {4, "    message \"x\", \"u0\"\n    message \"y\", \"u1\"\n    message \"z\", \"u2\"\n    end\n"}});
    Script().ReadScript(2);
    EXPECT_EQ(Scene(), 2);
    EXPECT_EQ(Script().VoiceNames()[3], "v3");
    Script().ReadScript(4);
    EXPECT_EQ(Script().VoiceNames()[0], "u0");
    EXPECT_EQ(Script().VoiceNames()[2], "u2");
    EXPECT_EQ(Script().VoiceNames()[3], "v3") << "entries past the new scene's voices stay";
    EXPECT_EQ(Script().VoiceList(), (std::vector<std::string>{"u0", "u1", "u2", "--END--"}));
    Script().ReadScript(3);
    EXPECT_EQ(Script().VoiceNames()[0], "w0");
    EXPECT_EQ(Script().VoiceNames()[1], "u1") << "a --END-- line ends the copy early";
    EXPECT_EQ(Script().VoiceNames()[2], "u2");
    EXPECT_EQ(Script().LabelNames(), (std::vector<std::string>{"x"}));
    EXPECT_EQ(Script().JumpNames(), (std::vector<std::string>{"y"}));
    EXPECT_TRUE(Script().MessageTexts().empty());
}

TEST_F(ScriptTest, NumbersThatAreNoSceneLoadNothingButEmptyTheLists) {
    ArchiveBuilder scr = ScenarioArchive({{1, "    message \"one\", \"v\"\n    wait 0\n"}});
    scr.Add(22, 22, ToBytes("not a scene"));
    WriteArchives(scr);
    Start();
    Tick();
    Tick();
    const std::vector<std::uint8_t> code_before = Script().ScriptCode();
    for (int scene : {0, 5, 22, -1, 2048, 30000}) {
        Script().ReadScript(scene);
        EXPECT_EQ(Scene(), 1) << scene;
        EXPECT_TRUE(Script().MessageTexts().empty()) << scene;
        EXPECT_EQ(Script().VoiceList(), (std::vector<std::string>{"--END--"})) << scene;
        EXPECT_EQ(Script().VoiceNames()[0], "v") << scene;
    }
    EXPECT_EQ(Script().ScriptCode(), code_before);
    EXPECT_EQ(Error(), "");
}

TEST_F(ScriptTest, DamagedScenesAreRefusedWithoutChangingTheLoadedOne) {
    ArchiveBuilder scr = ScenarioArchive({{1, "    message \"one\"\n    wait 0\n    jump x, 2\n"}});
    std::vector<std::uint8_t> cut = AssembleScenePayload("    message \"two\"\n    end\n");
    cut.resize(cut.size() - 3);
    scr.Add(2, kSceneEntryType, cut);
    WriteArchives(scr);
    Start();
    Tick();
    Tick();
    try {
        Script().ReadScript(2);
        ADD_FAILURE() << "a cut scene loaded";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("SCR.IFP scene 2"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Scene(), 1);
    EXPECT_EQ(Script().MessageTexts(), (std::vector<std::string>{"one"}));

    // Through a jump, the tick ends with the error and the game stops advancing.
    State().Game.ScriptStep = 1; // the jump to scene 2 comes next
    Resume();
    EXPECT_NE(Error().find("SCR.IFP scene 2"), std::string::npos);
    EXPECT_FALSE(TheEngine().FrameTimerEnabled());

    // An index entry whose payload reaches past the end of the file.
    std::vector<std::uint8_t> archive = ReadFileBytes(m_dir / "SCR.IFP");
    archive[16 + 16 * 2 + 8] = 0xFF; // length A of scene 2
    archive[16 + 16 * 2 + 9] = 0xFF;
    WriteFileBytes(m_dir / "SCR.IFP", archive);
    Script().ReadSceneIndex();
    try {
        Script().ReadScript(2);
        ADD_FAILURE() << "a scene past the end of the file loaded";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("entry 2"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Scene(), 1);
}

TEST_F(ScriptTest, ReadMarksAreKeptForScenesZeroToFourteenOnly) {
    Play({{1, "    wait 0\n"}, {3, "    message 9\n    end\n.message \"\"\n"}, {15, "    message 9\n    end\n"}});
    State().Game.CurrentScene = 3;
    EXPECT_FALSE(Script().CheckKidoku(9));
    Script().SetKidoku(9);
    EXPECT_EQ(State().System.ReadMarks[3][1], 0x02) << "message 9: bit 1 of byte 1";
    EXPECT_TRUE(Script().CheckKidoku(9));
    State().Game.CurrentScene = 4;
    EXPECT_FALSE(Script().CheckKidoku(9));
    for (int scene : {15, 16, 2047, -1}) {
        State().Game.CurrentScene = static_cast<std::int16_t>(scene);
        Script().SetKidoku(9);
        EXPECT_FALSE(Script().CheckKidoku(9)) << scene;
    }
    for (const auto& byte : State().System.ReadMarks[15]) {
        ASSERT_EQ(byte, 0);
    }
}

TEST_F(ScriptTest, ReadSkipStopsAtTheFirstUnreadMessage) {
    Play({{1, "    message \"read\"\n    message \"read again\"\n    message \"new\"\n    wait 0\n"}});
    EXPECT_TRUE(Script().CheckKidoku(0)) << "showing a message marks it";
    Script().SetKidoku(1);
    Message().SetReadSkipMode(1);
    Resume();
    EXPECT_EQ(Message().MsgNumber(), 1);
    EXPECT_EQ(Message().SkipNow(), 1);
    EXPECT_EQ(Message().ReadSkipMode(), 1);
    Resume();
    EXPECT_EQ(Message().MsgNumber(), 2);
    EXPECT_EQ(Message().SkipNow(), 0);
    EXPECT_EQ(Message().ReadSkipMode(), 0);
    EXPECT_TRUE(Script().CheckKidoku(2));
    EXPECT_EQ(State().Task, TaskCode::TASK_DISP_MESSAGE);
    EXPECT_EQ(Message().MsgWindowVisible(), 1);
}

TEST_F(ScriptTest, ChoicesStopSkippingAndAutoAdvance) {
    Play({{1, "    select \"yes/no\", 4\n    select2 \"a/b/c\"\n    wait 0\n"}});
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_SELECT);
    EXPECT_EQ(Message().MsgIsChoice(), 1);
    EXPECT_EQ(Message().VoiceNumber(), 4);
    Message().SetSkipMode(true);
    Message().SetAutoMode(true);
    Message().SetSkipNow(true);
    Message().SetReadSkipMode(true);
    Resume();
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_SELECT2);
    EXPECT_EQ(Message().MsgNumber(), 1);
    EXPECT_EQ(Message().Select2Visible(), 1);
    EXPECT_EQ(Message().SkipMode() + Message().AutoMode() + Message().SkipNow() + Message().ReadSkipMode(), 0);
    EXPECT_FALSE(Script().CheckKidoku(1)) << "choices leave no read-mark";
}

TEST_F(ScriptTest, ReplayQueueHoldsNinetyFiveDistinctScenes) {
    Play({{1, "    wait 0\n"}});
    EXPECT_EQ(Script().AddSceneTbl(120), 1);
    EXPECT_EQ(Script().AddSceneTbl(120), -1);
    EXPECT_EQ(Script().GetSceneTbl(120), 1);
    EXPECT_EQ(Script().GetSceneTbl(121), -1);
    for (int i = 2; i <= 95; ++i) {
        ASSERT_EQ(Script().AddSceneTbl(200 + i), i);
    }
    EXPECT_EQ(Script().AddSceneTbl(999), 0);
    EXPECT_EQ(Script().GetSceneTbl(999), -1);
    EXPECT_EQ(Script().SceneTable()[96], 0);
    Script().ClearReturnTbl();
    EXPECT_EQ(State().Game.ReturnDepth, 0);
}

// Refusals: each names scene, step and opcode, and leaves the tables as they were.
TEST_F(ScriptTest, InstructionsOutsideTheTablesAreRefusedWithSceneStepAndOpcode) {
    struct Case {
        const char* scene;
        const char* expected;
    };
    const Case cases[] = {
        {"    let s1, 1\n    let s513, 5\n", "scene 1, step 1, OP_LET: ScenarioVars index 513 is outside 1..512"},
        {"    let g0, 5\n", "step 0, OP_LET: SystemVars index 0"},
        {"    add s1, s600, 1\n", "OP_ADD: ScenarioVars index 600"},
        {"    let s2, 600\n    let s1, gs2\n", "step 1, OP_LET: SystemVars index 600"},
        {"    if_eq 1, g-5, 0\n", "OP_IF_EQ: SystemVars index -5"},
        {"    message -1\n", "OP_MESSAGE: message number -1 is below 0"},
        {"    message 3\n.message \"only\"\n", "OP_MESSAGE: MessageTexts has no line 3"},
        {"    message \"x\", 10000\n", "OP_MESSAGE: voice 10000"},
        {"    jump 2\n", "OP_JUMP: JumpNames has no line 2"},
        {"    select 1\n", "OP_SELECT: MessageTexts has no line 1"},
        {"    system random, 5 bits=0x40\n    let gs1, 0\n    let s700, 1\n", "step 2, OP_LET"},
    };
    for (const Case& c : cases) {
        m_session.reset();
        Play({{1, c.scene}});
        const std::string error = Error();
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.scene << " gave: " << error;
        EXPECT_FALSE(TheEngine().FrameTimerEnabled());
    }
}

TEST_F(ScriptTest, ASceneWithoutEndCannotRunOrSearchPastTheCode) {
    // No end: the records after it are zero (no opcode) up to the last of the 65536.
    Play({{1, "    let s1, 1\n"}});
    EXPECT_NE(Error().find("no end-of-scene instruction"), std::string::npos);
    EXPECT_EQ(S(1), 1);

    m_session.reset();
    Play({{1, "    jump nowhere\n"}});
    const std::string error = Error();
    EXPECT_NE(error.find("scene 1, step 0, OP_JUMP"), std::string::npos) << error;
    EXPECT_NE(error.find("no end-of-scene instruction"), std::string::npos) << error;

    m_session.reset();
    Play({{1, "    if_eq 1, 0, 1\n"}});
    EXPECT_NE(Error().find("OP_IF_EQ"), std::string::npos);
}

TEST_F(ScriptTest, MissingArchiveIsAClearError) {
    Play({{1, "    wait 0\n"}});
    std::filesystem::remove(m_dir / "SCR.IFP");
    try {
        Script().ReadScript(1);
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("SCR.IFP"), std::string::npos);
    }
}

} // namespace
} // namespace hk::test
