// Messages played by the engine: what the message window shows, how the reveal runs at each text
// speed, and which input completes, advances, hides or waits.
#include "text_fixture.h"

#include "support/ogg_fixtures.h"

#include <set>

namespace hk::test {
namespace {

constexpr Color kNameColor = 0x0060C0FF;

bool NearBlack(Color c) {
    return ColorRed(c) < 12 && ColorGreen(c) < 12 && ColorBlue(c) < 12;
}
// A fully inked body pixel over the black outline: (colour * 255) >> 8 in each byte.
bool NameInk(Color c) {
    return ColorRed(c) >= 250 && ColorGreen(c) == 191 && ColorBlue(c) == 95;
}
bool WhiteInk(Color c) {
    return ColorRed(c) >= 250 && ColorGreen(c) >= 250 && ColorBlue(c) >= 250;
}

class MessageWindowTest : public TextGame {
protected:
    // Whether character cell `col` of text line `line` (1..3) of MsgTextImage holds any ink.
    bool CellInked(int line, int col) {
        const int w = MessageCharWidth();
        const Bitmap background = WindowBackground();
        // The middle of the cell: the outline of a neighbour reaches 2 pixels into it.
        return Differs(Message().MsgTextImage(), 34 + w * col + 3, 35 + 28 * line + 2, background, 34 + w * col + 3,
                       35 + 28 * line + 2, w - 6, 20);
    }
    bool NameRowInked() { return Differs(Message().MsgTextImage(), 0, 28, WindowBackground(), 0, 28, 800, 32); }
    // Ticks of DispMessage from the script's handing over to the wait.
    int RevealTicks() {
        TickUntil(TaskCode::TASK_DISP_MESSAGE);
        int ticks = 0;
        while (Task() == TaskCode::TASK_DISP_MESSAGE && ticks < 1000) {
            Tick();
            ++ticks;
        }
        return ticks;
    }
};

TEST_F(MessageWindowTest, NameAndLineAreOutlinedInTheirColoursOverTheFramedSceneStrip) {
    PlayMessages({"アリサ「こんにちは」"});
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_EQ(Message().MsgLineCount(), 1);
    EXPECT_EQ(Message().NoLineStartChars(), U"、。，．：；！？ーぁぃぅぇぉっゃゅょんァィゥェォッャュョンヵヶ）」』】");
    EXPECT_EQ(Message().NoLineEndChars(), U"（「『【");

    const Bitmap& text = Message().MsgTextImage();
    // Name on the row at y 35, in (255, 192, 96) with a black outline; the line at y 63 in white.
    EXPECT_GT(CountPixels(text, 30, 33, 120, 28, NameInk), 20);
    EXPECT_GT(CountPixels(text, 30, 33, 120, 28, NearBlack), 20);
    EXPECT_EQ(CountPixels(text, 30, 33, 120, 28, WhiteInk), 0);
    EXPECT_GT(CountPixels(text, 30, 61, 200, 28, WhiteInk), 20);
    EXPECT_EQ(CountPixels(text, 30, 61, 200, 28, NameInk), 0);
    EXPECT_FALSE(Differs(text, 0, 92, WindowBackground(), 0, 92, 800, 84)) << "lines 2 and 3 are empty";

    Bitmap expected = WindowBackground();
    DrawOutlinedText(expected, 34, 35, 24, U"アリサ", kNameColor);
    DrawOutlinedText(expected, 34, 63, 24, U"「こんにちは」", kWhite);
    EXPECT_TRUE(SameRect(text, 0, 0, expected, 0, 0, 800, 176));

    // The window sits at y 424 of the screen buffer and the main window; the frame's clear top
    // rows show the scene.
    EXPECT_TRUE(SameRect(TheEngine().TheStage().ScreenBuffer(), 0, 424, text, 0, 0, 800, 176));
    EXPECT_TRUE(SameRect(MainWindow(), 0, 424, text, 0, 0, 752, 176));
    EXPECT_TRUE(SameRect(MainWindow(), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 432));
}

TEST_F(MessageWindowTest, SpeechWithoutNameAndNarrationWithALaterBracket) {
    PlayMessages({"「はい」", "彼は「はい」と言った", "静かな夜だった。" + std::string(30 * 3, 'a')}, 3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_FALSE(NameRowInked()) << "a speech without a name leaves the name row empty";
    EXPECT_TRUE(CellInked(1, 0));

    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_TRUE(NameRowInked()) << "the words before the bracket are drawn as the name";

    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_FALSE(NameRowInked());
    EXPECT_EQ(Message().MsgLineCount(), 3);
    EXPECT_TRUE(CellInked(2, 0)) << "narration continues without an indent";
}

TEST_F(MessageWindowTest, LineBreakingShowsInTheWindow) {
    auto repeat = [](const char* c, int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += c;
        return s;
    };
    PlayMessages({
        "ユキ「" + repeat("あ", 28) + "「え」", // 30th character "「"
        repeat("あ", 30) + "。いう",            // a hanging "。"
        "ユキ「" + repeat("あ", 29) + "/い",    // "/" right after 30 characters
        "一/二/三/四",                          // four segments
    });
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_EQ(Message().MsgLineCount(), 2);
    EXPECT_TRUE(CellInked(1, 28));
    EXPECT_FALSE(CellInked(1, 29)) << "the bracket left the last column";
    EXPECT_FALSE(CellInked(2, 0)) << "indent";
    EXPECT_TRUE(CellInked(2, 1)) << "the bracket opens line 2 after the indent";

    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_TRUE(CellInked(1, 30)) << "the full stop hangs in a 31st column";
    EXPECT_TRUE(CellInked(2, 0));
    EXPECT_TRUE(CellInked(2, 1));
    EXPECT_FALSE(CellInked(2, 2));

    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_EQ(Message().MsgLineCount(), 3);
    EXPECT_TRUE(CellInked(1, 29));
    EXPECT_FALSE(CellInked(2, 0));
    EXPECT_FALSE(CellInked(2, 1)) << "line 2 holds only the indent";
    EXPECT_FALSE(CellInked(3, 0));
    EXPECT_TRUE(CellInked(3, 1));

    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_EQ(Message().MsgLineCount(), 3);
    EXPECT_TRUE(CellInked(1, 0));
    EXPECT_TRUE(CellInked(2, 0));
    EXPECT_TRUE(CellInked(3, 0));
    EXPECT_FALSE(Differs(Message().MsgTextImage(), 0, 150, WindowBackground(), 0, 150, 800, 26)) << "no fourth line";
}

TEST_F(MessageWindowTest, RevealTakesEightyFiveLevelsPerLineAtTheTextSpeed) {
    PlayMessages({"一行", "一行", "一/二/三", "一/二/三", "一/二/三"}, 2);
    // Speed 2, one line: levels 0, 4, ..., 84 are drawn over 22 ticks; the 22nd raises the level
    // to 88 and shows the finished window.
    TickUntil(TaskCode::TASK_DISP_MESSAGE);
    Tick();
    EXPECT_TRUE(SameRect(MainWindow(), 0, 424, WindowBackground(), 0, 0, 800, 176))
        << "the first tick shows the empty window";
    EXPECT_EQ(Message().RevealLevel(), 4);
    int ticks = 1;
    while (Task() == TaskCode::TASK_DISP_MESSAGE) {
        Tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 22);
    EXPECT_EQ(Message().RevealLevel(), 0);
    EXPECT_EQ(Message().AutoElapsed(), 0);
    EXPECT_TRUE(SameRect(MainWindow(), 0, 424, Message().MsgTextImage(), 0, 0, 752, 176));

    auto advance = [&](int speed) {
        Click({400, 300});
        State().System.TextSpeed = speed;
    };
    advance(1);
    EXPECT_EQ(RevealTicks(), 85);
    advance(1);
    EXPECT_EQ(RevealTicks(), 255);
    advance(2);
    EXPECT_EQ(RevealTicks(), 64);
    advance(3);
    EXPECT_EQ(RevealTicks(), 1);
}

TEST_F(MessageWindowTest, RevealUncoversTheTextAlongTheRule) {
    PlayMessages({"一/二/三"}, 1);
    TickUntil(TaskCode::TASK_DISP_MESSAGE);
    // Level 129 drawn: T = 129 * (64 + 256) >> 8 = 161, so rule values (x * 255 / 799) below
    // 161 - 64 show the text, values above 161 still show the empty window.
    Ticks(130);
    ASSERT_EQ(Task(), TaskCode::TASK_DISP_MESSAGE);
    const Bitmap background = WindowBackground();
    EXPECT_TRUE(SameRect(MainWindow(), 0, 424, Message().MsgTextImage(), 0, 0, 300, 176));
    EXPECT_TRUE(Differs(MainWindow(), 0, 424, background, 0, 0, 300, 176));
    EXPECT_TRUE(SameRect(MainWindow(), 520, 424, background, 520, 0, 280, 176));
    EXPECT_TRUE(SameRect(TheEngine().TheStage().ScreenBuffer(), 0, 424, MainWindow(), 0, 424, 800, 176));
}

TEST_F(MessageWindowTest, ClickCompletesTheRevealAndOnlyTheNextClickAdvances) {
    PlayMessages({"最初の言葉", "次の言葉"}, 1);
    TickUntil(TaskCode::TASK_DISP_MESSAGE);
    Ticks(5);
    Click({400, 300});
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE) << "the click completes the reveal in its own tick";
    EXPECT_TRUE(SameRect(MainWindow(), 0, 424, Message().MsgTextImage(), 0, 0, 752, 176));
    Ticks(3);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE) << "the same click does not advance";
    EXPECT_EQ(LogText(0), "");

