// The player's folder failing under the engine: a full disk or short writes while the system file
// or a slot is written, a read-only game folder, a slot file that disappears between the load
// menu and the load, damaged or unreadable archives. Each must end in a clear message naming the
// file, and the files the player already had must come through byte for byte.
#include "faulty_files.h"

#include "core/records.h"
#include "support/archive_builder.h"
#include "support/save_records.h"
#include "support/scene_assembler.h"
#include "support/temp_dir.h"

#include "platform/headless/headless_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

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
        ASSERT_TRUE(m_session->TheEngine().RequestClose());
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
        EXPECT_EQ(FileBytes(SaveStore::SlotFileName(n)), std::vector<std::uint8_t>(sizeof(GameData), 0)) << n;
    m_session->State().System.SystemVars[4] = -2;
    Close();
    EXPECT_TRUE(m_session->Platform().TakeErrors().empty());
    const auto after = FileBytes("Save00.dat");
    ASSERT_EQ(after.size(), sizeof(SystemData));
    EXPECT_EQ(after[8], 0xFE);
    EXPECT_EQ(after[9], 0xFF);
}

TEST_F(FileFaults, DiskFullWhileSavingKeepsTheOldSaveAndTheGameGoesOn) {
    WriteFileBytes(m_dir / "Save03.dat", BytesOf(SavedGame(u"古いセーブ")));
    Started();
    m_session->Ticks(3);
    const auto before = FileBytes("Save03.dat");

    m_files->space_left = 500;
    AnswerComment(u"新しいセーブ");
    m_session->TheEngine().OnMenuCommand("ItemSave3");
    const std::string error = OnlyError();
    EXPECT_NE(error.find("Save03.dat"), std::string::npos) << error;
    EXPECT_EQ(FileBytes("Save03.dat"), before);
    EXPECT_FALSE(TemporaryFilesLeft());

    // Nothing was lost: the game still runs, and once there is room the save goes through.
    const std::uint32_t clock = m_session->Platform().TickCount();
    m_session->Ticks(3);
    EXPECT_TRUE(m_session->TheEngine().FrameTimerEnabled());
    EXPECT_GT(m_session->Platform().TickCount(), clock);
    m_files->space_left.reset();
    AnswerComment(u"新しいセーブ");
    m_session->TheEngine().OnMenuCommand("ItemSave3");
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
    EXPECT_FALSE(m_session->TheEngine().FrameTimerEnabled()) << "the window stays inert";
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
    WriteFileBytes(m_dir / "Save05.dat", BytesOf(SavedGame(u"消える")));
    Started();
    m_session->Ticks(3);
    m_session->TheEngine().Commands().ItemLoadClick();
    EXPECT_TRUE(m_session->TheEngine().Commands().MenuItemNamed("ItemLoad5").enabled);
    fs::remove(m_dir / "Save05.dat");
    const GameData before = m_session->State().Game;
    m_session->TheEngine().OnMenuCommand("ItemLoad5");
    const std::string error = OnlyError();
    EXPECT_NE(error.find("Save05.dat"), std::string::npos) << error;
    EXPECT_EQ(std::memcmp(&m_session->State().Game, &before, sizeof before), 0) << "the game in memory is untouched";
    EXPECT_NE(m_session->State().Task, TaskCode::TASK_RESTORE_GAME);
    m_session->Ticks(3);
    EXPECT_TRUE(m_session->TheEngine().FrameTimerEnabled());
}

