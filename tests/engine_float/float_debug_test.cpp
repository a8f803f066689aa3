// The floating message window (shape, mouse, wheel, messages shown on it), the debug window
// (marker file, live labels, its five buttons) and the full-screen shortcut, on the headless
// platform.
#include "gfx/png_writer.h"
#include "support/engine_fixture.h"
#include "support/interface_graphics.h"

#include <array>
#include <fstream>
#include <functional>

namespace hk::test {
namespace {

constexpr Color kOpaque = 0x00808080;

bool SameRect(const Bitmap& a, int ax, int ay, const Bitmap& b, int bx, int by, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (a.GetColor(ax + x, ay + y) != b.GetColor(bx + x, by + y))
                return false;
    return true;
}

using Runs = std::vector<Platform::Rect>;

std::vector<std::array<int, 4>> Flat(const Runs& runs) {
    std::vector<std::array<int, 4>> flat;
    for (const Platform::Rect& r : runs)
        flat.push_back({r.x, r.y, r.width, r.height});
    return flat;
}

Runs BuildFrom(const Bitmap& image) {
    WindowShape rgn;
    rgn.SetTransparentColor(image.GetColor(0, 0));
    rgn.BuildRegion(image);
    return rgn.Region();
}

std::vector<int> RowsOf(const Runs& runs, int y) {
    std::vector<int> spans;
    for (const Platform::Rect& r : runs) {
        EXPECT_EQ(r.height, 1);
        if (r.y == y) {
            spans.push_back(r.x);
            spans.push_back(r.width);
        }
    }
    return spans;
}

TEST(FormRgnTest, OnlyTheCornerKeyedGivesOneRunPerRowBelowRowZero) {
    const Runs runs =
        BuildFrom(MakePicture(800, 176, [](int x, int y) { return x == 0 && y == 0 ? kFloatKey : kOpaque; }));
    ASSERT_EQ(runs.size(), 175u);
    for (int y = 1; y < 176; ++y)
        EXPECT_EQ(RowsOf(runs, y), (std::vector<int>{1, 799})) << "row " << y;
}

TEST(FormRgnTest, ColumnZeroIsNeverIncludedAndKeyedPixelsSplitRuns) {
    // A lone opaque pixel at column 0 gives nothing.
    EXPECT_TRUE(
        BuildFrom(MakePicture(40, 10, [](int x, int y) { return x == 0 && y == 5 ? kOpaque : kFloatKey; })).empty());
    // Row 3 is cut by a keyed gap at 10..14; row 6 has a one-pixel island at 30; row 8 is keyed.
    const Runs runs = BuildFrom(MakePicture(40, 10, [](int x, int y) -> Color {
        if (y == 0 || y == 8)
            return kFloatKey;
        if (y == 3)
            return x >= 10 && x < 15 ? kFloatKey : kOpaque;
        if (y == 6)
            return x == 30 ? kOpaque : kFloatKey;
        return kOpaque;
    }));
    EXPECT_EQ(RowsOf(runs, 3), (std::vector<int>{1, 9, 15, 25}));
    EXPECT_EQ(RowsOf(runs, 6), (std::vector<int>{30, 1}));
    EXPECT_TRUE(RowsOf(runs, 8).empty());
    EXPECT_EQ(RowsOf(runs, 9), (std::vector<int>{1, 39}));
}

// The parts sheet: the floating artwork at rows 424..599 is a panel inside a lime surround.
Bitmap PartsSheet() {
    return MakePicture(800, 600, [](int x, int y) -> Color {
        if (y < 424)
            return kOpaque;
        return x >= 12 && x < 788 && y >= 436 && y < 592 ? kFloatPanel : kFloatKey;
    });
}

class FloatGame : public GameFixture {
protected:
    void Play(const std::string& scene, bool debug_marker = false) {
        ArchiveBuilder grp;
        grp.Add(10, 12, EncodePng(PartsSheet()));
        // Reveal rule (left to right) and the main window's message frame with its mask.
        grp.Add(7, 12, EncodePng(MakePicture(800, 176, [](int x, int) {
                    const int grey = x * 255 / 799;
                    return MakeColor(grey, grey, grey);
                })));
        grp.Add(8, 12, EncodePng(MakePicture(800, 176, [](int, int) { return 0x00401808; })), 12,
                EncodePng(MakePicture(800, 176, [](int, int y) { return y < 8 ? kBlack : 0x00A0A0A0; })));
        grp.Add(100, 12, EncodePng(MakePicture(800, 600, [](int x, int y) { return MakeColor(x / 4, y / 3, 90); })));
        WriteArchives(ScenarioArchive({{1, "    bg 100\n" + scene + "idle:\n    wait 0\n    jump idle\n"}}), grp);
        if (debug_marker)
            std::ofstream(m_dir / "デバッグ窓を開く合図.txt") << "x";
        Start();
        Tick(); // TaskInit
    }
    void Tick() {
        ASSERT_TRUE(TheEngine().FrameTimerEnabled()) << ::testing::PrintToString(Platform().TakeErrors());
        const auto before = Platform().TickCount();
        while (!TheEngine().PollFrameTimer()) {
            Platform().AdvanceClock(1);
            ASSERT_LT(Platform().TickCount() - before, 100u);
        }
    }
    void TickUntil(TaskCode code) {
        for (int i = 0; i < 3000 && State().Task != code; ++i)
            Tick();
        ASSERT_EQ(State().Task, code);
    }
    Bitmap& Surface(WindowId window) { return Platform().ClientSurface(window); }
};

TEST_F(FloatGame, TaskInitShapesTheFloatingWindowFromThePartsSheet) {
    Play("");
    const Runs& shape = Platform().WindowShape(WindowId::Float);
    Bitmap strip;
    strip.SetSize(800, 176);
    strip.CopyRect(0, 0, PartsSheet(), 0, 424, 800, 176);
    EXPECT_EQ(Flat(shape), Flat(BuildFrom(strip)));
    ASSERT_EQ(shape.size(), 156u); // panel rows 12..167 of the strip
    EXPECT_EQ(RowsOf(shape, 12), (std::vector<int>{12, 776}));
    EXPECT_TRUE(RowsOf(shape, 11).empty());
    EXPECT_TRUE(RowsOf(shape, 168).empty());
    EXPECT_EQ(Surface(WindowId::Float).GetColor(2, 2), kFloatKey);
    EXPECT_EQ(Surface(WindowId::Float).GetColor(400, 100), kFloatPanel);
    EXPECT_FALSE(Platform().IsWindowVisible(WindowId::Float));
}

TEST_F(FloatGame, FloatClicksDragOnTheFrameAndCountInTheTextArea) {
    Play("");
    Tick();
    ASSERT_EQ(State().Task, TaskCode::TASK_WAIT_KEY);
    Platform().QueueMouseDown(WindowId::Float, MouseButton::Left, {10, 100});
    Platform().ProcessMessages();
    EXPECT_EQ(Platform().DragCount(WindowId::Float), 1);
    EXPECT_EQ(TheEngine().Input().LeftDownLatch(), 0);
    Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_KEY) << "a drag is not a click";

