// Where the save files live when the game folder cannot be written, and what the player is told
// when a file fails: Japanese, the full path, what to do; the English stays the report's.
#include "data/save_folder.h"
#include "support/engine_fixture.h"
#include "support/save_records.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

// Every file under a folder with its bytes and modification time: a snapshot to compare.
std::map<std::string, std::pair<Bytes, std::int64_t>> Snapshot(const fs::path& folder) {
    std::map<std::string, std::pair<Bytes, std::int64_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        const std::string name = fs::relative(entry.path(), folder).string();
        files[name] = {entry.is_regular_file() ? ReadFileBytes(entry.path()) : Bytes(),
                       static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    }
    return files;
}

// Makes a folder unwritable for this process while it lives: immutable for root (whom
// permissions do not stop), read-only permissions for anyone else.
class UnwritableFolder {
public:
    explicit UnwritableFolder(fs::path folder) : m_folder(std::move(folder)) {
        if (::geteuid() == 0) {
            m_immutable = std::system(("chattr +i '" + m_folder.string() + "' 2>/dev/null").c_str()) == 0;
        } else {
            fs::permissions(m_folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
        }
    }
    ~UnwritableFolder() {
        if (m_immutable)
            (void)std::system(("chattr -i '" + m_folder.string() + "'").c_str());
        else
            fs::permissions(m_folder, fs::perms::owner_write, fs::perm_options::add);
    }
    // False when the folder could not be made unwritable here (root on a file system without
    // the immutable flag): the caller skips, saying so.
    bool Works() const { return !FolderWritable(m_folder); }

private:
    fs::path m_folder;
    bool m_immutable = false;
};

#define SKIP_UNLESS_UNWRITABLE(guard)                                                                                  \
    if (!(guard).Works())                                                                                              \
    GTEST_SKIP() << "the folder cannot be made unwritable here (chattr +i refused as root)"

GameData SlotRecord(char16_t first_comment_unit) {
    return SavedGame(std::u16string(1, first_comment_unit));
}

TEST(SaveFolderName, ReadableStableAndDifferentForEveryGameFolder) {
    const std::string name = SaveFolderName("/games/Harukaze");
    EXPECT_TRUE(name.starts_with("Harukaze-")) << name;
    EXPECT_EQ(name.size(), std::string("Harukaze-").size() + 8) << name;
    EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 9), std::string::npos) << name;
    EXPECT_EQ(SaveFolderName("/games/Harukaze"), name) << "the same folder finds its saves again";
    EXPECT_NE(SaveFolderName("/media/cdrom/Harukaze"), name) << "two games of the same name never share saves";
    EXPECT_NE(SaveFolderName("/games/harukaze"), name);

    EXPECT_TRUE(SaveFolderName("/media/.my game:1").starts_with("my_game_1-")) << "no hidden folder, no odd characters";
    EXPECT_TRUE(SaveFolderName("/").starts_with("game-"));
    EXPECT_TRUE(SaveFolderName("/ゲーム/はるかぜ").starts_with("はるかぜ-"));
    const std::string long_name = SaveFolderName("/" + std::string(40, 'a') + std::string(30, 'x') + "あ");
    EXPECT_LE(long_name.size(), 64u + 9u) << long_name;
}

