// The album book without an engine: its tables, turning pages, and which cells and pictures a
// system record opens.
#include "engine/menus/album_book.h"

#include <gtest/gtest.h>

#include <memory>

namespace hk {
namespace {

// A zeroed system record (it is large: kept off the stack).
std::unique_ptr<SystemData> BlankSystem() {
    return std::make_unique<SystemData>();
}

void MarkSeen(SystemData& system, int graphic) {
    system.CgSeen[graphic - kCgFirst] = 1;
}

TEST(AlbumBook, PagesTurnBothWaysAndWrapRoundTheEight) {
    AlbumBook book;
    EXPECT_EQ(book.Page(), 0) << "no album opened yet";
    book.OpenFirstPage();
    book.TurnPage(-1);
    EXPECT_EQ(book.Page(), 8);
    book.TurnPage(1);
    EXPECT_EQ(book.Page(), 1);
    for (int i = 0; i < 7; ++i)
        book.TurnPage(1);
    EXPECT_EQ(book.Page(), 8);
    book.TurnPage(1);
    EXPECT_EQ(book.Page(), 1);
}

TEST(AlbumBook, CellsOutsideThePageOrItsPicturesHaveNoGraphic) {
    AlbumBook book;
    book.OpenFirstPage();
    EXPECT_EQ(book.CgGraphic(1, 1), 401);
    EXPECT_EQ(book.CgGraphic(2, 2), 558);
    EXPECT_EQ(book.CgGraphic(2, 3), -1) << "cell 2 lists two pictures";
    EXPECT_EQ(book.CgGraphic(0, 1), -1);
    EXPECT_EQ(book.CgGraphic(13, 1), -1);
    EXPECT_EQ(book.CgGraphic(1, 0), -1);
    EXPECT_EQ(book.CgGraphic(1, 6), -1);
    EXPECT_EQ(book.SceneOf(1), 101);
    EXPECT_EQ(book.SceneOf(0), -1);
    EXPECT_EQ(book.SceneOf(13), -1);
}

TEST(AlbumBook, ACgCellOpensWithItsFirstPictureAndTheViewerShowsOnlySeenOnes) {
    AlbumBook book;
    book.OpenFirstPage();
    auto system = BlankSystem();
    EXPECT_FALSE(book.CgCellOpen(*system, 2));
    MarkSeen(*system, 558);
    EXPECT_FALSE(book.CgCellOpen(*system, 2)) << "only the second picture seen";
    MarkSeen(*system, 557);
    EXPECT_TRUE(book.CgCellOpen(*system, 2));

    book.View(2);
    EXPECT_EQ(book.ViewedGraphic(), 557);
    EXPECT_TRUE(book.NextSeenPicture(*system));
    EXPECT_EQ(book.ViewedGraphic(), 558);
    EXPECT_FALSE(book.NextSeenPicture(*system)) << "the cell lists no third picture";

    // Page 4 cell 4 lists four pictures; the unseen third is passed over.
    for (int i = 0; i < 3; ++i)
        book.TurnPage(1);
    MarkSeen(*system, 504);
    MarkSeen(*system, 505);
    MarkSeen(*system, 507);
    book.View(4);
    EXPECT_TRUE(book.NextSeenPicture(*system));
    EXPECT_EQ(book.ViewedGraphic(), 505);
    EXPECT_TRUE(book.NextSeenPicture(*system));
    EXPECT_EQ(book.ViewedGraphic(), 507);
    EXPECT_EQ(book.ViewedPicture(), 4);
    EXPECT_FALSE(book.NextSeenPicture(*system)) << "the fifth position is never shown";
}

TEST(AlbumBook, GraphicsOutsideTheFlagsAndScenesOutsideTheMarksNeverCount) {
    auto system = BlankSystem();
    system->CgSeen[0] = 1;
    system->CgSeen[kCgCount - 1] = 1;
    EXPECT_TRUE(AlbumBook::CgSeen(*system, kCgFirst));
    EXPECT_TRUE(AlbumBook::CgSeen(*system, kCgLast));
    EXPECT_FALSE(AlbumBook::CgSeen(*system, kCgFirst - 1));
    EXPECT_FALSE(AlbumBook::CgSeen(*system, kCgLast + 1));
    system->SystemVars[100] = 1;
    EXPECT_TRUE(AlbumBook::SceneAvailable(*system, 101));
    EXPECT_FALSE(AlbumBook::SceneAvailable(*system, 102));
    EXPECT_FALSE(AlbumBook::SceneAvailable(*system, -1)) << "an empty cell";
    EXPECT_FALSE(AlbumBook::SceneAvailable(*system, kVariableCount + 1));
}

} // namespace
} // namespace hk
