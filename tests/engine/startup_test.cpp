// Start-up and shutdown: the files a first start creates, what later starts leave alone, and
// the close question.
#include "support/engine_fixture.h"

#include <cstring>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

class StartupTest : public GameFixture {};

TEST_F(StartupTest, FirstStartCreatesSystemFileWithDefaultsAndThirtyEmptySlots) {
    WriteArchives();
    Start();

    const auto system = ReadFileBytes(m_dir / "Save00.dat");
    ASSERT_EQ(system.size(), 263496u);
    // The settings tail, byte by byte from offset 263,468.
    const std::vector<std::uint8_t> tail = {
        0x02, 0x00, 0x00, 0x00, // TextSpeed 2
        0x01,                   // EffectsOn 1
        0x00, 0x00, 0x00,       // reserved
        0x64, 0x00, 0x00, 0x00, // VoiceVolume 100
        0x1E, 0x00, 0x00, 0x00, // BgmVolume 30
        0x64, 0x00, 0x00, 0x00, // SeVolume 100
        0x02, 0x00, 0x00, 0x00, // AutoDelay 2
        0x00,                   // reserved
        0x00,                   // FullScreen 0
        0x00, 0x00,             // reserved
    };
    EXPECT_EQ(std::vector<std::uint8_t>(system.begin() + 263468, system.end()), tail);
    EXPECT_TRUE(std::all_of(system.begin(), system.begin() + 263468, [](std::uint8_t b) { return b == 0; }));

    for (int n = 1; n <= 30; ++n) {
        const std::string name = SaveStore::SlotFileName(n);
        const auto slot = ReadFileBytes(m_dir / name);
        ASSERT_EQ(slot.size(), 1208u) << name;
        EXPECT_TRUE(std::all_of(slot.begin(), slot.end(), [](std::uint8_t b) { return b == 0; })) << name;
    }
    EXPECT_TRUE(fs::exists(m_dir / "Save09.dat"));
    EXPECT_TRUE(fs::exists(m_dir / "Save10.dat"));
    EXPECT_FALSE(fs::exists(m_dir / "Save31.dat"));
    EXPECT_EQ(State().Task, TaskCode::TASK_INIT);
    EXPECT_TRUE(TheEngine().FrameTimerEnabled());
}

TEST_F(StartupTest, LaterStartsKeepExistingFilesAndRecreateOnlyMissingSlots) {
    WriteArchives();
    Start();
    m_session.reset();

    // A system file with changed settings and a used slot 5; slot 17 deleted.
    auto system = ReadFileBytes(m_dir / "Save00.dat");
    system[263468] = 3; // TextSpeed
    system[1024] = 1;   // CG 401 seen
    WriteFileBytes(m_dir / "Save00.dat", system);
    std::vector<std::uint8_t> slot5(1208, 0);
    slot5[0] = 1;
    WriteFileBytes(m_dir / "Save05.dat", slot5);
    fs::remove(m_dir / "Save17.dat");

    Start();
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat"), system) << "a second start must not rewrite the system file";
    EXPECT_EQ(State().System.TextSpeed, 3);
    EXPECT_EQ(State().System.CgSeen[0], 1);
    EXPECT_EQ(ReadFileBytes(m_dir / "Save05.dat"), slot5);
    EXPECT_EQ(ReadFileBytes(m_dir / "Save17.dat"), std::vector<std::uint8_t>(1208, 0));
}

TEST_F(StartupTest, FailedStartLeavesTheSystemFileAsItWasAtClose) {
    // The player's progress, and an archive too short to hold its index: start-up stops before
    // it reads the system file.
    WriteArchives();
    std::vector<std::uint8_t> progress(263496, 0);
    progress[1024] = 1;
    progress[263468] = 3;
    WriteFileBytes(m_dir / "Save00.dat", progress);
    WriteFileBytes(m_dir / "GRP.IFP", std::vector<std::uint8_t>(100, 0));
    EXPECT_FALSE(Session().Start());
    const auto errors = Platform().TakeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("GRP.IFP"), std::string::npos) << errors[0];
    EXPECT_FALSE(TheEngine().FrameTimerEnabled());

    // Closing after the failed start must not replace the player's file with an empty record.
    Platform().QueueDialogAnswer({HeadlessPlatform::DialogAnswer::Kind::Query, true});
    EXPECT_TRUE(TheEngine().RequestClose());
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat"), progress);
    EXPECT_FALSE(fs::exists(m_dir / "Save00.dat.bak"));
}

TEST_F(StartupTest, MissingArchiveNamesTheFileAndTheFolderAndLeavesTheGameInert) {
    ArchiveBuilder().WriteTo(m_dir / "SCR.IFP");
    EXPECT_FALSE(Session().Start());
    const auto errors = Platform().TakeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("GRP.IFP"), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find(m_dir.Path().filename().string()), std::string::npos) << errors[0];
    EXPECT_FALSE(TheEngine().FrameTimerEnabled());
    EXPECT_FALSE(fs::exists(m_dir / "Save00.dat"));
    m_session->Ticks(20);
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT) << "no task may run after a failed start";
}

TEST_F(StartupTest, ArchivesAreFoundWhateverTheirLetterCase) {
    IdleScenario().WriteTo(m_dir / "scr.ifp");
    ArchiveBuilder().WriteTo(m_dir / "Grp.Ifp");
    Start();
    EXPECT_TRUE(TheEngine().FrameTimerEnabled());
}

TEST_F(StartupTest, DecliningTheCloseQuestionKeepsPlaying) {
    WriteArchives();
    Start();
    m_session->Ticks(5);
    Platform().QueueDialogAnswer({HeadlessPlatform::DialogAnswer::Kind::Query, false});
    Platform().QueueClose();
    m_session->Ticks(3);
    EXPECT_FALSE(m_session->Closed());
    EXPECT_TRUE(TheEngine().FrameTimerEnabled());
    EXPECT_EQ(TheEngine().Commands().Query.Question, "ゲームを終了しますか？");
    // The dialog is centred on the screen.
    EXPECT_EQ(TheEngine().Commands().Query.Left, (HeadlessPlatform::kScreen.width - 288) / 2);
    EXPECT_EQ(TheEngine().Commands().Query.Top, (HeadlessPlatform::kScreen.height - 91) / 2);
}

TEST_F(StartupTest, ConfirmedCloseWritesTheSystemRecord) {
    WriteArchives();
    Start();
    m_session->Ticks(2);
    State().System.SystemVars[100] = 1234;
    State().System.BgmVolume = 55;
    Platform().QueueDialogAnswer({HeadlessPlatform::DialogAnswer::Kind::Query, true});
    Platform().QueueClose();
    m_session->Ticks(1);
    ASSERT_TRUE(m_session->Closed());
    EXPECT_FALSE(TheEngine().FrameTimerEnabled());

    SystemData written{};
    const auto bytes = ReadFileBytes(m_dir / "Save00.dat");
    ASSERT_EQ(bytes.size(), sizeof written);
    std::memcpy(&written, bytes.data(), sizeof written);
    EXPECT_EQ(written.SystemVars[100], 1234);
    EXPECT_EQ(written.BgmVolume, 55);
}

} // namespace
} // namespace hk::test