TEST(SaveFileNames, OnlyTheSaveFilesAndWhatIsKeptBesideThemGoToTheSaveFolder) {
    for (const char* name : {"Save00.dat", "SAVE30.DAT", "save05.Dat", "Save05.dat.bak", "Save05.dat.tmp",
                             "Save00.dat.bak.tmp", "Save07.dat.damaged-2"})
        EXPECT_TRUE(IsSaveFileName(name)) << name;
    for (const char* name : {"Save5.dat", "SaveAB.dat", "Save05.da", "Save05.datx", "Save05.dat/x", "Sound/Save05.dat",
                             "GRP.IFP", "VOICE\\Save05.dat", ""})
        EXPECT_FALSE(IsSaveFileName(name)) << name;

    TempDir temp;
    const fs::path game = temp / "game", saves = temp / "saves";
    fs::create_directories(game);
    fs::create_directories(saves);
    GameFiles files(game);
    files.SetSaveRoot(saves);
    const std::uint8_t byte = 7;
    files.WriteKeepingCopy("Save03.dat", &byte, 1);
    files.WriteKeepingCopy("Save03.dat", &byte, 1);
    files.WriteAtomic("Save03.txt", &byte, 1);
    EXPECT_TRUE(fs::exists(saves / "Save03.dat"));
    EXPECT_TRUE(fs::exists(saves / "Save03.dat.bak"));
    EXPECT_FALSE(fs::exists(game / "Save03.dat"));
    EXPECT_TRUE(fs::exists(game / "Save03.txt")) << "any other file stays the game folder's";
    EXPECT_EQ(files.FullPath("SAVE03.DAT"), saves / "Save03.dat") << "any letter case finds the same file";
}

class SaveFolderTest : public GameFixture {
protected:
    void SetUp() override {
        m_home = m_dir.Path().string() + "-home";
        fs::create_directories(m_home);
        WriteArchives();
    }
    void TearDown() override {
        m_session.reset();
        fs::remove_all(m_home);
    }
    DataHome Home() const { return DataHome{(m_home / "data").string(), (m_home / "home").string()}; }
    fs::path DataFolder() const { return m_home / "data" / "harukaze" / SaveFolderName(m_dir.Path()); }

    fs::path m_home; // the player's folders, beside the game folder
};

