// Saved damaged pictures (tests/corpus/images, written by make_corpus.py there): truncated files,
// impossible sizes, bad colour tables and RLE codes, broken PNG chunks and JPEG markers. Each must
// end in an ImageDecodeError that names its format, quickly and without allocating what it claims.
#include "gfx/image_decoder.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
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

} // namespace
} // namespace hk
