// The stage on its own, against a host that records what it is asked and keeps a plain surface
// for the main window and a clock moved by hand: layers loaded at their placements and composed
// in order, a layer cleared, pictures for the message window handed to the host's surfaces, and
// the transitions' steps, shortcut and hand-over. The pictures are a real graphics archive in a
// temporary directory.
#include "engine/screen_layout.h"
#include "engine/stage/stage.h"
#include "gfx/png_writer.h"
#include "support/archive_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <vector>

namespace hk::test {
namespace {

constexpr std::uint16_t kPng = 12;
constexpr Color kRed = MakeColor(200, 0, 0);
constexpr Color kGreen = MakeColor(0, 200, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);
constexpr Color kOld = 0x00204060; // what the screen showed
constexpr Color kNew = 0x00E0C0A0; // the new scene

class RecordingHost final : public StageHost {
public:
    Bitmap window;
    int invalidations = 0;
    bool ready_for_frame = true;
    std::uint32_t clock = 1000;
    Bitmap msg_rule, msg_frame, choice_sheet;
    std::vector<int> cg_shown;
    bool shortcut = false;
    int shortcut_questions = 0;
    std::vector<TaskCode> ended;

    RecordingHost() { window.SetSize(kScreenWidth, kScreenHeight); }

    Bitmap& MainWindowSurface() override { return window; }
    void InvalidateMainWindow() override { ++invalidations; }
    bool MainWindowReadyForFrame() override { return ready_for_frame; }
    std::uint32_t StageClock() override { return clock; }
    Bitmap* SlotSurface(int slot) override {
        switch (slot) {
        case kMsgRuleSlot: return &msg_rule;
        case kMsgFrameSlot: return &msg_frame;
        case kChoiceSheetSlot: return &choice_sheet;
        default: return nullptr;
        }
    }
    void NoteCgShown(int number) override { cg_shown.push_back(number); }
    bool TransitionShortcutWanted() override {
        ++shortcut_questions;
        return shortcut;
    }
    void TransitionEnded(TaskCode next) override { ended.push_back(next); }
};

Bitmap Solid(int w, int h, Color c) {
    Bitmap b;
    b.SetSize(w, h);
    b.Fill(c);
    return b;
}

// A character's mask: white is drawn, black is clear.
Bitmap HalfMask(bool clear_right) {
    Bitmap mask = Solid(800, 600, kWhite);
    mask.FillRect(clear_right ? 400 : 0, 0, 400, 600, kBlack);
    return mask;
}

// One channel of an opaque pixel drawn at opacity 255, which keeps 1/256 of what is beneath.
int OverChannel(int front, int beneath) {
    return (front * 255 + beneath) >> 8;
}
Color Over(Color front, Color beneath) {
    return MakeColor(OverChannel(ColorRed(front), ColorRed(beneath)),
                     OverChannel(ColorGreen(front), ColorGreen(beneath)),
                     OverChannel(ColorBlue(front), ColorBlue(beneath)));
}

std::uint8_t Mix(std::uint8_t fresh, std::uint8_t old, int a) {
    return static_cast<std::uint8_t>((fresh * a + old * (256 - a)) >> 8);
}

class StageTest : public ::testing::Test {
protected:
    TempDir dir;
    GameFiles files{dir.Path()};
    RecordingHost host;
    Stage stage{host, files};
    GameData game{};

    // Background 100 (blue); character 300 (red) clear on its right half, 301 (green) clear on its
    // left half; rule 41 (grey 90); message frame 8 with its mask; a CG, 450. Encoded once.
    static const ArchiveBuilder& Graphics() {
        static const ArchiveBuilder grp = [] {
            ArchiveBuilder g;
            g.Add(100, kPng, EncodePng(Solid(800, 600, kBlue)));
            g.Add(300, kPng, EncodePng(Solid(800, 600, kRed)), kPng, EncodePng(HalfMask(true)));
            g.Add(301, kPng, EncodePng(Solid(800, 600, kGreen)), kPng, EncodePng(HalfMask(false)));
            g.Add(41, kPng, EncodePng(Solid(800, 600, MakeColor(90, 90, 90))));
            g.Add(8, kPng, EncodePng(Solid(800, 176, MakeColor(1, 2, 3))), kPng, EncodePng(Solid(800, 176, kWhite)));
            g.Add(450, kPng, EncodePng(Solid(800, 600, kGreen)));
            return g;
        }();
        return grp;
    }
    void SetUp() override {
        Graphics().WriteTo(dir.Path() / "GRP.IFP");
        stage.ReadGraphicIndex();
        stage.CreateSurfaces();
    }

