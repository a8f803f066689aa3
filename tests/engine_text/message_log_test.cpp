// The message log: what is kept, browsing back and forth inside the message window, and leaving
// it for the current message or choice.
#include "text_fixture.h"

#include "data/unicode.h"
#include "support/message_recorder.h"

namespace hk::test {
namespace {

bool Grey(Color c) {
    return ColorRed(c) == 191 && ColorGreen(c) == 191 && ColorBlue(c) == 191;
}
bool WhiteInk(Color c) {
    return ColorRed(c) >= 250 && ColorGreen(c) >= 250 && ColorBlue(c) >= 250;
}

class MessageLogTest : public TextGame {
protected:
    // One wheel notch up (or down) over a window: a page key for exactly one tick, whatever the
    // input lock. Runs until the entry is shown and waited on.
    void Wheel(bool up, WindowId window = WindowId::Main) {
        Platform().QueueWheel(window, up);
        Tick();
        if (Task() == TaskCode::TASK_DISP_MESSAGE)
            Tick();
    }
    // What MakeMessage draws for `text` in the log's grey.
    Bitmap GreyLayout(const std::string& text) {
        // A second window over the same scene, frame and rules, so the one on screen stays as it is.
        RecordingMessageHost host;
        host.scene = TheEngine().TheStage().SceneImage();
        host.parts = TheEngine().TheStage().PartsImage();
        MessageWindow grey(host);
        grey.CreateSurfaces();
        grey.MsgFrameImage() = Message().MsgFrameImage();
        grey.SetLineRules(Message().MsgLineChars(), Message().MsgMaxLines(), Message().NoLineStartChars(),
                          Message().NoLineEndChars());
        grey.SetMsgFloatChecked(Message().MsgFloatChecked());
        grey.SetLogViewing(true);
        grey.MakeMessage(Utf8ToUtf32(text));
        return grey.MsgTextImage();
    }
    bool Showing(const std::string& text) {
        return SameRect(Message().MsgTextImage(), 0, 0, GreyLayout(text), 0, 0, 800, 176) &&
               SameRect(MainWindow(), 0, 424, Message().MsgTextImage(), 0, 0, 800, 176);
    }
};

TEST_F(MessageLogTest, KeepsTwentyAndBrowsesBackSixteenWithTheLastPageRepeated) {
    std::vector<std::string> messages;
    for (int i = 1; i <= 26; ++i)
        messages.push_back("メッセージ" + std::to_string(i));
    PlayMessages(messages, 3);
    for (int i = 0; i < 25; ++i) {
        TickUntil(TaskCode::TASK_WAIT_MESSAGE);
        Click({400, 300});
    }
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    // Newest first; the five oldest fell out.
    EXPECT_EQ(LogText(0), "メッセージ25");
    EXPECT_EQ(LogText(19), "メッセージ6");

    for (int k = 1; k <= 16; ++k) {
        Wheel(true);
        ASSERT_EQ(Message().LogCursor(), k);
        EXPECT_EQ(Message().LogViewing(), 1);
        EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
        EXPECT_TRUE(Showing("メッセージ" + std::to_string(26 - k))) << "page " << k;
    }
    // The seventeenth page up shows entry 15 again.
    Platform().QueueWheel(WindowId::Main, true);
    Tick();
    EXPECT_EQ(Task(), TaskCode::TASK_DISP_MESSAGE) << "shown anew";
    Tick();
    EXPECT_EQ(Message().LogCursor(), 16);
    EXPECT_TRUE(Showing("メッセージ10"));
    EXPECT_EQ(CountPixels(Message().MsgTextImage(), 30, 61, 300, 28, WhiteInk), 0) << "all grey";
    EXPECT_GT(CountPixels(Message().MsgTextImage(), 30, 61, 300, 28, Grey), 20);

    // Page down comes forward, the keys as well as the wheel.
    RunMs(200);
    Press(Key::PageDown);
    Tick();
    EXPECT_EQ(Message().LogCursor(), 15);
    EXPECT_TRUE(Showing("メッセージ11"));
    RunMs(200);
    Press(Key::F1);
    Tick();
    EXPECT_EQ(Message().LogCursor(), 16);
    RunMs(200);
    Press(Key::F2);
    Tick();
    EXPECT_EQ(Message().LogCursor(), 15);
    for (int k = 14; k >= 1; --k)
        Wheel(false);
    EXPECT_EQ(Message().LogCursor(), 1);
    EXPECT_TRUE(Showing("メッセージ25"));
    Wheel(false);
    EXPECT_EQ(Message().LogCursor(), 1) << "page down on the newest entry does nothing";
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);

    // Nothing advances while in the log; Return leaves it for the current message in white.
    Tick();
    EXPECT_EQ(Message().LogViewing(), 1);
    RunMs(200);
    Press(Key::Return);
    EXPECT_EQ(Message().LogViewing(), 0);
    EXPECT_EQ(Task(), TaskCode::TASK_DISP_MESSAGE);
    Tick();
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_GT(CountPixels(Message().MsgTextImage(), 30, 61, 300, 28, WhiteInk), 20);
    EXPECT_EQ(Message().LogCursor(), 1) << "kept until the next page key from outside the log";
    EXPECT_EQ(LogText(0), "メッセージ25") << "browsing logs nothing";

