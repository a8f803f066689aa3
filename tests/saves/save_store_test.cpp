// The save store on a temporary folder, with no engine: both records come back byte for byte,
// a cut or garbled system file is refused, kept aside byte for byte and replaced by its last good
// copy, ".bak" holds only files the game could use, and a missing or damaged slot peeks as empty.
#include "core/engine_error.h"
#include "engine/saves/save_store.h"
#include "support/save_records.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/time.h>

#include <cstring>
#include <ctime>
#include <memory>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

// A player's progress in the system record.
std::unique_ptr<SystemData> Progress(std::int16_t flag) {
    auto record = std::make_unique<SystemData>();
    SaveStore::SetDefaultSettings(*record);
    record->TextSpeed = 3;
    record->BgmVolume = 55;
    record->SystemVars[100] = flag;
    record->CgSeen[298] = 1;
    record->ReadMarks[2][1] = 0x02;
    return record;
}

std::unique_ptr<SystemData> Defaults() {
    auto record = std::make_unique<SystemData>();
    SaveStore::SetDefaultSettings(*record);
    return record;
}

// A saved game with something in every part the scenario fills.
GameData Saved(const std::u16string& comment, std::int16_t var) {
    GameData game = SavedGame(comment);
    game.ScenarioVars[511] = var;
    game.CurrentScene = 7;
    game.ScriptStep = 42;
    game.ReturnDepth = 2;
    game.ReturnTable[1] = {3, 99};
    game.LayerGraphic[0] = 12;
    game.CurrentBgm = 4;
    game.BgmLoop = 1;
    return game;
}

// A file cut short, and one of the full length holding bytes the game never writes.
enum class Damage { Cut, Garbled };

Bytes Damaged(Damage damage, const Bytes& whole, std::uint32_t seed) {
    if (damage == Damage::Cut)
        return Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    return NoiseBytes(whole.size(), seed);
}

class SaveStoreTest : public ::testing::Test {
protected:
    Bytes File(const std::string& name) const { return ReadFileBytes(m_dir / name); }
    bool Has(const std::string& name) const { return fs::exists(m_dir / name); }
    // Sets a file's modification time to a local date and time.
    void SetFileTime(const std::string& name, int year, int month, int day, int hour, int minute, int second) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        t.tm_isdst = -1;
        const std::time_t when = std::mktime(&t);
        const timeval times[2] = {{when, 0}, {when, 0}};
        ASSERT_EQ(::utimes((m_dir / name).c_str(), times), 0);
    }

    TempDir m_dir;
    GameFiles m_files{m_dir.Path()};
    SaveStore m_store{m_files};
};

TEST_F(SaveStoreTest, BothRecordsComeBackByteForByteFromFilesOfTheirExactLength) {
    EXPECT_EQ(SaveStore::SlotFileName(1), "Save01.dat");
    EXPECT_EQ(SaveStore::SlotFileName(9), "Save09.dat");
    EXPECT_EQ(SaveStore::SlotFileName(30), "Save30.dat");

    EXPECT_FALSE(m_store.CheckSystemFile());
    EXPECT_FALSE(m_store.SystemFileInUse());
    const auto progress = Progress(5);
    m_store.CreateSystemFile(*progress);
    EXPECT_TRUE(m_store.CheckSystemFile());
    EXPECT_TRUE(m_store.SystemFileInUse()) << "the caller's record is what the file holds";
    EXPECT_EQ(File("Save00.dat"), BytesOf(*progress));
    auto read = std::make_unique<SystemData>();
    m_store.ReadSystemFile(*read);
    EXPECT_EQ(BytesOf(*read), BytesOf(*progress));

    const GameData game = Saved(u"セーブ", -7);
    EXPECT_FALSE(m_store.CheckSaveFile(30));
    m_store.CreateSaveFile(30, game);
    EXPECT_TRUE(m_store.CheckSaveFile(30));
    EXPECT_EQ(File("Save30.dat"), BytesOf(game));
    GameData loaded{};
    m_store.ReadSaveFile(30, loaded);
    EXPECT_EQ(BytesOf(loaded), BytesOf(game));
    EXPECT_TRUE(m_store.PeekSlot(30));
    EXPECT_EQ(BytesOf(m_store.PeekData()), BytesOf(game));

    // Slot numbers outside 1..30 name no file and write nothing.
    for (int n : {0, 31, -1}) {
        EXPECT_THROW(m_store.CheckSaveFile(n), EngineError) << n;
        EXPECT_THROW(m_store.CreateSaveFile(n, game), EngineError) << n;
        EXPECT_THROW(m_store.ReadSaveFile(n, loaded), EngineError) << n;
        EXPECT_EQ(m_store.GetSaveFileTime(n), std::string(16, ' ')) << n;
        EXPECT_EQ(m_store.SlotFileAge(n), 0) << n;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Path()), fs::directory_iterator{}), 2);
}

