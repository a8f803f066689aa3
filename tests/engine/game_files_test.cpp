// The game directory: Windows-style paths, letter case, refusals, and writes that never leave a
// damaged file behind.
#include "data/game_files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

TEST(GameFilesTest, WindowsPathsMatchFilesWhateverTheirCase) {
    TempDir dir;
    fs::create_directories(dir / "sound");
    WriteFileBytes(dir / "sound" / "m01.OGG", {1, 2, 3});
    WriteFileBytes(dir / "VOICE", {});
    GameFiles files(dir.Path());
    EXPECT_EQ(files.Resolve("Sound\\M01.ogg"), dir / "sound" / "m01.OGG");
    EXPECT_TRUE(files.Exists("SOUND/m01.ogg"));
    EXPECT_EQ(files.FileSize("Sound\\M01.ogg"), 3u);
    // A missing file keeps the spelling it was asked for, so it can be created.
    EXPECT_EQ(files.Resolve("Sound\\New.ogg"), dir / "sound" / "New.ogg");
    EXPECT_FALSE(files.Exists("Sound\\New.ogg"));
    // A directory is not a file.
    EXPECT_FALSE(files.Exists("sound"));
}

TEST(GameFilesTest, PathsThatLeaveTheGameDirectoryAreRefused) {
    TempDir dir;
    GameFiles files(dir.Path());
    for (const char* path : {"..\\Save00.dat", "VOICE\\..\\..\\x.ogg", "/etc/passwd", "\\Windows\\x", "C:\\x", ""})
        EXPECT_THROW(files.Resolve(path), FileError) << path;
    EXPECT_NO_THROW(files.Resolve(".\\VOICE\\.\\a.ogg"));
}

TEST(GameFilesTest, ReadsAreCheckedAgainstTheRealFileSize) {
    TempDir dir;
    WriteFileBytes(dir / "a.bin", {1, 2, 3, 4});
    GameFiles files(dir.Path());
    std::uint8_t buf[8] = {};
    files.ReadAt("a.bin", 1, buf, 3);
    EXPECT_EQ(buf[0], 2);
    EXPECT_EQ(buf[2], 4);
    EXPECT_THROW(files.ReadAt("a.bin", 2, buf, 3), FileError);
    EXPECT_THROW(files.ReadAt("a.bin", 0xFFFFFFFFFFFFull, buf, 1), FileError);
    EXPECT_THROW(files.ReadExact("missing.bin", buf, 1), FileError);
    EXPECT_THROW(files.ReadAll("a.bin", 3), FileError) << "larger than allowed";
    EXPECT_EQ(files.ReadAll("a.bin", 4).size(), 4u);
    try {
        files.ReadExact("a.bin", buf, 8);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("a.bin"), std::string::npos);
    }
}

// Fails every write after `budget` bytes, as a full disk does.
class FullDisk : public GameFiles {
public:
    FullDisk(fs::path root, std::size_t budget) : GameFiles(std::move(root)), m_budget(budget) {}

protected:
    void WriteAll(int fd, const void* data, std::size_t size, const fs::path& path) override {
        const std::size_t part = std::min(size, m_budget);
        GameFiles::WriteAll(fd, data, part, path);
        if (part < size)
            throw FileError("cannot write \"" + path.string() + "\": No space left on device");
    }

private:
    std::size_t m_budget;
};

TEST(GameFilesTest, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
    TempDir dir;
    WriteFileBytes(dir / "Save03.dat", std::vector<std::uint8_t>(1208, 0xAB));
    FullDisk files(dir.Path(), 500);
    const std::vector<std::uint8_t> fresh(1208, 0x01);
    EXPECT_THROW(files.WriteAtomic("Save03.dat", fresh.data(), fresh.size()), FileError);
    EXPECT_EQ(ReadFileBytes(dir / "Save03.dat"), std::vector<std::uint8_t>(1208, 0xAB));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

    GameFiles working(dir.Path());
    working.WriteAtomic("save03.DAT", fresh.data(), fresh.size());
    EXPECT_EQ(ReadFileBytes(dir / "Save03.dat"), fresh) << "the existing spelling is replaced";
}

TEST(GameFilesTest, AReadOnlyDirectoryGivesAClearError) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere";
    TempDir dir;
    fs::permissions(dir.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    GameFiles files(dir.Path());
    const std::uint8_t byte = 1;
    EXPECT_THROW(files.WriteAtomic("Save00.dat", &byte, 1), FileError);
    fs::permissions(dir.Path(), fs::perms::owner_all);
}

TEST(GameFilesTest, InspectTellsFilesFromFoldersAndLinksToNowhere) {
    TempDir dir;
    WriteFileBytes(dir / "a.dat", {1, 2, 3});
    fs::create_directory(dir / "b.dat");
    fs::create_symlink(dir / "nowhere", dir / "c.dat");
    GameFiles files(dir.Path());
    EXPECT_EQ(files.Inspect("A.DAT").kind, StoredEntry::Kind::File);
    EXPECT_EQ(files.Inspect("a.dat").size, 3u);
    EXPECT_EQ(files.Inspect("b.dat").kind, StoredEntry::Kind::Other);
    EXPECT_EQ(files.Inspect("c.dat").kind, StoredEntry::Kind::Other);
    EXPECT_EQ(files.Inspect("d.dat").kind, StoredEntry::Kind::Missing);

    std::uint8_t buf[4] = {};
    EXPECT_NO_THROW(files.ReadWhole("a.dat", buf, 3));
    for (std::size_t size : {2u, 4u})
        EXPECT_THROW(files.ReadWhole("a.dat", buf, size), FileError) << "a record of " << size << " bytes";
    EXPECT_THROW(files.ReadWhole("b.dat", buf, 3), FileError);
    EXPECT_THROW(files.ReadWhole("d.dat", buf, 3), FileError);
}