    Platform().QueueMouseDown(WindowId::Float, MouseButton::Left, {400, 100});
    Platform().ProcessMessages();
    EXPECT_EQ(Platform().DragCount(WindowId::Float), 1);
    EXPECT_EQ(TheEngine().Input().LeftDownLatch(), 1);
    Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT) << "the click ended the key wait";
    EXPECT_EQ(TheEngine().Input().LeftDownLatch(), 0);

    Platform().QueueMouseDown(WindowId::Float, MouseButton::Right, {785, 161});
    Platform().ProcessMessages();
    EXPECT_EQ(TheEngine().Input().RightDownLatch(), 1);
    EXPECT_EQ(Platform().DragCount(WindowId::Float), 1);
}

TEST_F(FloatGame, WheelOverTheFloatingWindowTurnsPages) {
    Play("");
    Platform().QueueWheel(WindowId::Float, true);
    Tick();
    EXPECT_EQ(TheEngine().Input().KeyPageUp(), 1);
    EXPECT_EQ(TheEngine().Input().KeyPageDown(), 0);
    Platform().QueueWheel(WindowId::Float, false);
    Tick();
    EXPECT_EQ(TheEngine().Input().KeyPageDown(), 1);
}

TEST_F(FloatGame, DebugWindowNeedsTheMarkerFile) {
    Play("");
    EXPECT_FALSE(Platform().IsWindowVisible(WindowId::Debug));
    EXPECT_FALSE(TheEngine().Debug().Visible());
    // Without the window the buttons still work but nothing is sent to it.
    Platform().PressDebugButton(4);
    Platform().ProcessMessages();
    EXPECT_EQ(TheEngine().Debug().Window.Listing.size(), 131u);
    EXPECT_TRUE(Platform().DebugWindowView().Listing.empty());
}