    // The next page up starts from the newest entry again.
    Wheel(true);
    EXPECT_EQ(Message().LogCursor(), 1);
    Click({400, 300});
    EXPECT_EQ(Message().LogViewing(), 0);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Click({400, 300});
    EXPECT_EQ(LogText(0), "メッセージ26") << "the current message is logged once, when it advances";
    EXPECT_EQ(LogText(1), "メッセージ25");
}

TEST_F(MessageLogTest, EmptyLogAndPageDownOutsideTheLogChangeNothing) {
    PlayMessages({"最初"}, 3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Message().SetAutoMode(1);
    State().System.AutoDelay = 20;
    const Bitmap before = Message().MsgTextImage();
    Wheel(true);
    EXPECT_EQ(Message().LogViewing(), 0);
    EXPECT_EQ(Message().LogCursor(), 0);
    EXPECT_EQ(Message().AutoMode(), 0) << "a log key ends automatic advance";
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_TRUE(SameRect(Message().MsgTextImage(), 0, 0, before, 0, 0, 800, 176));
    Wheel(false);
    EXPECT_EQ(Message().LogViewing(), 0);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);

    // The floating window's wheel opens the log as well, once there is something in it.
    Click({400, 300});
    Message().AddMsgLog(U"前の話", -1);
    TheEngine().Commands().ItemMsgFloatClick();
    Tick();
    ASSERT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    Wheel(true, WindowId::Float);
    EXPECT_EQ(Message().LogViewing(), 1);
    EXPECT_TRUE(SameRect(FloatWindow(), 0, 0, Message().MsgTextImage(), 0, 0, 800, 176));
}

TEST_F(MessageLogTest, EntriesKeepTheirVoiceAndAClearedLogIsEmpty) {
    Play("    message \"ユキ「おはよう」\", \"yuki_001\"\n    message \"声なし\"\n", 3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Click({400, 300});
    const MsgLogEntry& voiced = Message().MsgLog()[1];
    EXPECT_EQ(voiced.Text, "ユキ「おはよう」");
    EXPECT_EQ(voiced.VoiceIndex, 0);
    EXPECT_EQ(voiced.Voice, "yuki_001");
    EXPECT_EQ(voiced.File, "VOICE\\yuki_001.ogg");
    EXPECT_EQ(Message().MsgLog()[0].VoiceIndex, -1);
    EXPECT_EQ(Message().MsgLog()[0].File, "");

    Message().SetLogCursor(3);
    Message().ClearMsgLog();
    for (const MsgLogEntry& e : Message().MsgLog()) {
        EXPECT_EQ(e.Text, "");
        EXPECT_EQ(e.VoiceIndex, -1);
        EXPECT_EQ(e.File, "");
    }
    EXPECT_EQ(Message().LogCursor(), 0);
}

TEST_F(MessageLogTest, BrowsingFromAChoiceAndTheLoggedChoiceLayout) {
    Play("    message \"選ぶ前\"\n    select \"はい/ユキ「うん」\"\n    select \"一/二\"\n    select \"最後/終わり\"\n",
         3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    MovePointer({400, 470});
    Tick();
    const Bitmap choice_window = Message().MsgTextImage();

    Wheel(true);
    EXPECT_EQ(Message().LogViewing(), 1);
    EXPECT_TRUE(Showing("選ぶ前"));
    // Return leaves the log; the still-held key does not also answer the choice.
    RunMs(200);
    Platform().SetKeyDown(Key::Return, true);
    Ticks(4);
    Platform().SetKeyDown(Key::Return, false);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_SELECT);
    EXPECT_EQ(Message().LogViewing(), 0);
    EXPECT_EQ(Var1(), 0);
    // The choice window is rebuilt from its background: no trace of the log.
    EXPECT_TRUE(SameRect(Message().MsgTextImage(), 0, 0, choice_window, 0, 0, 800, 176));
    EXPECT_TRUE(SameRect(MainWindow(), 0, 424, Message().MsgTextImage(), 0, 0, 800, 32));
    EXPECT_TRUE(SameRect(MainWindow(), 0, 456, Message().SelectImage(), 0, 32, 800, 32)) << "row 1 under the pointer";

    Click({400, 500});
    EXPECT_EQ(Var1(), 2);
    EXPECT_EQ(LogText(0), "【選択肢】/ユキ「うん」");
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    Click({400, 470});
    EXPECT_EQ(LogText(0), "【選択肢】/一");

    // A logged choice: "【選択肢】" on the first line, the choice on the second.
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    Wheel(true);
    EXPECT_EQ(Message().MsgLineCount(), 2);
    EXPECT_TRUE(Showing("【選択肢】/一"));
    const Bitmap background = WindowBackground();
    EXPECT_FALSE(Differs(Message().MsgTextImage(), 0, 28, background, 0, 28, 800, 32)) << "no name";
    EXPECT_TRUE(Differs(Message().MsgTextImage(), 0, 61, background, 0, 61, 800, 28));
    EXPECT_TRUE(Differs(Message().MsgTextImage(), 0, 89, background, 0, 89, 800, 28));
    // With a bracket in the choice, everything before it is taken as the name.
    Wheel(true);
    EXPECT_TRUE(Showing("【選択肢】/ユキ「うん」"));
    EXPECT_EQ(Message().MsgLineCount(), 1);
    EXPECT_GT(CountPixels(Message().MsgTextImage(), 30, 33, 300, 28, Grey), 20);
}

} // namespace
} // namespace hk::test