TEST(GameFilesTest, WritingKeepsTheReplacedFileAsTheCopyAndMovesADamagedOneAside) {
    TempDir dir;
    GameFiles files(dir.Path());
    const std::vector<std::uint8_t> first(8, 1), second(8, 2), third(8, 3);
    files.WriteKeepingCopy("Save01.dat", first.data(), first.size());
    EXPECT_FALSE(fs::exists(dir / "Save01.dat.bak")) << "nothing was replaced";
    files.WriteKeepingCopy("Save01.dat", second.data(), second.size());
    EXPECT_EQ(ReadFileBytes(dir / "Save01.dat.bak"), first);
    files.WriteKeepingCopy("Save01.dat", third.data(), third.size());
    EXPECT_EQ(ReadFileBytes(dir / "Save01.dat.bak"), second);
    EXPECT_EQ(ReadFileBytes(dir / "Save01.dat"), third);
    // Two names of one file (a copy the player linked by hand) leave no staging file behind.
    fs::remove(dir / "Save01.dat.bak");
    fs::create_hard_link(dir / "Save01.dat", dir / "Save01.dat.bak");
    files.WriteKeepingCopy("Save01.dat", first.data(), first.size());
    EXPECT_EQ(ReadFileBytes(dir / "Save01.dat.bak"), third);

    // A file of another length is no copy worth keeping: it goes aside, the copy stays.
    WriteFileBytes(dir / "Save01.dat", {9, 9});
    files.WriteKeepingCopy("Save01.dat", second.data(), second.size());
    EXPECT_EQ(ReadFileBytes(dir / "Save01.dat.damaged"), (std::vector<std::uint8_t>{9, 9}));
    EXPECT_EQ(ReadFileBytes(dir / "Save01.dat.bak"), third);
    // So does a folder, under the next free name.
    fs::remove(dir / "Save01.dat");
    fs::create_directory(dir / "Save01.dat");
    files.WriteKeepingCopy("Save01.dat", first.data(), first.size());
    EXPECT_TRUE(fs::is_directory(dir / "Save01.dat.damaged-2"));
    EXPECT_EQ(ReadFileBytes(dir / "Save01.dat"), first);
    // A copy that cannot be kept (its name is a folder) does not stop the write.
    fs::remove(dir / "Save01.dat.bak");
    fs::create_directories(dir / "Save01.dat.bak" / "x");
    files.WriteKeepingCopy("Save01.dat", third.data(), third.size());
    EXPECT_EQ(ReadFileBytes(dir / "Save01.dat"), third);
    EXPECT_TRUE(fs::is_directory(dir / "Save01.dat.bak" / "x"));
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

TEST(GameFilesTest, AWholeFileTheRecordTestRefusesGoesAsideAndTheCopyStays) {
    TempDir dir;
    GameFiles files(dir.Path());
    // Usable records here: eight bytes, none above 3.
    const GameFiles::RecordTest usable = [](const void* bytes, std::size_t size) {
        const auto* b = static_cast<const std::uint8_t*>(bytes);
        return size == 8 && std::all_of(b, b + size, [](std::uint8_t v) { return v <= 3; });
    };
    const std::vector<std::uint8_t> good(8, 1), newer(8, 2), garbled(8, 0xC7);
    WriteFileBytes(dir / "Save01.dat", good);
    files.WriteKeepingCopy("Save01.dat", newer.data(), newer.size(), usable);
    EXPECT_EQ(ReadFileBytes(dir / "Save01.dat.bak"), good);

    WriteFileBytes(dir / "Save01.dat", garbled);
    files.WriteKeepingCopy("Save01.dat", newer.data(), newer.size(), usable);
    EXPECT_EQ(ReadFileBytes(dir / "Save01.dat.bak"), good) << "the last usable copy stays";
    EXPECT_EQ(ReadFileBytes(dir / "Save01.dat.damaged"), garbled);
    EXPECT_EQ(ReadFileBytes(dir / "Save01.dat"), newer);
}

TEST(GameFilesTest, MovingAsideNeverReplacesAnything) {
    TempDir dir;
    WriteFileBytes(dir / "x.dat", {1});
    WriteFileBytes(dir / "x.dat.damaged", {2});
    fs::create_symlink(dir / "nowhere", dir / "x.dat.damaged-2");
    GameFiles files(dir.Path());
    EXPECT_EQ(files.MoveAside("x.dat", ".damaged"), "x.dat.damaged-3");
    EXPECT_EQ(ReadFileBytes(dir / "x.dat.damaged"), std::vector<std::uint8_t>{2});
    EXPECT_EQ(ReadFileBytes(dir / "x.dat.damaged-3"), std::vector<std::uint8_t>{1});
    EXPECT_FALSE(fs::exists(dir / "x.dat"));
    EXPECT_THROW(files.MoveAside("x.dat", ".damaged"), FileError) << "nothing carries the name";
}

TEST(GameFilesTest, ModificationTimeIsMissingForMissingFiles) {
    TempDir dir;
    WriteFileBytes(dir / "x", {1});
    GameFiles files(dir.Path());
    EXPECT_TRUE(files.ModificationTime("x").has_value());
    EXPECT_FALSE(files.ModificationTime("y").has_value());
}

} // namespace
} // namespace hk::test
