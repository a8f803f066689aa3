// Both kinds of choice played by the engine: which row or slot the pointer selects, what is
// highlighted, the keyboard, hiding, and what a choice leaves in variable 1 and in the log.
#include "text_fixture.h"

namespace hk::test {
namespace {

bool Green(Color c) {
    return ColorGreen(c) >= 250 && ColorRed(c) < 8 && ColorBlue(c) < 8;
}

class ChoiceTest : public TextGame {
protected:
    // Rows (1..4) of the main window whose band shows the highlighted picture.
    std::vector<int> HighlightedRows() {
        std::vector<int> rows;
        for (int r = 1; r <= 4; ++r)
            if (SameRect(MainWindow(), 0, 424 + 32 * r, Message().SelectImage(), 0, 32 * r, 800, 32) &&
                Differs(Message().SelectImage(), 0, 32 * r, Message().MsgTextImage(), 0, 32 * r, 800, 32))
                rows.push_back(r);
        return rows;
    }
    std::vector<int> HighlightedFloatRows() {
        std::vector<int> rows;
        for (int r = 1; r <= 4; ++r)
            if (SameRect(FloatWindow(), 0, 32 * r, Message().SelectImage(), 0, 32 * r, 800, 32) &&
                Differs(Message().SelectImage(), 0, 32 * r, Message().MsgTextImage(), 0, 32 * r, 800, 32))
                rows.push_back(r);
        return rows;
    }
    // Slots (1..9) of the screen whose band shows the highlighted picture.
    std::vector<int> HighlightedSlots() {
        std::vector<int> slots;
        for (int b = 1; b <= 9; ++b)
            if (Differs(Message().Select2WorkImage(), 0, 60 * b - 20, Message().Select2Image(), 0, 60 * b - 20, 800,
                        40) &&
                SameRect(MainWindow(), 0, 60 * b - 20, Message().Select2WorkImage(), 0, 60 * b - 20, 800, 40))
                slots.push_back(b);
        return slots;
    }
    Point MainPointer() { return Platform().ScreenToClient(WindowId::Main, Platform().CursorPos()); }
    using Rows = std::vector<int>;
};

TEST_F(ChoiceTest, FirstKindHighlightsTheRowUnderThePointerAndStoresTheClickedOne) {
    Play("    select \"北へ行く/南へ行く\"\n", 3);
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    EXPECT_EQ(Message().ChoiceCount(), 2);
    EXPECT_EQ(Message().MsgIsChoice(), 1);
    // The window is shown by the script's tick, all rows grey.
    EXPECT_TRUE(SameRect(MainWindow(), 0, 424, Message().MsgTextImage(), 0, 0, 800, 176));
    EXPECT_EQ(CountPixels(Message().MsgTextImage(), 30, 33, 400, 64, Green), 0);
    EXPECT_GT(CountPixels(Message().MsgTextImage(), 30, 33, 400, 30, [](Color c) { return c == 0x007F7F7F; }), 20);

    for (int y : {456, 470, 487}) {
        MovePointer({400, y});
        Tick();
        EXPECT_EQ(HighlightedRows(), Rows{1}) << "y " << y;
    }
    EXPECT_GT(CountPixels(MainWindow(), 30, 424 + 33, 400, 30, Green), 20) << "the hovered row is green";
    MovePointer({400, 488});
    Tick();
    EXPECT_EQ(HighlightedRows(), Rows{2});
    for (Point p : {Point{400, 530}, Point{400, 570}, Point{400, 455}, Point{-1, 470}, Point{800, 470}}) {
        MovePointer(p);
        Tick();
        EXPECT_EQ(HighlightedRows(), Rows{}) << p.x << "," << p.y;
        EXPECT_TRUE(SameRect(MainWindow(), 0, 424, Message().MsgTextImage(), 0, 0, 800, 176));
    }
    // A click where no choice is does nothing.
    Click({400, 540});
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_SELECT);

