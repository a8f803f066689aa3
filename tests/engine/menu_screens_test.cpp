// The title menu, the album menu, both albums and the music room, walked as a player does: the
// pointer, clicks, and what the screen shows.
#include "support/engine_fixture.h"

#include "gfx/png_writer.h"

#include <cstring>

namespace hk::test {
namespace {

constexpr std::uint16_t kPng = 12;
constexpr Color kTitleParts = MakeColor(255, 0, 0);
constexpr Color kLockTile = MakeColor(1, 2, 3);
constexpr Color kFrame = MakeColor(0, 200, 0);
constexpr Color kFrameKey = MakeColor(0, 255, 0);

std::vector<std::uint8_t> SolidPng(int w, int h, Color c) {
    Bitmap b;
    b.SetSize(w, h);
    b.Fill(c);
    return EncodePng(b);
}

// The album parts sheet: lock tile at (10, 10), the highlight frame at (170, 10) with its key
// colour inside (and so at its own (8, 8)), button highlights in place.
std::vector<std::uint8_t> AlbumParts() {
    Bitmap b;
    b.SetSize(800, 600);
    b.FillRect(10, 10, 150, 113, kLockTile);
    b.FillRect(170, 10, 160, 120, kFrame);
    b.FillRect(178, 18, 144, 104, kFrameKey);
    b.FillRect(20, 560, 80, 30, kTitleParts);
    return EncodePng(b);
}

class MenuScreensTest : public GameFixture {
protected:
    void SetUp() override {
        ArchiveBuilder grp;
        grp.Add(22, kPng, SolidPng(800, 600, kTitleParts));
        grp.Add(24, kPng, SolidPng(800, 600, kTitleParts));
        grp.Add(26, kPng, SolidPng(800, 600, kTitleParts));
        grp.Add(50, kPng, AlbumParts());
        grp.Add(401, kPng, SolidPng(800, 600, MakeColor(90, 0, 90)));
        WriteArchives(ScenarioArchive({{1, "    system title\n    wait 0\n    end\n"},
                                       {101, "    let s1, 101\n    end\n"},
                                       {155, "    let s2, 155\n    end\n"}}),
                      grp);
        Start();
        ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_WAIT_TITLE_MENU, 2000));
    }
    void Move(int x, int y) {
        Platform().MoveCursorToClient(WindowId::Main, Point{x, y});
        Session().Tick();
    }
    void Click(int x, int y) {
        Platform().MoveCursorToClient(WindowId::Main, Point{x, y});
        Platform().QueueMouseDown(WindowId::Main, MouseButton::Left, Point{x, y});
        Session().Tick();
    }
    bool Reach(TaskCode task) { return Session().UntilTask(task, 3000); }
    Color Shown(int x, int y) { return Platform().ClientSurface(WindowId::Main).GetColor(x, y); }
};

TEST_F(MenuScreensTest, TitleEntriesHighlightWithinTheirBandsOnly) {
    EXPECT_EQ(State().Game.CursorShown, 1);
    Move(640, 530);
    EXPECT_EQ(Shown(700, 500), kTitleParts) << "(640, 530) is in the 41-row last band";
    EXPECT_EQ(Shown(700, 400), kWhite);
    Move(640, 531);
    EXPECT_EQ(Shown(700, 500), kWhite);
    Move(770, 400);
    EXPECT_EQ(Shown(700, 400), kWhite);
    Move(769, 409);
    EXPECT_EQ(Shown(700, 380), kTitleParts);

    // Return is a click where the pointer is: beside the entries it does nothing, on the first
    // entry it starts a game.
    Move(100, 100);
    Platform().SetKeyDown(Key::Return, true);
    Session().Ticks(3);
    Platform().SetKeyDown(Key::Return, false);
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_TITLE_MENU);
    Move(769, 409);
    Platform().SetKeyDown(Key::Return, true);
    Session().Ticks(1);
    Platform().SetKeyDown(Key::Return, false);
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
}