TEST_F(FileFaults, SystemFileTheDiskCannotReadIsKeptAsideAndTheCopyTaken) {
    Started();
    m_session->State().System.SystemVars[0] = 11;
    Close();
    const auto good = FileBytes("Save00.dat");
    Started();
    Close(); // the file just read is now the copy too
    ASSERT_EQ(FileBytes("Save00.dat.bak"), good);

    NewSession();
    m_files->unreadable.insert("Save00.dat");
    ASSERT_TRUE(m_session->Start());
    EXPECT_TRUE(m_session->Platform().TakeErrors().empty());
    const auto messages = m_session->Platform().TakeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(std::strerror(EIO)), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("「" + (m_dir / "Save00.dat.bak").string() + "」から"), std::string::npos)
        << messages[0];
    EXPECT_EQ(m_session->State().System.SystemVars[0], 11);
    EXPECT_EQ(m_files->unreadable, std::set<std::string>{"Save00.dat.damaged"});
    m_files->unreadable.clear();
    EXPECT_EQ(FileBytes("Save00.dat.damaged"), good) << "moved aside as it was";
    Close();
    EXPECT_EQ(FileBytes("Save00.dat"), good);
}

TEST_F(FileFaults, DamagedSystemFileInAReadOnlyFolderStopsStartUpAndChangesNothing) {
    WriteFileBytes(m_dir / "Save00.dat", std::vector<std::uint8_t>(1000, 0x11));
    NewSession();
    m_files->read_only = true;
    EXPECT_FALSE(m_session->Start());
    const std::string error = OnlyError();
    EXPECT_NE(error.find("Save00.dat"), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(EROFS)), std::string::npos) << error;
    EXPECT_TRUE(m_session->Platform().TakeMessages().empty());
    Close();
    EXPECT_EQ(FileBytes("Save00.dat"), std::vector<std::uint8_t>(1000, 0x11));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Path()), fs::directory_iterator()), 3);
}

// ---- The process killed in the middle of writing the system file ----

// What the folder holds before the close that is interrupted.
enum class Before {
    FileOnly,        // the first close after a first start
    FileAndCopy,     // any later close
    FileDamagedLate, // the file was damaged while the game ran; the copy is whole
};

// Where the close is interrupted: after one of the write's steps, or after this many bytes.
struct CrashPoint {
    std::optional<GameFiles::WriteStep> step;
    std::size_t bytes = 0;
};

std::vector<CrashPoint> EveryCrashPoint() {
    std::vector<CrashPoint> points;
    for (std::size_t bytes : {std::size_t{0}, std::size_t{1}, std::size_t{4096}, sizeof(SystemData) - 1})
        points.push_back({std::nullopt, bytes});
    for (int step = 0; step < GameFiles::kWriteStepCount; ++step)
        points.push_back({static_cast<GameFiles::WriteStep>(step), 0});
    return points;
}

std::vector<std::uint8_t> RecordBytes(const SystemData& record) {
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&record);
    return {raw, raw + sizeof record};
}

class SystemFileCrash : public FileFaults, public ::testing::WithParamInterface<Before> {
protected:
    // Starts the game, then in a child process plays, changes the progress and closes, killed
    // at `point`. Returns whether the child was killed there (rather than finishing the close).
    bool CloseKilledAt(const CrashPoint& point, Before before) {
        const pid_t child = ::fork();
        if (child == 0) {
            HeadlessSession& session = NewSession();
            if (!session.Start())
                ::_exit(1);
            if (before == Before::FileDamagedLate)
                WriteFileBytes(m_dir / "Save00.dat", std::vector<std::uint8_t>(1000, 0xDD));
            m_files->crash_after_step = point.step;
            if (!point.step)
                m_files->crash_after_bytes = point.bytes;
            session.State().System.SystemVars[1] = 222;
            HeadlessPlatform::DialogAnswer yes;
            yes.ok = true;
            session.Platform().QueueDialogAnswer(yes);
            session.TheEngine().RequestClose();
            ::_exit(session.Platform().TakeErrors().empty() ? 0 : 2);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status));
        const int code = WEXITSTATUS(status);
        EXPECT_TRUE(code == 0 || code == FaultyFiles::kCrashedStatus) << "child ended with " << code;
        return code == FaultyFiles::kCrashedStatus;
    }
};

