// The message window on its own, against a recording host: the reveal at each text speed, the
// click that completes and then advances, the modes a choice stops, the answer under the pointer,
// the cursor keys on both kinds of choice, the log paged back and forth, and the voices asked of
// the host.
#include "engine/message/message_window.h"
#include "support/message_recorder.h"

#include <gtest/gtest.h>

namespace hk::test {
namespace {

class MessageWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.CreateSurfaces();
        // A frame whose inside is half clear, and a rule that reveals from the left.
        Bitmap& frame = window.MsgFrameImage();
        frame.SetSize(kMsgWindowWidth, kMsgWindowHeight);
        frame.Fill(MakeColor(40, 60, 80));
        for (int y = 0; y < kMsgWindowHeight; ++y)
            for (int x = 0; x < kMsgWindowWidth; ++x)
                frame.Pixel(x, y)[3] = 128;
        Bitmap& rule = window.MsgRuleImage();
        for (int y = 0; y < kMsgWindowHeight; ++y)
            for (int x = 0; x < kMsgWindowWidth; ++x)
                rule.Pixel(x, y)[0] = static_cast<std::uint8_t>(x * 255 / kMsgWindowWidth); // blue
        // The full-screen choice's overlay: a darkening sheet.
        Bitmap& sheet = window.Select2Sheet();
        sheet.SetSize(kScreenWidth, kScreenHeight);
        sheet.Fill(kBlack);
        for (int y = 0; y < kScreenHeight; ++y)
            for (int x = 0; x < kScreenWidth; ++x)
                sheet.Pixel(x, y)[3] = 96;
        host.scene.Fill(MakeColor(200, 100, 50));
        host.parts.Fill(MakeColor(10, 20, 30));
        window.SetLineRules(30, 3, U"、。」", U"「");
        host.message_texts = {"Hello", "A/B/C", "one/two/three"};
        host.voice_names = {"yuki_001", "aki_002"};
    }

    // One tick of the window's current task.
    void Tick() {
        switch (host.task) {
        case TaskCode::TASK_DISP_MESSAGE: window.DispMessage(); break;
        case TaskCode::TASK_WAIT_MESSAGE: window.WaitMessage(); break;
        case TaskCode::TASK_WAIT_SELECT: window.WaitSelect(); break;
        case TaskCode::TASK_WAIT_SELECT2: window.WaitSelect2(); break;
        default: FAIL() << "not a task of the message window";
        }
    }
    // Ticks while the task stays what it is; answers how many ran (at most `limit`).
    int TicksWhile(TaskCode task, int limit = 1000) {
        int n = 0;
        while (host.task == task && n < limit) {
            Tick();
            ++n;
        }
        return n;
    }
    void Show(int number, int voice = -1, bool already_read = false) {
        ScriptMessage message;
        message.number = number;
        message.voice = voice;
        message.text = host.message_texts[static_cast<std::size_t>(number)];
        if (voice >= 0)
            message.voice_name = host.voice_names[static_cast<std::size_t>(voice)];
        message.already_read = already_read;
        window.ShowMessage(message);
    }
    bool WindowShowsText() {
        const Bitmap& text = window.MsgTextImage();
        for (int y = 0; y < kMsgWindowHeight; ++y)
            for (int x = 0; x < kMsgWindowWidth; ++x)
                if (host.main_window.GetColor(x, kMsgWindowTop + y) != text.GetColor(x, y))
                    return false;
        return true;
    }

    RecordingMessageHost host;
    MessageWindow window{host};
};