TEST_F(MenuScreensTest, ACursorKeyMovesThePointerOneEntryAPressAndEscapeGoesBack) {
    Move(100, 100);
    Platform().SetKeyDown(Key::Down, true);
    Session().Ticks(100); // a second held: still one step
    Platform().SetKeyDown(Key::Down, false);
    Session().Ticks(2);
    EXPECT_EQ(Shown(700, 380), kTitleParts) << "the first entry is lit";
    EXPECT_EQ(Shown(700, 420), kWhite);
    Platform().SetKeyDown(Key::Up, true);
    Session().Ticks(2);
    Platform().SetKeyDown(Key::Up, false);
    Session().Ticks(2);
    EXPECT_EQ(Shown(700, 500), kTitleParts) << "up from the first entry goes round to the last";
    EXPECT_EQ(Shown(700, 380), kWhite);

    Platform().SetKeyDown(Key::Return, true);
    Session().Ticks(1);
    Platform().SetKeyDown(Key::Return, false);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_ALBUM_MENU));
    Platform().SetKeyDown(Key::Escape, true);
    Session().Ticks(1);
    Platform().SetKeyDown(Key::Escape, false);
    EXPECT_TRUE(Reach(TaskCode::TASK_WAIT_TITLE_MENU)) << "Escape goes back from the album menu";
}

TEST_F(MenuScreensTest, AWaitingMenuPresentsOnlyWhenTheHoveredEntryChanges) {
    Move(640, 530);
    const int shown = Platform().Invalidations(WindowId::Main);
    Session().Ticks(20);
    EXPECT_EQ(Platform().Invalidations(WindowId::Main), shown) << "nothing changed, nothing presented";
    Move(640, 531); // below the last band: the highlight goes
    EXPECT_EQ(Platform().Invalidations(WindowId::Main), shown + 1);
    EXPECT_EQ(Shown(700, 500), kWhite);
    Move(640, 530);
    EXPECT_EQ(Platform().Invalidations(WindowId::Main), shown + 2);
    EXPECT_EQ(Shown(700, 500), kTitleParts);

    // The album menu has the same entries as the title, and the pointer stays on the same one:
    // after the fade in between it is composed afresh all the same, then left alone.
    Click(640, 530); // the album entry
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_ALBUM_MENU));
    const int album = Platform().Invalidations(WindowId::Main);
    Session().Ticks(5);
    EXPECT_EQ(Platform().Invalidations(WindowId::Main), album + 1);
    EXPECT_EQ(Shown(700, 500), kTitleParts);
}

TEST_F(MenuScreensTest, NewGameStartsPlayWithClearedTablesAndTheContextMenu) {
    for (int i = 0; i < 4; ++i)
        Message().AddMsgLog(U"old", -1);
    State().Game.ScenarioVars[4] = 9;
    State().Game.ReturnDepth = 2;
    Click(700, 380);
    EXPECT_EQ(Script().GamePlaying(), 1);
    EXPECT_EQ(State().Game.ContextMenuOn, 1);
    EXPECT_EQ(Platform().AttachedMenu(), &TheEngine().Commands().ContextMenu);
    EXPECT_EQ(Message().MsgLog()[3].Text, "");
    EXPECT_EQ(State().Game.ScenarioVars[4], 0);
    EXPECT_EQ(State().Game.ReturnDepth, 0);
    EXPECT_TRUE(Reach(TaskCode::TASK_WAIT_KEY)) << "the script goes on after its title command";
}

TEST_F(MenuScreensTest, ClicksDuringTheOpeningFadeDoNothing) {
    Click(700, 500); // album
    ASSERT_TRUE(Reach(TaskCode::TASK_EFFECT_91));
    Click(700, 380); // would be the CG album entry
    Click(700, 380);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_ALBUM_MENU));
    Session().Ticks(2);
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_ALBUM_MENU);
}

