// The BMP reader: every depth and row order, RLE4 and RLE8 with their escape codes, and damaged
// files that must end in a clear ImageDecodeError. Pictures are built byte by byte here.
#include "gfx/bmp_decoder.h"

#include "gfx/decoder_mutation.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace hk {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Bgra = std::array<int, 4>;

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

struct BmpParts {
    std::int32_t width = 0;
    std::int32_t height = 0; // negative: rows stored top to bottom
    int bpp = 24;
    std::uint32_t compression = 0;
    std::uint32_t colours_used = 0;
    std::vector<std::uint32_t> palette = {}; // 0x00RRGGBB, written blue first
    std::vector<std::uint32_t> masks = {};   // written after a 40-byte header
    Bytes pixels = {};
    bool core_header = false;
};

Bytes MakeBmp(const BmpParts& p) {
    const std::uint32_t header = p.core_header ? 12 : 40;
    const std::uint32_t entry = p.core_header ? 3 : 4;
    const std::uint32_t offset = 14 + header + 4 * static_cast<std::uint32_t>(p.masks.size()) +
                                 entry * static_cast<std::uint32_t>(p.palette.size());
    Bytes b{'B', 'M'};
    Put32(b, offset + static_cast<std::uint32_t>(p.pixels.size())); // file size (not trusted)
    Put32(b, 0);                                                    // reserved
    Put32(b, offset);                                               // pixel data offset
    Put32(b, header);
    if (p.core_header) {
        Put16(b, static_cast<std::uint32_t>(p.width));
        Put16(b, static_cast<std::uint32_t>(p.height));
        Put16(b, 1);
        Put16(b, static_cast<std::uint32_t>(p.bpp));
    } else {
        Put32(b, static_cast<std::uint32_t>(p.width));
        Put32(b, static_cast<std::uint32_t>(p.height));
        Put16(b, 1);
        Put16(b, static_cast<std::uint32_t>(p.bpp));
        Put32(b, p.compression);
        Put32(b, 0); // image size
        Put32(b, 2835);
        Put32(b, 2835);
        Put32(b, p.colours_used);
        Put32(b, 0);
    }
    for (std::uint32_t m : p.masks)
        Put32(b, m);
    for (std::uint32_t c : p.palette) {
        b.push_back(static_cast<std::uint8_t>(c));
        b.push_back(static_cast<std::uint8_t>(c >> 8));
        b.push_back(static_cast<std::uint8_t>(c >> 16));
        if (!p.core_header)
            b.push_back(0);
    }
    b.insert(b.end(), p.pixels.begin(), p.pixels.end());
    return b;
}