TEST_F(MessageWindowTest, RevealTakesTicksByTextSpeedAndLinesThenWaits) {
    // Level 85 per line: speed 1 adds 1 per tick, speed 2 adds 4 (85 / 4 -> 22 ticks, 255 / 4 ->
    // 64), speed 3 finishes on the first tick.
    struct Case {
        int speed, message, ticks;
    };
    for (const Case c : {Case{1, 0, 85}, Case{2, 0, 22}, Case{3, 0, 1}, Case{1, 2, 255}, Case{2, 2, 64}}) {
        host.text_speed = c.speed;
        Show(c.message);
        EXPECT_EQ(host.task, TaskCode::TASK_DISP_MESSAGE);
        EXPECT_EQ(window.MsgLineCount(), c.message == 2 ? 3 : 1);
        if (c.ticks > 1) {
            Tick();
            EXPECT_FALSE(WindowShowsText()) << "speed " << c.speed << ": still revealing";
        }
        EXPECT_EQ(TicksWhile(TaskCode::TASK_DISP_MESSAGE) + (c.ticks > 1 ? 1 : 0), c.ticks) << "speed " << c.speed;
        EXPECT_EQ(host.task, TaskCode::TASK_WAIT_MESSAGE);
        EXPECT_TRUE(WindowShowsText()) << "speed " << c.speed;
        EXPECT_EQ(window.RevealLevel(), 0);
        // Nothing held: it waits.
        Tick();
        Tick();
        EXPECT_EQ(host.task, TaskCode::TASK_WAIT_MESSAGE);
    }
    // A text speed the settings never give does not reveal at all.
    host.text_speed = 0;
    Show(0);
    EXPECT_EQ(TicksWhile(TaskCode::TASK_DISP_MESSAGE, 500), 500);
}

TEST_F(MessageWindowTest, AClickCompletesTheRevealThenAdvancesAndLogs) {
    host.text_speed = 1;
    Show(0);
    Tick();
    ASSERT_EQ(host.task, TaskCode::TASK_DISP_MESSAGE);
    host.input.LeftClick = true;
    Tick();
    EXPECT_EQ(host.task, TaskCode::TASK_WAIT_MESSAGE) << "the click completes the message";
    EXPECT_TRUE(WindowShowsText());
    EXPECT_TRUE(host.Calls("lock").empty()) << "only a held Return locks after the reveal";
    EXPECT_EQ(window.MsgLog()[0].Text, "");

    Tick();
    EXPECT_EQ(host.task, TaskCode::TASK_SCRIPT) << "the next click advances";
    EXPECT_EQ(window.MsgLog()[0].Text, "Hello");
    EXPECT_EQ(host.Calls("detach menu").size(), 1u);

    // Return: it completes with the short lock, then advances with the long one.
    host.calls.clear();
    host.input = {};
    host.input.KeyReturn = true;
    Show(0);
    Tick();
    EXPECT_EQ(host.Calls("lock"), std::vector<std::string>{"lock 10"});
    Tick();
    EXPECT_EQ(host.Calls("lock"), (std::vector<std::string>{"lock 10", "lock 25"}));
    EXPECT_EQ(host.task, TaskCode::TASK_SCRIPT);
}

TEST_F(MessageWindowTest, AutomaticAdvanceWaitsForTheDelay) {
    host.auto_delay = 2;
    window.SetAutoMode(true);
    Show(0);
    TicksWhile(TaskCode::TASK_DISP_MESSAGE);
    window.SetAutoElapsed(1990);
    Tick();
    EXPECT_EQ(host.task, TaskCode::TASK_WAIT_MESSAGE);
    window.AddAutoElapsed(10);
    Tick();
    EXPECT_EQ(host.task, TaskCode::TASK_SCRIPT);
    EXPECT_TRUE(window.AutoMode()) << "automatic advance goes on after an automatic step";
}

TEST_F(MessageWindowTest, SkipReadSkipAndAutoStopAtAChoice) {
    // Read-message skip goes on over a read message and ends at the first unread one.
    window.SetReadSkipMode(true);
    window.SetSkipNow(true);
    Show(0, -1, true);
    EXPECT_TRUE(window.SkipNow());
    EXPECT_TRUE(window.ReadSkipMode());
    Show(0, -1, false);
    EXPECT_FALSE(window.SkipNow());
    EXPECT_FALSE(window.ReadSkipMode());

    for (bool full_screen : {false, true}) {
        window.SetSkipMode(true);
        window.SetSkipNow(true);
        window.SetReadSkipMode(true);
        window.SetAutoMode(true);
        if (full_screen)
            window.ShowFullScreenChoice(1, -1, host.message_texts[1]);
        else
            window.ShowChoice(1, -1, host.message_texts[1]);
        EXPECT_FALSE(window.SkipMode() || window.SkipNow() || window.ReadSkipMode() || window.AutoMode())
            << full_screen;
        EXPECT_TRUE(window.MsgIsChoice());
        EXPECT_EQ(window.MsgNumber(), 1);
        EXPECT_EQ(window.ChoiceCount(), 3);
        EXPECT_EQ(host.task, full_screen ? TaskCode::TASK_WAIT_SELECT2 : TaskCode::TASK_WAIT_SELECT);
        // Nothing held and nothing under the pointer: it waits, and keeps automatic advance off.
        window.SetAutoMode(true);
        Tick();
        Tick();
        EXPECT_FALSE(window.AutoMode());
        EXPECT_EQ(host.task, full_screen ? TaskCode::TASK_WAIT_SELECT2 : TaskCode::TASK_WAIT_SELECT);
        EXPECT_EQ(host.answer, 0);
    }
}

