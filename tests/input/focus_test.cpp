// The focus over a screen's targets on its own: steps by position through a column, a grid with
// holes and buttons under it, and a staircase of entries; wrapping at the ends; where no focus
// starts; and what a step does with nothing to go to.
#include "engine/input/focus.h"

#include <gtest/gtest.h>

#include <vector>

namespace hk::test {
namespace {

using D = FocusDirection;

// Four bands of 40 rows, one under the other at the lower right (the title's entries).
const std::vector<FocusTarget> kColumn = {
    FocusRect(640, 370, 130, 40),
    FocusRect(640, 410, 130, 40),
    FocusRect(640, 450, 130, 40),
    FocusRect(640, 490, 130, 41),
};

// An album page: cells of 150 x 113 every 153 across and 120 down from (19, 76), then the back,
// previous and next buttons along the bottom. `open` lists the cells (1..12) a click can use.
std::vector<FocusTarget> AlbumPage(const std::vector<int>& open) {
    std::vector<FocusTarget> targets;
    for (int cell : open)
        targets.push_back(FocusRect(19 + 153 * ((cell - 1) % 3), 76 + 120 * ((cell - 1) / 3), 150, 113));
    targets.push_back(FocusRect(20, 560, 80, 30));
    targets.push_back(FocusRect(330, 560, 60, 30));
    targets.push_back(FocusRect(390, 560, 60, 30));
    return targets;
}

int Step(const std::vector<FocusTarget>& targets, int from, D direction) {
    return FocusStep(targets, from, direction);
}

TEST(FocusTest, AColumnStepsUpAndDownAndWrapsButNotSideways) {
    EXPECT_EQ(Step(kColumn, 0, D::Down), 1);
    EXPECT_EQ(Step(kColumn, 2, D::Down), 3);
    EXPECT_EQ(Step(kColumn, 3, D::Down), 0) << "down from the last wraps to the first";
    EXPECT_EQ(Step(kColumn, 0, D::Up), 3) << "up from the first wraps to the last";
    EXPECT_EQ(Step(kColumn, 2, D::Up), 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Step(kColumn, i, D::Left), -1) << i;
        EXPECT_EQ(Step(kColumn, i, D::Right), -1) << i;
    }
}

TEST(FocusTest, WithNoFocusDownAndRightStartAtTheFirstUpAndLeftAtTheLast) {
    EXPECT_EQ(Step(kColumn, -1, D::Down), 0);
    EXPECT_EQ(Step(kColumn, -1, D::Right), 0);
    EXPECT_EQ(Step(kColumn, -1, D::Up), 3);
    EXPECT_EQ(Step(kColumn, -1, D::Left), 3);
    EXPECT_EQ(Step(kColumn, 4, D::Down), 0) << "an index past the end is no focus";
    EXPECT_EQ(Step({}, -1, D::Down), -1) << "a screen without targets keeps no focus";
    EXPECT_EQ(Step({FocusRect(0, 0, 10, 10)}, 0, D::Down), -1) << "a single target has nowhere to go";
}

TEST(FocusTest, AFullAlbumPageMovesByRowsAndColumnsAndOntoItsButtons) {
    const auto page = AlbumPage({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}); // buttons at 12, 13, 14
    EXPECT_EQ(Step(page, 0, D::Right), 1);
    EXPECT_EQ(Step(page, 1, D::Right), 2);
    EXPECT_EQ(Step(page, 2, D::Right), 0) << "right from the end of a row wraps to its start";
    EXPECT_EQ(Step(page, 3, D::Left), 5) << "left from the start of a row wraps to its end";
    EXPECT_EQ(Step(page, 1, D::Down), 4);
    EXPECT_EQ(Step(page, 4, D::Up), 1);
    // From the last row down onto the buttons: back under the first column, next under the third;
    // the middle column has none under it nor within 45 degrees, so the nearest in the row below.
    EXPECT_EQ(Step(page, 9, D::Down), 12);
    EXPECT_EQ(Step(page, 10, D::Down), 13);
    EXPECT_EQ(Step(page, 11, D::Down), 14);
    // Along the buttons, round, and up off them and from the top row down through the column.
    EXPECT_EQ(Step(page, 12, D::Right), 13);
    EXPECT_EQ(Step(page, 13, D::Right), 14);
    EXPECT_EQ(Step(page, 14, D::Right), 12);
    EXPECT_EQ(Step(page, 12, D::Up), 9);
    EXPECT_EQ(Step(page, 14, D::Up), 11);
    EXPECT_EQ(Step(page, 12, D::Down), 0) << "down from the back button wraps to the top of its column";
    EXPECT_EQ(Step(page, 0, D::Up), 12) << "up from the top wraps to the bottom of the column";
}

TEST(FocusTest, LockedCellsAreSteppedOver) {
    // Open: cells 1, 3, 8 and 12 (indices 0..3), buttons at 4, 5, 6.
    const auto page = AlbumPage({1, 3, 8, 12});
    EXPECT_EQ(Step(page, 0, D::Right), 1) << "over the locked cell 2 to cell 3 in the same row";
    EXPECT_EQ(Step(page, 1, D::Down), 3) << "down the third column over the locked cells 6 and 9";
    EXPECT_EQ(Step(page, 0, D::Down), 4) << "down the first column, all locked, to the back button";
    // Cell 8 (middle column, row 3) has nothing under it in its column: down takes the nearest
    // row down, cell 12, rather than the buttons further down.
    EXPECT_EQ(Step(page, 2, D::Down), 3);
    EXPECT_EQ(Step(page, 2, D::Right), 3) << "cell 12 is down and right within 45 degrees";
}

TEST(FocusTest, AStaircaseOfEntriesStepsDownItAndAroundFromItsBackButton) {
    // The music room: entries down a slope, and a back button at the lower left under none of them.
    const std::vector<FocusTarget> room = {
        FocusRect(200, 100, 150, 40), FocusRect(200, 150, 100, 40), FocusRect(220, 280, 160, 40),
        FocusRect(330, 490, 200, 40), FocusRect(0, 560, 120, 40),
    };
    EXPECT_EQ(Step(room, 0, D::Down), 1);
    EXPECT_EQ(Step(room, 2, D::Down), 3);
    EXPECT_EQ(Step(room, 3, D::Down), 4) << "the back button is the next row down, far to the left";
    EXPECT_EQ(Step(room, 4, D::Down), 0) << "nothing shares its column: down wraps to the top of the screen";
    EXPECT_EQ(Step(room, 4, D::Up), 3) << "the nearest row up, not the entry nearest sideways";
    EXPECT_EQ(Step(room, 0, D::Right), -1) << "nothing lies to the right within 45 degrees";
    EXPECT_EQ(Step(room, 3, D::Left), 4);
}

TEST(FocusTest, TheFocusedTargetIsTheLastOneUnderThePointAndKeysPickOneDirection) {
    const std::vector<FocusTarget> overlapping = {FocusRect(0, 0, 100, 100), FocusRect(50, 50, 100, 100)};
    EXPECT_EQ(FocusedTarget(overlapping, Point{10, 10}), 0);
    EXPECT_EQ(FocusedTarget(overlapping, Point{60, 60}), 1) << "the later target lies over the earlier one";
    EXPECT_EQ(FocusedTarget(overlapping, Point{149, 149}), 1) << "inclusive to the last pixel";
    EXPECT_EQ(FocusedTarget(overlapping, Point{150, 150}), -1);
    EXPECT_EQ(FocusRect(20, 560, 80, 30).aim, (Point{59, 574}));

    EXPECT_FALSE(FocusKeys{}.Direction().has_value());
    EXPECT_FALSE((FocusKeys{.escape = true}).Direction().has_value());
    EXPECT_EQ((FocusKeys{.up = true, .down = true}).Direction(), D::Up);
    EXPECT_EQ((FocusKeys{.down = true, .left = true}).Direction(), D::Down);
    EXPECT_EQ((FocusKeys{.left = true, .right = true}).Direction(), D::Left);
    EXPECT_EQ((FocusKeys{.right = true}).Direction(), D::Right);
}

} // namespace
} // namespace hk::test
