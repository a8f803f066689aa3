// harukaze-tool ifp, run as the real program.
#include "data/ifp_archive.h"
#include "support/archive_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace hk {
namespace {

using test::ArchiveBuilder;
using test::ReadFileBytes;
using test::TempDir;
using test::ToBytes;
using test::WriteFileBytes;

struct Result {
    int status = -1;
    std::string output; // standard output and standard error together
};

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Result RunTool(const std::string& arguments) {
    const std::string command = Quote(HARUKAZE_TOOL_PATH) + " ifp " + arguments + " 2>&1";
    Result result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return result;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, n);
    }
    const int wait_status = ::pclose(pipe);
    result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
    return result;
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    WriteFileBytes(path, ToBytes(text));
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(IfpTool, ListExtractAndPackGiveTheArchiveBackByteForByte) {
    TempDir dir;
    ArchiveBuilder builder;
    builder.SetHeader(IfpHeader{'I', 'F', 'P', 0, 0xFF, 0x80})
        .AddText(30, 21, "scene thirty")
        .AddText(2, 11, "colour", 11, "mask")
        .AddText(9, 13, "") // empty part A, shares its offset with the next entry
        .AddText(4, 12, "png")
        .AddText(2047, 99, "x", 7, ""); // unknown types and an empty typed part B
    const std::string original = (dir / "GRP.IFP").string();
    builder.WriteTo(original);

    const Result list = RunTool("list " + Quote(original));
    ASSERT_EQ(list.status, 0) << list.output;
    EXPECT_TRUE(Contains(list.output, "     2    11    11      32796          6          4  BMP picture, BMP mask"))
        << list.output;
    EXPECT_TRUE(Contains(list.output, "    30    21     0      32784         12          0  scene")) << list.output;
    EXPECT_TRUE(Contains(list.output, "# 5 entries, 0 damaged")) << list.output;
    EXPECT_FALSE(Contains(list.output, "\n     0 ")) << list.output;

    const std::string out = (dir / "parts").string();
    const Result extract = RunTool("extract " + Quote(original) + " " + Quote(out));
    ASSERT_EQ(extract.status, 0) << extract.output;
    EXPECT_FALSE(Contains(extract.output, "note:")) << extract.output;
    EXPECT_EQ(ReadFileBytes(dir / "parts/0002.b.bmp"), ToBytes("mask"));
    EXPECT_EQ(ReadFileBytes(dir / "parts/0030.a.scene"), ToBytes("scene thirty"));
    EXPECT_TRUE(std::filesystem::exists(dir / "parts/2047.b.bin"));
    EXPECT_FALSE(std::filesystem::exists(dir / "parts/0030.b.bin"));

    const std::string packed = (dir / "again.ifp").string();
    const Result pack = RunTool("pack " + Quote(packed) + " " + Quote(out + "/manifest.txt"));
    ASSERT_EQ(pack.status, 0) << pack.output;
    EXPECT_EQ(ReadFileBytes(packed), ReadFileBytes(original));
}

TEST(IfpTool, PackReadsAHandWrittenManifest) {
    TempDir dir;
    std::filesystem::create_directories(dir / "pics");
    WriteText(dir / "pics/title.png", "PNGDATA");
    WriteText(dir / "pics/title-mask.bmp", "BM");
    WriteText(dir / "start.scene", "code");
    WriteText(dir / "list.txt", "# the title screen\n"
                                "\n"
                                "   21 12 11  pics/title.png pics/title-mask.bmp   # with its mask\n"
                                "1 21 0 start.scene\n");
    const Result pack = RunTool("pack " + Quote((dir / "out.ifp").string()) + " " + Quote((dir / "list.txt").string()));
    ASSERT_EQ(pack.status, 0) << pack.output;

    IfpArchive archive(dir / "out.ifp");
    EXPECT_EQ(archive.ReadHeader(), IfpHeader{});
    const IfpIndex index = archive.ReadIndex();
    EXPECT_EQ(index.Entry(21), (IfpEntry{12, 11, 32784, 7, 2}));
    EXPECT_EQ(index.Entry(1), (IfpEntry{21, 0, 32793, 4, 0}));
    EXPECT_EQ(archive.ReadPartB(index.Entry(21), 21), ToBytes("BM"));
}