TEST_F(MessageWindowTest, AChoiceAnswersTheRowUnderThePointer) {
    window.ShowChoice(1, -1, host.message_texts[1]);
    host.input.LeftClick = true;
    // Rows of 32 pixels from y 32 of the window: row 4 is empty with three choices.
    host.input.CursorMain = {100, kMsgWindowTop + 32 * 4 + 5};
    Tick();
    EXPECT_EQ(host.task, TaskCode::TASK_WAIT_SELECT);
    EXPECT_EQ(host.answer, 0);
    host.input.CursorMain = {100, kMsgWindowTop + 32 * 2 + 5};
    Tick();
    EXPECT_EQ(host.answer, 2);
    EXPECT_EQ(host.task, TaskCode::TASK_SCRIPT);
    EXPECT_EQ(window.MsgLog()[0].Text, "【選択肢】/B");
    EXPECT_EQ(window.MsgLog()[0].VoiceIndex, -1);

    // In the floating window the rows start at its top.
    window.SetMsgFloatChecked(true);
    window.ShowChoice(1, -1, host.message_texts[1]);
    host.input.CursorFloat = {100, 32 * 3 + 1};
    Tick();
    EXPECT_EQ(host.answer, 3);

    // Full screen, three lines: slots 4..6 of 60 pixels (tops 220, 280, 340), x 120..679.
    host.answer = 0;
    window.ShowFullScreenChoice(2, -1, host.message_texts[2]);
    host.input.CursorMain = {700, 290};
    Tick();
    EXPECT_EQ(host.answer, 0) << "right of the choices";
    host.input.CursorMain = {200, 290};
    Tick();
    EXPECT_EQ(host.answer, 2);
    EXPECT_EQ(window.MsgLog()[0].Text, "【選択肢】/two");
    EXPECT_EQ(host.task, TaskCode::TASK_SCRIPT);
}

TEST_F(MessageWindowTest, TheCursorKeysMoveThePointerToTheNextRow) {
    window.ShowChoice(1, -1, host.message_texts[1]);
    host.input.CursorMain = {100, kMsgWindowTop + 32 * 3 + 5}; // row 3, the last
    host.input.KeyDown = true;
    Tick();
    EXPECT_EQ(host.cursor_set, (Point{16, kMsgWindowTop + 32 + 16})) << "down from the last row wraps to row 1";
    EXPECT_EQ(host.input_lock, kLockAfterCursorKey);
    EXPECT_EQ(host.answer, 0);
}

TEST_F(MessageWindowTest, UpAndDownStepThroughEveryRowOfAChoiceAndWrapAtTheEnds) {
    // Three rows; from each row (0: the pointer on none of them) Down goes to the next and from
    // the last to the first, Up to the previous and from the first or from none to the last. The
    // pointer lands at the row's left end, 16 pixels into it.
    for (const bool floating : {false, true}) {
        window.SetMsgFloatChecked(floating);
        window.ShowChoice(1, -1, host.message_texts[1]);
        const int top = floating ? 0 : kMsgWindowTop;
        for (int row = 0; row <= 3; ++row) {
            for (const bool down : {true, false}) {
                host.input = {};
                host.input.KeyDown = down;
                host.input.KeyUp = !down;
                const Point pointer{100, row == 0 ? top + 5 : top + 32 * row + 5};
                (floating ? host.input.CursorFloat : host.input.CursorMain) = pointer;
                host.cursor_set = {-1, -1};
                Tick();
                const int expected = down ? row % 3 + 1 : (row <= 1 ? 3 : row - 1);
                EXPECT_EQ(host.cursor_set, (Point{16, top + 32 * expected + 16}))
                    << (floating ? "floating, " : "") << "row " << row << (down ? " down" : " up");
            }
        }
    }
}