    Color Shown(int x = 400, int y = 300) const { return host.window.GetColor(x, y); }
};

TEST_F(StageTest, BackgroundAndTwoCharactersComposeAtTheirPlacementsWithLayerOneInFront) {
    stage.SetBackground(100, game);
    stage.SetCharacter(1, 300, kPlaceLeft, game);  // drawn at x = -200: red on 0..199, clear 200..599
    stage.SetCharacter(2, 301, kPlaceRight, game); // drawn at x = +200: clear 200..599, green 600..799
    EXPECT_EQ(game.LayerGraphic[0], 100);
    EXPECT_EQ(game.LayerGraphic[1], 300);
    EXPECT_EQ(game.LayerGraphic[2], 301);
    EXPECT_EQ(game.LayerPlacement[0], kPlaceLeft);
    EXPECT_EQ(game.LayerPlacement[1], kPlaceRight);

    const std::uint64_t serial = stage.SceneSerial();
    stage.CreateMakeBMP(game);
    EXPECT_EQ(stage.SceneSerial(), serial + 1);
    const Bitmap& scene = stage.SceneImage();
    // Layer 2's uncovered columns are opaque white, and layer 1's red stands in front of them.
    EXPECT_EQ(scene.GetColor(100, 300), Over(kRed, Over(kWhite, kBlue)));
    // Both characters clear: the background shows.
    EXPECT_EQ(scene.GetColor(400, 300), kBlue);
    // Layer 1's uncovered white columns stand in front of layer 2's green.
    EXPECT_EQ(scene.GetColor(700, 300), Over(kWhite, Over(kGreen, kBlue)));
    EXPECT_EQ(host.invalidations, 0) << "composing shows nothing";
}

TEST_F(StageTest, ClearingALayerEmptiesItAndItsRecordOnly) {
    stage.SetBackground(100, game);
    stage.SetCharacter(1, 300, kPlaceLeft, game);
    stage.SetCharacter(2, 301, kPlaceRight, game);

    stage.ClearBitmap(1, game);
    EXPECT_EQ(game.LayerGraphic[1], 0);
    EXPECT_EQ(game.LayerGraphic[2], 301);
    EXPECT_EQ(stage.CharLayer1().GetColor(100, 300), kBlack);
    stage.CreateMakeBMP(game);
    EXPECT_EQ(stage.SceneImage().GetColor(100, 300), Over(kWhite, kBlue)) << "layer 2 is now in front";
    EXPECT_EQ(stage.SceneImage().GetColor(700, 300), Over(kGreen, kBlue));

    stage.ClearBitmap(0, game);
    EXPECT_EQ(game.LayerGraphic[0], 0);
    EXPECT_EQ(stage.BgLayer().GetColor(400, 300), kBlack);

    stage.ClearBitmap(7, game); // not a layer
    EXPECT_EQ(game.LayerGraphic[2], 301);
    EXPECT_EQ(stage.CharLayer2().GetColor(700, 300), kGreen);
}

TEST_F(StageTest, MessageWindowPicturesGoToTheHostsSurfacesAndCgsAreReported) {
    const std::uint64_t serial = stage.SceneSerial();
    stage.ReadGraphic(kMsgFrameSlot, 8, kPlaceCentre);
    EXPECT_EQ(host.msg_frame.Width(), 800);
    EXPECT_EQ(host.msg_frame.GetColor(10, 10), MakeColor(1, 2, 3));
    EXPECT_EQ(stage.SceneSerial(), serial + 1) << "the window's backdrop is drawn afresh with a new frame";

    host.msg_rule = Solid(kMsgWindowWidth, kMsgWindowHeight, kBlack);
    stage.ReadGraphic(kMsgRuleSlot, 41, kPlaceCentre);
    EXPECT_EQ(host.msg_rule.GetColor(10, 10), MakeColor(90, 90, 90));

    const std::uint64_t parts = stage.PartsSerial();
    stage.ReadGraphic(kPartsSlot, 100, kPlaceCentre);
    EXPECT_EQ(stage.PartsSerial(), parts + 1);
    EXPECT_EQ(stage.PartsSource(), std::make_pair(100, kPlaceCentre));
    EXPECT_EQ(stage.PartsImage().GetColor(10, 10), kBlue);

    EXPECT_TRUE(host.cg_shown.empty());
    stage.ReadGraphic(kBackgroundSlot, 450, kPlaceCentre);
    stage.ReadGraphic(4, 699, kPlaceCentre); // a slot that takes nothing still counts as seen
    stage.ReadGraphic(4, 700, kPlaceCentre);
    EXPECT_EQ(host.cg_shown, (std::vector<int>{450, 699}));
}

class StageTransitionTest : public StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        stage.ScreenBuffer().Fill(kOld);
        stage.SceneImage().Fill(kNew);
    }
};