TEST_F(SaveStoreTest, FirstStartWritesTheDefaultsAndTellsNothing) {
    auto system = Progress(1); // whatever the caller held before
    EXPECT_EQ(m_store.LoadSystemFile(*system), "");
    EXPECT_EQ(BytesOf(*system), BytesOf(*Defaults()));
    EXPECT_EQ(File("Save00.dat"), BytesOf(*Defaults()));
    EXPECT_TRUE(m_store.SystemFileInUse());
    EXPECT_FALSE(Has("Save00.dat.bak")) << "nothing was replaced";

    // The next start reads it as it is.
    SaveStore next(m_files);
    auto again = Progress(2);
    EXPECT_EQ(next.LoadSystemFile(*again), "");
    EXPECT_EQ(BytesOf(*again), BytesOf(*Defaults()));
    EXPECT_FALSE(Has("Save00.dat.bak"));
}

TEST_F(SaveStoreTest, AFailedReadLeavesTheRecordAsItWasAndTheFileNotInUse) {
    WriteFileBytes(m_dir / "Save00.dat", Bytes(1000, 0));
    const auto held = Progress(3);
    auto system = Progress(3);
    EXPECT_THROW(m_store.ReadSystemFile(*system), FileError);
    EXPECT_EQ(BytesOf(*system), BytesOf(*held));
    EXPECT_FALSE(m_store.SystemFileInUse()) << "writing the record back would lose the player's file";
}

class DamagedSystemFile : public SaveStoreTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedSystemFile, IsRefusedKeptAsideByteForByteAndTheCopyTaken) {
    const auto older = Progress(1);
    const auto newer = Progress(2);
    m_store.CreateSystemFile(*older);
    m_store.CreateSystemFile(*newer);
    ASSERT_EQ(File("Save00.dat.bak"), BytesOf(*older));
    const Bytes damaged = Damaged(GetParam(), BytesOf(*newer), 11);
    WriteFileBytes(m_dir / "Save00.dat", damaged);

    SaveStore store(m_files);
    auto system = std::make_unique<SystemData>();
    const std::string notice = store.LoadSystemFile(*system);
    EXPECT_EQ(BytesOf(*system), BytesOf(*older)) << "the last good copy";
    EXPECT_EQ(File("Save00.dat"), BytesOf(*older)) << "written back whole";
    EXPECT_EQ(File("Save00.dat.damaged"), damaged) << "nothing of the damaged file is lost";
    EXPECT_EQ(File("Save00.dat.bak"), BytesOf(*older));
    EXPECT_TRUE(store.SystemFileInUse());
    EXPECT_NE(notice.find("壊れていました"), std::string::npos) << notice;
    EXPECT_NE(notice.find((m_dir / "Save00.dat.damaged").string()), std::string::npos) << notice;
    EXPECT_NE(notice.find("前回の控え"), std::string::npos) << notice;

