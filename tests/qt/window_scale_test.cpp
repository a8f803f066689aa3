// The window's scales: what --scale accepts, the client sizes, and the steps of the zoom keys on
// screens of a few sizes (the sizes given are the screen's free area less the window frame).
#include "platform/qt/window_scale.h"

#include <gtest/gtest.h>

namespace hk::test {
namespace {

constexpr Size kPicture{800, 600};

TEST(WindowScale, ParsesFactorsFromOneToEightAndFit) {
    EXPECT_EQ(ParseWindowScale("1"), WindowScale::Times(1.0));
    EXPECT_EQ(ParseWindowScale("1.5"), WindowScale::Times(1.5));
    EXPECT_EQ(ParseWindowScale("2x"), WindowScale::Times(2.0));
    EXPECT_EQ(ParseWindowScale("3X"), WindowScale::Times(3.0));
    EXPECT_EQ(ParseWindowScale("8"), WindowScale::Times(8.0));
    EXPECT_EQ(ParseWindowScale("fit"), WindowScale::Fit());
    for (const char* bad : {"", "x", "0.5", "0", "-2", "9", "2.5.1", "two", "nan", "inf", "1,5", " 2", "FIT"})
        EXPECT_FALSE(ParseWindowScale(bad)) << bad;
    for (const char* text : {"1", "1.5", "2", "2.25", "fit"})
        EXPECT_EQ(WindowScaleText(*ParseWindowScale(text)), text);
}

TEST(WindowScale, ClientSizes) {
    const Size any{1920, 1040};
    EXPECT_EQ(ClientSizeFor(WindowScale::Times(1.5), kPicture, any).width, 1200);
    EXPECT_EQ(ClientSizeFor(WindowScale::Times(1.5), kPicture, any).height, 900);
    EXPECT_EQ(ClientSizeFor(WindowScale::Times(3), kPicture, any).width, 2400); // a factor ignores the screen
    // Fit: 1040 high, 1040 * 4 / 3 = 1386.7 wide, rounded down.
    EXPECT_EQ(ClientSizeFor(WindowScale::Fit(), kPicture, any).width, 1386);
    EXPECT_EQ(ClientSizeFor(WindowScale::Fit(), kPicture, any).height, 1040);
}

TEST(WindowScale, ASizeOfExactlyAStepIsThatStep) {
    EXPECT_EQ(StepOfSize(Size{1200, 900}, kPicture), WindowScale::Times(1.5));
    EXPECT_EQ(StepOfSize(Size{6400, 4800}, kPicture), WindowScale::Times(8.0));
    EXPECT_FALSE(StepOfSize(Size{1200, 901}, kPicture));
    EXPECT_FALSE(StepOfSize(Size{1000, 750}, kPicture)) << "1.25 is no step";
}

TEST(WindowScale, ZoomStepsThroughWhatFitsThenFit) {
    // A 1080p screen with a panel and a frame: 1.5x fits, 2x (1200 high) does not.
    const Size hd{1920, 1040};
    EXPECT_EQ(LargerScale(800, kPicture, hd), WindowScale::Times(1.5));
    EXPECT_EQ(LargerScale(1200, kPicture, hd), WindowScale::Fit());
    EXPECT_FALSE(LargerScale(1386, kPicture, hd));
    EXPECT_EQ(SmallerScale(1386, kPicture, hd), WindowScale::Times(1.5));
    EXPECT_EQ(SmallerScale(1200, kPicture, hd), WindowScale::Times(1.0));
    EXPECT_FALSE(SmallerScale(800, kPicture, hd));
    // A size of the player's own between steps goes to the next step either way.
    EXPECT_EQ(LargerScale(1000, kPicture, hd), WindowScale::Times(1.5));
    EXPECT_EQ(SmallerScale(1000, kPicture, hd), WindowScale::Times(1.0));

    // 4K: 1.5, 2, 3 fit; 4x (2400 high) does not, so fit (2800x2100) comes next.
    const Size uhd{3840, 2100};
    EXPECT_EQ(LargerScale(1600, kPicture, uhd), WindowScale::Times(3.0));
    EXPECT_EQ(LargerScale(2400, kPicture, uhd), WindowScale::Fit());
    EXPECT_EQ(SmallerScale(2800, kPicture, uhd), WindowScale::Times(3.0));

    // A netbook whose screen is smaller than the picture: fit shrinks it; 1x is the way back.
    const Size small{1024, 560};
    EXPECT_FALSE(LargerScale(800, kPicture, small));
    EXPECT_FALSE(SmallerScale(746, kPicture, small));
    EXPECT_EQ(SmallerScale(1600, kPicture, small), WindowScale::Times(1.0));
}

} // namespace
} // namespace hk::test
