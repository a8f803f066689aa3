// Full-screen placement of the 800x600 picture: largest 4:3 rectangle, centred, and mouse points
// mapped back to the pixel they show.
#include "platform/qt/picture_fit.h"

#include <gtest/gtest.h>

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
}

TEST(PictureFit, EveryPictureCentreMapsBackToItsPixel) {
    for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{2560, 1600}, std::pair{1366, 768}, std::pair{1024, 768},
                               std::pair{640, 480}}) {
        const PictureFit fit = FitPicture(w, h, 800, 600);
        int wrong = 0;
        for (int y = 0; y < 600; y += 7) {
            for (int x = 0; x < 800; ++x) {
                double ox = 0, oy = 0;
                PictureToOutput(fit, Point{x, y}, 800, 600, ox, oy);
                if (OutputToPicture(fit, ox, oy, 800, 600, false) != Point{x, y})
                    ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << w << "x" << h;
    }
}

TEST(PictureFit, BarsMapOutsideUnlessClamped) {
    const PictureFit fit = FitPicture(1920, 1080, 800, 600); // picture at x 240..1679
    EXPECT_EQ(OutputToPicture(fit, 240, 0, 800, 600, false), (Point{0, 0}));
    EXPECT_EQ(OutputToPicture(fit, 1679.9, 1079.9, 800, 600, false), (Point{799, 599}));
    // 1440 output pixels for 800 picture pixels: 1.8 each; x = 241.7 is still picture pixel 0.
    EXPECT_EQ(OutputToPicture(fit, 241.7, 0, 800, 600, false).x, 0);
    EXPECT_EQ(OutputToPicture(fit, 241.9, 0, 800, 600, false).x, 1);
    EXPECT_LT(OutputToPicture(fit, 10, 500, 800, 600, false).x, 0);
    EXPECT_GT(OutputToPicture(fit, 1900, 500, 800, 600, false).x, 799);
    EXPECT_EQ(OutputToPicture(fit, 10, 500, 800, 600, true), (Point{0, 277}));
    EXPECT_EQ(OutputToPicture(fit, 1900, 1079, 800, 600, true), (Point{799, 599}));
}

} // namespace
} // namespace hk::test