Bgra Get(const Bitmap& bmp, int x, int y) {
    const std::uint8_t* p = bmp.Pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

std::string ErrorOf(const Bytes& data) {
    try {
        DecodeBmp(data);
    } catch (const ImageDecodeError& e) {
        return e.what();
    }
    return "(no error)";
}

// A 2 x 2 picture, 24 bits: rows padded to 8 bytes. Bottom-up, so the first stored row is the
// bottom one.
const Bytes kPixels24 = {
    0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xEE, 0xEE, // bottom row: (1,2,3) (4,5,6) + padding
    0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0xEE, 0xEE, // top row
};

TEST(BmpDecoder, Reads24BitRowsBottomUpAndTopDown) {
    BmpParts p{.width = 2, .height = 2, .bpp = 24, .pixels = kPixels24};
    Bitmap bottom_up = DecodeBmp(MakeBmp(p));
    ASSERT_EQ(bottom_up.Width(), 2);
    ASSERT_EQ(bottom_up.Height(), 2);
    EXPECT_EQ(Get(bottom_up, 0, 0), (Bgra{0x10, 0x20, 0x30, 0}));
    EXPECT_EQ(Get(bottom_up, 1, 0), (Bgra{0x40, 0x50, 0x60, 0}));
    EXPECT_EQ(Get(bottom_up, 0, 1), (Bgra{0x01, 0x02, 0x03, 0}));
    EXPECT_EQ(Get(bottom_up, 1, 1), (Bgra{0x04, 0x05, 0x06, 0}));

    p.height = -2;
    Bitmap top_down = DecodeBmp(MakeBmp(p));
    EXPECT_EQ(Get(top_down, 0, 0), (Bgra{0x01, 0x02, 0x03, 0}));
    EXPECT_EQ(Get(top_down, 1, 1), (Bgra{0x40, 0x50, 0x60, 0}));

    // The final row may come without its padding.
    p.pixels.resize(p.pixels.size() - 2);
    EXPECT_EQ(Get(DecodeBmp(MakeBmp(p)), 1, 1), (Bgra{0x40, 0x50, 0x60, 0}));
}

TEST(BmpDecoder, ReadsPalettedDepthsMostSignificantBitsFirst) {
    // 1 bit, 10 pixels wide: bits 1011 0010 01 -> white, black, white, white, black...
    BmpParts one{.width = 10, .height = 1, .bpp = 1, .palette = {0x000000, 0xFFFFFF}, .pixels = {0xB2, 0x40, 0, 0}};
    Bitmap b1 = DecodeBmp(MakeBmp(one));
    const int expect1[10] = {255, 0, 255, 255, 0, 0, 255, 0, 0, 255};
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(Get(b1, x, 0)[0], expect1[x]) << "column " << x;

    // 4 bits, 3 pixels: indices 2, 1, 0.
    BmpParts four{
        .width = 3, .height = 1, .bpp = 4, .palette = {0x0000FF, 0x00FF00, 0xFF0000}, .pixels = {0x21, 0x00, 0, 0}};
    Bitmap b4 = DecodeBmp(MakeBmp(four));
    EXPECT_EQ(Get(b4, 0, 0), (Bgra{0, 0, 255, 0}));
    EXPECT_EQ(Get(b4, 1, 0), (Bgra{0, 255, 0, 0}));
    EXPECT_EQ(Get(b4, 2, 0), (Bgra{255, 0, 0, 0}));

    // 8 bits with a short colour table: index 2 is past its end and reads as black.
    BmpParts eight{
        .width = 3, .height = 1, .bpp = 8, .colours_used = 2, .palette = {0x123456, 0xABCDEF}, .pixels = {1, 0, 2, 0}};
    Bitmap b8 = DecodeBmp(MakeBmp(eight));
    EXPECT_EQ(Get(b8, 0, 0), (Bgra{0xEF, 0xCD, 0xAB, 0}));
    EXPECT_EQ(Get(b8, 1, 0), (Bgra{0x56, 0x34, 0x12, 0}));
    EXPECT_EQ(Get(b8, 2, 0), (Bgra{0, 0, 0, 0}));

    // The old 12-byte header: 16-bit sizes and three-byte palette entries.
    BmpParts core{.width = 2,
                  .height = 1,
                  .bpp = 8,
                  .palette = std::vector<std::uint32_t>(256, 0x000000),
                  .pixels = {7, 200, 0, 0},
                  .core_header = true};
    core.palette[7] = 0x112233;
    core.palette[200] = 0x445566;
    Bitmap bc = DecodeBmp(MakeBmp(core));
    EXPECT_EQ(Get(bc, 0, 0), (Bgra{0x33, 0x22, 0x11, 0}));
    EXPECT_EQ(Get(bc, 1, 0), (Bgra{0x66, 0x55, 0x44, 0}));
}

TEST(BmpDecoder, ThirtyTwoAndSixteenBitsDropTheFourthByteAndScaleMasks) {
    // 32 bits: the stored fourth byte (0x80) never reaches the picture, which is opaque.
    BmpParts p32{.width = 1, .height = 1, .bpp = 32, .pixels = {0x11, 0x22, 0x33, 0x80}};
    EXPECT_EQ(Get(DecodeBmp(MakeBmp(p32)), 0, 0), (Bgra{0x11, 0x22, 0x33, 0}));

    // 16 bits, default 5-5-5: 0x7FFF is white, 0x001F pure blue, 0x4210 = (16,16,16) -> 132.
    BmpParts p555{.width = 3, .height = 1, .bpp = 16, .pixels = {0xFF, 0x7F, 0x1F, 0x00, 0x10, 0x42, 0, 0}};
    Bitmap b555 = DecodeBmp(MakeBmp(p555));
    EXPECT_EQ(Get(b555, 0, 0), (Bgra{255, 255, 255, 0}));
    EXPECT_EQ(Get(b555, 1, 0), (Bgra{255, 0, 0, 0}));
    EXPECT_EQ(Get(b555, 2, 0), (Bgra{132, 132, 132, 0})); // 16 * 255 / 31 = 131.6

    // 16 bits with 5-6-5 masks: 0x07E0 is pure green, 0xF800 pure red.
    BmpParts p565{.width = 2,
                  .height = 1,
                  .bpp = 16,
                  .compression = 3,
                  .masks = {0xF800, 0x07E0, 0x001F},
                  .pixels = {0xE0, 0x07, 0x00, 0xF8}};
    Bitmap b565 = DecodeBmp(MakeBmp(p565));
    EXPECT_EQ(Get(b565, 0, 0), (Bgra{0, 255, 0, 0}));
    EXPECT_EQ(Get(b565, 1, 0), (Bgra{0, 0, 255, 0}));

    // 32 bits with masks in an unusual order (red in the low byte).
    BmpParts swapped{.width = 1,
                     .height = 1,
                     .bpp = 32,
                     .compression = 3,
                     .masks = {0x000000FF, 0x0000FF00, 0x00FF0000},
                     .pixels = {0x11, 0x22, 0x33, 0x44}};
    EXPECT_EQ(Get(DecodeBmp(MakeBmp(swapped)), 0, 0), (Bgra{0x33, 0x22, 0x11, 0}));
}

// RLE palette: index 0 black (what skipped pixels show), then four easy-to-tell colours.
const std::vector<std::uint32_t> kRlePalette = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};