TEST_F(MessageWindowTest, UpAndDownStepThroughTheFullScreenChoiceAndReturnAnswers) {
    // Three lines in slots 4..6 (tops 220, 280, 340): the pointer goes to the middle of a slot.
    window.ShowFullScreenChoice(2, -1, host.message_texts[2]);
    const auto step = [&](Point from, bool down) {
        host.input = {};
        host.input.CursorMain = from;
        host.input.KeyDown = down;
        host.input.KeyUp = !down;
        host.cursor_set = {-1, -1};
        host.input_lock = 0;
        Tick();
        EXPECT_EQ(host.input_lock, kLockAfterCursorKey);
        return host.cursor_set;
    };
    EXPECT_EQ(step({0, 0}, true), (Point{400, 240})) << "from no line down goes to the first";
    EXPECT_EQ(step({0, 0}, false), (Point{400, 360})) << "and up to the last";
    EXPECT_EQ(step({400, 240}, true), (Point{400, 300}));
    EXPECT_EQ(step({400, 360}, true), (Point{400, 240})) << "wraps";
    EXPECT_EQ(step({400, 240}, false), (Point{400, 360})) << "wraps";
    EXPECT_EQ(host.answer, 0) << "a key that moves answers nothing";

    host.input = {};
    host.input.CursorMain = {400, 300};
    host.input.KeyReturn = true;
    Tick();
    EXPECT_EQ(host.answer, 2);
    EXPECT_EQ(host.task, TaskCode::TASK_SCRIPT);
}

TEST_F(MessageWindowTest, TheLogPagesBackAndForthAndReturnsToTheMessage) {
    window.AddMsgLog(U"first", 0);
    window.AddMsgLog(U"second", -1);
    window.AddMsgLog(U"third", 1);
    Show(0);
    TicksWhile(TaskCode::TASK_DISP_MESSAGE);
    host.calls.clear();

    auto page = [&](bool up) {
        host.input = {};
        (up ? host.input.KeyPageUp : host.input.KeyPageDown) = true;
        Tick();
        host.input = {};
        TicksWhile(TaskCode::TASK_DISP_MESSAGE);
    };
    page(true);
    EXPECT_TRUE(window.LogViewing());
    EXPECT_EQ(window.LogCursor(), 1);
    EXPECT_EQ(host.calls.front(), "voice VOICE\\aki_002.ogg") << "the newest entry, with its voice";
    page(true);
    EXPECT_EQ(window.LogCursor(), 2);
    EXPECT_EQ(host.Calls("stop voice").size(), 1u) << "an entry without a voice stops the voice";
    page(true);
    page(true);
    EXPECT_EQ(window.LogCursor(), 3) << "the log ends at its oldest entry";
    page(false);
    EXPECT_EQ(window.LogCursor(), 2);
    page(false);
    page(false);
    EXPECT_EQ(window.LogCursor(), 1) << "page down stops at the newest entry";
    EXPECT_TRUE(window.LogViewing());

    host.input.LeftClick = true;
    Tick();
    EXPECT_FALSE(window.LogViewing());
    EXPECT_EQ(host.task, TaskCode::TASK_DISP_MESSAGE);
    EXPECT_EQ(window.RevealLevel(), 255) << "the message comes back at once";
    EXPECT_EQ(window.MsgLog()[0].Text, "third") << "returning is not an advance";
    host.input = {};
    EXPECT_EQ(TicksWhile(TaskCode::TASK_DISP_MESSAGE), 1);
    EXPECT_TRUE(WindowShowsText());
}

