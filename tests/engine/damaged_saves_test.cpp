// Damaged save files never lock the player out and nothing of them is lost: start-up over a
// damaged or missing "Save00.dat" keeps the damaged file aside byte for byte, takes the last good
// copy when it is whole (the defaults otherwise), says so once, and the next close writes a whole
// file; a damaged slot file is reported when loaded and replaced, kept aside, when saved into.
// A file of the right length holding what the game never writes is damaged all the same, and
// never becomes the copy.
#include "support/engine_fixture.h"
#include "support/save_records.h"

#include "core/records.h"

#include <cstring>
#include <unistd.h>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

// Noise: a file of the right length filled with random bytes.
enum class Damage { CutTo0, CutTo1000, OneByteShort, OneByteLong, Unreadable, Folder, Noise };
constexpr std::uint32_t kNoiseSeed = 1;

const char* NameOf(Damage damage) {
    switch (damage) {
    case Damage::CutTo0: return "CutTo0";
    case Damage::CutTo1000: return "CutTo1000";
    case Damage::OneByteShort: return "OneByteShort";
    case Damage::OneByteLong: return "OneByteLong";
    case Damage::Unreadable: return "Unreadable";
    case Damage::Folder: return "Folder";
    case Damage::Noise: return "Noise";
    }
    return "";
}

constexpr Damage kAllDamages[] = {Damage::CutTo0,     Damage::CutTo1000, Damage::OneByteShort, Damage::OneByteLong,
                                  Damage::Unreadable, Damage::Folder,    Damage::Noise};

// A player's progress: settings changed, a scene unlocked, CGs seen, messages read.
std::unique_ptr<SystemData> Progress(std::int16_t scene_flag) {
    auto record = std::make_unique<SystemData>();
    SaveStore::SetDefaultSettings(*record);
    record->TextSpeed = 3;
    record->BgmVolume = 55;
    record->SystemVars[100] = scene_flag;
    record->CgSeen[0] = 1;
    record->CgSeen[298] = 1;
    record->ReadMarks[2][1] = 0x02; // message 9 of scene 2
    return record;
}

std::unique_ptr<SystemData> Defaults() {
    auto record = std::make_unique<SystemData>();
    SaveStore::SetDefaultSettings(*record);
    return record;
}

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

// Puts a damaged form of `whole` under `path`: cut or lengthened, unreadable, or a folder
// holding a file of those bytes.
void WriteDamaged(const fs::path& path, Damage damage, const Bytes& whole) {
    switch (damage) {
    case Damage::CutTo0: WriteFileBytes(path, {}); break;
    case Damage::CutTo1000: WriteFileBytes(path, Bytes(whole.begin(), whole.begin() + 1000)); break;
    case Damage::OneByteShort: WriteFileBytes(path, Bytes(whole.begin(), whole.end() - 1)); break;
    case Damage::OneByteLong: {
        Bytes longer = whole;
        longer.push_back(0x5A);
        WriteFileBytes(path, longer);
        break;
    }
    case Damage::Unreadable:
        WriteFileBytes(path, whole);
        fs::permissions(path, fs::perms::none);
        break;
    case Damage::Folder:
        fs::create_directory(path);
        WriteFileBytes(path / "inside.bin", whole);
        break;
    case Damage::Noise: WriteFileBytes(path, NoiseBytes(whole.size(), kNoiseSeed)); break;
    }
}

