// The surface's storage operations and the loader's conversions: CombineMask, BlueToGray8,
// InvertRect, plus the fills and copies the rest of the engine leans on.
#include "gfx/bitmap.h"
#include "pixel_test_support.h"

#include <gtest/gtest.h>

namespace hk {
namespace {

using namespace pixel_test;

TEST(CombineMask, TakesColourFromTheSourceAndTheFourthByteFromTheMaskBlue) {
    Bitmap colour, mask, out;
    colour.SetSize(3, 2);
    mask.SetSize(3, 2);
    Put(colour, 0, 0, {10, 20, 30, 40});
    Put(colour, 2, 1, {1, 2, 3, 4});
    Put(mask, 0, 0, {200, 7, 8, 9}); // only blue counts
    Put(mask, 2, 1, {0, 255, 255, 255});
    out.SetSize(50, 50); // the output takes the source's size whatever it held
    colour.CombineMask(mask, out);
    ASSERT_EQ(out.Width(), 3);
    ASSERT_EQ(out.Height(), 2);
    EXPECT_EQ(out.Format(), PixelFormat::Bgra32);
    EXPECT_EQ(Get(out, 0, 0), (Bgra{10, 20, 30, 200}));
    EXPECT_EQ(Get(out, 2, 1), (Bgra{1, 2, 3, 0}));
    EXPECT_EQ(Get(out, 1, 0), (Bgra{255, 255, 255, 255})); // white on white

    // A one-byte mask gives its byte; the result may replace the source itself.
    Bitmap grey;
    grey.SetSizeGray8(3, 2);
    grey.Row(1)[2] = 77;
    colour.CombineMask(grey, colour);
    EXPECT_EQ(Get(colour, 2, 1), (Bgra{1, 2, 3, 77}));
    EXPECT_EQ(Get(colour, 0, 0), (Bgra{10, 20, 30, 0}));
}

TEST(CombineMask, PixelsTheMaskDoesNotCoverStayOpaque) {
    Bitmap colour, mask, out;
    colour.SetSize(4, 3);
    mask.SetSize(2, 1);
    mask.Fill(kWhite);
    colour.CombineMask(mask, out);
    EXPECT_EQ(Get(out, 1, 0), (Bgra{255, 255, 255, 255}));
    EXPECT_EQ(Get(out, 2, 0), (Bgra{255, 255, 255, 0}));
    EXPECT_EQ(Get(out, 0, 1), (Bgra{255, 255, 255, 0}));
    Bitmap empty;
    colour.CombineMask(empty, out);
    EXPECT_EQ(Get(out, 0, 0), (Bgra{255, 255, 255, 0}));
    empty.CombineMask(mask, out);
    EXPECT_FALSE(out.HasImage());
}

TEST(BlueToGray8, KeepsTheBlueByteOfEveryPixel) {
    Bitmap colour;
    colour.SetSize(5, 2);
    Put(colour, 0, 0, {11, 22, 33, 44});
    Put(colour, 4, 1, {250, 0, 0, 0});
    Bitmap grey;
    colour.BlueToGray8(grey);
    ASSERT_EQ(grey.Format(), PixelFormat::Gray8);
    ASSERT_EQ(grey.Width(), 5);
    ASSERT_EQ(grey.Height(), 2);
    EXPECT_EQ(grey.Row(0)[0], 11);
    EXPECT_EQ(grey.Row(0)[1], 255);
    EXPECT_EQ(grey.Row(1)[4], 250);
    colour.BlueToGray8(colour); // in place
    EXPECT_EQ(colour.Format(), PixelFormat::Gray8);
    EXPECT_EQ(colour.Row(1)[4], 250);
}

TEST(InvertRect, InvertsColourInsideTheSurfaceOnly) {
    Bitmap bmp;
    bmp.SetSize(4, 3);
    bmp.Fill(MakeColor(30, 20, 10)); // blue 10, green 20, red 30
    Put(bmp, 3, 2, {0, 100, 255, 66});
    InvertRect(2, 1, 100, 100, bmp); // cut at the right and bottom edges
    EXPECT_EQ(Get(bmp, 3, 2), (Bgra{255, 155, 0, 66}));
    EXPECT_EQ(Get(bmp, 2, 1), (Bgra{245, 235, 225, 0}));
    EXPECT_EQ(Get(bmp, 1, 1), (Bgra{10, 20, 30, 0}));
    EXPECT_EQ(Get(bmp, 2, 0), (Bgra{10, 20, 30, 0}));
    InvertRect(-5, -5, 6, 6, bmp); // a negative origin is cut at 0 as well
    EXPECT_EQ(Get(bmp, 0, 0), (Bgra{245, 235, 225, 0}));
    EXPECT_EQ(Get(bmp, 1, 0), (Bgra{10, 20, 30, 0}));
    InvertRect(4, 0, 10, 10, bmp);
    InvertRect(0, 0, 0, 3, bmp);
    InvertRect(2147483647, 0, 2147483647, 1, bmp);
    EXPECT_EQ(Get(bmp, 3, 0), (Bgra{10, 20, 30, 0}));

    Bitmap grey;
    grey.SetSizeGray8(2, 1);
    grey.Row(0)[1] = 5;
    InvertRect(0, 0, 2, 1, grey);
    EXPECT_EQ(grey.Row(0)[0], 255);
    EXPECT_EQ(grey.Row(0)[1], 250);
}

TEST(TABitmapStorage, CopyRectClipsBothSurfacesAndAssignWidensGrey) {
    Bitmap src, dst;
    src.SetSize(3, 3);
    Put(src, 0, 0, {1, 1, 1, 1});
    Put(src, 2, 2, {2, 2, 2, 2});
    dst.SetSize(4, 4);
    dst.CopyRect(-1, -1, src, 0, 0, 3, 3); // source (1,1)..(2,2) to (0,0)..(1,1)
    EXPECT_EQ(Get(dst, 1, 1), (Bgra{2, 2, 2, 2}));
    EXPECT_EQ(Get(dst, 2, 2), (Bgra{255, 255, 255, 0}));
    dst.CopyRect(3, 3, src, 0, 0, 3, 3);
    EXPECT_EQ(Get(dst, 3, 3), (Bgra{1, 1, 1, 1}));

    Bitmap grey, wide;
    grey.SetSizeGray8(2, 1);
    grey.Row(0)[1] = 9;
    wide.Assign(grey);
    EXPECT_EQ(wide.Format(), PixelFormat::Bgra32);
    EXPECT_EQ(Get(wide, 1, 0), (Bgra{9, 9, 9, 0}));
    EXPECT_EQ(wide.GetColor(1, 0), MakeColor(9, 9, 9));
    EXPECT_EQ(wide.GetColor(5, 0), kBlack);
}

} // namespace
} // namespace hk
