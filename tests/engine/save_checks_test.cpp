// The check that tells a save the game wrote from one it never could, over the game itself: every
// file the game writes (settings at their limits, the debug window's buttons, calls nested to the
// limit, flags set from any argument, comments of every length, a load and a close) passes. The
// bounds of each field are tested on the records alone in tests/saves/record_checks_test.cpp.
#include "engine/saves/record_checks.h"
#include "support/engine_fixture.h"
#include "support/ogg_fixtures.h"
#include "support/save_records.h"

namespace hk::test {
namespace {

namespace fs = std::filesystem;
using Answer = HeadlessPlatform::DialogAnswer;

// Scene 15 keeps no read-marks; the calls nest to the limit of 16 before the message that waits.
constexpr const char* kScene1 = R"(
    system contextmenu, 5
    system cursor, 9
    system auxflag, -3
    bgm 3, 7
    let s1, -32768
    let s512, 32767
    let g1, -1
    let g512, 12345
    call intro, 15
    call deep
top:
    wait 0
    jump top
deep:
    add s2, s2, 1
    if_lt 1, s2, 16
        call deep
    endif 1
    message "十六段目", -1
    return
)";
constexpr const char* kScene15 = R"(
intro:
    message "十五番目の場面", -1
    return
)";

class GameWrites : public GameFixture {
protected:
    void SetUp() override {
        WriteArchives(ScenarioArchive({{1, kScene1}, {15, kScene15}}));
        fs::create_directories(m_dir / "Sound");
        WriteBytes(m_dir / "Sound" / "M03.ogg", OggTone(ToneSpec{}));
    }

    void NextMessage() {
        Platform().QueueMouseDown(WindowId::Main, MouseButton::Left, Point{400, 300});
        Session().Tick();
        ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_SCRIPT, 3000));
        ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_WAIT_MESSAGE, 5000));
        Session().Tick();
    }

    void Save(int slot, const std::u16string& comment) {
        Platform().QueueDialogAnswer({Answer::Kind::Comment, true, comment});
        Platform().QueueMenu({"ItemSave", "ItemSave" + std::to_string(slot)});
        Session().Tick();
        ASSERT_EQ(Platform().ScriptFault(), "");
        ASSERT_EQ(Platform().TakeErrors(), std::vector<std::string>{});
    }

    void Settings(std::vector<std::pair<std::string, int>> controls) {
        Answer answer{Answer::Kind::Config};
        answer.config_fields = std::move(controls);
        answer.config_back = true;
        Platform().QueueDialogAnswer(answer);
        TheEngine().Commands().ItemOptionClick();
        EXPECT_EQ(SystemDataProblem(State().System), "");
    }

    // Every save file in the folder is one the game takes; none was set aside as damaged.
    void ExpectEverySaveFileSound() {
        int checked = 0;
        for (const auto& entry : fs::directory_iterator(m_dir.Path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_EQ(name.find(".damaged"), std::string::npos) << name;
            if (!name.starts_with("Save"))
                continue;
            const Bytes bytes = ReadFileBytes(entry.path());
            if (name.starts_with("Save00.dat"))
                EXPECT_TRUE(IsSoundSystemFile(bytes.data(), bytes.size())) << name;
            else
                EXPECT_TRUE(IsSoundSlotFile(bytes.data(), bytes.size())) << name;
            ++checked;
        }
        EXPECT_GE(checked, 2 + kSlotCount) << "the system file, its copy and every slot";
    }
};

TEST_F(GameWrites, EverySaveFileTheGameWritesPassesTheCheck) {
    Start();
    Script().SetGamePlaying(true);
    ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_WAIT_MESSAGE, 5000));
    Session().Tick();
    NextMessage();
    ASSERT_EQ(State().Game.ReturnDepth, kReturnTableSize);
    EXPECT_EQ(State().Game.BgmLoop, 1);
    EXPECT_EQ(State().Game.AuxFlag, 1);

    // A slot file missing during play is made from the live record: not in use, yet not blank.
    fs::remove(m_dir / "Save09.dat");
    TheEngine().Commands().ItemSaveClick();
    const Bytes made = ReadFileBytes(m_dir / "Save09.dat");
    ASSERT_EQ(made.size(), sizeof(GameData));
    EXPECT_EQ(made[0], 0) << "SlotInUse";
    EXPECT_NE(made, Bytes(sizeof(GameData), 0));

    Save(3, u"二十四文字より長いコメントは二十四文字のところで切られてそこから先は書かれない");
    Save(3, u"短い");
    Save(4, u"");
    Platform().QueueMenu({"ItemLoad", "ItemLoad3"});
    Session().Tick();
    ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_WAIT_MESSAGE, 5000));
    Session().Tick();
    EXPECT_EQ(Platform().TakeErrors(), std::vector<std::string>{});
    Save(5, u"読み込んだあと");

    // The settings dialog at and past the ends of its controls, then the other ways to change them.
    Settings({{"TextSpeed", 1},
              {"AutoDelay", 0},
              {"BgmVolume", -5},
              {"VoiceVolume", 500},
              {"SeVolume", 0},
              {"EffectsOn", 0},
              {"FullScreen", 1}});
    Settings({{"TextSpeed", 3},
              {"AutoDelay", 99},
              {"BgmVolume", 100},
              {"VoiceVolume", 0},
              {"SeVolume", 1000},
              {"EffectsOn", 7},
              {"FullScreen", -1}});
    Settings({{"TextSpeed", 0}, {"TextSpeed", 4}, {"AutoDelay", 20}});
    TheEngine().OnToggleFullScreen();
    TheEngine().OnToggleFullScreen();
    for (int button : {1, 2, 3, 3})
        TheEngine().OnDebugButton(button);
    EXPECT_EQ(SystemDataProblem(State().System), "");

    HeadlessPlatform::DialogAnswer yes{Answer::Kind::Query, true};
    Platform().QueueDialogAnswer(yes);
    ASSERT_TRUE(TheEngine().RequestClose());
    EXPECT_EQ(Platform().TakeErrors(), std::vector<std::string>{});
    ExpectEverySaveFileSound();

    // The next start takes them all as they are and says nothing.
    m_session.reset();
    Start();
    EXPECT_EQ(Platform().TakeMessages(), std::vector<std::string>{});
    TheEngine().Commands().ItemLoadClick();
    for (int n : {3, 4, 5})
        EXPECT_FALSE(
            TheEngine().Commands().MenuItemNamed("ItemLoad" + std::to_string(n)).caption.ends_with("壊れています -"))
            << n;
    Platform().QueueDialogAnswer(yes);
    ASSERT_TRUE(TheEngine().RequestClose());
    ExpectEverySaveFileSound();
}

} // namespace
} // namespace hk::test