// The damaged thing, as WriteDamaged made it, is now at `path`.
void ExpectKeptAside(const fs::path& path, Damage damage, const Bytes& whole) {
    ASSERT_TRUE(fs::exists(fs::symlink_status(path))) << path;
    switch (damage) {
    case Damage::CutTo0: EXPECT_EQ(ReadFileBytes(path), Bytes{}); break;
    case Damage::CutTo1000: EXPECT_EQ(ReadFileBytes(path), Bytes(whole.begin(), whole.begin() + 1000)); break;
    case Damage::OneByteShort: EXPECT_EQ(ReadFileBytes(path), Bytes(whole.begin(), whole.end() - 1)); break;
    case Damage::OneByteLong: {
        const Bytes kept = ReadFileBytes(path);
        ASSERT_EQ(kept.size(), whole.size() + 1);
        EXPECT_TRUE(std::equal(whole.begin(), whole.end(), kept.begin()));
        EXPECT_EQ(kept.back(), 0x5A);
        break;
    }
    case Damage::Unreadable:
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::none) << "kept as it was";
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(ReadFileBytes(path), whole);
        break;
    case Damage::Folder:
        ASSERT_TRUE(fs::is_directory(path));
        EXPECT_EQ(ReadFileBytes(path / "inside.bin"), whole);
        break;
    case Damage::Noise: EXPECT_EQ(ReadFileBytes(path), NoiseBytes(whole.size(), kNoiseSeed)); break;
    }
}

class DamagedSaves : public GameFixture {
protected:
    void SetUp() override { WriteArchives(); }

    std::vector<std::string> Messages() { return Platform().TakeMessages(); }
    // A file of the game folder as the messages name it: its full path in brackets.
    std::string Full(const std::string& name) const { return "「" + (m_dir / name).string() + "」"; }
    std::vector<std::string> Errors() { return Platform().TakeErrors(); }

    void Close() {
        Platform().QueueDialogAnswer({HeadlessPlatform::DialogAnswer::Kind::Query, true});
        ASSERT_TRUE(TheEngine().RequestClose());
        EXPECT_EQ(Errors(), std::vector<std::string>{});
    }

    // The system record in memory equals `expected`, byte for byte.
    void ExpectSystemRecord(const SystemData& expected) {
        EXPECT_EQ(std::memcmp(&State().System, &expected, sizeof expected), 0);
        EXPECT_EQ(State().System.TextSpeed, expected.TextSpeed);
        EXPECT_EQ(State().System.SystemVars[100], expected.SystemVars[100]);
        EXPECT_EQ(State().System.CgSeen[298], expected.CgSeen[298]);
    }

    // Plays a little, changes the progress, closes: the file is whole and holds the record.
    void PlayAndClose() {
        Session().Ticks(5);
        State().System.SystemVars[7] = 77;
        const Bytes memory = BytesOf(State().System);
        Close();
        EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat"), memory);
    }

    void AnswerComment(const std::u16string& text) {
        HeadlessPlatform::DialogAnswer answer;
        answer.kind = HeadlessPlatform::DialogAnswer::Kind::Comment;
        answer.ok = true;
        answer.comment = text;
        Platform().QueueDialogAnswer(answer);
    }
};

// ---- The system file ----

class DamagedSystemFile : public DamagedSaves, public ::testing::WithParamInterface<std::tuple<Damage, bool>> {};