    Click({400, 300});
    EXPECT_EQ(Task(), TaskCode::TASK_SCRIPT);
    EXPECT_EQ(LogText(0), "最初の言葉");
    Tick();
    EXPECT_EQ(Task(), TaskCode::TASK_DISP_MESSAGE);
    EXPECT_EQ(Message().MsgNumber(), 1);
}

TEST_F(MessageWindowTest, HeldReturnIsLockedOutAfterCompletingAndAfterAdvancing) {
    PlayMessages({"一つ目", "二つ目"}, 1);
    TickUntil(TaskCode::TASK_DISP_MESSAGE);
    Platform().SetKeyDown(Key::Return, true);
    Tick();
    ASSERT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_EQ(TheEngine().Input().InputLock(), 10);
    const auto completed = Platform().TickCount();
    while (Task() == TaskCode::TASK_WAIT_MESSAGE && Platform().TickCount() - completed < 1000)
        Tick();
    // Ten 10 ms steps of the lock pass before the held key counts again.
    const auto waited = Platform().TickCount() - completed;
    EXPECT_GE(waited, 90u);
    EXPECT_LE(waited, 120u);
    EXPECT_EQ(Task(), TaskCode::TASK_SCRIPT);
    EXPECT_EQ(TheEngine().Input().InputLock(), 25);
    Platform().SetKeyDown(Key::Return, false);
}

TEST_F(MessageWindowTest, AutomaticAdvanceWaitsTheDelayAfterTheTextAndManualAdvanceEndsIt) {
    PlayMessages({"一", "二", "三"}, 3);
    State().System.AutoDelay = 1;
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Message().SetAutoMode(1);
    const auto shown = Platform().TickCount();
    TickUntil(TaskCode::TASK_SCRIPT, 5000);
    const auto waited = Platform().TickCount() - shown;
    EXPECT_GE(waited, 985u);
    EXPECT_LE(waited, 1030u);
    EXPECT_EQ(Message().AutoMode(), 1) << "the automatic advance keeps the mode";
    EXPECT_EQ(LogText(0), "一");

    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Click({400, 300});
    EXPECT_EQ(Message().AutoMode(), 0) << "a click ends automatic mode";
}

TEST_F(MessageWindowTest, SpaceHidesTheWindowAndAClickOnlyBringsItBack) {
    PlayMessages({"隠れる言葉", "次"}, 3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Message().SetAutoMode(1);
    State().System.AutoDelay = 20;
    Press(Key::Space);
    EXPECT_EQ(Message().MsgWindowVisible(), 0);
    EXPECT_EQ(Message().AutoMode(), 0);
    EXPECT_EQ(TheEngine().Input().InputLock(), 25);
    EXPECT_TRUE(SameRect(MainWindow(), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 600));
    EXPECT_TRUE(
        SameRect(TheEngine().TheStage().ScreenBuffer(), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 600));
    RunMs(100);
    EXPECT_TRUE(SameRect(MainWindow(), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 600))
        << "no wait icon while hidden";

    Click({400, 300});
    EXPECT_EQ(Message().MsgWindowVisible(), 1);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE) << "the click that shows the window does not advance";
    EXPECT_TRUE(SameRect(MainWindow(), 0, 424, Message().MsgTextImage(), 0, 0, 800, 176));
    EXPECT_EQ(LogText(0), "");

    // Space again hides, Space shows.
    RunMs(300);
    Press(Key::Space);
    EXPECT_EQ(Message().MsgWindowVisible(), 0);
    RunMs(300);
    Press(Key::Space);
    EXPECT_EQ(Message().MsgWindowVisible(), 1);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    Click({400, 300});
    EXPECT_EQ(Task(), TaskCode::TASK_SCRIPT);
}

TEST_F(MessageWindowTest, WaitIconCyclesThroughEightFramesStraightOnTheWindow) {
    PlayMessages({"待つ"}, 3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    const Bitmap& text = Message().MsgTextImage();
    std::set<int> frames;
    for (int i = 0; i < 300 && frames.size() < 8; ++i) {
        Tick();
        // The frame of this tick's clock (the tick does not move the clock after drawing).
        const int f = static_cast<int>((Platform().TickCount() / 55) & 7);
        const int sx = 4 + 2 * f;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const bool ink = x >= sx && x < sx + 6 && y >= 8 && y < 14;
                const Color want = ink ? kIconInk : text.GetColor(752 + x, 128 + y);
                ASSERT_EQ(MainWindow().GetColor(752 + x, 552 + y), want) << "frame " << f << " at " << x << "," << y;
            }
        }
        frames.insert(f);
    }
    EXPECT_EQ(frames.size(), 8u);
    EXPECT_TRUE(SameRect(TheEngine().TheStage().ScreenBuffer(), 752, 552, text, 752, 128, 32, 32))
        << "the icon stays out of the buffer";
}

