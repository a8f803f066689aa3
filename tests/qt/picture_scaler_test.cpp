// Nearest-neighbour scaling of engine pixels on tiny pictures, worked out by hand: whole multiples
// give square blocks, other sizes take the pixel under each target pixel's centre, the fourth byte
// becomes opaque, and a partial update touches nothing outside its rectangle.
#include "platform/qt/picture_scaler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace hk::test {
namespace {

constexpr std::uint32_t kUntouched = 0x12345678;

struct Picture {
    int width, height;
    std::vector<std::uint32_t> pixels;
    Picture(int w, int h, std::uint32_t fill = kUntouched) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
    std::uint32_t& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
    PixelBlock Block() const { return PixelBlock{pixels.data(), width, width, height}; }
    PixelTarget Target() { return PixelTarget{pixels.data(), width, width, height}; }
};

// Source pixel values 0x0000YYXX, with the fourth byte (the engine's transparency) set.
Picture Numbered(int w, int h) {
    Picture source(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            source.at(x, y) = 0x7F000000u | std::uint32_t(y << 8) | std::uint32_t(x);
    return source;
}

std::uint32_t Shown(int x, int y) {
    return 0xFF000000u | std::uint32_t(y << 8) | std::uint32_t(x);
}

TEST(PictureScaler, TwiceGivesTwoByTwoBlocksMadeOpaque) {
    const Picture source = Numbered(3, 2);
    Picture target(6, 4);
    ScaleNearest(source.Block(), target.Target(), 0, 0, 6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(target.at(x, y), Shown(x / 2, y / 2)) << x << "," << y;
}

TEST(PictureScaler, OtherSizesTakeThePixelUnderEachCentre) {
    // 2 -> 3 columns: centres 0.5, 1.5, 2.5 of 3 are at 0.33, 1.0, 1.67 of 2: pixels 0, 1, 1.
    // 4 -> 3 rows: centres at 0.67, 2.0, 3.33 of 4: rows 0, 2, 3.
    const Picture source = Numbered(2, 4);
    Picture target(3, 3);
    ScaleNearest(source.Block(), target.Target(), 0, 0, 3, 3);
    const int columns[] = {0, 1, 1};
    const int rows[] = {0, 2, 3};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(target.at(x, y), Shown(columns[x], rows[y])) << x << "," << y;
}

TEST(PictureScaler, SameSizeCopiesAndAPartTouchesOnlyItself) {
    const Picture source = Numbered(5, 4);
    Picture target(5, 4);
    ScaleNearest(source.Block(), target.Target(), 1, 1, 3, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool inside = x >= 1 && x < 3 && y >= 1;
            EXPECT_EQ(target.at(x, y), inside ? Shown(x, y) : kUntouched) << x << "," << y;
        }
    // A part reaching past the target is clipped; an empty one does nothing.
    Picture doubled(10, 8);
    ScaleNearest(source.Block(), doubled.Target(), 8, 6, 20, 20);
    ScaleNearest(source.Block(), doubled.Target(), 3, 3, 3, 9);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(doubled.at(x, y), x >= 8 && y >= 6 ? Shown(x / 2, y / 2) : kUntouched) << x << "," << y;
}

TEST(PictureScaler, RowsOfADifferentStrideAreFollowed) {
    // A source whose rows are 4 pixels apart, of which 2 are the picture.
    Picture padded = Numbered(4, 2);
    const PixelBlock source{padded.pixels.data(), 4, 2, 2};
    Picture target(4, 4);
    ScaleNearest(source, target.Target(), 0, 0, 4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(target.at(x, y), Shown(x / 2, y / 2)) << x << "," << y;
}

} // namespace
} // namespace hk::test