TEST_F(MessageWindowTest, TheVoiceIsAskedWhenAMessageStarts) {
    Show(0, 1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"voice VOICE\\aki_002.ogg", "task " + std::to_string(0x6001)}));
    host.calls.clear();
    Show(0, -1);
    EXPECT_EQ(host.calls.front(), "stop voice");
    host.calls.clear();
    window.SetSkipNow(true);
    Show(0, 0);
    EXPECT_TRUE(host.Calls("voice").empty() && host.Calls("stop voice").empty()) << "skipping leaves the voice alone";
    EXPECT_EQ(window.VoiceNumber(), 0);
}

TEST_F(MessageWindowTest, SpaceHidesTheWindowAndOnlySpaceReturnOrAClickBringItBack) {
    Show(0);
    TicksWhile(TaskCode::TASK_DISP_MESSAGE);
    window.SetAutoMode(true);
    host.input.KeySpace = true;
    Tick();
    EXPECT_FALSE(window.MsgWindowVisible());
    EXPECT_FALSE(window.AutoMode());
    EXPECT_FALSE(WindowShowsText());
    EXPECT_EQ(host.Calls("spend keys").size(), 1u);

    // Hidden: the log keys and Control do nothing, and nothing advances.
    host.input = {};
    host.input.KeyPageUp = true;
    host.input.KeyControl = true;
    Tick();
    EXPECT_FALSE(window.MsgWindowVisible());
    EXPECT_FALSE(window.LogViewing());
    EXPECT_EQ(host.task, TaskCode::TASK_WAIT_MESSAGE);

    host.input = {};
    host.input.LeftClick = true;
    Tick();
    EXPECT_TRUE(window.MsgWindowVisible());
    EXPECT_TRUE(WindowShowsText());
    EXPECT_EQ(host.task, TaskCode::TASK_WAIT_MESSAGE) << "the click that shows the window does not advance";

    // The context menu's toggle hides the second kind of choice as well.
    window.ShowFullScreenChoice(2, -1, host.message_texts[2]);
    window.ToggleMsgWindow();
    EXPECT_FALSE(window.Select2Visible());
    EXPECT_TRUE(window.MsgWindowVisible()) << "the message window is not the full-screen choice";
    window.ToggleMsgWindow();
    EXPECT_TRUE(window.Select2Visible());
}

TEST_F(MessageWindowTest, TheFloatingWindowTakesTheCurrentTextAndItsPresses) {
    Show(0);
    TicksWhile(TaskCode::TASK_DISP_MESSAGE);
    window.SwitchFloat(true);
    EXPECT_TRUE(host.float_visible);
    EXPECT_EQ(host.task, TaskCode::TASK_DISP_MESSAGE);
    EXPECT_EQ(window.RevealLevel(), 255) << "shown at once in its new place";
    EXPECT_EQ(window.MsgTextImage().GetColor(400, 170), MakeColor(10, 20, 30)) << "laid out on the floating artwork";
    TicksWhile(TaskCode::TASK_DISP_MESSAGE);
    EXPECT_EQ(host.float_window.GetColor(400, 170), MakeColor(10, 20, 30));
    EXPECT_EQ(host.float_window.GetColor(100, 60), window.MsgTextImage().GetColor(100, 60));

    // Presses in the text area count as clicks; the frame around it drags the window.
    window.MsgFormMouseDown(MouseButton::Left, {13, 29});
    window.MsgFormMouseDown(MouseButton::Left, {785, 162});
    EXPECT_EQ(host.Calls("latch").size(), 1u);
    EXPECT_EQ(host.Calls("drag").size(), 1u);

    window.SwitchFloat(false);
    EXPECT_FALSE(host.float_visible);
    EXPECT_NE(window.MsgTextImage().GetColor(400, 170), MakeColor(10, 20, 30)) << "the scene strip again";
}

TEST_F(MessageWindowTest, AMessageNumberOutsideTheSceneIsAnError) {
    window.ShowChoice(1, -1, host.message_texts[1]);
    host.message_texts.resize(1);
    window.SetLogViewing(true);
    host.input.KeyReturn = true;
    EXPECT_THROW(window.WaitSelect(), std::exception);
}

} // namespace
} // namespace hk::test
