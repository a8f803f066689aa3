// Saved damaged pictures (tests/corpus/images, written by make_corpus.py there): truncated files,
// impossible sizes, bad colour tables and RLE codes, broken PNG chunks and JPEG markers. Each must
// end in an ImageDecodeError that names its format, quickly and without allocating what it claims.
// And run-length-encoded bitmaps as real writers make them (tests/corpus/bmp_rle, written by
// make_pictures.py there), each beside ImageMagick's own decoding of it.
#include "gfx/image_decoder.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace hk {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;

TEST(DecoderCorpus, EveryDamagedFileGivesAClearError) {
    const fs::path dir = fs::path(HARUKAZE_SOURCE_DIR) / "tests" / "corpus" / "images";
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".py")
            continue;
        const std::vector<std::uint8_t> data = ReadFileBytes(entry.path());
        const ImageFormat sniffed = SniffImageFormat(data);
        const std::string expected_prefix =
            sniffed == ImageFormat::Unknown ? "unrecognised" : std::string(ImageFormatName(sniffed)) + " image: ";
        const auto start = std::chrono::steady_clock::now();
        try {
            DecodeImage(data);
            ADD_FAILURE() << entry.path().filename() << " decoded without an error";
        } catch (const ImageDecodeError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(expected_prefix, 0), 0u)
                << entry.path().filename() << ": " << e.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << entry.path().filename();
        ++checked;
    }
    EXPECT_GE(checked, 30);
}

// ImageMagick writes RLE8 with runs over the padded row, so on a width that is not a multiple of
// four the last run of each row passes the row's end; the rest are RLE8 and RLE4 with absolute
// runs, deltas, an early end and a delta below the last row.
TEST(DecoderCorpus, RunLengthBitmapsMatchImageMagicksDecoding) {
    const fs::path dir = fs::path(HARUKAZE_SOURCE_DIR) / "tests" / "corpus" / "bmp_rle";
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".bmp")
            continue;
        const std::string name = entry.path().filename().string();
        fs::path reference = entry.path();
        reference.replace_extension(".png");
        ASSERT_TRUE(fs::exists(reference)) << name << " has no decoding beside it";
        Bitmap got;
        try {
            got = DecodeImage(ReadFileBytes(entry.path()), ImageFormat::Bmp);
        } catch (const ImageDecodeError& e) {
            ADD_FAILURE() << name << ": " << e.what();
            continue;
        }
        const Bitmap want = DecodeImage(ReadFileBytes(reference), ImageFormat::Png);
        ASSERT_EQ(got.Width(), want.Width()) << name;
        ASSERT_EQ(got.Height(), want.Height()) << name;
        int differing = 0;
        for (int y = 0; y < want.Height(); ++y)
            for (int x = 0; x < want.Width(); ++x)
                if (std::memcmp(got.Pixel(x, y), want.Pixel(x, y), 3) != 0 && differing++ == 0)
                    ADD_FAILURE() << name << ": first differing pixel at " << x << ", " << y;
        EXPECT_EQ(differing, 0) << name;
        ++checked;
    }
    EXPECT_GE(checked, 9);
}

} // namespace
} // namespace hk
