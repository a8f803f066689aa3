// The picture menus on their own, against a host that records what they ask and report and a
// stage whose surfaces are blank: the entry under the pointer answered on a click and nothing
// without one, the CG album's locked and open cells, the page buttons turning round from 1 to 8,
// the music room's tracks, a menu that shows the same entry again left as it is on screen, and the
// keys: the cursor keys stepping the pointer over what a click can use, Return clicking where it
// is, Escape clicking the way back.
#include "engine/menus/picture_menus.h"
#include "engine/screen_layout.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hk::test {
namespace {

class BlankStageHost final : public StageHost {
public:
    Bitmap window;
    int presents = 0;

    BlankStageHost() { window.SetSize(kScreenWidth, kScreenHeight); }
    Bitmap& MainWindowSurface() override { return window; }
    void InvalidateMainWindow() override { ++presents; }
    bool MainWindowReadyForFrame() override { return true; }
    std::uint32_t StageClock() override { return 0; }
    Bitmap* SlotSurface(int) override { return nullptr; }
    void NoteCgShown(int) override {}
    bool TransitionShortcutWanted() override { return false; }
    void TransitionEnded(TaskCode) override {}
};

// Records the menus' requests in order, as short lines ("task 12", "bgm 3 1", "new game", ...).
class RecordingMenuHost final : public MenuHost {
public:
    Point pointer{0, 0};
    bool click = false;
    bool key_return = false;
    std::uint64_t tick = 1;
    GameData game{};
    SystemData system{};
    Bitmap window;
    int window_repaints = 0;
    FocusKeys keys;
    std::vector<std::string> calls;

    RecordingMenuHost() { window.SetSize(kScreenWidth, kScreenHeight); }

    Point Pointer() override { return pointer; }
    bool LeftClick() override { return click; }
    bool KeyReturn() override { return key_return; }
    void SpendHeldKeys() override { calls.push_back("spend"); }
    FocusKeys FocusKeysNow() override { return keys; }
    void MovePointerForFocus(Point p) override {
        calls.push_back("pointer " + std::to_string(p.x) + " " + std::to_string(p.y));
    }
    GameData& Game() override { return game; }
    const SystemData& System() override { return system; }
    std::uint64_t TickSerial() override { return tick; }
    void SetTask(TaskCode task, std::optional<TaskCode>) override {
        calls.push_back("task " + std::to_string(static_cast<int>(task)));
    }
    void PlayBGM(int number, int loop) override {
        calls.push_back("bgm " + std::to_string(number) + " " + std::to_string(loop));
    }
    Bitmap& MainWindowSurface() override { return window; }
    void InvalidateMainWindow() override { ++window_repaints; }
    void ClearSceneQueue() override { calls.push_back("clear queue"); }
    int SceneQueuePosition(int) override { return -1; }
    int QueueScene(int scene) override {
        calls.push_back("queue " + std::to_string(scene));
        return 1;
    }
    void ResetForTitle() override { calls.push_back("reset"); }
    void ShowCursor() override { calls.push_back("cursor"); }
    void StartNewGame() override { calls.push_back("new game"); }
    void OpenTitleLoadMenu() override { calls.push_back("load menu"); }
    void RequestClose() override { calls.push_back("close"); }
    void StartReplay() override { calls.push_back("replay"); }
};

std::string TaskLine(TaskCode task) {
    return "task " + std::to_string(static_cast<int>(task));
}

class PictureMenusTest : public ::testing::Test {
protected:
    void SetUp() override { m_stage.CreateSurfaces(); }

    // One tick of `wait` with the pointer at (x, y), clicked or not; answers what it reported.
    template <class Wait> std::vector<std::string> Tick(Wait wait, int x, int y, bool click) {
        m_host.calls.clear();
        m_host.pointer = Point{x, y};
        m_host.click = click;
        ++m_host.tick;
        (m_menus.*wait)();
        return m_host.calls;
    }
    // One tick of `wait` with the pointer at (x, y) and the keys `keys` (Return when `enter`).
    template <class Wait>
    std::vector<std::string> KeyTick(Wait wait, int x, int y, FocusKeys keys, bool enter = false) {
        m_host.keys = keys;
        m_host.key_return = enter;
        std::vector<std::string> calls = Tick(wait, x, y, false);
        m_host.keys = {};
        m_host.key_return = false;
        return calls;
    }
    // Opens the CG album's first page through the album menu's first entry.
    void OpenCgAlbum() {
        ASSERT_EQ(Tick(&PictureMenus::WaitAlbumMenu, 700, 380, true),
                  (std::vector<std::string>{"spend", TaskLine(TaskCode::TASK_DISP_CG_ALBUM_MENU)}));
        ASSERT_EQ(m_menus.Albums().Page(), 1);
    }