TEST_P(DamagedSystemFile, StartsKeepsItAsideTakesTheCopyOrTheDefaultsAndTellsOnce) {
    const auto [damage, with_copy] = GetParam();
    if (damage == Damage::Unreadable && RunningAsRoot())
        GTEST_SKIP() << "root reads any file";
    const auto copy = Progress(1);
    const Bytes newer = BytesOf(*Progress(2));
    if (with_copy)
        WriteFileBytes(m_dir / "Save00.dat.bak", BytesOf(*copy));
    WriteDamaged(m_dir / "Save00.dat", damage, newer);

    Start();
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    const std::string& message = messages[0];
    EXPECT_NE(message.find(Full("Save00.dat") + "が壊れていました"), std::string::npos) << message;
    EXPECT_NE(message.find(Full("Save00.dat.damaged")), std::string::npos) << message;
    ExpectKeptAside(m_dir / "Save00.dat.damaged", damage, newer);

    const Bytes started_with = ReadFileBytes(m_dir / "Save00.dat");
    if (with_copy) {
        EXPECT_NE(message.find(Full("Save00.dat.bak") + "から"), std::string::npos) << message;
        ExpectSystemRecord(*copy);
        EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.bak"), BytesOf(*copy));
    } else {
        EXPECT_NE(message.find("初めて起動したときの設定"), std::string::npos) << message;
        ExpectSystemRecord(*Defaults());
        EXPECT_FALSE(fs::exists(m_dir / "Save00.dat.bak"));
    }
    EXPECT_EQ(started_with, BytesOf(State().System)) << "the file holds what the game plays with";
    EXPECT_TRUE(TheEngine().FrameTimerEnabled());

    PlayAndClose();
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.bak"), started_with) << "the close keeps the file it replaced";
    EXPECT_TRUE(fs::exists(fs::symlink_status(m_dir / "Save00.dat.damaged"))) << "nothing is deleted";
    EXPECT_EQ(Messages(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(EveryDamage, DamagedSystemFile,
                         ::testing::Combine(::testing::ValuesIn(kAllDamages), ::testing::Bool()), [](const auto& info) {
                             return std::string(NameOf(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) ? "WithCopy" : "WithoutCopy");
                         });

TEST_F(DamagedSaves, FirstStartTellsNothingAndTheFirstCloseKeepsTheFileItReplaces) {
    Start();
    EXPECT_EQ(Messages(), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(m_dir / "Save00.dat.bak"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Path()), fs::directory_iterator()), 2 + 31)
        << "the archives, the system file and thirty slots";
    const Bytes first = ReadFileBytes(m_dir / "Save00.dat");
    PlayAndClose();
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.bak"), first);

    // A later start with a whole file reads it and writes nothing.
    m_session.reset();
    Start();
    EXPECT_EQ(Messages(), std::vector<std::string>{});
    EXPECT_EQ(State().System.SystemVars[7], 77);
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.bak"), first);
}

TEST_F(DamagedSaves, MissingSystemFileComesBackFromAWholeCopy) {
    const auto copy = Progress(3);
    WriteFileBytes(m_dir / "Save00.dat.bak", BytesOf(*copy));
    Start();
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(Full("Save00.dat") + "が見つかりませんでした"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find(Full("Save00.dat.bak") + "から"), std::string::npos) << messages[0];
    ExpectSystemRecord(*copy);
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat"), BytesOf(*copy));
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.bak"), BytesOf(*copy));
    PlayAndClose();
}

TEST_F(DamagedSaves, MissingSystemFileBesideADamagedCopyStartsFromTheDefaultsAndKeepsTheCopy) {
    const Bytes copy = BytesOf(*Progress(4));
    WriteFileBytes(m_dir / "Save00.dat.bak", Bytes(copy.begin(), copy.begin() + 5000));
    Start();
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(Full("Save00.dat.bak.damaged")), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("初めて起動したときの設定"), std::string::npos) << messages[0];
    ExpectSystemRecord(*Defaults());
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.bak.damaged"), Bytes(copy.begin(), copy.begin() + 5000));
    EXPECT_FALSE(fs::exists(m_dir / "Save00.dat.bak"));
    PlayAndClose();
}

TEST_F(DamagedSaves, BothFileAndCopyDamagedAreBothKeptAndTheGameStartsFromTheDefaults) {
    const Bytes copy = BytesOf(*Progress(5));
    WriteFileBytes(m_dir / "Save00.dat.bak", Bytes(copy.begin(), copy.begin() + 100));
    WriteFileBytes(m_dir / "Save00.dat", Bytes(copy.begin(), copy.begin() + 200));
    Start();
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(Full("Save00.dat.damaged")), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find(Full("Save00.dat.bak.damaged")), std::string::npos) << messages[0];
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.damaged").size(), 200u);
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.bak.damaged").size(), 100u);
    ExpectSystemRecord(*Defaults());
    PlayAndClose();
}