int IndexAt(const Bitmap& bmp, int x, int y) {
    const Color c = bmp.GetColor(x, y);
    for (int i = 0; i < static_cast<int>(kRlePalette.size()); ++i) {
        const std::uint32_t rgb = kRlePalette[static_cast<std::size_t>(i)];
        if (c == MakeColor(static_cast<int>(rgb >> 16), static_cast<int>(rgb >> 8), static_cast<int>(rgb)))
            return i;
    }
    return -1;
}

std::string Indices(const Bitmap& bmp) {
    std::string s;
    for (int y = 0; y < bmp.Height(); ++y) {
        for (int x = 0; x < bmp.Width(); ++x)
            s += static_cast<char>('0' + IndexAt(bmp, x, y));
        s += '|';
    }
    return s;
}

TEST(BmpDecoder, Rle8RunsAbsoluteRunsDeltaAndEndCodes) {
    // 6 x 3, bottom-up: the first row decoded is the bottom row.
    BmpParts p{.width = 6,
               .height = 3,
               .bpp = 8,
               .compression = 1,
               .palette = kRlePalette,
               .pixels = {
                   0x03, 0x01,                   // bottom row: three of index 1
                   0x00, 0x03, 0x02, 0x03, 0x04, // absolute run of 3: 2 3 4
                   0x00,                         // padding to a 16-bit boundary
                   0x00, 0x00,                   // end of line
                   0x00, 0x02, 0x02, 0x01,       // delta: right 2, up 1 (skips the middle row)
                   0x02, 0x04,                   // top row columns 2..3: index 4
                   0x00, 0x01,                   // end of bitmap
               }};
    Bitmap bmp = DecodeBmp(MakeBmp(p));
    EXPECT_EQ(Indices(bmp), "004400|000000|111234|");

    // The same data top-down lands in the opposite rows.
    p.height = -3;
    EXPECT_EQ(Indices(DecodeBmp(MakeBmp(p))), "111234|000000|004400|");
}

