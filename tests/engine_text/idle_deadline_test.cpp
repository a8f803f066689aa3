// Sleeping between ticks. After each tick the engine says until when nothing can change without
// input; the window build sleeps until then. Here that loop is played on the virtual clock next to
// the loop that ticks all the time, and what a player sees and what the game counts (the wait
// icon, the automatic advance, a timed wait, the delay timer's counters) must come out the same.
#include "text_fixture.h"

#include "support/ogg_fixtures.h"

#include <fstream>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

bool Before(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) < 0;
}

class IdleDeadlineTest : public TextGame {
protected:
    enum class Loop { Ticking, Sleeping };

    // Ticks until the clock reaches `until`. Sleeping: after every tick the clock jumps to the
    // engine's deadline (or to `until`) when the engine allows it, and the delay timer's firings
    // of the jump come at once, before anything else, as the window build makes them up.
    void RunTo(std::uint32_t until, Loop loop) {
        while (Before(Platform().TickCount(), until)) {
            Tick();
            ++m_ticks;
            if (loop == Loop::Sleeping)
                SleepAfterTick(until);
        }
    }
    // Runs while the task is `task` (at most max_ms); returns the clock when it changed.
    std::uint32_t RunWhile(TaskCode task, Loop loop, std::uint32_t max_ms = 30000) {
        const std::uint32_t start = Platform().TickCount();
        while (Task() == task && Platform().TickCount() - start < max_ms) {
            Tick();
            ++m_ticks;
            if (loop == Loop::Sleeping && Task() == task)
                SleepAfterTick(start + max_ms);
        }
        EXPECT_NE(Task(), task) << "still " << TaskHex(task) << " after " << max_ms << " ms";
        return Platform().TickCount();
    }
    void SleepAfterTick(std::uint32_t limit) {
        const IdleDeadline deadline = TheEngine().NextDeadline();
        if (!deadline.may_sleep)
            return;
        std::uint32_t wake = limit;
        if (deadline.until && Before(*deadline.until, wake))
            wake = *deadline.until;
        if (deadline.delay_firings) {
            const std::uint32_t at = *Platform().NextDelayFiring() + 10 * (*deadline.delay_firings - 1);
            if (Before(at, wake))
                wake = at;
        }
        const std::uint32_t now = Platform().TickCount();
        if (!Before(now, wake))
            return;
        Platform().AdvanceClock(wake - now);
        Platform().ProcessMessages();
        ++m_sleeps;
    }

    // A message game at text speed 3 with the automatic-advance delay `delay` seconds, waiting
    // at its first message.
    void WaitAtFirstMessage(int delay = 2) {
        m_session.reset();
        PlayMessages({"一つ目の文です。", "二つ目の文です。", "三つ目の文です。"}, 3);
        State().System.AutoDelay = delay;
        TickUntil(TaskCode::TASK_WAIT_MESSAGE);
        m_ticks = m_sleeps = 0;
    }
    std::vector<std::uint32_t> IconPixels() {
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                pixels.push_back(MainWindow().GetColor(752 + x, 552 + y));
        return pixels;
    }

    int m_ticks = 0;
    int m_sleeps = 0;
};

TEST_F(IdleDeadlineTest, AutoModeSwitchedOnWhileAMessageWaitsAdvancesAsWhenTicking) {
    // Three seconds at the message, then automatic advance with a delay of two: the time the
    // message has been shown already counts, so the next tick advances, in both loops.
    struct Seen {
        std::int32_t elapsed;
        std::uint32_t advanced_after;
        int ticks;
    };
    auto play = [&](Loop loop) {
        WaitAtFirstMessage(2);
        const std::uint32_t t0 = Platform().TickCount();
        RunTo(t0 + 3000, loop);
        Seen seen{Message().AutoElapsed(), 0, 0};
        TheEngine().Commands().ItemMsgAutoClick();
        seen.advanced_after = RunWhile(TaskCode::TASK_WAIT_MESSAGE, loop) - (t0 + 3000);
        seen.ticks = m_ticks;
        return seen;
    };
    const Seen ticking = play(Loop::Ticking);
    const Seen sleeping = play(Loop::Sleeping);
    // 3000 ms are 300 firings; a run may stop a tick past the moment, and see one more.
    EXPECT_NEAR(ticking.elapsed, 3000, 10);
    EXPECT_NEAR(sleeping.elapsed, ticking.elapsed, 10);
    EXPECT_LE(ticking.advanced_after, 6u);
    EXPECT_LE(sleeping.advanced_after, 6u);
    EXPECT_LT(sleeping.ticks * 5, ticking.ticks) << "the sleeping loop ran " << sleeping.ticks << " ticks";
    EXPECT_GT(m_sleeps, 0);
}