TEST_F(MenuScreensTest, CgAlbumLocksUnseenCellsAndShowsSeenPictures) {
    Click(700, 500);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_ALBUM_MENU));
    Click(700, 380);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_CG_ALBUM_MENU));
    EXPECT_EQ(TheEngine().Menus().Albums().Page(), 1);
    // Nothing seen: every non-empty cell shows the lock and reacts to nothing.
    for (int cell = 0; cell < 12; ++cell)
        EXPECT_EQ(Shown(19 + 153 * (cell % 3) + 5, 76 + 120 * (cell / 3) + 5), kLockTile) << cell;
    Click(30, 80);
    Session().Ticks(2);
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_CG_ALBUM_MENU);

    // Seen: cell 1 (graphic 401 only) and cell 2's first picture 557 but not its second 558.
    State().System.CgSeen[401 - kCgFirst] = 1;
    State().System.CgSeen[557 - kCgFirst] = 1;
    Click(400, 575); // next page
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_CG_ALBUM_MENU));
    EXPECT_EQ(TheEngine().Menus().Albums().Page(), 2);
    Click(340, 575); // previous
    Click(340, 575);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_CG_ALBUM_MENU));
    Session().Ticks(1);
    Click(340, 575);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_CG_ALBUM_MENU));
    EXPECT_EQ(TheEngine().Menus().Albums().Page(), 8) << "before page 1 comes page 8";
    Click(400, 575);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_CG_ALBUM_MENU));
    EXPECT_EQ(TheEngine().Menus().Albums().Page(), 1) << "after page 8 comes page 1";
    EXPECT_EQ(Shown(30, 80), kWhite) << "a seen cell shows its thumbnail";

    // The highlight frame around the hovered cell leaves its key colour out; gaps hit nothing.
    Move(30, 80);
    EXPECT_EQ(Shown(18, 75), kFrame);
    EXPECT_EQ(Shown(60, 120), kWhite) << "the frame's key colour is left out";
    Move(170, 100);
    EXPECT_EQ(Shown(18, 75), kWhite);

    Click(180, 80); // cell 2: 557 seen, 558 not
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_CG_ALBUM));
    EXPECT_EQ(TheEngine().Menus().Albums().ViewedPicture(), 1);
    Click(400, 300);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_CG_ALBUM_MENU)) << "the unseen second picture is skipped";

    Click(30, 80); // cell 1: graphic 401
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_CG_ALBUM));
    EXPECT_EQ(Shown(400, 300), MakeColor(90, 0, 90));
    Click(60, 575);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_CG_ALBUM_MENU));
    Click(60, 575); // back
    EXPECT_TRUE(Reach(TaskCode::TASK_WAIT_ALBUM_MENU));
}

TEST_F(MenuScreensTest, SceneAlbumQueuesScenesAndReplaysThemInOrder) {
    State().System.SystemVars[101 - 1] = 1;     // page 1 cell 1
    State().System.SystemVars[155 - 1] = 1;     // page 1 cell 2
    for (int scene : {121, 122, 123, 124, 125}) // the album menu empties the queue
        Script().AddSceneTbl(scene);
    Click(700, 500);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_ALBUM_MENU));
    Click(700, 420);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_SC_ALBUM_MENU));
    EXPECT_EQ(Script().SceneTable()[5], 0);
    EXPECT_EQ(Shown(19 + 153 * 2 + 5, 81), kLockTile) << "cell 3 (scene 102) is locked";
    Click(30 + 153 * 2, 80);
    EXPECT_EQ(Script().SceneTable()[1], 0) << "a locked cell does not queue";

    Click(30, 80);
    Click(30 + 153, 80);
    EXPECT_EQ(Script().SceneTable()[1], 101);
    EXPECT_EQ(Script().SceneTable()[2], 155);
    // The mark drawn on click: cyan digits with a black outline near (21, 78). Smoothed text
    // keeps 1/256 of what lies beneath, so full ink is 254 on black.
    bool cyan = false;
    for (int y = 78; y < 110; ++y)
        for (int x = 21; x < 45; ++x) {
            const Color c = TheEngine().TheStage().SceneImage().GetColor(x, y);
            cyan = cyan || (ColorRed(c) < 40 && ColorGreen(c) > 200 && ColorBlue(c) > 200);
        }
    EXPECT_TRUE(cyan);

    Click(30 + 153, 80); // a queued scene: replay from position 1
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
    EXPECT_EQ(Script().GamePlaying(), 0);
    EXPECT_EQ(State().Game.CurrentScene, 101);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_SC_ALBUM_MENU));
    EXPECT_EQ(State().Game.ScenarioVars[0], 101);
    EXPECT_EQ(State().Game.ScenarioVars[1], 155) << "both queued scenes ran";
    EXPECT_EQ(Script().SceneTable()[1], 0) << "the queue is empty again";
    EXPECT_EQ(State().Game.CurrentScene, 1);
}