TEST(BmpDecoder, Rle4AlternatesNibblesAndPadsAbsoluteRuns) {
    BmpParts p{.width = 5,
               .height = 2,
               .bpp = 4,
               .compression = 2,
               .palette = kRlePalette,
               .pixels = {
                   0x05, 0x12,             // bottom row: 1 2 1 2 1
                   0x00, 0x00,             // end of line
                   0x00, 0x03, 0x34, 0x20, // absolute run of 3 nibbles: 3 4 2, two bytes (already even)
                   0x02, 0x41,             // 4 1
                   0x00, 0x01,             // end of bitmap
               }};
    EXPECT_EQ(Indices(DecodeBmp(MakeBmp(p))), "34241|12121|");

    // An odd count of bytes in an absolute run is padded: 5 nibbles take 3 bytes + 1 padding.
    BmpParts q{.width = 5,
               .height = 1,
               .bpp = 4,
               .compression = 2,
               .palette = kRlePalette,
               .pixels = {0x00, 0x05, 0x12, 0x34, 0x10, 0x00, 0x00, 0x01}};
    EXPECT_EQ(Indices(DecodeBmp(MakeBmp(q))), "12341|");
}

TEST(BmpDecoder, DamagedFilesGiveClearErrors) {
    const Bytes good = MakeBmp({.width = 2, .height = 2, .bpp = 24, .pixels = kPixels24});
    ASSERT_NO_THROW(DecodeBmp(good));

    EXPECT_NE(ErrorOf(Bytes(good.begin(), good.begin() + 10)).find("too short"), std::string::npos);
    Bytes no_sig = good;
    no_sig[0] = 'X';
    EXPECT_NE(ErrorOf(no_sig).find("'BM'"), std::string::npos);
    EXPECT_NE(ErrorOf(Bytes(good.begin(), good.begin() + 30)).find("info header"), std::string::npos);
    EXPECT_NE(ErrorOf(Bytes(good.begin(), good.end() - 3)).find("truncated"), std::string::npos);

    Bytes bad_offset = good;
    bad_offset[10] = 0xFF, bad_offset[11] = 0xFF, bad_offset[12] = 0xFF, bad_offset[13] = 0x7F;
    EXPECT_NE(ErrorOf(bad_offset).find("truncated"), std::string::npos);

    // Sizes: zero, beyond a side of 16384, and too many pixels in all; none is allocated.
    EXPECT_NE(ErrorOf(MakeBmp({.width = 0, .height = 2, .bpp = 24})).find("empty"), std::string::npos);
    EXPECT_NE(ErrorOf(MakeBmp({.width = 16385, .height = 1, .bpp = 24})).find("outside the accepted range"),
              std::string::npos);
    EXPECT_NE(ErrorOf(MakeBmp({.width = 10000, .height = -10000, .bpp = 24})).find("outside the accepted range"),
              std::string::npos);
    EXPECT_NE(ErrorOf(MakeBmp({.width = 4, .height = INT32_MIN, .bpp = 24})).find("outside the accepted range"),
              std::string::npos);
    // Allowed dimensions, but nowhere near the bytes they need.
    EXPECT_NE(ErrorOf(MakeBmp({.width = 8000, .height = 8000, .bpp = 32})).find("truncated"), std::string::npos);

    EXPECT_NE(ErrorOf(MakeBmp({.width = 1, .height = 1, .bpp = 7, .pixels = {0, 0, 0, 0}})).find("bit depth 7"),
              std::string::npos);
    EXPECT_NE(ErrorOf(MakeBmp({.width = 1, .height = 1, .bpp = 4, .compression = 1})).find("RLE8"), std::string::npos);
    EXPECT_NE(ErrorOf(MakeBmp({.width = 1, .height = 1, .bpp = 24, .compression = 9})).find("compression 9"),
              std::string::npos);

    // A colour table of 256 entries cut off by the end of the file.
    Bytes palette_cut = MakeBmp(
        {.width = 1, .height = 1, .bpp = 8, .palette = std::vector<std::uint32_t>(256, 7), .pixels = {0, 0, 0, 0}});
    palette_cut.resize(54 + 2 * 4);
    EXPECT_NE(ErrorOf(palette_cut).find("colour table"), std::string::npos);
}