TEST_F(IdleDeadlineTest, AutomaticAdvanceComesAfterTheDelayInBothLoops) {
    auto advance_times = [&](Loop loop) {
        WaitAtFirstMessage(3);
        Message().SetAutoMode(1);
        std::vector<std::uint32_t> shown_for;
        for (int i = 0; i < 2; ++i) {
            TickUntil(TaskCode::TASK_WAIT_MESSAGE); // the script and the reveal of the next message
            const std::uint32_t shown = Platform().TickCount();
            shown_for.push_back(RunWhile(TaskCode::TASK_WAIT_MESSAGE, loop) - shown);
        }
        return shown_for;
    };
    const auto ticking = advance_times(Loop::Ticking);
    const auto sleeping = advance_times(Loop::Sleeping);
    ASSERT_EQ(ticking.size(), sleeping.size());
    for (std::size_t i = 0; i < ticking.size(); ++i) {
        // 300 firings after the reveal, each 10 ms apart: within one firing and one tick.
        EXPECT_NEAR(static_cast<double>(ticking[i]), 3000.0, 15.0) << "message " << i;
        EXPECT_NEAR(static_cast<double>(sleeping[i]), static_cast<double>(ticking[i]), 13.0) << "message " << i;
    }
}

TEST_F(IdleDeadlineTest, TheWaitIconTurnsTheSameWhileTheLoopSleeps) {
    auto icon_frames = [&](Loop loop) {
        WaitAtFirstMessage();
        // Sample in the middle of each of 20 frames of 55 ms.
        const std::uint32_t first = (Platform().TickCount() / 55 + 1) * 55;
        std::vector<std::vector<std::uint32_t>> frames;
        for (std::uint32_t k = 0; k < 20; ++k) {
            RunTo(first + 55 * k + 27, loop);
            frames.push_back(IconPixels());
        }
        return frames;
    };
    const auto ticking = icon_frames(Loop::Ticking);
    const auto sleeping = icon_frames(Loop::Sleeping);
    EXPECT_EQ(ticking, sleeping);
    EXPECT_NE(ticking[0], ticking[1]) << "the icon turns from one frame to the next";
    // Two ticks a frame: the one at the frame's start, and the one after its picture was shown.
    EXPECT_LE(m_ticks, 2 * 21 + 2);
}

TEST_F(IdleDeadlineTest, ATimedWaitEndsWhenDueWhileTheLoopSleeps) {
    auto wait_end = [&](Loop loop) {
        m_session.reset();
        Play("    wait 1000\n    message \"あ\"\n");
        EXPECT_TRUE(Session().UntilTask(TaskCode::TASK_WAIT, 1000));
        const std::uint32_t until = State().WaitUntil;
        m_ticks = 0;
        return std::pair{RunWhile(TaskCode::TASK_WAIT, loop) - until, m_ticks};
    };
    const auto [ticking_late, ticking_ticks] = wait_end(Loop::Ticking);
    const auto [sleeping_late, sleeping_ticks] = wait_end(Loop::Sleeping);
    EXPECT_LE(ticking_late, 5u);
    EXPECT_LE(sleeping_late, 5u);
    EXPECT_LE(sleeping_ticks, 3);
    EXPECT_GT(ticking_ticks, 200);
}