TEST_F(StageTransitionTest, FadeStepsReachTheNewPictureAtItsEndAndHandOverOnce) {
    stage.StartFade(100);
    stage.DispFade(); // t = 0: the old screen, kept
    EXPECT_EQ(stage.EffectOld().GetColor(5, 5), kOld);
    EXPECT_EQ(Shown(), kOld);

    host.clock += 50; // alpha 50 * 255 / 100 = 127
    stage.DispFade();
    EXPECT_EQ(ColorRed(Shown()), Mix(ColorRed(kNew), ColorRed(kOld), 127));
    EXPECT_EQ(ColorBlue(Shown()), Mix(ColorBlue(kNew), ColorBlue(kOld), 127));
    EXPECT_TRUE(host.ended.empty());

    host.ready_for_frame = false; // a step the display would not show is not made
    host.clock += 30;
    const int presents = host.invalidations;
    stage.DispFade();
    EXPECT_EQ(host.invalidations, presents);

    host.clock += 20; // the end comes even while the display is busy
    stage.DispFade();
    EXPECT_EQ(Shown(), kNew);
    EXPECT_EQ(stage.ScreenBuffer().GetColor(5, 5), kNew);
    EXPECT_EQ(host.ended, (std::vector<TaskCode>{TaskCode::TASK_SCRIPT}));
    EXPECT_EQ(host.shortcut_questions, 4) << "every step asks for the shortcut";
}

TEST_F(StageTransitionTest, ShortcutEndsAWipeAtOnceWithoutPresenting) {
    host.shortcut = true;
    stage.StartWipe(41, 1000, 4);
    stage.DispWipe();
    EXPECT_EQ(stage.RuleImage().Format(), PixelFormat::Gray8) << "the rule is loaded on the first step";
    EXPECT_EQ(stage.ScreenBuffer().GetColor(5, 5), kNew);
    EXPECT_EQ(host.ended, (std::vector<TaskCode>{TaskCode::TASK_SCRIPT}));
    EXPECT_EQ(host.invalidations, 0) << "the next presentation shows the new scene";
}

TEST_F(StageTransitionTest, WipeRunsItsStepsUntilItsEnd) {
    stage.StartWipe(41, 200, 4);
    stage.DispWipe();
    EXPECT_EQ(host.invalidations, 1);
    EXPECT_TRUE(host.ended.empty());
    host.clock += 199;
    stage.DispWipe();
    EXPECT_EQ(host.invalidations, 2);
    EXPECT_TRUE(host.ended.empty());
    host.clock += 1;
    stage.DispWipe();
    EXPECT_EQ(host.ended, (std::vector<TaskCode>{TaskCode::TASK_SCRIPT}));
}

TEST_F(StageTransitionTest, MenuFadeIsNeverCutShortAndGoesOnToItsTask) {
    host.shortcut = true;
    stage.StartFade(500);
    stage.DispMenuFade(TaskCode::TASK_WAIT_TITLE_MENU);
    host.clock += 499;
    stage.DispMenuFade(TaskCode::TASK_WAIT_TITLE_MENU);
    EXPECT_TRUE(host.ended.empty());
    EXPECT_EQ(host.shortcut_questions, 0);
    host.clock += 1;
    stage.DispMenuFade(TaskCode::TASK_WAIT_TITLE_MENU);
    EXPECT_EQ(host.ended, (std::vector<TaskCode>{TaskCode::TASK_WAIT_TITLE_MENU}));
    EXPECT_EQ(Shown(), kNew);
}

} // namespace
} // namespace hk::test