TEST(BmpDecoder, DamagedRleRunsGiveClearErrors) {
    auto rle8 = [](Bytes codes) {
        return MakeBmp(
            {.width = 4, .height = 2, .bpp = 8, .compression = 1, .palette = kRlePalette, .pixels = std::move(codes)});
    };
    EXPECT_NE(ErrorOf(rle8({0x00, 0x04, 1, 2})).find("absolute run is cut off"), std::string::npos);
    // Clipped at the row's end, the absolute run still takes its bytes and padding: then the data ends.
    EXPECT_NE(ErrorOf(rle8({0x00, 0x05, 1, 2, 3, 4, 1, 0})).find("row 0, column 4: the data ends"), std::string::npos);
    EXPECT_NE(ErrorOf(rle8({0x00, 0x02, 0x01})).find("delta code is cut off"), std::string::npos);
    EXPECT_NE(ErrorOf(rle8({0x02, 0x01})).find("ends before the end-of-bitmap"), std::string::npos);
    EXPECT_NE(ErrorOf(rle8({})).find("past the end"), std::string::npos);
    // Every row finished by end-of-line codes counts as complete without the final code.
    EXPECT_NO_THROW(DecodeBmp(rle8({0x04, 0x01, 0x00, 0x00, 0x04, 0x02, 0x00, 0x00})));

    Bytes rle4 = MakeBmp({.width = 3,
                          .height = 2,
                          .bpp = 4,
                          .compression = 2,
                          .palette = kRlePalette,
                          .pixels = {0x04, 0x12, 0x00, 0x00, 0x00, 0x02}});
    EXPECT_NE(ErrorOf(rle4).find("RLE4 data at offset 74, row 1, column 0: the delta code is cut off"),
              std::string::npos);
}

// Where ImageMagick lets a run that passes the row's end wrap into the next row, the decoder clips
// it (as browsers do): the codes after it draw nothing until the next end-of-line.
TEST(BmpDecoder, RleRunsAndDeltasPassingTheRowAreClippedThere) {
    auto decode = [](int bpp, Bytes codes) {
        return Indices(DecodeBmp(MakeBmp({.width = 4,
                                          .height = -3,
                                          .bpp = bpp,
                                          .compression = bpp == 8 ? 1u : 2u,
                                          .palette = kRlePalette,
                                          .pixels = std::move(codes)})));
    };
    // A run of 5 in a row of 4, then a run of 2 that has no room left; the next row starts afresh.
    EXPECT_EQ(decode(8, {0x01, 0x02, 0x05, 0x01, 0x02, 0x03, 0x00, 0x00, 0x02, 0x04, 0x00, 0x01}), "2111|4400|0000|");
    // An absolute run of 5 (padded to 6 bytes) from column 1: 1 2 3 fit, the rest is read past.
    EXPECT_EQ(decode(8, {0x01, 0x04, 0x00, 0x05, 1, 2, 3, 4, 4, 0, 0x01, 0x03, 0x00, 0x00, 0x01, 0x02, 0x00, 0x01}),
              "4123|2000|0000|");
    // A delta 9 to the right leaves the row full: the run after it is dropped, the row below is not.
    EXPECT_EQ(decode(8, {0x01, 0x01, 0x00, 0x02, 0x09, 0x00, 0x02, 0x02, 0x00, 0x00, 0x01, 0x03, 0x00, 0x01}),
              "1000|3000|0000|");
    // A delta two rows down from column 3, then 2 pixels of which one fits.
    EXPECT_EQ(decode(8, {0x00, 0x02, 0x03, 0x02, 0x02, 0x04, 0x00, 0x01}), "0000|0000|0004|");
    // RLE4: 7 nibbles from column 2 (1 2 fit), then an absolute run of 3 nibbles from column 0.
    EXPECT_EQ(decode(4, {0x00, 0x02, 0x02, 0x00, 0x07, 0x12, 0x00, 0x00, 0x00, 0x03, 0x34, 0x20, 0x00, 0x01}),
              "0012|3420|0000|");
    // Codes below the last row (a delta or end-of-line past it) end the picture: the rest is never read.
    EXPECT_EQ(decode(8, {0x04, 0x01, 0x00, 0x02, 0x00, 0x05, 0xFF}), "1111|0000|0000|");
    EXPECT_EQ(decode(8, {0x04, 0x01, 0x00, 0x00, 0x04, 0x02, 0x00, 0x00, 0x04, 0x03, 0x00, 0x00, 0x04, 0x04}),
              "1111|2222|3333|");
}