    // Damaged again, and the copy now damaged too: both are kept under names of their own, the
    // defaults are taken and the player is told.
    WriteFileBytes(m_dir / "Save00.dat", damaged);
    WriteFileBytes(m_dir / "Save00.dat.bak", Damaged(GetParam(), BytesOf(*older), 12));
    const std::string second = store.LoadSystemFile(*system);
    EXPECT_EQ(BytesOf(*system), BytesOf(*Defaults()));
    EXPECT_EQ(File("Save00.dat.damaged-2"), damaged);
    EXPECT_EQ(File("Save00.dat.bak.damaged"), Damaged(GetParam(), BytesOf(*older), 12));
    EXPECT_EQ(File("Save00.dat"), BytesOf(*Defaults()));
    EXPECT_FALSE(Has("Save00.dat.bak")) << "nothing usable was replaced";
    EXPECT_NE(second.find("初めて起動したときの設定"), std::string::npos) << second;
}

INSTANTIATE_TEST_SUITE_P(SaveStore, DamagedSystemFile, ::testing::Values(Damage::Cut, Damage::Garbled),
                         [](const auto& info) { return info.param == Damage::Cut ? "Cut" : "Garbled"; });

TEST_F(SaveStoreTest, MissingSystemFileComesBackFromItsCopyAndSaysSo) {
    const auto older = Progress(1);
    m_store.CreateSystemFile(*older);
    m_store.CreateSystemFile(*Progress(2));
    fs::remove(m_dir / "Save00.dat");
    auto system = std::make_unique<SystemData>();
    const std::string notice = m_store.LoadSystemFile(*system);
    EXPECT_EQ(BytesOf(*system), BytesOf(*older));
    EXPECT_EQ(File("Save00.dat"), BytesOf(*older));
    EXPECT_NE(notice.find("見つかりませんでした"), std::string::npos) << notice;
}

TEST_F(SaveStoreTest, TheCopyKeepsOnlyWhatTheGameCouldUse) {
    // System file: each write keeps the one before; a garbled file is moved aside, never the copy.
    const auto first = Progress(1);
    const auto second = Progress(2);
    m_store.CreateSystemFile(*first);
    EXPECT_FALSE(Has("Save00.dat.bak"));
    m_store.CreateSystemFile(*second);
    EXPECT_EQ(File("Save00.dat.bak"), BytesOf(*first));
    const Bytes garbled = NoiseBytes(sizeof(SystemData), 3);
    WriteFileBytes(m_dir / "Save00.dat", garbled);
    m_store.CreateSystemFile(*Progress(3));
    EXPECT_EQ(File("Save00.dat.bak"), BytesOf(*first)) << "the last good copy stays";
    EXPECT_EQ(File("Save00.dat.damaged"), garbled);
    EXPECT_EQ(File("Save00.dat"), BytesOf(*Progress(3)));

    // Slot files alike, for a cut file and one holding a value out of range.
    const GameData one = Saved(u"一", 1);
    const GameData two = Saved(u"二", 2);
    m_store.CreateSaveFile(4, one);
    EXPECT_FALSE(Has("Save04.dat.bak"));
    m_store.CreateSaveFile(4, two);
    EXPECT_EQ(File("Save04.dat.bak"), BytesOf(one));
    const Bytes two_bytes = BytesOf(two);
    const Bytes cut(two_bytes.begin(), two_bytes.begin() + 100);
    WriteFileBytes(m_dir / "Save04.dat", cut);
    m_store.CreateSaveFile(4, one);
    EXPECT_EQ(File("Save04.dat.bak"), BytesOf(one));
    EXPECT_EQ(File("Save04.dat.damaged"), cut);
    GameData wrong = two;
    wrong.BgmLoop = 2;
    WriteFileBytes(m_dir / "Save04.dat", BytesOf(wrong));
    m_store.CreateSaveFile(4, two);
    EXPECT_EQ(File("Save04.dat.bak"), BytesOf(one));
    EXPECT_EQ(File("Save04.dat.damaged-2"), BytesOf(wrong));
    EXPECT_EQ(File("Save04.dat"), BytesOf(two));
}