    Click({400, 500});
    EXPECT_EQ(Task(), TaskCode::TASK_SCRIPT);
    EXPECT_EQ(Var1(), 2);
    EXPECT_EQ(TheEngine().Input().InputLock(), 25);
    EXPECT_EQ(LogText(0), "【選択肢】/南へ行く");
    EXPECT_EQ(Message().MsgLog()[0].VoiceIndex, -1);
    EXPECT_EQ(Message().MsgLog()[0].File, "");
}

TEST_F(ChoiceTest, WaitingChoicesPresentOnlyWhenThePictureChanges) {
    Play("    select \"はい/いいえ\"\n    select2 \"右/左\"\n", 3);
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    MovePointer({400, 470});
    Tick();
    int presents = Platform().Invalidations(WindowId::Main);
    Ticks(20);
    EXPECT_EQ(Platform().Invalidations(WindowId::Main), presents);
    MovePointer({400, 500});
    Tick();
    EXPECT_EQ(Platform().Invalidations(WindowId::Main), presents + 1);
    EXPECT_EQ(HighlightedRows(), Rows{2});
    // Drawn over (as a menu or the window system may), it comes back on the next tick.
    TheEngine().TheStage().ScreenBuffer().Fill(kBlack);
    TheEngine().TheStage().PresentScreen();
    TheEngine().TheStage().ScreenBuffer().CopyRect(0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 600);
    Tick();
    EXPECT_EQ(HighlightedRows(), Rows{2});

    Click({400, 500});
    TickUntil(TaskCode::TASK_WAIT_SELECT2);
    MovePointer({400, 230});
    Tick();
    presents = Platform().Invalidations(WindowId::Main);
    Ticks(20);
    EXPECT_EQ(Platform().Invalidations(WindowId::Main), presents);
    MovePointer({400, 290});
    Tick();
    EXPECT_EQ(Platform().Invalidations(WindowId::Main), presents + 1);
    EXPECT_EQ(HighlightedSlots(), std::vector<int>{5});
}

TEST_F(ChoiceTest, FirstKindSplitsIntoAtMostFourLinesOfThirtyCharacters) {
    std::string long_choice;
    for (int i = 0; i < 35; ++i)
        long_choice += "あ";
    Play("    select \"一/二/三/四/五\"\n    select \"" + long_choice + "\"\n", 3);
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    EXPECT_EQ(Message().ChoiceCount(), 4);
    MovePointer({400, 560});
    Tick();
    EXPECT_EQ(HighlightedRows(), Rows{4});
    Click({400, 560});
    EXPECT_EQ(Var1(), 4);
    EXPECT_EQ(LogText(0), "【選択肢】/四");

    TickUntil(TaskCode::TASK_WAIT_SELECT);
    EXPECT_EQ(Message().ChoiceCount(), 2) << "30 + 5 characters";
    EXPECT_EQ(Message().ChoiceLines()[1], U"あああああ");
    Click({400, 500});
    EXPECT_EQ(Var1(), 2);
}

TEST_F(ChoiceTest, FloatingWindowRowsUseItsOwnPointerWithATallerLastRow) {
    Play("    select \"一/二/三/四\"\n", 3);
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    TheEngine().Commands().ItemMsgFloatClick();
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_SELECT);
    const std::vector<std::pair<int, int>> cases = {{31, 0},  {32, 1},  {63, 1},  {64, 2}, {96, 3},
                                                    {127, 3}, {128, 4}, {160, 4}, {161, 0}};
    for (auto [y, row] : cases) {
        MovePointer({400, y}, WindowId::Float);
        Tick();
        EXPECT_EQ(HighlightedFloatRows(), row ? Rows{row} : Rows{}) << "y " << y;
        EXPECT_TRUE(SameRect(MainWindow(), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 600));
    }
    Click({400, 160}, WindowId::Float);
    EXPECT_EQ(Task(), TaskCode::TASK_SCRIPT);
    EXPECT_EQ(Var1(), 4);
    Bitmap empty;
    empty.SetSize(800, 176);
    empty.CopyRect(0, 0, TheEngine().TheStage().PartsImage(), 0, 424, 800, 176);
    EXPECT_TRUE(SameRect(FloatWindow(), 0, 0, empty, 0, 0, 800, 176));
}