TEST_F(SaveFolderTest, UnwritableGameFolderPlaysWithItsSavesCopiedToTheDataFolderAndIsNeverWritten) {
    // A game played before: its system file, two slots and a kept copy, from a start in the folder.
    Start();
    State().System.SystemVars[3] = 33;
    Platform().QueueDialogAnswer({HeadlessPlatform::DialogAnswer::Kind::Query, true});
    ASSERT_TRUE(TheEngine().RequestClose());
    m_session.reset();
    WriteFileBytes(m_dir / "Save05.dat", BytesOf(SlotRecord(u'五')));
    WriteFileBytes(m_dir / "Save05.dat.bak", BytesOf(SlotRecord(u'前')));
    const timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}}; // 2001-09-09
    ASSERT_EQ(::utimensat(AT_FDCWD, (m_dir / "Save05.dat").c_str(), old_times, 0), 0);
    const auto before = Snapshot(m_dir.Path());

    UnwritableFolder unwritable(m_dir.Path());
    SKIP_UNLESS_UNWRITABLE(unwritable);
    const SaveFolder saves = PrepareSaveFolder(m_dir.Path(), std::nullopt, Home());
    EXPECT_EQ(saves.folder, DataFolder());
    EXPECT_TRUE(saves.away_from_game);
    EXPECT_TRUE(saves.first_use);
    EXPECT_EQ(saves.copied.size(), 2u + 30u + 1u) << "the system file, thirty slots and two kept copies";
    EXPECT_EQ(ReadFileBytes(DataFolder() / "Save05.dat"), BytesOf(SlotRecord(u'五')));
    EXPECT_EQ(ReadFileBytes(DataFolder() / "Save05.dat.bak"), BytesOf(SlotRecord(u'前')));
    struct stat st {};
    ASSERT_EQ(::stat((DataFolder() / "Save05.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1000000000) << "the load menu shows the slot's date";

    // The player is told once, in Japanese, where the saves are, naming both folders.
    const std::string notice = SaveFolderNotice(saves, m_dir.Path());
    EXPECT_NE(notice.find("「" + m_dir.Path().string() + "」には書き込めない"), std::string::npos) << notice;
    EXPECT_NE(notice.find("「" + DataFolder().string() + "」"), std::string::npos) << notice;
    EXPECT_NE(notice.find("33 個のファイル"), std::string::npos) << notice;

    // The game starts, saves, loads and closes with its saves there.
    Session().Files().SetSaveRoot(saves.folder);
    Start();
    EXPECT_EQ(Platform().TakeMessages(), std::vector<std::string>{});
    EXPECT_EQ(State().System.SystemVars[3], 33) << "the copied system file was read";
    Session().Ticks(3);
    Platform().QueueDialogAnswer({HeadlessPlatform::DialogAnswer::Kind::Comment, true, u"新しい"});
    TheEngine().OnMenuCommand("ItemSave2");
    TheEngine().OnMenuCommand("ItemLoad5");
    Session().Ticks(60);
    EXPECT_EQ(State().Game.SaveComment[0], u'五');
    Platform().QueueDialogAnswer({HeadlessPlatform::DialogAnswer::Kind::Query, true});
    ASSERT_TRUE(TheEngine().RequestClose());
    EXPECT_EQ(Platform().TakeErrors(), std::vector<std::string>{});
    const Bytes slot2 = ReadFileBytes(DataFolder() / "Save02.dat");
    ASSERT_EQ(slot2.size(), sizeof(GameData));
    EXPECT_EQ(reinterpret_cast<const GameData*>(slot2.data())->SaveComment[0], u'新');
    EXPECT_TRUE(fs::exists(DataFolder() / "Save00.dat.bak")) << "the close wrote the system file there";
    EXPECT_EQ(Snapshot(m_dir.Path()), before) << "the game folder is byte for byte as it was";

    // A later start finds the saves and copies and tells nothing.
    const SaveFolder again = PrepareSaveFolder(m_dir.Path(), std::nullopt, Home());
    EXPECT_EQ(again.folder, DataFolder());
    EXPECT_FALSE(again.first_use);
    EXPECT_TRUE(again.copied.empty());
    EXPECT_EQ(SaveFolderNotice(again, m_dir.Path()), "");
    EXPECT_EQ(ReadFileBytes(DataFolder() / "Save02.dat"), slot2);
}

TEST_F(SaveFolderTest, WritableGameFolderKeepsItsSaves) {
    const SaveFolder saves = PrepareSaveFolder(m_dir.Path(), std::nullopt, Home());
    EXPECT_EQ(saves.folder, fs::canonical(m_dir.Path()));
    EXPECT_FALSE(saves.away_from_game);
    EXPECT_EQ(SaveFolderNotice(saves, m_dir.Path()), "");
    EXPECT_FALSE(fs::exists(m_home / "data")) << "nothing is made in the data folder";
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Path()), fs::directory_iterator()), 2)
        << "the check for writing leaves nothing behind";
}

TEST_F(SaveFolderTest, AskedFolderReceivesCopiesOnlyWhileItHoldsNoSaveFile) {
    WriteFileBytes(m_dir / "Save01.dat", BytesOf(SlotRecord(u'一')));
    WriteFileBytes(m_dir / "Save02.dat", BytesOf(SlotRecord(u'二')));
    const fs::path mine = m_home / "mine" / "saves";
    const SaveFolder first = PrepareSaveFolder(m_dir.Path(), mine, Home());
    EXPECT_EQ(first.folder, mine);
    EXPECT_EQ(first.copied, (std::vector<std::string>{"Save01.dat", "Save02.dat"}));
    EXPECT_EQ(SaveFolderNotice(first, m_dir.Path()), "") << "the player chose the folder: nothing to tell";

    // A folder that already holds a save file is the player's: nothing is copied over it.
    const fs::path other = m_home / "other";
    fs::create_directories(other);
    WriteFileBytes(other / "save02.DAT", BytesOf(SlotRecord(u'別')));
    const SaveFolder second = PrepareSaveFolder(m_dir.Path(), other, Home());
    EXPECT_TRUE(second.copied.empty());
    EXPECT_FALSE(fs::exists(other / "Save01.dat"));
    EXPECT_EQ(ReadFileBytes(other / "save02.DAT"), BytesOf(SlotRecord(u'別')));
}