TEST_F(MenuScreensTest, AFullQueueRefusesMore) {
    State().System.SystemVars[101 - 1] = 1;
    Click(700, 500);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_ALBUM_MENU));
    Click(700, 420);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_SC_ALBUM_MENU));
    for (int i = 1; i <= 95; ++i)
        Script().AddSceneTbl(1000 + i);
    Click(30, 80);
    EXPECT_EQ(Script().GetSceneTbl(101), -1);
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_SC_ALBUM_MENU);
}

TEST_F(MenuScreensTest, MusicRoomEntriesAndTheWayBack) {
    Click(700, 500);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_ALBUM_MENU));
    Click(700, 460);
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_BGM_MENU));
    Move(200, 145);
    EXPECT_EQ(Shown(250, 120), kWhite) << "between entries 1 and 2";
    Move(349, 139);
    EXPECT_EQ(Shown(250, 120), kTitleParts);
    Move(350, 139);
    EXPECT_EQ(Shown(250, 120), kWhite) << "right edges are exclusive";
    Click(300, 200);
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_BGM_MENU);
    Click(60, 580);
    EXPECT_TRUE(Reach(TaskCode::TASK_WAIT_ALBUM_MENU));
    Click(700, 500); // back to the title
    EXPECT_TRUE(Reach(TaskCode::TASK_WAIT_TITLE_MENU));
}

} // namespace
} // namespace hk::test

namespace hk::test {
namespace {

TEST_F(MenuScreensTest, TitleLoadMenuOpensAtItsPointAndLoadsTheChosenSlot) {
    // A slot saved during play: scene 1 at its wait.
    GameData saved{};
    saved.SlotInUse = 1;
    saved.CurrentScene = 1;
    saved.ScriptStep = 1;
    saved.ScenarioVars[2] = 44;
    std::vector<std::uint8_t> bytes(sizeof saved);
    std::memcpy(bytes.data(), &saved, sizeof saved);
    WriteFileBytes(m_dir / "Save02.dat", bytes);

    Click(700, 420); // load
    ASSERT_NE(Platform().OpenPopup(), nullptr);
    EXPECT_EQ(Platform().OpenPopup(), &TheEngine().Commands().TitleLoadMenu);
    EXPECT_EQ(*Platform().LastPopupPosition(), Platform().ClientToScreen(WindowId::Main, Point{320, 120}));
    EXPECT_EQ(Platform().AttachedMenu(), nullptr) << "detached again when the menu closed";
    EXPECT_TRUE(TheEngine().Commands().MenuItemNamed("ItemLoadT2").enabled);
    EXPECT_FALSE(TheEngine().Commands().MenuItemNamed("ItemLoadT3").enabled);

    Platform().QueueMenu({"ItemLoadT2"});
    Session().Tick();
    ASSERT_EQ(Platform().ScriptFault(), "");
    ASSERT_TRUE(Reach(TaskCode::TASK_WAIT_KEY));
    EXPECT_EQ(State().Game.ScenarioVars[2], 44);
    EXPECT_EQ(Script().GamePlaying(), 1);
}

} // namespace
} // namespace hk::test