TEST_F(ChoiceTest, CursorKeysMoveThePointerAndWrapAround) {
    Play("    select \"一/二/三\"\n    select \"一/二/三\"\n", 3);
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    MovePointer({400, 100});
    Press(Key::Up);
    EXPECT_EQ(MainPointer(), (Point{16, 424 + 32 * 3 + 16})) << "Up from nowhere goes to the last choice";
    EXPECT_EQ(TheEngine().Input().InputLock(), 15);
    Tick();
    EXPECT_EQ(HighlightedRows(), Rows{3});
    RunMs(200);
    Press(Key::Down);
    EXPECT_EQ(MainPointer(), (Point{16, 472})) << "Down on the last choice wraps to the first";
    RunMs(200);
    Press(Key::Down);
    EXPECT_EQ(MainPointer(), (Point{16, 504}));
    RunMs(200);
    Press(Key::Up);
    Press(Key::Up);
    EXPECT_EQ(MainPointer(), (Point{16, 472})) << "the lock swallows the second press";
    RunMs(200);
    Press(Key::Up);
    EXPECT_EQ(MainPointer(), (Point{16, 536})) << "Up on the first choice wraps to the last";
    RunMs(200);
    Press(Key::Return);
    EXPECT_EQ(Task(), TaskCode::TASK_SCRIPT);
    EXPECT_EQ(Var1(), 3);

    // On the floating window the pointer moves in its coordinates.
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    TheEngine().Commands().ItemMsgFloatClick();
    RunMs(300);
    MovePointer({400, 10}, WindowId::Float);
    Press(Key::Down);
    EXPECT_EQ(Platform().ScreenToClient(WindowId::Float, Platform().CursorPos()), (Point{16, 48}));
    Tick();
    EXPECT_EQ(HighlightedFloatRows(), Rows{1});
}

TEST_F(ChoiceTest, SpaceHidesTheChoiceWindowAndAClickOnlyShowsItAgain) {
    Play("    select \"はい/いいえ\"\n", 3);
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    MovePointer({400, 470});
    Press(Key::Space);
    EXPECT_EQ(Message().MsgWindowVisible(), 0);
    EXPECT_TRUE(SameRect(MainWindow(), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 600));
    Ticks(5);
    EXPECT_TRUE(SameRect(MainWindow(), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 600));
    Click({400, 470});
    EXPECT_EQ(Message().MsgWindowVisible(), 1);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_SELECT) << "showing is all the click does";
    EXPECT_EQ(Var1(), 0);
    Tick();
    EXPECT_EQ(HighlightedRows(), Rows{1});
    Click({400, 470});
    EXPECT_EQ(Var1(), 1);
}

TEST_F(ChoiceTest, SecondKindSlotsForEveryCount) {
    // Nine full-screen choices with 1..9 lines, one after the other.
    std::string scene;
    for (int n = 1; n <= 9; ++n) {
        std::string text;
        for (int i = 1; i <= n; ++i) {
            if (i > 1)
                text += '/';
            text += "選択";
            text += std::to_string(i);
        }
        scene += "    select2 \"" + text + "\"\n";
    }
    Play(scene, 3);
    for (int n = 1; n <= 9; ++n) {
        TickUntil(TaskCode::TASK_WAIT_SELECT2);
        ASSERT_EQ(Message().ChoiceCount(), n);
        const int first = n == 1 ? 5 : n <= 3 ? 4 : n <= 5 ? 3 : n <= 7 ? 2 : 1;
        // The text of the first choice starts 6 pixels into its slot; nothing above the block.
        const int top = 60 * first - 20;
        EXPECT_TRUE(
            Differs(Message().Select2Image(), 120, top + 6, Message().Select2WorkImage(), 120, top + 6, 560, 28));
        if (top > 40) {
            EXPECT_FALSE(Differs(Message().Select2Image(), 0, 0, Message().Select2WorkImage(), 0, 0, 800, top)) << n;
        }
        for (int b = 1; b <= 9; ++b) {
            for (int y : {60 * b - 20, 60 * b + 19}) {
                MovePointer({400, y});
                Tick();
                const bool used = b >= first && b < first + n;
                EXPECT_EQ(HighlightedSlots(), used ? std::vector<int>{b} : std::vector<int>{})
                    << n << " choices, y " << y;
            }
        }
        // Outside x 120..679 nothing reacts.
        Click({100, 60 * first});
        Click({700, 60 * first});
        Click({119, 60 * first});
        Click({680, 60 * first});
        EXPECT_EQ(Task(), TaskCode::TASK_WAIT_SELECT2);
        Click({120, 60 * (first + n - 1) + 19});
        EXPECT_EQ(Task(), TaskCode::TASK_SCRIPT);
        EXPECT_EQ(Var1(), n);
        EXPECT_EQ(LogText(0), "【選択肢】/選択" + std::to_string(n));
        EXPECT_TRUE(SameRect(MainWindow(), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 600))
            << "the plain scene again";
    }
}