TEST_F(DamagedSaves, AnotherDamagedFileTakesTheNextFreeName) {
    WriteFileBytes(m_dir / "Save00.dat.damaged", {1});
    fs::create_directory(m_dir / "Save00.dat.damaged-2");
    WriteFileBytes(m_dir / "Save00.dat", {3, 3, 3});
    WriteFileBytes(m_dir / "Save00.dat.bak", BytesOf(*Progress(6)));
    Start();
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(Full("Save00.dat.damaged-3")), std::string::npos) << messages[0];
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.damaged"), Bytes{1});
    EXPECT_TRUE(fs::is_directory(m_dir / "Save00.dat.damaged-2"));
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.damaged-3"), (Bytes{3, 3, 3}));
    ExpectSystemRecord(*Progress(6));
}

TEST_F(DamagedSaves, FileDamagedWhileTheGamePlaysIsKeptAsideAtClose) {
    Start();
    const Bytes first = ReadFileBytes(m_dir / "Save00.dat");
    WriteFileBytes(m_dir / "Save00.dat", Bytes(1000, 0xEE));
    PlayAndClose();
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.damaged"), Bytes(1000, 0xEE));
    EXPECT_FALSE(fs::exists(m_dir / "Save00.dat.bak")) << "a damaged file is no copy to keep";
}

TEST_F(DamagedSaves, NoiseOfTheRightLengthIsNeverTakenAndNeverBecomesTheCopy) {
    const Bytes copy = BytesOf(*Progress(8));
    for (std::uint32_t seed = 1; seed <= 100; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        m_session.reset();
        for (const char* name : {"Save00.dat", "Save00.dat.bak", "Save00.dat.damaged"})
            fs::remove(m_dir / name);
        const Bytes noise = NoiseBytes(sizeof(SystemData), seed);
        WriteFileBytes(m_dir / "Save00.dat.bak", copy);
        WriteFileBytes(m_dir / "Save00.dat", noise);
        Start();
        const auto messages = Messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(Full("Save00.dat") + "が壊れていました（中身に誤りがありました："),
                  std::string::npos)
            << messages[0];
        EXPECT_NE(messages[0].find(Full("Save00.dat.bak") + "から"), std::string::npos) << messages[0];
        EXPECT_EQ(BytesOf(State().System), copy);
        EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.damaged"), noise);
        Close();
        EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.bak"), copy);
    }
}

// One field of a whole file set to what the game never writes, and how the player hears of it.
struct BrokenSystemField {
    const char* told;
    void (*breaks)(SystemData&);
};

const BrokenSystemField kBrokenSystemFields[] = {
    {"メッセージ速度が 0 で、1～3 の範囲を外れていました", [](SystemData& d) { d.TextSpeed = 0; }},
    {"メッセージ速度が 4 で", [](SystemData& d) { d.TextSpeed = 4; }},
    {"画面効果の設定が 2 で、0～1 の", [](SystemData& d) { d.EffectsOn = 2; }},
    {"フルスクリーンの設定が 255 で", [](SystemData& d) { d.FullScreen = 255; }},
    {"ボイスの音量が 101 で、0～100 の", [](SystemData& d) { d.VoiceVolume = 101; }},
    {"BGMの音量が -1 で", [](SystemData& d) { d.BgmVolume = -1; }},
    {"効果音の音量が 1000 で", [](SystemData& d) { d.SeVolume = 1000; }},
    {"オート送りの待ち時間（秒）が 0 で、1～20 の", [](SystemData& d) { d.AutoDelay = 0; }},
    {"オート送りの待ち時間（秒）が 21 で", [](SystemData& d) { d.AutoDelay = 21; }},
    {"CG 406 番を見たかどうかの印が 2 で", [](SystemData& d) { d.CgSeen[5] = 2; }},
    {"既読の印を使わない場面 15 の領域に印がありました", [](SystemData& d) { d.ReadMarks[15][100] = 1; }},
    {"使われていない 263467 バイト目が 0 ではなく 1 でした", [](SystemData& d) { d.Reserved1 = 1; }},
    {"使われていない 263474 バイト目", [](SystemData& d) { d.Reserved2[1] = 1; }},
    {"使われていない 263492 バイト目", [](SystemData& d) { d.Reserved3 = 9; }},
    {"使われていない 263495 バイト目が 0 ではなく 128 でした", [](SystemData& d) { d.Reserved4[1] = 0x80; }},
};