TEST_F(IdleDeadlineTest, WhileTheVoicePlaysEveryFiringIsWaitedFor) {
    auto elapsed_after_voice = [&](Loop loop) {
        WaitAtFirstMessage();
        fs::create_directories(m_dir.Path() / "VOICE");
        ToneSpec spec;
        spec.seconds = 0.7;
        WriteBytes(m_dir.Path() / "VOICE" / "v.ogg", OggTone(spec));
        Message().SetAutoElapsed(0);
        TheEngine().Sound().PlayVoice("VOICE\\v.ogg", State().System.VoiceVolume);
        EXPECT_GE(TheEngine().Sound().VoiceChannelStatus(), 2);
        Tick();
        if (loop == Loop::Sleeping) {
            const IdleDeadline deadline = TheEngine().NextDeadline();
            EXPECT_TRUE(deadline.may_sleep);
            EXPECT_EQ(deadline.delay_firings, std::optional<std::uint32_t>(1));
        }
        RunTo(Platform().TickCount() + 3000, loop);
        EXPECT_LE(TheEngine().Sound().VoiceChannelStatus(), 1) << "the voice has ended";
        return Message().AutoElapsed();
    };
    const std::int32_t ticking = elapsed_after_voice(Loop::Ticking);
    const std::int32_t sleeping = elapsed_after_voice(Loop::Sleeping);
    // The voice held the count for most of its 0.7 s (the output takes it in blocks).
    EXPECT_LT(ticking, 2800);
    EXPECT_NEAR(sleeping, ticking, 10);
}

TEST_F(IdleDeadlineTest, OnlyAQuietTickOfAWaitingTaskLetsTheLoopSleep) {
    WaitAtFirstMessage();
    // The reveal's last tick changed the task: the wait starts on the next tick.
    EXPECT_FALSE(TheEngine().NextDeadline().may_sleep);
    Tick();
    IdleDeadline deadline = TheEngine().NextDeadline();
    ASSERT_TRUE(deadline.may_sleep);
    ASSERT_TRUE(deadline.until.has_value());
    EXPECT_EQ(*deadline.until % 55, 0u) << "the icon's next frame";
    EXPECT_TRUE(Before(Platform().TickCount(), *deadline.until));
    EXPECT_FALSE(deadline.delay_firings.has_value());

    // The pointer moved: that tick is not quiet, the one after it is.
    MovePointer(Point{300, 200});
    Tick();
    EXPECT_FALSE(TheEngine().NextDeadline().may_sleep);
    Tick();
    EXPECT_TRUE(TheEngine().NextDeadline().may_sleep);

    // A key held (even one that does nothing here) keeps the loop awake.
    Platform().SetKeyDown(Key::Shift, true);
    Tick();
    EXPECT_FALSE(TheEngine().NextDeadline().may_sleep);
    Platform().SetKeyDown(Key::Shift, false);
    Tick();
    Tick();
    EXPECT_TRUE(TheEngine().NextDeadline().may_sleep);

    // Automatic advance: the firings still missing; the input lock: its end.
    Message().SetAutoMode(1);
    Message().SetAutoElapsed(1234);
    EXPECT_EQ(TheEngine().NextDeadline().delay_firings, std::optional<std::uint32_t>(77));
    TheEngine().Input().SetInputLock(12);
    EXPECT_EQ(TheEngine().NextDeadline().delay_firings, std::optional<std::uint32_t>(12));
    Message().SetAutoElapsed(2000);
    EXPECT_FALSE(TheEngine().NextDeadline().may_sleep) << "due now";
    Message().SetAutoMode(0);
    TheEngine().Input().SetInputLock(0);

    // Skipping advances on the next tick.
    Message().SetSkipMode(1);
    EXPECT_FALSE(TheEngine().NextDeadline().may_sleep);
    Message().SetSkipMode(0);

    // A click: its tick is not quiet.
    Click(Point{400, 300});
    EXPECT_FALSE(TheEngine().NextDeadline().may_sleep);
}

