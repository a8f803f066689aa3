// The player's folder failing under the engine: a full disk or short writes while the system file
// or a slot is written, a read-only game folder, a slot file that disappears between the load
// menu and the load, damaged or unreadable archives. Each must end in a clear message naming the
// file, and the files the player already had must come through byte for byte.
#include "faulty_files.h"

#include "engine/records.h"
#include "support/archive_builder.h"
#include "support/scene_assembler.h"
#include "support/temp_dir.h"

#include "platform/headless/headless_session.h"

#include <gtest/gtest.h>

#include <cstring>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

class FileFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ScenarioArchive({{1, "top:\n    wait 0\n    jump top\n"}}).WriteTo(m_dir / "SCR.IFP");
        ArchiveBuilder().WriteTo(m_dir / "GRP.IFP");
    }

    HeadlessSession& NewSession() {
        m_session.reset();
        auto files = std::make_unique<FaultyFiles>(m_dir.Path());
        m_files = files.get();
        m_session = std::make_unique<HeadlessSession>(m_dir.Path(), std::move(files));
        return *m_session;
    }

    // Starts a session; the test fails when start-up reports anything.
    HeadlessSession& Started() {
        HeadlessSession& session = NewSession();
        const bool ok = session.Start();
        const auto errors = session.Platform().TakeErrors();
        EXPECT_TRUE(ok) << (errors.empty() ? "" : errors.front());
        return session;
    }

    // The one error the engine reported since the last call.
    std::string OnlyError() {
        const auto errors = m_session->Platform().TakeErrors();
        EXPECT_EQ(errors.size(), 1u);
        return errors.empty() ? std::string() : errors.front();
    }

    void Close() {
        HeadlessPlatform::DialogAnswer yes;
        yes.ok = true;
        m_session->Platform().QueueDialogAnswer(yes);
        ASSERT_TRUE(m_session->Form().RequestClose());
    }

    void AnswerComment(const std::u16string& text) {
        HeadlessPlatform::DialogAnswer answer;
        answer.kind = HeadlessPlatform::DialogAnswer::Kind::Comment;
        answer.ok = true;
        answer.comment = text;
        m_session->Platform().QueueDialogAnswer(answer);
    }

    std::vector<std::uint8_t> FileBytes(const std::string& name) { return ReadFileBytes(m_dir / name); }

    bool TemporaryFilesLeft() {
        for (const auto& entry : fs::directory_iterator(m_dir.Path()))
            if (entry.path().extension() == ".tmp")
                return true;
        return false;
    }

    TempDir m_dir;
    std::unique_ptr<HeadlessSession> m_session;
    FaultyFiles* m_files = nullptr;
};

std::vector<std::uint8_t> SavedGame(std::u16string comment) {
    GameData game{};
    game.SlotInUse = 1;
    game.CurrentScene = 1;
    game.ScriptStep = 1;
    for (std::size_t i = 0; i < comment.size() && i < kSaveCommentUnits; ++i)
        game.SaveComment[i] = comment[i];
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&game);
    return {bytes, bytes + sizeof game};
}

TEST_F(FileFaults, DiskFullAtCloseKeepsTheSystemFileAsItWas) {
    Started();
    const auto before = FileBytes("Save00.dat");
    m_session->State().System.SystemVars[0] = 7;
    m_files->space_left = 4096;
    Close();
    const std::string error = OnlyError();
    EXPECT_NE(error.find("Save00.dat"), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
    EXPECT_EQ(FileBytes("Save00.dat"), before);
    EXPECT_FALSE(TemporaryFilesLeft());
}

TEST_F(FileFaults, ShortWritesStillStoreWholeRecords) {
    NewSession();
    m_files->write_chunk = 77;
    ASSERT_TRUE(m_session->Start());
    // 263,496 / 77 and 1,208 / 77 leave a remainder: the last piece is short too.
    const auto system = FileBytes("Save00.dat");
    ASSERT_EQ(system.size(), sizeof(SystemData));
    EXPECT_EQ(system[263468], 2) << "TextSpeed";
    EXPECT_EQ(system[263480], 30) << "BgmVolume";
    for (int n = 1; n <= kSlotCount; ++n)
        EXPECT_EQ(FileBytes(Engine::SlotFileName(n)), std::vector<std::uint8_t>(sizeof(GameData), 0)) << n;
    m_session->State().System.SystemVars[4] = -2;
    Close();
    EXPECT_TRUE(m_session->Platform().TakeErrors().empty());
    const auto after = FileBytes("Save00.dat");
    ASSERT_EQ(after.size(), sizeof(SystemData));
    EXPECT_EQ(after[8], 0xFE);
    EXPECT_EQ(after[9], 0xFF);
}

TEST_F(FileFaults, DiskFullWhileSavingKeepsTheOldSaveAndTheGameGoesOn) {
    WriteFileBytes(m_dir / "Save03.dat", SavedGame(u"古いセーブ"));
    Started();
    m_session->Ticks(3);
    const auto before = FileBytes("Save03.dat");

    m_files->space_left = 500;
    AnswerComment(u"新しいセーブ");
    m_session->Form().OnMenuCommand("ItemSave3");
    const std::string error = OnlyError();
    EXPECT_NE(error.find("Save03.dat"), std::string::npos) << error;
    EXPECT_EQ(FileBytes("Save03.dat"), before);
    EXPECT_FALSE(TemporaryFilesLeft());

    // Nothing was lost: the game still runs, and once there is room the save goes through.
    const std::uint32_t clock = m_session->Platform().TickCount();
    m_session->Ticks(3);
    EXPECT_TRUE(m_session->Form().FrameTimerEnabled());
    EXPECT_GT(m_session->Platform().TickCount(), clock);
    m_files->space_left.reset();
    AnswerComment(u"新しいセーブ");
    m_session->Form().OnMenuCommand("ItemSave3");
    EXPECT_TRUE(m_session->Platform().TakeErrors().empty());
    const auto after = FileBytes("Save03.dat");
    ASSERT_EQ(after.size(), sizeof(GameData));
    GameData saved;
    std::memcpy(&saved, after.data(), sizeof saved);
    EXPECT_EQ(saved.SlotInUse, 1);
    EXPECT_EQ(saved.SaveComment[0], u'新');
}

TEST_F(FileFaults, ReadOnlyFolderAtFirstStartSaysWhichFileAndCreatesNothing) {
    NewSession();
    m_files->read_only = true;
    EXPECT_FALSE(m_session->Start());
    const std::string error = OnlyError();
    EXPECT_NE(error.find("Save00.dat"), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(EROFS)), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(m_dir / "Save00.dat"));
    EXPECT_FALSE(fs::exists(m_dir / "Save01.dat"));
    EXPECT_FALSE(m_session->Form().FrameTimerEnabled()) << "the window stays inert";
}

