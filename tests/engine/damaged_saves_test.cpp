// Damaged save files never lock the player out and nothing of them is lost: start-up over a
// damaged or missing "Save00.dat" keeps the damaged file aside byte for byte, takes the last good
// copy when it is whole (the defaults otherwise), says so once, and the next close writes a whole
// file; a damaged slot file is reported when loaded and replaced, kept aside, when saved into.
#include "support/engine_fixture.h"

#include "engine/records.h"

#include <cstring>
#include <unistd.h>

namespace hk::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

enum class Damage { CutTo0, CutTo1000, OneByteShort, OneByteLong, Unreadable, Folder };

const char* NameOf(Damage damage) {
    switch (damage) {
    case Damage::CutTo0: return "CutTo0";
    case Damage::CutTo1000: return "CutTo1000";
    case Damage::OneByteShort: return "OneByteShort";
    case Damage::OneByteLong: return "OneByteLong";
    case Damage::Unreadable: return "Unreadable";
    case Damage::Folder: return "Folder";
    }
    return "";
}

constexpr Damage kAllDamages[] = {Damage::CutTo0,      Damage::CutTo1000,  Damage::OneByteShort,
                                  Damage::OneByteLong, Damage::Unreadable, Damage::Folder};

template <typename Record> Bytes BytesOf(const Record& record) {
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&record);
    return Bytes(raw, raw + sizeof record);
}

// A player's progress: settings changed, a scene unlocked, CGs seen, messages read.
std::unique_ptr<SystemData> Progress(std::int16_t scene_flag) {
    auto record = std::make_unique<SystemData>();
    Engine::SetDefaultSettings(*record);
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
    Engine::SetDefaultSettings(*record);
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
        ASSERT_TRUE(Form().RequestClose());
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
    EXPECT_TRUE(Form().FrameTimerEnabled());

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

// ---- Slot files ----

GameData SavedGame(std::u16string comment) {
    GameData game{};
    game.SlotInUse = 1;
    game.CurrentScene = 1;
    game.ScriptStep = 1;
    for (std::size_t i = 0; i < comment.size() && i < kSaveCommentUnits; ++i)
        game.SaveComment[i] = comment[i];
    return game;
}

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
    Form().ItemLoadClick();
    EXPECT_EQ(Errors(), std::vector<std::string>{});
    const MenuItem& item = Form().MenuItemNamed("ItemLoad5");
    EXPECT_TRUE(item.caption.ends_with("　- セーブデータが壊れています -")) << item.caption;
    EXPECT_TRUE(item.enabled);
    EXPECT_TRUE(Form().MenuItemNamed("ItemLoad6").caption.ends_with("　六番"));
    EXPECT_TRUE(Form().MenuItemNamed("ItemLoad6").checked);
    EXPECT_FALSE(Form().MenuItemNamed("ItemLoad7").enabled);

    // Loading it reports the file; the game in memory is untouched and plays on.
    const GameData before = State().Game;
    Form().OnMenuCommand("ItemLoad5");
    const auto errors = Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Save05.dat"), std::string::npos) << errors[0];
    EXPECT_EQ(std::memcmp(&State().Game, &before, sizeof before), 0);
    EXPECT_NE(State().Task, TaskCode::TASK_RESTORE_GAME);
    const std::uint32_t clock = Platform().TickCount();
    Session().Ticks(3);
    EXPECT_TRUE(Form().FrameTimerEnabled());
    EXPECT_GT(Platform().TickCount(), clock);

    // Saving into it writes the new save and keeps the damaged one aside; the older copy stays.
    AnswerComment(u"新しい");
    Form().OnMenuCommand("ItemSave5");
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
    Form().OnMenuCommand("ItemSave12");
    EXPECT_EQ(Errors(), std::vector<std::string>{});
    EXPECT_EQ(Platform().CommentPrefill(), u"古い");
    EXPECT_EQ(ReadFileBytes(m_dir / "Save12.dat.bak"), old_save);
    EXPECT_EQ(ReadFileBytes(m_dir / "Save12.dat").size(), sizeof(GameData));
    EXPECT_FALSE(fs::exists(m_dir / "Save12.dat.damaged"));
}

} // namespace
} // namespace hk::test