TEST_F(SaveFolderTest, SaveFolderThatCannotBeMadeIsReportedInJapaneseWithWhatToDo) {
    UnwritableFolder unwritable(m_dir.Path());
    SKIP_UNLESS_UNWRITABLE(unwritable);
    WriteFileBytes(m_home / "data", Bytes(1, 0)); // a file where the data folder would be
    try {
        PrepareSaveFolder(m_dir.Path(), std::nullopt, Home());
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("cannot create the save folder"), std::string::npos) << error.what();
        const std::string& text = error.ForPlayer();
        EXPECT_NE(text.find("「" + DataFolder().string() + "」を用意できませんでした"), std::string::npos) << text;
        EXPECT_NE(text.find("--save-dir"), std::string::npos) << text;
    }
    EXPECT_THROW(PrepareSaveFolder(m_dir.Path(), std::nullopt, DataHome{}), FileError) << "no HOME at all";
}

// ---- What the player is shown when a file fails ----

TEST_F(SaveFolderTest, ErrorsShowThePlayerJapaneseWithTheFullPathAndWhatToDoAndKeepTheEnglishForReports) {
    const fs::path saves = m_home / "saves";
    fs::create_directories(saves);
    Session().Files().SetSaveRoot(saves);
    Start();
    Session().Ticks(3);
    Platform().TakeMessages();

    // A slot file cut short: loading it names the whole path and the copy to bring back.
    WriteFileBytes(saves / "Save03.dat", Bytes(604, 1));
    TheEngine().OnMenuCommand("ItemLoad3");
    auto reports = Platform().TakeErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    const std::string full = (saves / "Save03.dat").string();
    EXPECT_EQ(reports[0].detail,
              "cannot read \"" + full + "\": the file has 604 bytes, not the 1208 of a whole record (it is damaged)");
    EXPECT_NE(reports[0].for_player.find("「" + full + "」は壊れています"), std::string::npos) << reports[0].for_player;
    EXPECT_NE(reports[0].for_player.find("604 バイト"), std::string::npos);
    EXPECT_NE(reports[0].for_player.find("1,208 バイト"), std::string::npos);
    EXPECT_NE(reports[0].for_player.find("「" + full + ".bak」を「" + full + "」に写す"), std::string::npos)
        << reports[0].for_player;

    // A save folder that cannot be written: the save fails with the folder and the way out.
    UnwritableFolder unwritable(saves);
    SKIP_UNLESS_UNWRITABLE(unwritable);
    Platform().QueueDialogAnswer({HeadlessPlatform::DialogAnswer::Kind::Comment, true, u"書けない"});
    TheEngine().OnMenuCommand("ItemSave4");
    reports = Platform().TakeErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].detail.starts_with("cannot create \"" + (saves / "Save04.dat").string() + "\": "))
        << reports[0].detail;
    EXPECT_NE(reports[0].for_player.find("「" + (saves / "Save04.dat").string() + "」に書き込めませんでした"),
              std::string::npos)
        << reports[0].for_player;
    EXPECT_NE(reports[0].for_player.find("フォルダ「" + saves.string() + "」に書き込めるようにするか"),
              std::string::npos)
        << reports[0].for_player;
    EXPECT_NE(reports[0].for_player.find("--save-dir"), std::string::npos);
}

TEST_F(SaveFolderTest, MissingArchivesAreNamedInJapaneseWithTheFolderAndWhatToDo) {
    fs::remove(m_dir / "GRP.IFP");
    EXPECT_FALSE(Session().Start());
    const auto reports = Platform().TakeErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].detail, "The game archive \"GRP.IFP\" was not found in \"" + m_dir.Path().string() +
                                     "\". Start the game from the folder that holds its data files.");
    EXPECT_NE(
        reports[0].for_player.find("「GRP.IFP」が、フォルダ「" + m_dir.Path().string() + "」に見つかりませんでした"),
        std::string::npos)
        << reports[0].for_player;
    EXPECT_NE(reports[0].for_player.find("起動し直してください"), std::string::npos);
}

} // namespace
} // namespace hk::test