TEST_F(FileFaults, ReadOnlyFolderWithSavesPlaysAndKeepsThem) {
    Started();
    Close();
    const auto system = FileBytes("Save00.dat");
    NewSession();
    m_files->read_only = true;
    ASSERT_TRUE(m_session->Start()) << "a start-up with every file present writes nothing";
    EXPECT_EQ(m_files->writes_attempted, 0);
    m_session->Ticks(5);
    m_session->State().System.SystemVars[0] = 3;
    Close();
    const std::string error = OnlyError();
    EXPECT_NE(error.find("Save00.dat"), std::string::npos) << error;
    EXPECT_EQ(FileBytes("Save00.dat"), system);
}

TEST_F(FileFaults, SlotThatVanishesBeforeTheLoadIsReportedAndTheGameGoesOn) {
    WriteFileBytes(m_dir / "Save05.dat", SavedGame(u"消える"));
    Started();
    m_session->Ticks(3);
    m_session->Form().ItemLoadClick();
    EXPECT_TRUE(m_session->Form().MenuItemNamed("ItemLoad5").enabled);
    fs::remove(m_dir / "Save05.dat");
    const GameData before = m_session->State().Game;
    m_session->Form().OnMenuCommand("ItemLoad5");
    const std::string error = OnlyError();
    EXPECT_NE(error.find("Save05.dat"), std::string::npos) << error;
    EXPECT_EQ(std::memcmp(&m_session->State().Game, &before, sizeof before), 0) << "the game in memory is untouched";
    EXPECT_NE(m_session->State().Task, TaskCode::TASK_RESTORE_GAME);
    m_session->Ticks(3);
    EXPECT_TRUE(m_session->Form().FrameTimerEnabled());
}

TEST_F(FileFaults, SystemFileTheEngineCannotReadIsNeverOverwritten) {
    // Cut short, as a crash during an old copy might leave it; and one the disk cannot read.
    WriteFileBytes(m_dir / "Save00.dat", std::vector<std::uint8_t>(1000, 0x11));
    NewSession();
    EXPECT_FALSE(m_session->Start());
    EXPECT_NE(OnlyError().find("Save00.dat"), std::string::npos);
    Close();
    EXPECT_EQ(FileBytes("Save00.dat"), std::vector<std::uint8_t>(1000, 0x11));

    fs::remove(m_dir / "Save00.dat");
    Started();
    Close();
    const auto good = FileBytes("Save00.dat");
    NewSession();
    m_files->unreadable.insert("Save00.dat");
    EXPECT_FALSE(m_session->Start());
    const std::string error = OnlyError();
    EXPECT_NE(error.find(std::strerror(EIO)), std::string::npos) << error;
    Close();
    EXPECT_EQ(FileBytes("Save00.dat"), good);
}

TEST_F(FileFaults, DamagedArchivesStopStartUpWithTheirName) {
    // Too short to hold the index.
    WriteFileBytes(m_dir / "GRP.IFP", std::vector<std::uint8_t>(100, 0));
    NewSession();
    EXPECT_FALSE(m_session->Start());
    EXPECT_NE(OnlyError().find("GRP.IFP"), std::string::npos);

    // Scene 1's entry points past the end of the file.
    ArchiveBuilder().WriteTo(m_dir / "GRP.IFP");
    auto scr = ScenarioArchive({{1, "    end\n"}}).Bytes();
    scr[16 + 16 + 8] = 0xFF;
    scr[16 + 16 + 9] = 0xFF;
    WriteFileBytes(m_dir / "SCR.IFP", scr);
    NewSession();
    EXPECT_FALSE(m_session->Start());
    std::string error = OnlyError();
    EXPECT_NE(error.find("SCR.IFP"), std::string::npos) << error;

    // Present but unreadable.
    ScenarioArchive({{1, "    end\n"}}).WriteTo(m_dir / "SCR.IFP");
    NewSession();
    m_files->unreadable.insert("SCR.IFP");
    EXPECT_FALSE(m_session->Start());
    error = OnlyError();
    EXPECT_NE(error.find("SCR.IFP"), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(EIO)), std::string::npos) << error;
}

} // namespace
} // namespace hk::test
