#include "data/ifp_archive.h"

#include "data/game_files.h"
#include "support/archive_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace hk {
namespace {

using test::ArchiveBuilder;
using test::ReadFileBytes;
using test::TempDir;
using test::ToBytes;
using test::WriteFileBytes;

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t n) {
    return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
}

// Puts raw entry fields into the index of an archive image.
void PatchEntry(std::vector<std::uint8_t>& archive, int number, const IfpEntry& entry) {
    const auto bytes = EncodeIfpEntry(entry);
    std::memcpy(archive.data() + kIfpIndexOffset + static_cast<std::size_t>(number) * kIfpEntrySize, bytes.data(),
                bytes.size());
}

// Runs f and returns the message of the std::runtime_error it must throw.
template <typename F> std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    ADD_FAILURE() << "no error thrown";
    return {};
}

TEST(IfpWriter, LaysOutHeaderIndexAndPayloadsInAddOrder) {
    IfpHeader header;
    for (std::size_t i = 0; i < header.size(); ++i) {
        header[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    ArchiveBuilder builder;
    builder.SetHeader(header).AddText(3, 21, "ABC").AddText(1, 11, "xy", 12, "z");
    const std::vector<std::uint8_t> bytes = builder.Bytes();

    ASSERT_EQ(bytes.size(), 32784u + 6u);
    EXPECT_EQ(Slice(bytes, 0, 16), std::vector<std::uint8_t>(header.begin(), header.end()));
    const std::vector<std::uint8_t> entry1 = {
        0x0B, 0x00,             // type A 11
        0x0C, 0x00,             // type B 12
        0x13, 0x80, 0x00, 0x00, // offset 32787: after entry 3's part
        0x02, 0x00, 0x00, 0x00, // length A 2
        0x01, 0x00, 0x00, 0x00, // length B 1
    };
    const std::vector<std::uint8_t> entry3 = {
        0x15, 0x00,             // type A 21
        0x00, 0x00,             // type B 0
        0x10, 0x80, 0x00, 0x00, // offset 32784: first byte after the index
        0x03, 0x00, 0x00, 0x00, // length A 3
        0x00, 0x00, 0x00, 0x00, // length B 0
    };
    EXPECT_EQ(Slice(bytes, 16 + 16 * 1, 16), entry1);
    EXPECT_EQ(Slice(bytes, 16 + 16 * 3, 16), entry3);
    EXPECT_EQ(Slice(bytes, 32784, 6), ToBytes("ABCxyz"));
    // Every other entry is empty.
    for (int n = 0; n < kIfpEntryCount; ++n) {
        if (n != 1 && n != 3) {
            ASSERT_EQ(Slice(bytes, 16 + 16 * static_cast<std::size_t>(n), 16), std::vector<std::uint8_t>(16, 0)) << n;
        }
    }
}

TEST(IfpWriter, RefusesEntriesItCannotStore) {
    IfpWriter writer;
    writer.Add(2047, 13, {1, 2, 3});
    EXPECT_THROW(writer.Add(-1, 21, {}), std::invalid_argument);
    EXPECT_THROW(writer.Add(2048, 21, {}), std::invalid_argument);
    EXPECT_THROW(writer.Add(5, 0, {1}), std::invalid_argument); // would read as a missing item
    EXPECT_THROW(writer.Add(2047, 21, {}), std::invalid_argument);
    EXPECT_EQ(writer.Items().size(), 1u);
}

TEST(IfpIndex, ParsesEntriesAndTreatsOutOfRangeNumbersAsMissing) {
    ArchiveBuilder builder;
    builder.AddText(0, 21, "s0").AddText(2047, 11, "colour", 11, "mask");
    const auto bytes = builder.Bytes();
    const IfpIndex index(std::span<const std::uint8_t, kIfpIndexSize>(bytes.data() + 16, kIfpIndexSize));

    EXPECT_EQ(index.Entry(0), (IfpEntry{21, 0, 32784, 2, 0}));
    EXPECT_EQ(index.Entry(2047), (IfpEntry{11, 11, 32786, 6, 4}));
    EXPECT_FALSE(index.Entry(1).Exists());
    for (long long number : {-1LL, 2048LL, -32768LL, 1LL << 40}) {
        EXPECT_EQ(index.Entry(number), IfpEntry{}) << number;
    }
    // A raw index cut short has no entries past its end.
    const std::span<const std::uint8_t> short_index(index.Bytes().data(), 16 * 2047 + 8);
    EXPECT_EQ(ParseIfpEntry(short_index, 0), index.Entry(0));
    EXPECT_EQ(ParseIfpEntry(short_index, 2047), IfpEntry{});
}

TEST(IfpArchive, ReadsBackWhatTheWriterWrote) {
    TempDir dir;
    std::vector<std::uint8_t> big(70000);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<std::uint8_t>(i * 7);
    }
    ArchiveBuilder builder;
    builder.SetHeader(IfpHeader{1, 2, 3}).Add(10, 12, big, 12, {9, 8}).AddText(1, 21, "scene").Add(2, 22, {});
    builder.WriteTo(dir / "GRP.IFP");
    EXPECT_FALSE(std::filesystem::exists(dir / "GRP.IFP.tmp"));

    IfpArchive archive(dir / "GRP.IFP");
    EXPECT_EQ(archive.FileSize(), 32784u + 70002u + 5u);
    EXPECT_EQ(archive.ReadHeader(), (IfpHeader{1, 2, 3}));
    const IfpIndex index = archive.ReadIndex();
    EXPECT_EQ(archive.ReadPartA(index.Entry(10), 10), big);
    EXPECT_EQ(archive.ReadPartB(index.Entry(10), 10), (std::vector<std::uint8_t>{9, 8}));
    const IfpParts parts = archive.ReadParts(index.Entry(1), 1);
    EXPECT_EQ(parts.a, ToBytes("scene"));
    EXPECT_TRUE(parts.b.empty());
    EXPECT_TRUE(archive.ReadPartA(index.Entry(2), 2).empty());
    EXPECT_EQ(ReadIfpIndex(dir / "GRP.IFP").Bytes(), index.Bytes());
}

TEST(IfpArchive, DamagedEntriesGiveErrorsNamingArchiveAndEntry) {
    TempDir dir;
    ArchiveBuilder builder;
    builder.AddText(1, 21, std::string(100, 'x'));
    std::vector<std::uint8_t> image = builder.Bytes(); // 32884 bytes
    const std::uint32_t size = static_cast<std::uint32_t>(image.size());
    struct Case {
        IfpEntry entry;
        const char* expect;
    };
    const Case cases[] = {
        {{21, 0, size, 1, 0}, "past the end"},                // offset at the end of the file
        {{21, 0, size - 10, 11, 0}, "past the end"},          // part A one byte too long
        {{11, 11, size - 10, 10, 1}, "past the end"},         // part B one byte too long
        {{21, 0, 32784, 0x80000000u, 0}, "not below 2^31"},   // a negative length
        {{21, 0, 32784, 0xFFFFFFFFu, 0}, "not below 2^31"},   // -1
        {{11, 11, 32784, 10, 0xFFFFFFF0u}, "not below 2^31"}, // part B negative
        {{21, 0, 0xFFFFFFF0u, 0x20, 0}, "not below 2^31"},    // would wrap round in 32 bits
        {{21, 0, 0x7FFFFFF0u, 0x7FFFFFF0u, 0}, "past the end"},
    };
    int number = 5;
    for (const Case& c : cases) {
        PatchEntry(image, number, c.entry);
        ++number;
    }
    WriteFileBytes(dir / "SCR.IFP", image);
    IfpArchive archive(dir / "SCR.IFP");
    const IfpIndex index = archive.ReadIndex();
    number = 5;
    for (const Case& c : cases) {
        const IfpEntry entry = index.Entry(number);
        SCOPED_TRACE(number);
        const std::string message = ErrorOf([&] { archive.ReadParts(entry, number); });
        EXPECT_NE(message.find("SCR.IFP"), std::string::npos) << message;
        EXPECT_NE(message.find("entry " + std::to_string(number)), std::string::npos) << message;
        EXPECT_NE(message.find(c.expect), std::string::npos) << message;
        EXPECT_THROW(archive.ReadPartB(entry, number), std::runtime_error);
        ++number;
    }
    // Part A alone is fine when only part B is broken.
    EXPECT_EQ(archive.ReadPartA(index.Entry(7), 7).size(), 10u);
    // Parts of length 0 read as empty wherever they point.
    PatchEntry(image, 20, IfpEntry{21, 0, 0xFFFFFFFFu, 0, 0});
    WriteFileBytes(dir / "SCR.IFP", image);
    IfpArchive again(dir / "SCR.IFP");
    EXPECT_TRUE(again.ReadParts(again.ReadIndex().Entry(20), 20).a.empty());
    // The archive stays usable after an error.
    EXPECT_EQ(archive.ReadPartA(index.Entry(1), 1).size(), 100u);
}

TEST(IfpArchive, RefusesMissingAndTruncatedFiles) {
    TempDir dir;
    EXPECT_NE(ErrorOf([&] { IfpArchive archive(dir / "GRP.IFP"); }).find("GRP.IFP"), std::string::npos);
    EXPECT_NE(ErrorOf([&] { IfpArchive archive(dir.Path()); }).find("not a regular file"), std::string::npos);
    ArchiveBuilder builder;
    builder.AddText(0, 21, "x");
    std::vector<std::uint8_t> image = builder.Bytes();
    image.resize(32783); // the last index byte is missing
    WriteFileBytes(dir / "GRP.IFP", image);
    const std::string message = ErrorOf([&] { ReadIfpIndex(dir / "GRP.IFP"); });
    EXPECT_NE(message.find("GRP.IFP"), std::string::npos) << message;
    EXPECT_NE(message.find("too short"), std::string::npos) << message;
}

TEST(IfpArchive, ReadsThroughTheGameDirectory) {
    TempDir dir;
    ArchiveBuilder builder;
    builder.AddText(7, 11, "colour", 11, "mask");
    builder.WriteTo(dir / "grp.ifp");
    const GameFiles files(dir.Path());

    const IfpIndex index = ReadIfpIndex(files, "GRP.IFP");
    const IfpEntry entry = index.Entry(7);
    EXPECT_EQ(ReadIfpPartA(files, "GRP.IFP", entry, 7), ToBytes("colour"));
    EXPECT_EQ(ReadIfpPartB(files, "GRP.IFP", entry, 7), ToBytes("mask"));
    EXPECT_EQ(ReadIfpParts(files, "GRP.IFP", entry, 7).b, ToBytes("mask"));

    IfpEntry broken = entry;
    broken.length_b = 1000;
    const std::string message = ErrorOf([&] { ReadIfpParts(files, "GRP.IFP", broken, 7); });
    EXPECT_NE(message.find("\"GRP.IFP\", entry 7"), std::string::npos) << message;
    EXPECT_NE(ErrorOf([&] { ReadIfpIndex(files, "SCR.IFP"); }).find("SCR.IFP"), std::string::npos);
}

} // namespace
} // namespace hk