TEST_F(FloatGame, DebugLabelsFollowTheGameFromTickToTick) {
    Play("    wait 200\n", true);
    EXPECT_TRUE(Platform().IsWindowVisible(WindowId::Debug));
    const DebugForm first = Platform().DebugWindowView(); // after TaskInit
    Platform().MoveCursorToClient(WindowId::Main, {300, 250});
    Tick();
    const DebugForm later = Platform().DebugWindowView();
    EXPECT_NE(first.MouseLabel, later.MouseLabel);
    EXPECT_NE(later.MouseLabel.find("300,250"), std::string::npos) << later.MouseLabel;
    EXPECT_NE(first.TaskLabel, later.TaskLabel);
    EXPECT_EQ(later.TaskLabel, "1 1 00800101") << "scene 1 waiting at step 1";
}

TEST_F(FloatGame, DebugButtonsSetClearAndShuffleTheAlbumFlags) {
    Play("", true);
    SystemData& sys = State().System;
    sys.SystemVars[99] = 7;  // variable 100
    sys.SystemVars[199] = 7; // variable 200
    auto scene_flags = [&](int value) {
        for (int n = 101; n <= 199; ++n)
            if (sys.SystemVars[n - 1] != value)
                return false;
        return sys.SystemVars[99] == 7 && sys.SystemVars[199] == 7;
    };
    auto cg_flags = [&](int value) {
        for (std::uint8_t f : sys.CgSeen)
            if (f != value)
                return false;
        return true;
    };
    Platform().PressDebugButton(1);
    Platform().ProcessMessages();
    EXPECT_TRUE(cg_flags(1));
    EXPECT_TRUE(scene_flags(1));
    EXPECT_TRUE(AlbumBook::CgSeen(State().System, 401) && AlbumBook::CgSeen(State().System, 699));

    Platform().PressDebugButton(2);
    Platform().ProcessMessages();
    EXPECT_TRUE(cg_flags(0));
    EXPECT_TRUE(scene_flags(0));

    // Random: the CG flags in order, then the scene flags, from the game's own generator.
    State().Random.SetSeed(12345);
    RandomGenerator expected;
    expected.SetSeed(12345);
    Platform().PressDebugButton(3);
    Platform().ProcessMessages();
    int ones = 0;
    for (int i = 0; i < kCgCount; ++i) {
        ASSERT_EQ(sys.CgSeen[i], expected.Random(2)) << "CG " << 401 + i;
        ones += sys.CgSeen[i];
    }
    for (int n = 101; n <= 199; ++n)
        ASSERT_EQ(sys.SystemVars[n - 1], static_cast<std::int16_t>(expected.Random(2))) << "variable " << n;
    EXPECT_GT(ones, 50);
    EXPECT_LT(ones, 250);
    EXPECT_EQ(State().Random.Seed(), expected.Seed());

    // Unknown buttons change nothing and report nothing.
    Platform().PressDebugButton(0);
    Platform().PressDebugButton(6);
    Platform().ProcessMessages();
    EXPECT_TRUE(Platform().TakeErrors().empty());
    EXPECT_EQ(State().Random.Seed(), expected.Seed());
}