TEST_F(ChoiceTest, SecondKindDrawsOverTheOverlayHidesWithSpaceAndDetachesTheMenu) {
    Play("    system contextmenu, 1\n    select2 \"右/左/上\"\n    select \"はい/いいえ\"\n", 3);
    TickUntil(TaskCode::TASK_WAIT_SELECT2);
    EXPECT_FALSE(Platform().IsWindowVisible(WindowId::Float));
    Tick();
    EXPECT_EQ(Platform().AttachedMenu(), &TheEngine().Commands().ContextMenu);
    // Three choices at y 226, 286, 346 in grey over the veiled scene.
    const Bitmap& shown = MainWindow();
    EXPECT_GT(CountPixels(shown, 120, 226, 560, 28, [](Color c) { return c == 0x007F7F7F; }), 20);
    EXPECT_GT(CountPixels(shown, 120, 346, 560, 28, [](Color c) { return c == 0x007F7F7F; }), 20);
    EXPECT_EQ(CountPixels(shown, 120, 160, 560, 60, [](Color c) { return c == 0x007F7F7F; }), 0);
    // The overlay shows in the band of the used slots; above it the scene stays as it is.
    EXPECT_NE(shown.GetColor(750, 300), TheEngine().TheStage().SceneImage().GetColor(750, 300));
    EXPECT_NE(shown.GetColor(400, 300), TheEngine().TheStage().SceneImage().GetColor(400, 300));
    EXPECT_EQ(shown.GetColor(400, 10), TheEngine().TheStage().SceneImage().GetColor(400, 10));

    MovePointer({400, 230});
    Press(Key::Space);
    EXPECT_EQ(Message().Select2Visible(), 0);
    EXPECT_TRUE(SameRect(MainWindow(), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 600));
    Click({400, 230});
    EXPECT_EQ(Message().Select2Visible(), 1);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_SELECT2);
    Tick();
    EXPECT_GT(CountPixels(MainWindow(), 120, 226, 560, 28, Green), 20);
    Click({400, 230});
    EXPECT_EQ(Var1(), 1);
    EXPECT_EQ(Platform().AttachedMenu(), nullptr) << "a full-screen choice detaches the menu";

    // A first-kind choice attaches it and keeps it attached after the choice.
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    Tick();
    Click({400, 470});
    EXPECT_EQ(Var1(), 1);
    EXPECT_EQ(Platform().AttachedMenu(), &TheEngine().Commands().ContextMenu);
}

TEST_F(ChoiceTest, ChoosingStopsSkippingAndAutomaticAdvance) {
    Play("    message \"前\"\n    select \"はい/いいえ\"\n", 3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Message().SetAutoMode(1);
    Message().SetSkipMode(1);
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    EXPECT_EQ(Message().SkipMode(), 0);
    EXPECT_EQ(Message().SkipNow(), 0);
    EXPECT_EQ(Message().AutoMode(), 0);
    Message().SetAutoMode(1);
    Tick();
    EXPECT_EQ(Message().AutoMode(), 0) << "a waiting choice keeps automatic advance off";
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_SELECT);
}

} // namespace
} // namespace hk::test
