// harukaze-tool run as outside tests use it: exit statuses, messages, files written.
#include "support/archive_builder.h"
#include "support/run_process.h"
#include "support/scene_assembler.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_dir / "game");
        ScenarioArchive({{1, "top:\n    wait 0\n    jump top\n"}}).WriteTo(m_dir / "game" / "SCR.IFP");
        ArchiveBuilder().WriteTo(m_dir / "game" / "GRP.IFP");
    }
    ProcessResult Run(const std::string& script) {
        return RunTool({"run", "--game", (m_dir / "game").string(), "--input", "-", "--out", m_dir.Path().string()},
                       script);
    }
    TempDir m_dir;
};

TEST_F(RunnerTest, ConfirmedCloseEndsTheRunAndWritesTheSystemFile) {
    fs::remove(m_dir / "game" / "Save00.dat");
    const auto r = Run("ticks 10\ndialog ok\nclose\nticks 5\nstate never.json\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(m_dir / "game" / "Save00.dat"));
    EXPECT_FALSE(fs::exists(m_dir / "never.json")) << "the rest of the script is ignored after closing";
}

TEST_F(RunnerTest, StateFileCarriesTheEngineState) {
    const auto r = Run("# comment\n\nticks 3\nstate s.json\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string json = ReadFileText(m_dir / "s.json");
    for (const char* key : {"\"TaskCode\": \"00800102\"", "\"CurrentScene\": 1", "\"TimerEnabled\": 1",
                            "\"Settings\": {\"TextSpeed\": 2, \"EffectsOn\": 1, \"FullScreen\": 0, \"VoiceVolume\": "
                            "100, \"BgmVolume\": 30, \"SeVolume\": 100, \"AutoDelay\": 2}",
                            "\"Clock\": ", "\"MsgLog\": [", "\"Channels\": [", "\"CgSeen\": []"})
        EXPECT_NE(json.find(key), std::string::npos) << key;
}

TEST_F(RunnerTest, MessageLogEntriesGiveTheirVoiceAsAnIndexIntoTheScenesVoiceList) {
    ScenarioArchive({{1, "    message \"one\", \"w1\"\n    message \"two\", \"w2\"\n    message \"three\"\n"
                         "top:\n    wait 0\n    jump top\n"}})
        .WriteTo(m_dir / "game" / "SCR.IFP");
    const auto r = Run("until-task TASK_WAIT_MESSAGE\nclick 400 300\nuntil-task TASK_WAIT_MESSAGE\nclick 400 300\n"
                       "until-task TASK_WAIT_MESSAGE\nclick 400 300\nms 100\nstate s.json\n");
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream in(m_dir / "s.json");
    const std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Newest first; "w2" is the second name of the scene's voice list; -1 stands for no voice.
    const std::string log = "{\"text\": \"three\", \"voice\": -1, \"file\": \"\"},\n"
                            "    {\"text\": \"two\", \"voice\": 1, \"file\": \"VOICE/w2.ogg\"},\n"
                            "    {\"text\": \"one\", \"voice\": 0, \"file\": \"VOICE/w1.ogg\"},\n"
                            "    {\"text\": \"\", \"voice\": -1, \"file\": \"\"}";
    EXPECT_NE(json.find(log), std::string::npos) << json.substr(json.find("\"MsgLog\""), 400);
}

TEST_F(RunnerTest, BadScriptsExitTwoNamingTheLine) {
    auto r = Run("ticks 1\nfly 3\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;

    r = Run("ticks x\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 1"), std::string::npos) << r.err;

    // A question with no queued answer, and an answer that is never used.
    r = Run("ticks 2\nclose\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;
    r = Run("dialog ok\nticks 2\n");
    EXPECT_EQ(r.status, 2);

    r = RunTool({"run", "--game", (m_dir / "game").string()});
    EXPECT_EQ(r.status, 2);
}

TEST_F(RunnerTest, EngineErrorsExitOneUnlessExpected) {
    fs::remove(m_dir / "game" / "GRP.IFP");
    auto r = Run("ticks 2\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: "), std::string::npos);
    EXPECT_NE(r.err.find("GRP.IFP"), std::string::npos) << r.err;

    r = Run("expect-error\nticks 2\nstate s.json\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("GRP.IFP"), std::string::npos);
    EXPECT_TRUE(fs::exists(m_dir / "s.json"));
}

TEST_F(RunnerTest, UntilTaskTimesOutWithAnError) {
    const auto r = Run("until-task TASK_WAIT_MESSAGE max-ms 200\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: until-task timed out"), std::string::npos) << r.err;
    const auto ok = Run("until-task TASK_SCRIPT\nuntil-task 00000000\n");
    EXPECT_EQ(ok.status, 0) << ok.err;
}

TEST_F(RunnerTest, UntilSceneStopsWhereTheScriptEntersTheScene) {
    ScenarioArchive({{1, "    wait 500\n    jump there, 2\n"}, {2, "there:\n    wait 0\n    jump there\n"}})
        .WriteTo(m_dir / "game" / "SCR.IFP");
    auto r = Run("until-scene 2 max-ms 5000\nstate s.json\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string json = ReadFileText(m_dir / "s.json");
    EXPECT_NE(json.find("\"CurrentScene\": 2,"), std::string::npos) << json.substr(0, 200);

    r = Run("until-scene 3 max-ms 2000\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: until-scene timed out (in scene 2)"), std::string::npos) << r.err;
    r = Run("until-scene\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 1"), std::string::npos) << r.err;
}

TEST_F(RunnerTest, ScreenshotsAreWrittenAsPng) {
    const auto r = Run("ticks 3\nscreenshot shot.png\nscreenshot-float float.png\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto png = ReadFileBytes(m_dir / "shot.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png[1], 'P');
    // IHDR width and height: 800 x 600, and 800 x 176 for the floating window.
    EXPECT_EQ((png[18] << 8) | png[19], 800);
    EXPECT_EQ((png[22] << 8) | png[23], 600);
    const auto fl = ReadFileBytes(m_dir / "float.png");
    ASSERT_GT(fl.size(), 24u);
    EXPECT_EQ((fl[22] << 8) | fl[23], 176);
}

TEST_F(RunnerTest, SameInputGivesTheSameState) {
    Run("ticks 40\nclick 10 10\nms 100\nstate a.json\n");
    Run("ticks 40\nclick 10 10\nms 100\nstate b.json\n");
    EXPECT_EQ(ReadFileBytes(m_dir / "a.json"), ReadFileBytes(m_dir / "b.json"));
}

TEST_F(RunnerTest, PadVerbsPlayAsTheKeysTheirButtonsStandFor) {
    ScenarioArchive({{1, "    system contextmenu, 1\n    message \"one\"\n    message \"two\"\n    message \"three\"\n "
                         "   message \"four\"\n"
                         "top:\n    wait 0\n    jump top\n"}})
        .WriteTo(m_dir / "game" / "SCR.IFP");
    // A and Return, the stick pushed down and the key Down, a trigger and Control: the same run.
    const std::string keys = "until-task TASK_WAIT_MESSAGE\nkey Return down\nkey Return up\n"
                             "until-task TASK_WAIT_MESSAGE\nkey Down down\nkey Down up\n"
                             "key Control down\nms 1500\nkey Control up\nms 100\nstate keys.json\n";
    const std::string pad = "until-task TASK_WAIT_MESSAGE\npad A down\npad A up\n"
                            "until-task TASK_WAIT_MESSAGE\npad-axis LeftY 32767\npad-axis LeftY 0\n"
                            "pad-axis TriggerRight 30000\nms 1500\npad-axis TriggerRight 0\nms 100\nstate pad.json\n";
    auto r = Run(keys);
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run(pad);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string json = ReadFileText(m_dir / "pad.json");
    EXPECT_NE(json.find("\"text\": \"three\""), std::string::npos) << "the trigger skipped no message";
    EXPECT_EQ(json, ReadFileText(m_dir / "keys.json"));

    // X starts the automatic advance, as the game menu's command does (the menu is attached once
    // the message has settled).
    r = Run("until-task TASK_WAIT_MESSAGE\nticks 5\npad X down\npad X up\nstate auto.json\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadFileText(m_dir / "auto.json").find("\"AutoMode\": 1"), std::string::npos);
    EXPECT_NE(json.find("\"AutoMode\": 0"), std::string::npos);
}

TEST_F(RunnerTest, PadVerbsNeedKnownButtonsAxesAndValues) {
    for (const char* bad : {"pad Z down\n", "pad A sideways\n", "pad A\n", "pad a down\n", "pad-axis LeftX 32768\n",
                            "pad-axis LeftX -32769\n", "pad-axis Wheel 0\n", "pad-axis LeftX 1x\n"}) {
        const auto r = Run(std::string("ticks 1\n") + bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("line 2"), std::string::npos) << bad << r.err;
    }
    const auto r = Run("ticks 1\npad-axis LeftX -32768\npad-axis TriggerLeft 32767\npad Guide down\n");
    EXPECT_EQ(r.status, 0) << r.err;
}

} // namespace
} // namespace hk::test