TEST_F(IdleDeadlineTest, TheLoopWakesOnlyForIconFramesThatLookDifferent) {
    // Frames 0..3 show a dot on the left, frames 4..7 one on the right.
    auto sheet = [](bool blank) {
        return MakePicture(800, 600, [blank](int x, int y) -> Color {
            if (blank || y < 32 || y >= 64 || x >= 256)
                return kIconKey;
            const int dot_x = x / 32 < 4 ? 4 : 20;
            return x % 32 >= dot_x && x % 32 < dot_x + 4 && y >= 40 && y < 44 ? kIconInk : kIconKey;
        });
    };
    for (bool blank : {false, true}) {
        m_session.reset();
        ArchiveBuilder grp;
        grp.Add(10, 12, EncodePng(sheet(blank)));
        WriteArchives(ScenarioArchive({{1, "    message \"待つ\"\nidle:\n    wait 0\n    jump idle\n"}}), grp);
        Start();
        TickUntil(TaskCode::TASK_WAIT_MESSAGE);
        Tick();
        const IdleDeadline deadline = TheEngine().NextDeadline();
        ASSERT_TRUE(deadline.may_sleep);
        if (blank) {
            EXPECT_FALSE(deadline.until.has_value()) << "an icon that never changes wakes nobody";
            continue;
        }
        const std::uint32_t now = Platform().TickCount();
        const int frame = static_cast<int>((now / 55) & 7);
        const int frames_to_change = frame < 4 ? 4 - frame : 8 - frame;
        EXPECT_EQ(deadline.until,
                  std::optional<std::uint32_t>((now / 55 + static_cast<std::uint32_t>(frames_to_change)) * 55))
            << "frame " << frame;
    }
}

TEST_F(IdleDeadlineTest, ChoicesAndMenusSleepUntilInputAndMovingScreensNever) {
    m_session.reset();
    Play("    select \"はい/いいえ\"\n    effect 1, 1000\n", 3);
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    Tick();
    Tick();
    const IdleDeadline choice = TheEngine().NextDeadline();
    EXPECT_TRUE(choice.may_sleep);
    EXPECT_FALSE(choice.until.has_value());
    EXPECT_EQ(choice.delay_firings.value_or(0),
              static_cast<std::uint32_t>(std::max(TheEngine().Input().InputLock(), 0)));

    Click(Point{100, 470}); // the first line
    TickUntil(TaskCode::TASK_EFFECT_01);
    Tick();
    EXPECT_FALSE(TheEngine().NextDeadline().may_sleep) << "a transition runs";
}

TEST_F(IdleDeadlineTest, TheDebugWindowsLiveLabelsKeepTheLoopAwake) {
    std::ofstream(m_dir.Path() / "デバッグ窓を開く合図.txt") << "";
    WaitAtFirstMessage();
    ASSERT_TRUE(TheEngine().Debug().Visible());
    Ticks(3);
    EXPECT_FALSE(TheEngine().NextDeadline().may_sleep);
}

TEST_F(IdleDeadlineTest, MadeUpFiringsCountAsSingleOnes) {
    WaitAtFirstMessage();
    fs::create_directories(m_dir.Path() / "VOICE");
    ToneSpec spec;
    spec.seconds = 2.0;
    WriteBytes(m_dir.Path() / "VOICE" / "v.ogg", OggTone(spec));
    for (bool voice : {false, true}) {
        if (voice)
            TheEngine().Sound().PlayVoice("VOICE\\v.ogg", State().System.VoiceVolume);
        for (std::uint32_t firings : {0u, 1u, 3u, 24u, 25u, 26u, 5000u}) {
            for (std::int32_t lock : {0, 1, 25}) {
                Message().SetAutoElapsed(40);
                TheEngine().Input().SetInputLock(lock);
                for (std::uint32_t i = 0; i < firings; ++i)
                    TheEngine().OnDelayTimer();
                const std::int32_t elapsed_one_by_one = Message().AutoElapsed();
                const std::int32_t lock_one_by_one = TheEngine().Input().InputLock();
                Message().SetAutoElapsed(40);
                TheEngine().Input().SetInputLock(lock);
                TheEngine().OnDelayTimerCatchUp(firings);
                EXPECT_EQ(Message().AutoElapsed(), elapsed_one_by_one) << firings << " firings, voice " << voice;
                EXPECT_EQ(TheEngine().Input().InputLock(), lock_one_by_one) << firings << " firings, lock " << lock;
            }
        }
    }
    EXPECT_GE(TheEngine().Sound().VoiceChannelStatus(), 2) << "the voice played throughout";
}

} // namespace
} // namespace hk::test