    TempDir m_dir;
    GameFiles m_files{m_dir.Path()};
    BlankStageHost m_stage_host;
    Stage m_stage{m_stage_host, m_files};
    RecordingMenuHost m_host;
    PictureMenus m_menus{m_host, m_stage};
};

TEST_F(PictureMenusTest, TitleAnswersTheEntryUnderThePointerOnlyOnAClick) {
    EXPECT_TRUE(Tick(&PictureMenus::WaitTitleMenu, 700, 380, false).empty()) << "no click, no entry";
    EXPECT_EQ(Tick(&PictureMenus::WaitTitleMenu, 700, 380, true), (std::vector<std::string>{"spend", "new game"}));
    EXPECT_EQ(Tick(&PictureMenus::WaitTitleMenu, 700, 420, true), (std::vector<std::string>{"spend", "load menu"}));
    EXPECT_EQ(Tick(&PictureMenus::WaitTitleMenu, 700, 460, true), (std::vector<std::string>{"spend", "close"}));
    EXPECT_EQ(Tick(&PictureMenus::WaitTitleMenu, 700, 530, true),
              (std::vector<std::string>{"spend", TaskLine(TaskCode::TASK_DISP_ALBUM_MENU)}))
        << "the last band's bottom row still counts";
    EXPECT_EQ(Tick(&PictureMenus::WaitTitleMenu, 100, 100, true), (std::vector<std::string>{"spend"}))
        << "a click beside the entries starts nothing";
}

TEST_F(PictureMenusTest, CgAlbumLocksUnseenCellsAndOpensASeenOne) {
    OpenCgAlbum();
    // Cell 1 of page 1 lists graphic 401: unseen, a click on it is only a spent click.
    EXPECT_EQ(Tick(&PictureMenus::WaitCgAlbumMenu, 30, 80, true), (std::vector<std::string>{"spend"}));
    m_host.system.CgSeen[401 - kCgFirst] = 1;
    EXPECT_TRUE(Tick(&PictureMenus::WaitCgAlbumMenu, 30, 80, false).empty());
    EXPECT_EQ(Tick(&PictureMenus::WaitCgAlbumMenu, 30, 80, true),
              (std::vector<std::string>{"spend", TaskLine(TaskCode::TASK_DISP_CG_ALBUM)}));
    EXPECT_EQ(m_menus.Albums().ViewedCell(), 1);
    EXPECT_EQ(m_menus.Albums().ViewedGraphic(), 401);
    // The viewer goes back to the page when the cell has no further seen picture.
    m_host.key_return = true;
    EXPECT_EQ(Tick(&PictureMenus::WaitCgAlbum, 0, 0, false),
              (std::vector<std::string>{"spend", TaskLine(TaskCode::TASK_DISP_CG_ALBUM_MENU)}));
}

TEST_F(PictureMenusTest, PageButtonsTurnRoundBetweenTheFirstAndTheLastPage) {
    OpenCgAlbum();
    const std::vector<std::string> redraw{"spend", TaskLine(TaskCode::TASK_DISP_CG_ALBUM_MENU)};
    EXPECT_EQ(Tick(&PictureMenus::WaitCgAlbumMenu, 340, 575, true), redraw);
    EXPECT_EQ(m_menus.Albums().Page(), 8);
    EXPECT_EQ(Tick(&PictureMenus::WaitCgAlbumMenu, 400, 575, true), redraw);
    EXPECT_EQ(m_menus.Albums().Page(), 1);
    EXPECT_EQ(Tick(&PictureMenus::WaitScAlbumMenu, 340, 575, true),
              (std::vector<std::string>{"spend", TaskLine(TaskCode::TASK_DISP_SC_ALBUM_MENU)}));
    EXPECT_EQ(m_menus.Albums().Page(), 8) << "the scene album turns the same book";
    EXPECT_EQ(Tick(&PictureMenus::WaitCgAlbumMenu, 50, 575, true),
              (std::vector<std::string>{"spend", TaskLine(TaskCode::TASK_DISP_ALBUM_MENU)}));
}

TEST_F(PictureMenusTest, MusicRoomPlaysTheTrackUnderThePointer) {
    EXPECT_TRUE(Tick(&PictureMenus::WaitBgmMenu, 250, 200, false).empty());
    EXPECT_EQ(Tick(&PictureMenus::WaitBgmMenu, 250, 200, true), (std::vector<std::string>{"spend", "bgm 3 1"}));
    EXPECT_EQ(Tick(&PictureMenus::WaitBgmMenu, 400, 500, true), (std::vector<std::string>{"spend", "bgm 10 1"}));
    EXPECT_TRUE(Tick(&PictureMenus::WaitBgmMenu, 700, 100, true).empty()) << "a click on no track is left unspent";
    EXPECT_EQ(Tick(&PictureMenus::WaitBgmMenu, 50, 580, true),
              (std::vector<std::string>{"spend", "bgm " + std::to_string(kTitleMusic) + " 1",
                                        TaskLine(TaskCode::TASK_DISP_ALBUM_MENU)}));
}

TEST_F(PictureMenusTest, AMenuShowingTheSameEntryOnTheNextTickIsNotPresentedAgain) {
    Tick(&PictureMenus::WaitTitleMenu, 700, 380, false);
    EXPECT_EQ(m_stage_host.presents, 1);
    Tick(&PictureMenus::WaitTitleMenu, 710, 390, false);
    EXPECT_EQ(m_stage_host.presents, 1) << "same entry on the next tick";
    Tick(&PictureMenus::WaitTitleMenu, 710, 420, false);
    EXPECT_EQ(m_stage_host.presents, 2) << "another entry";
    ++m_host.tick; // a tick of some other task in between
    Tick(&PictureMenus::WaitTitleMenu, 710, 420, false);
    EXPECT_EQ(m_stage_host.presents, 3) << "the run of ticks was broken";
    Tick(&PictureMenus::WaitBgmMenu, 250, 200, false);
    EXPECT_EQ(m_stage_host.presents, 4) << "another menu's table";
}

TEST_F(PictureMenusTest, AlbumPagesRepaintTheWindowOnlyWhenThePictureChanges) {
    OpenCgAlbum();
    m_host.system.CgSeen[401 - kCgFirst] = 1;
    m_stage.SceneImage().Fill(MakeColor(10, 20, 30));
    Tick(&PictureMenus::WaitCgAlbumMenu, 300, 20, false);
    EXPECT_EQ(m_host.window_repaints, 1);
    EXPECT_EQ(m_host.window.GetColor(5, 5), MakeColor(10, 20, 30));
    Tick(&PictureMenus::WaitCgAlbumMenu, 310, 30, false);
    EXPECT_EQ(m_host.window_repaints, 1) << "the same picture is not repainted";
    Tick(&PictureMenus::WaitCgAlbumMenu, 340, 575, false); // hovering a button highlights it
    EXPECT_EQ(m_host.window_repaints, 2);
}

using Calls = std::vector<std::string>;
constexpr FocusKeys kUp{.up = true};
constexpr FocusKeys kDown{.down = true};
constexpr FocusKeys kLeft{.left = true};
constexpr FocusKeys kRight{.right = true};
constexpr FocusKeys kEscape{.escape = true};

TEST_F(PictureMenusTest, CursorKeysStepThePointerOverTheTitleAndReturnClicksWhereItIs) {
    // Entries of 640..769 x 40 rows from 370: middles at x 704, y 389, 429, 469 and 510.
    EXPECT_EQ(KeyTick(&PictureMenus::WaitTitleMenu, 0, 0, kDown), (Calls{"pointer 704 389"}))
        << "from no entry down goes to the first";
    EXPECT_EQ(KeyTick(&PictureMenus::WaitTitleMenu, 704, 389, kDown), (Calls{"pointer 704 429"}));
    EXPECT_EQ(KeyTick(&PictureMenus::WaitTitleMenu, 704, 389, kUp), (Calls{"pointer 704 510"})) << "wraps";
    EXPECT_TRUE(KeyTick(&PictureMenus::WaitTitleMenu, 704, 389, kRight).empty()) << "nothing beside it";
    EXPECT_TRUE(KeyTick(&PictureMenus::WaitTitleMenu, 704, 389, kEscape).empty()) << "the title has no way back";
    // Return does what a click there does, and wins over a cursor key in the same tick.
    for (const auto& [y, answer] : {std::pair{389, "new game"}, {429, "load menu"}, {469, "close"}})
        EXPECT_EQ(KeyTick(&PictureMenus::WaitTitleMenu, 704, y, kDown, true), (Calls{"spend", answer})) << y;
    EXPECT_EQ(KeyTick(&PictureMenus::WaitTitleMenu, 100, 100, {}, true), (Calls{"spend"}))
        << "Return beside the entries starts nothing, as a click there";
}

TEST_F(PictureMenusTest, AlbumPageKeysSkipLockedCellsAndEscapeGoesBack) {
    OpenCgAlbum();
    // Page 1: only cell 1 (graphic 401) is seen; the rest are locked or list nothing. Targets: cell
    // 1 (middle 93, 132), then back (59, 574), previous (359, 574) and next (419, 574).
    m_host.system.CgSeen[401 - kCgFirst] = 1;
    EXPECT_EQ(KeyTick(&PictureMenus::WaitCgAlbumMenu, 0, 0, kDown), (Calls{"pointer 93 132"}));
    EXPECT_EQ(KeyTick(&PictureMenus::WaitCgAlbumMenu, 0, 0, kLeft), (Calls{"pointer 419 574"}))
        << "from no target left goes to the last";
    EXPECT_EQ(KeyTick(&PictureMenus::WaitCgAlbumMenu, 93, 132, kDown), (Calls{"pointer 59 574"}))
        << "down the first column over nothing to the back button";
    EXPECT_TRUE(KeyTick(&PictureMenus::WaitCgAlbumMenu, 93, 132, kRight).empty()) << "the rest of the row is locked";
    EXPECT_EQ(KeyTick(&PictureMenus::WaitCgAlbumMenu, 59, 574, kRight), (Calls{"pointer 359 574"}));
    EXPECT_EQ(KeyTick(&PictureMenus::WaitCgAlbumMenu, 419, 574, kUp), (Calls{"pointer 93 132"}))
        << "up from the next button to the nearest row above";
    // A locked cell, hovered when a key moved off a seen one, is not a target: from it as from none.
    EXPECT_EQ(KeyTick(&PictureMenus::WaitCgAlbumMenu, 246, 132, kDown), (Calls{"pointer 93 132"}));
    EXPECT_EQ(KeyTick(&PictureMenus::WaitCgAlbumMenu, 246, 132, {}, true), (Calls{"spend"}))
        << "Return on a locked cell is a click on it: nothing opens";
    EXPECT_EQ(KeyTick(&PictureMenus::WaitCgAlbumMenu, 419, 574, {}, true),
              (Calls{"spend", TaskLine(TaskCode::TASK_DISP_CG_ALBUM_MENU)}));
    EXPECT_EQ(m_menus.Albums().Page(), 2) << "Return on the next button turns the page";
    EXPECT_EQ(KeyTick(&PictureMenus::WaitCgAlbumMenu, 93, 132, kEscape),
              (Calls{"pointer 59 574", "spend", TaskLine(TaskCode::TASK_DISP_ALBUM_MENU)}));
    EXPECT_EQ(KeyTick(&PictureMenus::WaitScAlbumMenu, 93, 132, kEscape),
              (Calls{"pointer 59 574", "spend", TaskLine(TaskCode::TASK_DISP_ALBUM_MENU)}));
}

TEST_F(PictureMenusTest, EscapeClicksTheWayBackOfTheAlbumMenuAndTheMusicRoom) {
    EXPECT_EQ(KeyTick(&PictureMenus::WaitAlbumMenu, 704, 389, kEscape),
              (Calls{"pointer 704 510", "spend", TaskLine(TaskCode::TASK_DISP_TITLE_MENU)}));
    EXPECT_EQ(KeyTick(&PictureMenus::WaitBgmMenu, 0, 0, kEscape),
              (Calls{"pointer 59 579", "spend", "bgm " + std::to_string(kTitleMusic) + " 1",
                     TaskLine(TaskCode::TASK_DISP_ALBUM_MENU)}));
    EXPECT_EQ(KeyTick(&PictureMenus::WaitBgmMenu, 274, 119, kDown), (Calls{"pointer 249 169"}))
        << "from the first track to the second";
    EXPECT_EQ(KeyTick(&PictureMenus::WaitBgmMenu, 249, 169, {}, true), (Calls{"spend", "bgm 2 1"}));
    EXPECT_TRUE(KeyTick(&PictureMenus::WaitBgmMenu, 700, 100, {}, true).empty())
        << "Return on no track is left unspent, as a click there";
}

} // namespace
} // namespace hk::test
