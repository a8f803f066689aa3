// Placement of the 800x600 picture on a larger or smaller output: largest 4:3 rectangle, centred;
// which picture pixel each output pixel shows, and mouse points mapped back to it.
#include "platform/qt/picture_fit.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace hk::test {
namespace {

TEST(PictureFit, KeepsFourThreeAndCentresWithBars) {
    struct Case {
        int out_w, out_h;
        PictureFit want;
    } cases[] = {
        {800, 600, {0, 0, 800, 600}},       // exact fit
        {1920, 1080, {240, 0, 1440, 1080}}, // wide screen: bars left and right
        {1280, 1024, {0, 32, 1280, 960}},   // 5:4: bars above and below
        {2560, 1600, {213, 0, 2133, 1600}}, // 16:10: 1600 * 4 / 3 = 2133.3 rounds down
        {3000, 2000, {167, 0, 2666, 2000}}, // 2000 * 800 / 600 = 2666.6 rounds down
        {1366, 768, {171, 0, 1024, 768}},   // odd bar widths: (1366 - 1024) / 2
        {640, 480, {0, 0, 640, 480}},       // smaller than the picture: shrinks
    };
    for (const Case& c : cases) {
        const PictureFit fit = FitPicture(c.out_w, c.out_h, 800, 600);
        EXPECT_EQ(fit.x, c.want.x) << c.out_w << "x" << c.out_h;
        EXPECT_EQ(fit.y, c.want.y) << c.out_w << "x" << c.out_h;
        EXPECT_EQ(fit.width, c.want.width) << c.out_w << "x" << c.out_h;
        EXPECT_EQ(fit.height, c.want.height) << c.out_w << "x" << c.out_h;
        EXPECT_LE(fit.x + fit.width, c.out_w);
        EXPECT_LE(fit.y + fit.height, c.out_h);
    }
}

TEST(PictureFit, EmptyOutputGivesEmptyPictureAndNoDivision) {
    const PictureFit fit = FitPicture(0, 1080, 800, 600);
    EXPECT_EQ(fit.width, 0);
    EXPECT_EQ(fit.height, 0);
    EXPECT_EQ(OutputToPicture(fit, 10, 10, 800, 600, true), (Point{0, 0}));
    EXPECT_EQ(PictureIndex(5, 0, 800), 0);
    EXPECT_EQ(FirstOutputOffset(5, 1600, 0), 0);
}

TEST(PictureFit, WholeMultiplesGiveSquareBlocks) {
    for (const int times : {1, 2, 3, 4}) {
        for (int offset = 0; offset < 800 * times; ++offset)
            ASSERT_EQ(PictureIndex(offset, 800 * times, 800), offset / times) << times << "x, offset " << offset;
        for (int index = 0; index <= 800; ++index)
            ASSERT_EQ(FirstOutputOffset(index, 800 * times, 800), index * times) << times << "x, index " << index;
    }
}

TEST(PictureFit, EachOutputPixelShowsThePictureUnderItsCentre) {
    // Scaled by 1.5 (1200), 1.25 (1000), 1365/800 (full screen at 1600x1024), 2133/800, and shrunk.
    for (const int fit : {1200, 1000, 1365, 2133, 640, 1}) {
        for (int offset = -3; offset < fit + 3; ++offset) {
            const std::int64_t index = PictureIndex(offset, fit, 800);
            // (offset + 1/2) * 800 / fit lies in [index, index + 1).
            const std::int64_t centre_times_2fit = (2 * std::int64_t{offset} + 1) * 800;
            ASSERT_LE(2 * index * fit, centre_times_2fit) << fit << " " << offset;
            ASSERT_LT(centre_times_2fit, 2 * (index + 1) * fit) << fit << " " << offset;
        }
        // The first output pixel of each picture pixel is where the index reaches it.
        for (int index = 0; index <= 800; ++index) {
            const int first = FirstOutputOffset(index, fit, 800);
            ASSERT_GE(PictureIndex(first, fit, 800), index) << fit << " " << index;
            ASSERT_LT(PictureIndex(first - 1, fit, 800), index) << fit << " " << index;
        }
    }
    // 1.5: blocks of 1 and 2 pixels in turn, starting with 1 (centre 0.5 / 1.5 = 0.33, 1.5 / 1.5 = 1).
    EXPECT_EQ(PictureIndex(0, 1200, 800), 0);
    EXPECT_EQ(PictureIndex(1, 1200, 800), 1);
    EXPECT_EQ(PictureIndex(2, 1200, 800), 1);
    EXPECT_EQ(PictureIndex(3, 1200, 800), 2);
}

TEST(PictureFit, EveryPictureBlockCornerMapsBackToItsPixel) {
    for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{2560, 1600}, std::pair{1366, 768}, std::pair{1024, 768},
                               std::pair{1000, 600}, std::pair{1600, 1200}}) {
        const PictureFit fit = FitPicture(w, h, 800, 600);
        int wrong = 0;
        for (int y = 0; y < 600; y += 7) {
            for (int x = 0; x < 800; ++x) {
                const Point corner = PictureToOutput(fit, Point{x, y}, 800, 600);
                if (OutputToPicture(fit, corner.x, corner.y, 800, 600, false) != Point{x, y})
                    ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << w << "x" << h;
    }
    // At 2x the block of (0, 424) starts at twice the point, past the bars.
    const PictureFit doubled = FitPicture(1700, 1200, 800, 600); // bars of 50 either side
    EXPECT_EQ(PictureToOutput(doubled, Point{0, 424}, 800, 600), (Point{50, 848}));
}

TEST(PictureFit, BarsMapOutsideUnlessClamped) {
    const PictureFit fit = FitPicture(1920, 1080, 800, 600); // picture at x 240..1679
    EXPECT_EQ(OutputToPicture(fit, 240, 0, 800, 600, false), (Point{0, 0}));
    EXPECT_EQ(OutputToPicture(fit, 1679, 1079, 800, 600, false), (Point{799, 599}));
    // 1440 output pixels for 800 picture pixels: 1.8 each. Output 241 has its centre at 1.5 / 1.8 =
    // 0.83 (pixel 0), output 242 at 2.5 / 1.8 = 1.39 (pixel 1).
    EXPECT_EQ(OutputToPicture(fit, 241, 0, 800, 600, false).x, 0);
    EXPECT_EQ(OutputToPicture(fit, 242, 0, 800, 600, false).x, 1);
    EXPECT_LT(OutputToPicture(fit, 239, 500, 800, 600, false).x, 0);
    EXPECT_LT(OutputToPicture(fit, 10, 500, 800, 600, false).x, 0);
    EXPECT_GT(OutputToPicture(fit, 1680, 500, 800, 600, false).x, 799);
    EXPECT_EQ(OutputToPicture(fit, 10, 500, 800, 600, true), (Point{0, 278})); // centre 500.5 * 600 / 1080
    EXPECT_EQ(OutputToPicture(fit, 1900, 1079, 800, 600, true), (Point{799, 599}));
}

} // namespace
} // namespace hk::test
