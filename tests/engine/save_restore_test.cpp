// A game saved while a message waits loads back to that same message, with its pictures and
// its music, after the 500 ms fade.
#include "support/engine_fixture.h"
#include "support/ogg_fixtures.h"

#include "gfx/png_writer.h"

namespace hk::test {
namespace {

using Answer = HeadlessPlatform::DialogAnswer;

std::vector<std::uint8_t> SolidPng(Color c) {
    Bitmap b;
    b.SetSize(800, 600);
    b.Fill(c);
    return EncodePng(b);
}

class SaveRestoreTest : public GameFixture {
protected:
    void SetUp() override {
        ArchiveBuilder grp;
        grp.Add(100, 12, SolidPng(MakeColor(10, 40, 80)));
        grp.Add(101, 12, SolidPng(MakeColor(200, 100, 50)));
        grp.Add(300, 12, SolidPng(MakeColor(250, 250, 0)), 12, SolidPng(kWhite));
        WriteArchives(ScenarioArchive({{1, R"(
    system contextmenu, 1
    bgm 2, 1
    bg 100
    char 1, 300, 1
    effect 1, 0, 0
    message "一つ目のメッセージ", -1
    bg 101
    char 1, 0, 0
    bgm 0, 0
    effect 1, 0, 0
    message "二つ目のメッセージ", -1
top:
    wait 0
    jump top
)"}}),
                      grp);
        std::filesystem::create_directories(m_dir / "Sound");
        ToneSpec tone;
        WriteBytes(m_dir / "Sound" / "M02.ogg", OggTone(tone));
        Start();
        Script().SetGamePlaying(true);
        ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_WAIT_MESSAGE, 5000));
        Session().Tick(); // the waiting message attaches the context menu
    }
};

TEST_F(SaveRestoreTest, LoadingShowsTheSavedMessageWithItsLayersAndMusic) {
    const int saved_message = Message().MsgNumber();
    const int saved_step = State().Game.ScriptStep;
    ASSERT_EQ(State().Game.CurrentBgm, 2);
    Platform().QueueDialogAnswer({Answer::Kind::Comment, true, u"ここ"});
    Platform().QueueMenu({"ItemSave", "ItemSave6"});
    Session().Tick();
    ASSERT_EQ(Platform().ScriptFault(), "");

    // Play on to the second message: other pictures, no music.
    Platform().QueueMouseDown(WindowId::Main, MouseButton::Left, Point{400, 300});
    Session().Tick();
    ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_SCRIPT, 3000));
    ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_WAIT_MESSAGE, 5000));
    Session().Tick();
    ASSERT_NE(Message().MsgNumber(), saved_message);
    ASSERT_EQ(State().Game.CurrentBgm, 0);

    Platform().QueueMenu({"ItemLoad", "ItemLoad6"});
    Session().Tick();
    ASSERT_EQ(Platform().ScriptFault(), "");
    ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_EFFECT_91, 1000));
    const auto fade_start = Platform().TickCount();
    ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_WAIT_MESSAGE, 5000));
    EXPECT_GE(Platform().TickCount() - fade_start, 490u) << "the load fades in over 500 ms";
    EXPECT_EQ(Message().MsgNumber(), saved_message);
    EXPECT_EQ(State().Game.ScriptStep, saved_step);
    EXPECT_EQ(State().Game.LayerGraphic[0], 100);
    EXPECT_EQ(State().Game.LayerGraphic[1], 300);
    EXPECT_EQ(State().Game.CurrentBgm, 2);
    EXPECT_GE(TheEngine().Sound().ChannelViews()[1].status, 2) << "the saved music plays again";
    // Above the message window the screen shows the saved scene: the character over the
    // background (an opaque character keeps 1/256 of what is beneath).
    const Color shown = Platform().ClientSurface(WindowId::Main).GetColor(100, 100);
    EXPECT_EQ(ColorRed(shown), (250 * 255 + 10) >> 8);
}

} // namespace
} // namespace hk::test

namespace hk::test {
namespace {

class ReadSkipTest : public GameFixture {};

TEST_F(ReadSkipTest, SkipsReadMessagesAndStopsAtTheFirstUnreadOneWithItsVoice) {
    WriteArchives(ScenarioArchive({{1, R"(
    system contextmenu, 1
    message "一つ目", -1
    message "二つ目", -1
    message "三つ目", -1
    message "四つ目", "v4"
top:
    wait 0
    jump top
)"}}));
    std::filesystem::create_directories(m_dir / "VOICE");
    ToneSpec tone;
    WriteBytes(m_dir / "VOICE" / "v4.ogg", OggTone(tone));
    Start();
    // Messages 0..2 of scene 1 were read in an earlier play; message 3 was not.
    State().System.ReadMarks[1][0] = 0x07;
    ASSERT_TRUE(Session().UntilTask(TaskCode::TASK_WAIT_MESSAGE, 5000));
    Session().Tick();
    ASSERT_EQ(Message().MsgNumber(), 0);
    Platform().QueueMenu({"ItemMsgKidoku"});
    Session().Tick();
    ASSERT_EQ(Platform().ScriptFault(), "");
    // The read messages go by on their own; the unread one ends the mode and waits, voiced.
    for (int i = 0; i < 2000 && !(Message().MsgNumber() == 3 && State().Task == TaskCode::TASK_WAIT_MESSAGE); ++i)
        Session().Tick();
    EXPECT_EQ(Message().MsgNumber(), 3);
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_EQ(Message().ReadSkipMode(), 0);
    EXPECT_EQ(Message().SkipNow(), 0);
    EXPECT_GE(TheEngine().Sound().ChannelViews()[5].status, 2) << "the unread message's voice plays";
    Session().Ticks(50);
    EXPECT_EQ(Message().MsgNumber(), 3) << "and it waits for the player";
}

} // namespace
} // namespace hk::test