TEST_F(DamagedSaves, ASettingOutOfRangeMakesTheSystemFileDamagedAndTheCopyIsTaken) {
    const Bytes copy = BytesOf(*Progress(9));
    for (const BrokenSystemField& field : kBrokenSystemFields) {
        SCOPED_TRACE(field.told);
        m_session.reset();
        for (const char* name : {"Save00.dat", "Save00.dat.bak", "Save00.dat.damaged"})
            fs::remove(m_dir / name);
        auto broken = Progress(10);
        field.breaks(*broken);
        WriteFileBytes(m_dir / "Save00.dat.bak", copy);
        WriteFileBytes(m_dir / "Save00.dat", BytesOf(*broken));
        Start();
        const auto messages = Messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(field.told), std::string::npos) << messages[0];
        EXPECT_EQ(BytesOf(State().System), copy);
        EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.damaged"), BytesOf(*broken));
        EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.bak"), copy);
    }
}

TEST_F(DamagedSaves, ACopyWithASettingOutOfRangeIsKeptAsideAndTheDefaultsTaken) {
    auto broken = Progress(11);
    broken->AutoDelay = 30;
    WriteFileBytes(m_dir / "Save00.dat.bak", BytesOf(*broken));
    Start();
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(Full("Save00.dat.bak.damaged")), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("オート送りの待ち時間（秒）が 30 で"), std::string::npos) << messages[0];
    ExpectSystemRecord(*Defaults());
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.bak.damaged"), BytesOf(*broken));
    PlayAndClose();
}

TEST_F(DamagedSaves, SystemFileGarbledWhileTheGamePlaysNeverBecomesTheCopy) {
    Start();
    PlayAndClose();
    m_session.reset();
    Start();
    PlayAndClose();
    const Bytes good = ReadFileBytes(m_dir / "Save00.dat.bak");
    m_session.reset();
    Start();
    EXPECT_EQ(Messages(), std::vector<std::string>{});
    const Bytes noise = NoiseBytes(sizeof(SystemData), 77);
    WriteFileBytes(m_dir / "Save00.dat", noise);
    Close();
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.damaged"), noise);
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.bak"), good) << "the last good copy stays";
}

// ---- Slot files ----

class DamagedSlotFile : public DamagedSaves, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedSlotFile, LoadingReportsSavingReplacesAndNothingIsDeleted) {
    const Damage damage = GetParam();
    if (damage == Damage::Unreadable && RunningAsRoot())
        GTEST_SKIP() << "root reads any file";
    const Bytes damaged_save = BytesOf(SavedGame(u"壊れる前"));
    const Bytes older_save = BytesOf(SavedGame(u"その前"));
    WriteDamaged(m_dir / "Save05.dat", damage, damaged_save);
    WriteFileBytes(m_dir / "Save05.dat.bak", older_save);
    WriteFileBytes(m_dir / "Save06.dat", BytesOf(SavedGame(u"六番")));
    Start();
    EXPECT_EQ(Messages(), std::vector<std::string>{});
    Session().Ticks(3);

    // The menu: the damaged slot keeps its place and its load item; the slots after it are built.
    TheEngine().Commands().ItemLoadClick();
    EXPECT_EQ(Errors(), std::vector<std::string>{});
    const MenuItem& item = TheEngine().Commands().MenuItemNamed("ItemLoad5");
    EXPECT_TRUE(item.caption.ends_with("　- セーブデータが壊れています -")) << item.caption;
    EXPECT_TRUE(item.enabled);
    EXPECT_TRUE(TheEngine().Commands().MenuItemNamed("ItemLoad6").caption.ends_with("　六番"));
    EXPECT_TRUE(TheEngine().Commands().MenuItemNamed("ItemLoad6").checked);
    EXPECT_FALSE(TheEngine().Commands().MenuItemNamed("ItemLoad7").enabled);