TEST_F(MessageWindowTest, ContextMenuIsAttachedWhileWaitingAndDetachedOnAdvance) {
    Play("    message \"一\"\n    system contextmenu, 1\n    message \"二\"\n    message \"三\"\n", 3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Tick();
    EXPECT_EQ(Platform().AttachedMenu(), nullptr) << "ContextMenuOn is 0 for the first message";
    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Tick();
    EXPECT_EQ(Platform().AttachedMenu(), &TheEngine().Commands().ContextMenu);
    Click({400, 300});
    EXPECT_EQ(Platform().AttachedMenu(), nullptr);
    Tick();
    EXPECT_EQ(Task(), TaskCode::TASK_DISP_MESSAGE);
    EXPECT_EQ(Platform().AttachedMenu(), nullptr) << "nothing attaches it during the reveal";
}

TEST_F(MessageWindowTest, EscapeOpensTheGameMenuWhereARightClickWouldAndOnceAPress) {
    Play("    message \"一\"\n    system contextmenu, 1\n    message \"二\"\n    message \"三\"\n", 3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Tick();
    Press(Key::Escape);
    EXPECT_EQ(Platform().OpenPopup(), nullptr) << "no menu while none is attached";
    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Tick();
    MovePointer({300, 200});
    Platform().SetKeyDown(Key::Escape, true);
    Tick();
    ASSERT_EQ(Platform().OpenPopup(), &TheEngine().Commands().ContextMenu);
    EXPECT_EQ(Platform().LastPopupPosition(), Platform().ClientToScreen(WindowId::Main, {300, 200}));
    // The menu is the right click's: hiding the window from it works.
    Platform().QueueMenu({"ItemMsgClear"});
    Tick();
    EXPECT_FALSE(Message().MsgWindowVisible());
    // Held on, the key does not open it again.
    RunMs(150);
    EXPECT_EQ(Platform().OpenPopup(), nullptr);
    Platform().SetKeyDown(Key::Escape, false);
    Tick();
    // With the pointer off the picture the menu opens in its middle.
    MovePointer({900, 700});
    Press(Key::Escape);
    ASSERT_EQ(Platform().OpenPopup(), &TheEngine().Commands().ContextMenu);
    EXPECT_EQ(Platform().LastPopupPosition(), Platform().ClientToScreen(WindowId::Main, {400, 300}));
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
}

TEST_F(MessageWindowTest, HeldControlSkipsWithPlainTextInThreeTicksPerMessage) {
    PlayMessages({"あいうえお", "かきくけこ", "さしすせそ", "止まる"}, 1);
    TickUntil(TaskCode::TASK_DISP_MESSAGE);
    // Outlined text has black pixels around the letters.
    EXPECT_GT(CountPixels(Message().MsgTextImage(), 30, 61, 160, 28, NearBlack), 20);
    Click({400, 300});
    Click({400, 300});
    Platform().SetKeyDown(Key::Control, true);
    Ticks(3);
    EXPECT_EQ(LogText(0), "かきくけこ");
    Tick(); // the script's tick lays out the third message while skipping
    EXPECT_EQ(Message().SkipNow(), 1);
    EXPECT_EQ(CountPixels(Message().MsgTextImage(), 30, 61, 160, 28, NearBlack), 0) << "plain text while skipping";
    EXPECT_GT(CountPixels(Message().MsgTextImage(), 30, 61, 160, 28, WhiteInk), 20);
    Ticks(2);
    EXPECT_EQ(LogText(0), "さしすせそ");
    Platform().SetKeyDown(Key::Control, false);
}

TEST_F(MessageWindowTest, FloatingWindowShowsTheMessageAndLeavesTheMainWindowAlone) {
    PlayMessages({"浮かぶ言葉", "二つ目の言葉"}, 2);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    TheEngine().Commands().ItemMsgFloatClick();
    EXPECT_TRUE(Platform().IsWindowVisible(WindowId::Float));
    EXPECT_EQ(Task(), TaskCode::TASK_DISP_MESSAGE);
    Tick();
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE) << "switching shows the whole message at once";
    EXPECT_TRUE(SameRect(MainWindow(), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 600));
    // The floating window shows the message on its own artwork, with the wait icon.
    EXPECT_EQ(FloatWindow().GetColor(2, 2), kFloatKey);
    EXPECT_EQ(Message().MsgTextImage().GetColor(400, 160), kFloatPanel);
    EXPECT_TRUE(SameRect(FloatWindow(), 0, 0, Message().MsgTextImage(), 0, 0, 752, 176));
    Tick();
    EXPECT_EQ(CountPixels(FloatWindow(), 752, 128, 32, 32, [](Color c) { return c == kIconInk; }), 36);

    Click({400, 100}, WindowId::Float);
    EXPECT_EQ(Task(), TaskCode::TASK_SCRIPT);
    Bitmap empty;
    empty.SetSize(800, 176);
    empty.CopyRect(0, 0, TheEngine().TheStage().PartsImage(), 0, 424, 800, 176);
    EXPECT_TRUE(SameRect(FloatWindow(), 0, 0, empty, 0, 0, 800, 176)) << "empty while the script runs";

    while (Task() != TaskCode::TASK_WAIT_MESSAGE) {
        Tick();
        ASSERT_TRUE(SameRect(MainWindow(), 0, 0, TheEngine().TheStage().SceneImage(), 0, 0, 800, 600));
    }
    EXPECT_TRUE(SameRect(FloatWindow(), 0, 0, Message().MsgTextImage(), 0, 0, 752, 176));

    // Space hides the floating window itself.
    Press(Key::Space);
    EXPECT_FALSE(Platform().IsWindowVisible(WindowId::Float));
    RunMs(300);
    Press(Key::Space);
    EXPECT_TRUE(Platform().IsWindowVisible(WindowId::Float));

    // Switching back shows the message at once in the main window.
    TheEngine().Commands().ItemMsgFloatClick();
    Tick();
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_FALSE(Platform().IsWindowVisible(WindowId::Float));
    EXPECT_TRUE(SameRect(MainWindow(), 0, 424, Message().MsgTextImage(), 0, 0, 752, 176));
    EXPECT_TRUE(SameRect(Message().MsgTextImage(), 0, 0, WindowBackground(), 0, 0, 800, 30)) << "framed again";
}

} // namespace
} // namespace hk::test