TEST(IfpTool, BadManifestsFailWithTheirLineAndLeaveNoArchive) {
    TempDir dir;
    WriteText(dir / "a.bin", "a");
    struct Case {
        const char* manifest;
        const char* expect;
    };
    const Case cases[] = {
        {"1 21 0 a.bin\n2048 21 0 a.bin\n", "m.txt:2: entry number '2048' is not in 0..2047"},
        {"1 0 0 a.bin\n", "m.txt:1: type A '0' is not in 1..65535"},
        {"1 21 65536 a.bin\n", "m.txt:1: type B '65536'"},
        {"1 21 0 a.bin\n1 21 0 a.bin\n", "m.txt:2: archive entry 1 is added twice"},
        {"1 21 0 missing.bin\n", "m.txt:1: no such file"},
        {"1 21 0\n", "m.txt:1: expected"},
        {"1x 21 0 a.bin\n", "m.txt:1: entry number '1x'"},
        {"header 0011\n", "m.txt:1: 'header' wants 32 hex digits"},
        {"header 000000000000000000000000000000zz\n", "m.txt:1: 'header' wants"},
        {"header 00000000000000000000000000000000\nheader 00000000000000000000000000000000\n",
         "m.txt:2: a second 'header'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.manifest);
        WriteText(dir / "m.txt", c.manifest);
        const Result pack =
            RunTool("pack " + Quote((dir / "out.ifp").string()) + " " + Quote((dir / "m.txt").string()));
        EXPECT_EQ(pack.status, 1);
        EXPECT_TRUE(Contains(pack.output, c.expect)) << pack.output;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.ifp"));
    }
}

TEST(IfpTool, DamagedArchivesAreReportedNotExtracted) {
    TempDir dir;
    ArchiveBuilder builder;
    builder.AddText(1, 21, "scene").AddText(8, 11, "colour", 11, "mask");
    std::vector<std::uint8_t> image = builder.Bytes();
    image.resize(image.size() - 2); // cuts the mask of entry 8 short
    const std::string path = (dir / "SCR.IFP").string();
    WriteFileBytes(path, image);

    const Result list = RunTool("list " + Quote(path));
    EXPECT_EQ(list.status, 0) << list.output;
    EXPECT_TRUE(Contains(list.output, "DAMAGED: archive \"" + path + "\", entry 8")) << list.output;
    EXPECT_TRUE(Contains(list.output, "# 2 entries, 1 damaged")) << list.output;

    const Result extract = RunTool("extract " + Quote(path) + " " + Quote((dir / "out").string()));
    EXPECT_EQ(extract.status, 1);
    EXPECT_TRUE(Contains(extract.output, "error: archive \"" + path + "\", entry 8")) << extract.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "out/manifest.txt"));

    image.resize(1000); // not even a whole index
    WriteFileBytes(path, image);
    const Result truncated = RunTool("list " + Quote(path));
    EXPECT_EQ(truncated.status, 1);
    EXPECT_TRUE(Contains(truncated.output, "too short")) << truncated.output;
}

TEST(IfpTool, UsageErrorsExitWith2AndHelpWith0) {
    struct Case {
        const char* arguments;
        int status;
        const char* expect;
    };
    const Case cases[] = {
        {"", 2, "usage: harukaze-tool ifp list FILE"},
        {"unpack x", 2, "unknown sub-command 'unpack'"},
        {"list", 2, "missing arguments"},
        {"list a b", 2, "too many arguments"},
        {"extract a", 2, "usage: harukaze-tool ifp extract FILE DIR"},
        {"pack --force a b", 2, "unknown option '--force'"},
        {"--help", 0, "ifp pack OUT MANIFEST"},
        {"pack --help", 0, "number typeA typeB fileA [fileB]"},
        {"list -h", 0, "DAMAGED"},
        {"extract --help", 0, "manifest.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Result result = RunTool(c.arguments);
        EXPECT_EQ(result.status, c.status) << result.output;
        EXPECT_TRUE(Contains(result.output, c.expect)) << result.output;
    }
}

} // namespace
} // namespace hk