TEST_P(SystemFileCrash, LeavesTheOldOrTheNewFileWholeAndTheOtherAsTheCopy) {
    const Before before = GetParam();
    // The "old" file the close replaces, the "older" copy beside it, and the "new" record.
    auto older = std::make_unique<SystemData>();
    SaveStore::SetDefaultSettings(*older);
    older->SystemVars[0] = 1;
    auto old_record = std::make_unique<SystemData>(*older);
    old_record->SystemVars[0] = 2;
    auto new_record = std::make_unique<SystemData>(*old_record);
    new_record->SystemVars[1] = 222;
    const auto older_bytes = RecordBytes(*older), old_bytes = RecordBytes(*old_record),
               new_bytes = RecordBytes(*new_record);

    int killed = 0;
    for (const CrashPoint& point : EveryCrashPoint()) {
        SCOPED_TRACE(point.step ? "after step " + std::to_string(static_cast<int>(*point.step))
                                : "after " + std::to_string(point.bytes) + " bytes");
        for (const auto& entry : fs::directory_iterator(m_dir.Path()))
            if (entry.path().filename().string().starts_with("Save"))
                fs::remove_all(entry.path());
        WriteFileBytes(m_dir / "Save00.dat", old_bytes);
        if (before != Before::FileOnly)
            WriteFileBytes(m_dir / "Save00.dat.bak", older_bytes);
        const bool was_killed = CloseKilledAt(point, before);
        killed += was_killed;

        const auto file = FileBytes("Save00.dat");
        const bool has_copy = fs::exists(m_dir / "Save00.dat.bak");
        const auto copy = has_copy ? FileBytes("Save00.dat.bak") : std::vector<std::uint8_t>{};
        if (before == Before::FileDamagedLate) {
            // No whole file had the name when the close began: the new one, or nothing yet.
            EXPECT_TRUE(file == new_bytes || file == std::vector<std::uint8_t>(1000, 0xDD) ||
                        !fs::exists(m_dir / "Save00.dat"));
            EXPECT_EQ(copy, older_bytes) << "a damaged file never becomes the copy";
            if (file != std::vector<std::uint8_t>(1000, 0xDD)) {
                EXPECT_EQ(FileBytes("Save00.dat.damaged"), std::vector<std::uint8_t>(1000, 0xDD));
            }
        } else {
            ASSERT_TRUE(file == old_bytes || file == new_bytes) << "Save00.dat is neither whole record";
            if (file == new_bytes) {
                EXPECT_EQ(copy, old_bytes) << "the file replaced is the copy";
            } else if (before == Before::FileOnly) {
                EXPECT_TRUE(!has_copy || copy == old_bytes);
            } else {
                EXPECT_TRUE(copy == older_bytes || copy == old_bytes);
            }
        }
        if (!was_killed) {
            EXPECT_EQ(file, new_bytes) << "a close that finished wrote the new record";
        }

        // The next start plays from a whole record: the file's, or the copy's.
        NewSession();
        ASSERT_TRUE(m_session->Start()) << OnlyError();
        const auto started = RecordBytes(m_session->State().System);
        EXPECT_TRUE(started == new_bytes || started == old_bytes || started == older_bytes);
        EXPECT_LE(m_session->Platform().TakeMessages().size(), 1u);
        m_session.reset();
    }
    EXPECT_EQ(killed, static_cast<int>(EveryCrashPoint().size()) - (before == Before::FileDamagedLate ? 2 : 1))
        << "every point but the ones this write does not pass is reached";
}

INSTANTIATE_TEST_SUITE_P(EveryFolder, SystemFileCrash,
                         ::testing::Values(Before::FileOnly, Before::FileAndCopy, Before::FileDamagedLate),
                         [](const auto& info) {
                             switch (info.param) {
                             case Before::FileOnly: return std::string("FileOnly");
                             case Before::FileAndCopy: return std::string("FileAndCopy");
                             case Before::FileDamagedLate: return std::string("FileDamagedLate");
                             }
                             return std::string();
                         });

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