TEST_F(SaveStoreTest, MissingAndDamagedSlotsPeekAsEmptyAndLoadNothing) {
    const GameData game = Saved(u"続き", 9);
    m_store.CreateSaveFile(1, game);
    ASSERT_TRUE(m_store.PeekSlot(1));

    // Missing: nothing carries the name, no time, no comment left over from the slot before.
    EXPECT_FALSE(m_store.CheckSaveFile(2));
    EXPECT_FALSE(m_store.PeekSlot(2));
    EXPECT_EQ(BytesOf(m_store.PeekData()), BytesOf(GameData{}));
    EXPECT_EQ(m_store.GetSaveFileTime(2), std::string(16, ' '));
    EXPECT_EQ(m_store.SlotFileAge(2), 0);

    // Damaged (cut, garbled, a folder): it counts as there, so no empty slot is made over it;
    // peeking gives an empty record and no age; loading says what is wrong and changes nothing.
    const Bytes whole = BytesOf(game);
    WriteFileBytes(m_dir / "Save03.dat", Bytes(whole.begin(), whole.begin() + 600));
    WriteFileBytes(m_dir / "Save05.dat", NoiseBytes(sizeof(GameData), 5));
    fs::create_directory(m_dir / "Save06.dat");
    for (int n : {3, 5, 6}) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(m_store.PeekSlot(1));
        EXPECT_TRUE(m_store.CheckSaveFile(n));
        EXPECT_FALSE(m_store.PeekSlot(n));
        EXPECT_EQ(BytesOf(m_store.PeekData()), BytesOf(GameData{}));
        m_store.GetSaveFileTime(n);
        EXPECT_EQ(m_store.SlotFileAge(n), 0) << "a damaged slot is never the latest save";
        GameData live = game;
        EXPECT_THROW(m_store.ReadSaveFile(n, live), FileError);
        EXPECT_EQ(BytesOf(live), BytesOf(game));
    }
    // The garbled one's message names its file for the player.
    try {
        GameData live{};
        m_store.ReadSaveFile(5, live);
        FAIL() << "a garbled slot loaded";
    } catch (const FileError& error) {
        EXPECT_NE(error.ForPlayer().find((m_dir / "Save05.dat").string()), std::string::npos) << error.ForPlayer();
        EXPECT_NE(error.ForPlayer().find("壊れています"), std::string::npos) << error.ForPlayer();
    }
    EXPECT_EQ(File("Save03.dat").size(), 600u) << "nothing is changed by looking";
}

TEST_F(SaveStoreTest, SlotTimesShowTheLocalTimeAndALaterSaveHasTheGreaterAge) {
    m_store.CreateSaveFile(1, Saved(u"a", 1));
    m_store.CreateSaveFile(2, Saved(u"b", 2));
    m_store.CreateSaveFile(3, GameData{}); // not in use
    SetFileTime("Save01.dat", 2024, 3, 5, 21, 7, 30);
    SetFileTime("Save02.dat", 2024, 3, 5, 21, 7, 32);
    SetFileTime("Save03.dat", 2025, 1, 1, 0, 0, 0);

    ASSERT_TRUE(m_store.PeekSlot(1));
    EXPECT_EQ(m_store.GetSaveFileTime(1), "2024/03/05 21:07");
    // 2024-1980 = 44 << 25, March << 21, 5th << 16, 21 h << 11, 7 min << 5, 30 s / 2.
    EXPECT_EQ(m_store.SlotFileAge(1), (44 << 25) | (3 << 21) | (5 << 16) | (21 << 11) | (7 << 5) | 15);
    ASSERT_TRUE(m_store.PeekSlot(2));
    m_store.GetSaveFileTime(2);
    EXPECT_GT(m_store.SlotFileAge(2), m_store.SlotFileAge(1)) << "two seconds later";
    ASSERT_TRUE(m_store.PeekSlot(3));
    EXPECT_EQ(m_store.GetSaveFileTime(3), "2025/01/01 00:00");
    EXPECT_EQ(m_store.SlotFileAge(3), 0) << "an empty slot keeps no age";

    SetFileTime("Save01.dat", 1979, 12, 31, 23, 0, 0);
    ASSERT_TRUE(m_store.PeekSlot(1));
    EXPECT_EQ(m_store.GetSaveFileTime(1), std::string(16, ' ')) << "before the packed form's first year";
}

} // namespace
} // namespace hk::test
