// Keys held as long as a player holds them: a press that closed the log, answered a choice, hid
// or showed the window or ended a skip does nothing more until it is let go, while Return held
// on a message still advances message after message. A tap the platform shows for one key
// sampling advances one message.
#include "text_fixture.h"

namespace hk::test {
namespace {

class HeldKeysTest : public TextGame {
protected:
    // Opens the log with one wheel notch and waits out its input lock.
    void OpenLog() {
        Platform().QueueWheel(WindowId::Main, true);
        RunMs(200);
        ASSERT_EQ(Message().LogViewing(), 1);
        ASSERT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    }
    // Ticks until a message waits with no skip going on; answers its number.
    int SettledMessage() {
        for (int i = 0; i < 2000 && !(Task() == TaskCode::TASK_WAIT_MESSAGE && Message().SkipNow() == 0); ++i)
            Tick();
        EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
        return Message().MsgNumber();
    }
};

TEST_F(HeldKeysTest, ReturnHeldInTheLogLeavesItForTheCurrentMessageOnly) {
    PlayMessages({"一", "二", "三", "四", "五"}, 3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    const int current = Message().MsgNumber();
    for (const std::uint32_t ms : {80u, 150u, 300u, 600u}) {
        OpenLog();
        Hold(Key::Return, ms);
        RunMs(500);
        EXPECT_EQ(Message().LogViewing(), 0) << ms << " ms";
        EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE) << ms << " ms";
        EXPECT_EQ(Message().MsgNumber(), current) << "Return held " << ms << " ms also advanced the story";
        EXPECT_EQ(LogText(0), "一") << ms << " ms";
    }
    // Let go, Return advances again, and held on a message it goes on advancing.
    Platform().SetKeyDown(Key::Return, true);
    RunMs(1200);
    Platform().SetKeyDown(Key::Return, false);
    EXPECT_GE(Message().MsgNumber(), current + 2);
}

TEST_F(HeldKeysTest, ReturnHeldOnAChoiceAnswersItWithoutAdvancingTheNextMessage) {
    Play("    select \"はい/いいえ\"\n    message \"後\"\n    message \"その次\"\n    select2 \"右/左\"\n"
         "    message \"最後\"\n    message \"終わり\"\n",
         3);
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    MovePointer({400, 470});
    Tick();
    Hold(Key::Return, 300);
    RunMs(500);
    EXPECT_EQ(Var1(), 1);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_EQ(LogText(0), "【選択肢】/はい") << "the message after the choice was advanced";

    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Click({400, 300});
    TickUntil(TaskCode::TASK_WAIT_SELECT2);
    MovePointer({400, 230});
    Tick();
    Hold(Key::Return, 300);
    RunMs(500);
    EXPECT_EQ(Var1(), 1);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_EQ(LogText(0), "【選択肢】/右") << "the message after the full-screen choice was advanced";
}

TEST_F(HeldKeysTest, SpaceHeldHidesOrShowsTheWindowOnce) {
    PlayMessages({"一", "二"}, 3);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Hold(Key::Space, 300);
    RunMs(300);
    EXPECT_EQ(Message().MsgWindowVisible(), 0) << "Space held 300 ms showed the window again";
    Hold(Key::Space, 300);
    RunMs(300);
    EXPECT_EQ(Message().MsgWindowVisible(), 1);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_EQ(LogText(0), "");
}

TEST_F(HeldKeysTest, TheKeyThatEndsASkipStopsItAtOneMessage) {
    std::vector<std::string> messages;
    for (int i = 1; i <= 60; ++i)
        messages.push_back("メッセージ" + std::to_string(i));
    PlayMessages(messages, 3);
    for (const Key key : {Key::Return, Key::Control}) {
        TickUntil(TaskCode::TASK_WAIT_MESSAGE);
        Message().SetSkipMode(1);
        Ticks(9);
        Platform().SetKeyDown(key, true);
        const auto down = Platform().TickCount();
        Tick();
        EXPECT_EQ(Message().SkipMode(), 0);
        const int stopped_at = SettledMessage();
        const std::uint32_t held = Platform().TickCount() - down;
        if (held < 400)
            RunMs(400 - held);
        Platform().SetKeyDown(key, false);
        RunMs(500);
        EXPECT_EQ(Message().MsgNumber(), stopped_at) << "the key that ended the skip went on acting";
        EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
        Click({400, 300});
    }
}

TEST_F(HeldKeysTest, ATapReachesOneKeySamplingHoweverOftenTheKeysAreAsked) {
    PlayMessages({"一", "二", "三", "四"}, 1);
    TickUntil(TaskCode::TASK_DISP_MESSAGE);
    Tick();
    // During the reveal: the whole message at once, and no advance.
    Platform().TapKey(Key::Control);
    Tick();
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    RunMs(300);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    EXPECT_EQ(LogText(0), "");

    // Waiting: one message on, however often the loop asks about the keys before the tick.
    Platform().TapKey(Key::Control);
    (void)TheEngine().NextDeadline();
    (void)TheEngine().NextDeadline();
    EXPECT_TRUE(Platform().IsKeyDown(Key::Control)) << "asking is not sampling";
    Tick();
    EXPECT_FALSE(Platform().IsKeyDown(Key::Control));
    RunMs(600);
    EXPECT_EQ(LogText(0), "一");
    EXPECT_EQ(Message().MsgNumber(), 1);
}

} // namespace
} // namespace hk::test