TEST_F(FloatGame, DebugListingsOfVariablesAndLog) {
    Play(".voice \"v000\"\n.voice \"v001\"\n.voice \"v002\"\n.voice \"v003\"\n", true);
    State().Game.ScenarioVars[0] = 5;    // variable 1
    State().Game.ScenarioVars[511] = -3; // variable 512
    State().System.SystemVars[8] = 42;   // variable 9
    Platform().PressDebugButton(4);
    Platform().ProcessMessages();
    const std::vector<std::string>& memo = Platform().DebugWindowView().Listing;
    ASSERT_EQ(memo.size(), 131u);
    EXPECT_EQ(memo[0], "--シナリオ変数--");
    EXPECT_EQ(memo[1], "1:5 2:0 3:0 4:0 5:0 6:0 7:0 8:0 ");
    EXPECT_EQ(memo[64], "505:0 506:0 507:0 508:0 509:0 510:0 511:0 512:-3 ");
    EXPECT_EQ(memo[65], "");
    EXPECT_EQ(memo[66], "--システム変数--");
    EXPECT_EQ(memo[68], "9:42 10:0 11:0 12:0 13:0 14:0 15:0 16:0 ");
    EXPECT_EQ(memo[130].substr(0, 4), "505:");

    Message().AddMsgLog(U"古い言葉", -1);
    Message().AddMsgLog(U"新しい言葉", 3);
    Platform().PressDebugButton(5);
    Platform().ProcessMessages();
    const std::vector<std::string>& log = Platform().DebugWindowView().Listing;
    ASSERT_EQ(log.size(), 17u);
    EXPECT_EQ(log[0], "--メッセージログ--");
    EXPECT_EQ(log[1], "1:新しい言葉:VOICE\\v003.ogg");
    EXPECT_EQ(log[2], "2:古い言葉:");
    EXPECT_EQ(log[16], "16::");
}

TEST_F(FloatGame, FloatItemIsOffDuringAFullScreenChoice) {
    Play("");
    TheEngine().SetTask(TaskCode::TASK_WAIT_SELECT2);
    TheEngine().Commands().ContextMenuPopup();
    EXPECT_FALSE(TheEngine().Commands().MenuItemNamed("ItemMsgFloat").enabled);
    TheEngine().SetTask(TaskCode::TASK_WAIT_SELECT);
    TheEngine().Commands().ContextMenuPopup();
    EXPECT_TRUE(TheEngine().Commands().MenuItemNamed("ItemMsgFloat").enabled);
}

TEST_F(FloatGame, FullScreenShortcutKeepsTheSettingInStep) {
    Play("");
    PlatformEvents& events = TheEngine();
    ASSERT_EQ(State().System.FullScreen, 0);
    events.OnToggleFullScreen();
    EXPECT_TRUE(Platform().FullScreen());
    EXPECT_EQ(State().System.FullScreen, 1);
    events.OnToggleFullScreen();
    EXPECT_FALSE(Platform().FullScreen());
    EXPECT_EQ(State().System.FullScreen, 0);
    EXPECT_EQ(Platform().FullScreenSwitches(), 2);
}

TEST_F(FloatGame, MessageMovesBetweenTheFloatingAndTheMainWindow) {
    Play("    message \"浮かぶ言葉を少し長めに書いておく\"\n");
    State().System.TextSpeed = 1;
    TickUntil(TaskCode::TASK_DISP_MESSAGE);
    Tick();
    ASSERT_EQ(State().Task, TaskCode::TASK_DISP_MESSAGE) << "still revealing";
    TheEngine().Commands().ItemMsgFloatClick();
    EXPECT_TRUE(TheEngine().Message().MsgFloatChecked());
    EXPECT_TRUE(Platform().IsWindowVisible(WindowId::Float));
    Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_MESSAGE) << "the whole message at once";
    EXPECT_TRUE(SameRect(Surface(WindowId::Float), 0, 0, Message().MsgTextImage(), 0, 0, 752, 176));
    EXPECT_EQ(Message().MsgTextImage().GetColor(2, 2), kFloatKey) << "laid out on the floating artwork";
    EXPECT_TRUE(SameRect(Surface(WindowId::Main), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 600));

    TheEngine().Commands().ItemMsgFloatClick();
    EXPECT_FALSE(Platform().IsWindowVisible(WindowId::Float));
    Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_NE(Message().MsgTextImage().GetColor(2, 2), kFloatKey) << "laid out on the scene strip again";
    EXPECT_TRUE(SameRect(Surface(WindowId::Main), 0, 424, Message().MsgTextImage(), 0, 0, 752, 176));
    EXPECT_TRUE(SameRect(Surface(WindowId::Main), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 424));
}

} // namespace
} // namespace hk::test