// A hostile file of many runs and deltas past the row's end costs time in proportion to its size
// and never writes outside the picture.
TEST(BmpDecoder, RleCodesPastTheRowCostOnlyTheirBytes) {
    Bytes codes;
    for (int i = 0; i < 200000; ++i) {
        const Bytes code = i % 2 ? Bytes{0xFF, 0x02} : Bytes{0x00, 0x02, 0xFF, 0x00};
        codes.insert(codes.end(), code.begin(), code.end());
    }
    codes.insert(codes.end(), {0x00, 0x00, 0x03, 0x03, 0x00, 0x01});
    const Bytes data = MakeBmp(
        {.width = 3, .height = 2, .bpp = 8, .compression = 1, .palette = kRlePalette, .pixels = std::move(codes)});
    EXPECT_EQ(Indices(DecodeBmp(data)), "333|000|");
}

TEST(BmpDecoder, DamagedCopiesOfGoodFilesNeverCrash) {
    BmpParts paletted{.width = 7, .height = 3, .bpp = 8, .palette = kRlePalette, .pixels = Bytes(24, 3)};
    ExpectOnlyCleanFailures(MakeBmp(paletted), ImageFormat::Bmp, 3000, 1);
    BmpParts rle8{.width = 6,
                  .height = 3,
                  .bpp = 8,
                  .compression = 1,
                  .palette = kRlePalette,
                  .pixels = {0x03, 0x01, 0x00, 0x03, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00, 0x00, 0x02, 0x02, 0x01, 0x02,
                             0x04, 0x00, 0x01}};
    ExpectOnlyCleanFailures(MakeBmp(rle8), ImageFormat::Bmp, 3000, 2);
    BmpParts rle4{.width = 5,
                  .height = 2,
                  .bpp = 4,
                  .compression = 2,
                  .palette = kRlePalette,
                  .pixels = {0x05, 0x12, 0x00, 0x00, 0x00, 0x03, 0x34, 0x20, 0x02, 0x41, 0x00, 0x01}};
    ExpectOnlyCleanFailures(MakeBmp(rle4), ImageFormat::Bmp, 3000, 3);
    BmpParts masked{.width = 3,
                    .height = -2,
                    .bpp = 16,
                    .compression = 3,
                    .masks = {0xF800, 0x07E0, 0x001F},
                    .pixels = Bytes(16, 0xA5)};
    ExpectOnlyCleanFailures(MakeBmp(masked), ImageFormat::Bmp, 3000, 4);
}

} // namespace
} // namespace hk