    // Loading it reports the file; the game in memory is untouched and plays on.
    const GameData before = State().Game;
    TheEngine().OnMenuCommand("ItemLoad5");
    const auto errors = Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Save05.dat"), std::string::npos) << errors[0];
    EXPECT_EQ(std::memcmp(&State().Game, &before, sizeof before), 0);
    EXPECT_NE(State().Task, TaskCode::TASK_RESTORE_GAME);
    const std::uint32_t clock = Platform().TickCount();
    Session().Ticks(3);
    EXPECT_TRUE(TheEngine().FrameTimerEnabled());
    EXPECT_GT(Platform().TickCount(), clock);

    // Saving into it writes the new save and keeps the damaged one aside; the older copy stays.
    AnswerComment(u"新しい");
    TheEngine().OnMenuCommand("ItemSave5");
    EXPECT_EQ(Errors(), std::vector<std::string>{});
    EXPECT_EQ(Platform().CommentPrefill(), u"") << "a damaged slot offers no old comment";
    GameData saved{};
    const Bytes now = ReadFileBytes(m_dir / "Save05.dat");
    ASSERT_EQ(now.size(), sizeof saved);
    std::memcpy(&saved, now.data(), sizeof saved);
    EXPECT_EQ(saved.SlotInUse, 1);
    EXPECT_EQ(saved.SaveComment[0], u'新');
    ExpectKeptAside(m_dir / "Save05.dat.damaged", damage, damaged_save);
    EXPECT_EQ(ReadFileBytes(m_dir / "Save05.dat.bak"), older_save);
    EXPECT_EQ(Messages(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(EveryDamage, DamagedSlotFile, ::testing::ValuesIn(kAllDamages),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

TEST_F(DamagedSaves, SavingOverAWholeSlotKeepsTheOldSaveAsTheCopy) {
    const Bytes old_save = BytesOf(SavedGame(u"古い"));
    WriteFileBytes(m_dir / "Save12.dat", old_save);
    Start();
    Session().Ticks(3);
    AnswerComment(u"新しい");
    TheEngine().OnMenuCommand("ItemSave12");
    EXPECT_EQ(Errors(), std::vector<std::string>{});
    EXPECT_EQ(Platform().CommentPrefill(), u"古い");
    EXPECT_EQ(ReadFileBytes(m_dir / "Save12.dat.bak"), old_save);
    EXPECT_EQ(ReadFileBytes(m_dir / "Save12.dat").size(), sizeof(GameData));
    EXPECT_FALSE(fs::exists(m_dir / "Save12.dat.damaged"));
}

TEST_F(DamagedSaves, SlotNoiseOfTheRightLengthIsNeverLoadedNorKeptAsTheCopy) {
    const Bytes older = BytesOf(SavedGame(u"前の"));
    WriteFileBytes(m_dir / "Save05.dat.bak", older);
    Start();
    Session().Ticks(3);
    for (std::uint32_t seed = 1; seed <= 100; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const Bytes noise = NoiseBytes(sizeof(GameData), seed);
        WriteFileBytes(m_dir / "Save05.dat", noise);
        TheEngine().Commands().ItemLoadClick();
        EXPECT_TRUE(
            TheEngine().Commands().MenuItemNamed("ItemLoad5").caption.ends_with("　- セーブデータが壊れています -"));
        const GameData before = State().Game;
        TheEngine().OnMenuCommand("ItemLoad5");
        const auto reports = Platform().TakeErrorReports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].for_player.find(Full("Save05.dat") + "は壊れています"), std::string::npos)
            << reports[0].for_player;
        EXPECT_NE(reports[0].detail.find("damaged"), std::string::npos) << reports[0].detail;
        EXPECT_EQ(BytesOf(State().Game), BytesOf(before));
        EXPECT_NE(State().Task, TaskCode::TASK_RESTORE_GAME);

        AnswerComment(u"新しい");
        TheEngine().OnMenuCommand("ItemSave5");
        EXPECT_EQ(Errors(), std::vector<std::string>{});
        EXPECT_EQ(Platform().CommentPrefill(), u"") << "a damaged slot offers no old comment";
        const std::string aside = "Save05.dat.damaged" + (seed > 1 ? "-" + std::to_string(seed) : std::string());
        EXPECT_EQ(ReadFileBytes(m_dir / aside), noise);
        EXPECT_EQ(ReadFileBytes(m_dir / "Save05.dat.bak"), older);
    }
    EXPECT_EQ(Messages(), std::vector<std::string>{});
}

// One field of a whole slot file set to what the game never writes, and what the load reports.
struct BrokenSlotField {
    const char* told;
    void (*breaks)(GameData&);
};

const BrokenSlotField kBrokenSlotFields[] = {
    {"使用中の印が 2 で、0～1 の", [](GameData& d) { d.SlotInUse = 2; }},
    {"使われていない 1 バイト目が 0 ではなく 1 でした", [](GameData& d) { d.Reserved1 = 1; }},
    {"呼び出しの深さが 17 で、0～16 の", [](GameData& d) { d.ReturnDepth = 17; }},
    {"呼び出しの深さが -1 で", [](GameData& d) { d.ReturnDepth = -1; }},
    {"使われていない 1107 バイト目", [](GameData& d) { d.Reserved2[9] = 1; }},
    {"BGMのループの印が 2 で", [](GameData& d) { d.BgmLoop = 2; }},
    {"使われていない 1133 バイト目", [](GameData& d) { d.Reserved3[0] = 1; }},
    {"マウスカーソル表示の印が 2 で", [](GameData& d) { d.CursorShown = 2; }},
    {"右クリックメニューの印が 255 で", [](GameData& d) { d.ContextMenuOn = 255; }},
    {"補助の印が 3 で", [](GameData& d) { d.AuxFlag = 3; }},
    {"使われていない 1157 バイト目", [](GameData& d) { d.Reserved4[2] = 1; }},
    {"コメントの終わりより後ろに文字が残っていました", [](GameData& d) { d.SaveComment[23] = u'x'; }},
    {"使われていない 1207 バイト目", [](GameData& d) { d.Reserved5[1] = 1; }},
};

TEST_F(DamagedSaves, ASlotFieldOutOfRangeMakesTheSlotDamaged) {
    const Bytes older = BytesOf(SavedGame(u"前の"));
    Start();
    Session().Ticks(3);
    for (const BrokenSlotField& field : kBrokenSlotFields) {
        SCOPED_TRACE(field.told);
        GameData broken = SavedGame(u"壊れ");
        field.breaks(broken);
        WriteFileBytes(m_dir / "Save07.dat", BytesOf(broken));
        WriteFileBytes(m_dir / "Save07.dat.bak", older);
        fs::remove(m_dir / "Save07.dat.damaged");
        TheEngine().Commands().ItemLoadClick();
        EXPECT_TRUE(
            TheEngine().Commands().MenuItemNamed("ItemLoad7").caption.ends_with("　- セーブデータが壊れています -"));
        TheEngine().OnMenuCommand("ItemLoad7");
        const auto reports = Platform().TakeErrorReports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].for_player.find(field.told), std::string::npos) << reports[0].for_player;
        EXPECT_NE(State().Task, TaskCode::TASK_RESTORE_GAME);

        AnswerComment(u"上書き");
        TheEngine().OnMenuCommand("ItemSave7");
        EXPECT_EQ(Errors(), std::vector<std::string>{});
        EXPECT_EQ(ReadFileBytes(m_dir / "Save07.dat.damaged"), BytesOf(broken));
        EXPECT_EQ(ReadFileBytes(m_dir / "Save07.dat.bak"), older);
    }
}

} // namespace
} // namespace hk::test