namespace hk::test {
namespace {

class VoicedMessageTest : public MessageWindowTest {
protected:
    // Scene 1 with two voiced messages and one without; the voices are 1.5 s tones.
    void PlayVoiced() {
        std::filesystem::create_directories(m_dir / "VOICE");
        ToneSpec tone;
        tone.seconds = 1.5;
        WriteBytes(m_dir / "VOICE" / "yuki_001.ogg", OggTone(tone));
        WriteBytes(m_dir / "VOICE" / "yuki_002.ogg", OggTone(tone));
        Play("    message \"ユキ「一つ目」\", \"yuki_001\"\n    message \"ユキ「二つ目」\", \"yuki_002\"\n"
             "    message \"声のない三つ目\"\n",
             3);
    }
    std::string VoiceFile() { return TheEngine().Sound().ChannelViews()[5].file; }
};

TEST_F(VoicedMessageTest, AutomaticAdvanceCountsOnlyWhileTheVoiceIsSilent) {
    PlayVoiced();
    State().System.AutoDelay = 1;
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    ASSERT_EQ(TheEngine().Sound().VoiceChannelStatus(), 2) << "the voice plays";
    Message().SetAutoMode(1);
    const auto shown = Platform().TickCount();
    TickUntil(TaskCode::TASK_SCRIPT, 20000);
    const auto waited = Platform().TickCount() - shown;
    // 1.5 s of voice, then the 1 s delay; the channel reports the end once the output has
    // played what was mixed (at most one ring of about 0.93 s later).
    EXPECT_GE(waited, 2490u);
    EXPECT_LE(waited, 3500u);
    EXPECT_EQ(LogText(0), "ユキ「一つ目」");
}

TEST_F(VoicedMessageTest, BrowsingTheLogReplaysTheVoicesAndStopsForSilentEntries) {
    PlayVoiced();
    for (int i = 0; i < 3; ++i) {
        TickUntil(TaskCode::TASK_WAIT_MESSAGE);
        Click({400, 300});
    }
    TickUntil(TaskCode::TASK_WAIT_KEY);
    TheEngine().SetTask(TaskCode::TASK_WAIT_MESSAGE); // browse from the last message's wait
    Platform().QueueWheel(WindowId::Main, true);
    Tick();
    EXPECT_EQ(TheEngine().Sound().VoiceChannelStatus() == 2 ? VoiceFile() : std::string("stopped"), "stopped")
        << "an entry without a voice stops the running one";
    Tick();
    Platform().QueueWheel(WindowId::Main, true);
    Tick();
    EXPECT_EQ(TheEngine().Sound().VoiceChannelStatus(), 2);
    EXPECT_NE(VoiceFile().find("yuki_002"), std::string::npos);
    Tick();
    Platform().QueueWheel(WindowId::Main, true);
    Tick();
    EXPECT_NE(VoiceFile().find("yuki_001"), std::string::npos);
}

} // namespace
} // namespace hk::test
