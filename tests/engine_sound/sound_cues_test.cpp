// The game's sound cues on a real engine: file names, channels and levels, what stopping does,
// missing files, the voice channel behind auto-advance (with a sound output and without one), and
// the mixed sound itself as the headless output plays it.
#include "support/engine_fixture.h"
#include "support/game_sound.h"
#include "support/ogg_fixtures.h"

#include <filesystem>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

// Distinct short tones, so each cue's file is recognisable and cheap to encode.
ToneSpec Tone(double frequency, double seconds, double amplitude = 0.3) {
    ToneSpec spec;
    spec.frequency = frequency;
    spec.seconds = seconds;
    spec.amplitude = amplitude;
    return spec;
}

class SoundCueTest : public GameFixture {
protected:
    void SetUp() override {
        WriteArchives();
        Start();
    }

    // Writes a tone as the game file `relative` (a path with '/' separators, any case).
    void WriteTone(const std::string& relative, const ToneSpec& spec) {
        const fs::path path = m_dir.Path() / relative;
        fs::create_directories(path.parent_path());
        WriteBytes(path, OggTone(spec));
    }

    SoundCues::ChannelView Channel(int ch) { return TheEngine().Sound().ChannelViews()[static_cast<std::size_t>(ch)]; }
    // Moves the virtual clock (and with it the sound output) on by ms.
    void Advance(std::uint32_t ms) { Platform().AdvanceClock(ms); }
};

TEST_F(SoundCueTest, CuesUseTheirChannelsWithLevelsFromTheSettings) {
    WriteTone("Sound/M01.ogg", Tone(441, 1.0));
    WriteTone("Sound/S02.ogg", Tone(882, 1.0));
    WriteTone("Sound/S03.ogg", Tone(1323, 1.0));
    WriteTone("VOICE/yuki_01.ogg", Tone(220.5, 1.0));

    // Defaults: music 30, voice and effects 100.
    PlayBGM(TheEngine(), 1, 1);
    PlaySE(TheEngine(), 2, 3, 1);
    PlaySE(TheEngine(), 1, 2, 0);
    TheEngine().Sound().PlayVoice("VOICE\\yuki_01.ogg", State().System.VoiceVolume);

    const auto views = TheEngine().Sound().ChannelViews();
    EXPECT_EQ(views[1].status, 3);
    EXPECT_EQ(views[1].level, 77);
    EXPECT_EQ(views[1].file, "Sound\\M01.ogg");
    EXPECT_EQ(views[3].status, 2) << "loop 0 plays the effect once";
    EXPECT_EQ(views[3].level, 255);
    EXPECT_EQ(views[3].file, "Sound\\S02.ogg");
    EXPECT_EQ(views[4].status, 3) << "both effect channels play at once";
    EXPECT_EQ(views[4].level, 255);
    EXPECT_EQ(views[4].file, "Sound\\S03.ogg");
    EXPECT_EQ(views[5].status, 2);
    EXPECT_EQ(views[5].level, 255);
    EXPECT_EQ(views[5].file, "VOICE\\yuki_01.ogg");
    for (int ch : {0, 2, 6, 7, 8, 9}) {
        EXPECT_EQ(views[static_cast<std::size_t>(ch)].status, 0) << "channel " << ch;
        EXPECT_EQ(views[static_cast<std::size_t>(ch)].file, "") << "channel " << ch;
    }
    EXPECT_EQ(State().Game.CurrentBgm, 1);
    EXPECT_EQ(State().Game.BgmLoop, 1);

    // A cue takes the setting at its start: half volume is level 128 (127.5 rounds to even).
    State().System.BgmVolume = 50;
    State().System.SeVolume = 0;
    PlayBGM(TheEngine(), 1, 0);
    PlaySE(TheEngine(), 1, 2, 2); // any loop value but 1 plays once
    EXPECT_EQ(Channel(1).level, 128);
    EXPECT_EQ(Channel(1).status, 2);
    EXPECT_EQ(State().Game.BgmLoop, 0);
    EXPECT_EQ(Channel(3).level, 0);
    EXPECT_EQ(Channel(3).status, 2) << "a silent effect still plays";
    EXPECT_EQ(Channel(4).level, 255) << "the other effect keeps its level";
}

TEST_F(SoundCueTest, FileNamesFromNumbersMatchAnyLetterCase) {
    WriteTone("sound/m09.OGG", Tone(441, 0.5));
    WriteTone("sound/M10.ogg", Tone(882, 0.5));
    WriteTone("sound/s07.Ogg", Tone(441, 0.5));

    PlayBGM(TheEngine(), 9, 0);
    EXPECT_EQ(Channel(1).status, 2);
    EXPECT_EQ(Channel(1).file, "Sound\\M09.ogg");
    PlayBGM(TheEngine(), 10, 1);
    EXPECT_EQ(Channel(1).status, 3);
    EXPECT_EQ(Channel(1).file, "Sound\\M10.ogg");
    PlaySE(TheEngine(), 2, 7, 0);
    EXPECT_EQ(Channel(4).file, "Sound\\S07.ogg");

    // Neither "Sound\M9.ogg" nor "Sound\M010.ogg" style names are looked for.
    WriteTone("sound/M5.ogg", Tone(441, 0.5));
    PlayBGM(TheEngine(), 5, 0);
    EXPECT_EQ(Channel(1).file, "Sound\\M10.ogg");
    EXPECT_EQ(Channel(1).status, 3);
}

TEST_F(SoundCueTest, MissingFilesLeaveTheMusicAndEffectsButNotTheVoice) {
    WriteTone("Sound/M01.ogg", Tone(441, 1.0));
    WriteTone("Sound/S01.ogg", Tone(882, 1.0));
    WriteTone("VOICE/a.ogg", Tone(220.5, 1.0));

    PlayBGM(TheEngine(), 1, 1);
    PlaySE(TheEngine(), 1, 1, 1);
    TheEngine().Sound().PlayVoice("VOICE\\a.ogg", State().System.VoiceVolume);
    Advance(100);

    PlayBGM(TheEngine(), 4, 0);
    EXPECT_EQ(State().Game.CurrentBgm, 4) << "the number is recorded even without its file";
    EXPECT_EQ(State().Game.BgmLoop, 1) << "the loop flag of the music that plays stays";
    EXPECT_EQ(Channel(1).status, 3);
    EXPECT_EQ(Channel(1).file, "Sound\\M01.ogg");
    EXPECT_EQ(TheEngine().Debug().Window.BgmFileLabel, "") << "the debug line no longer names a file";

    PlaySE(TheEngine(), 1, 12, 0);
    EXPECT_EQ(Channel(3).status, 3);
    EXPECT_EQ(Channel(3).file, "Sound\\S01.ogg");

    TheEngine().Sound().PlayVoice("VOICE\\missing.ogg", State().System.VoiceVolume);
    EXPECT_LE(Channel(5).status, 1) << "a missing voice still cuts the one that played";
    EXPECT_EQ(TheEngine().Sound().VoiceChannelStatus(), Channel(5).status);
    Advance(200);
    EXPECT_EQ(Platform().TakeErrors(), std::vector<std::string>()) << "missing cues are not errors";
}

TEST_F(SoundCueTest, MusicZeroSilencesEffectsAndVoiceToo) {
    WriteTone("Sound/M01.ogg", Tone(441, 1.0));
    WriteTone("Sound/S01.ogg", Tone(882, 1.0));
    WriteTone("Sound/S02.ogg", Tone(882, 1.0));
    WriteTone("VOICE/a.ogg", Tone(220.5, 1.0));
    PlayBGM(TheEngine(), 1, 1);
    PlaySE(TheEngine(), 1, 1, 1);
    PlaySE(TheEngine(), 2, 2, 0);
    TheEngine().Sound().PlayVoice("VOICE\\a.ogg", State().System.VoiceVolume);
    Advance(50);

    PlayBGM(TheEngine(), 0, 1);
    EXPECT_EQ(State().Game.CurrentBgm, 0);
    for (int ch : {1, 3, 4, 5})
        EXPECT_LE(Channel(ch).status, 1) << "channel " << ch;
    EXPECT_EQ(TheEngine().Debug().Window.BgmFileLabel, "");

    // Stopping one effect leaves the other; a stopped channel starts again on its next cue.
    PlaySE(TheEngine(), 1, 1, 1);
    PlaySE(TheEngine(), 2, 2, 1);
    PlaySE(TheEngine(), 2, 0, 0);
    EXPECT_EQ(Channel(3).status, 3);
    EXPECT_LE(Channel(4).status, 1);
    PlaySE(TheEngine(), 3, 1, 1); // no such effect channel
    EXPECT_LE(Channel(4).status, 1);
}

TEST_F(SoundCueTest, AutoAdvanceCountsOnlyWhileNoVoicePlays) {
    WriteTone("VOICE/a.ogg", Tone(220.5, 0.3));
    Message().SetAutoElapsed(0);
    TheEngine().OnDelayTimer();
    EXPECT_EQ(Message().AutoElapsed(), 10) << "nothing loaded";

    TheEngine().Sound().PlayVoice("VOICE\\a.ogg", State().System.VoiceVolume);
    for (int i = 0; i < 5; ++i)
        TheEngine().OnDelayTimer();
    EXPECT_EQ(Message().AutoElapsed(), 10) << "the voice holds the auto-advance wait";

    // The voice ends by itself once the output has taken all of it.
    int waited = 0;
    while (TheEngine().Sound().VoiceChannelStatus() >= 2 && waited < 5000) {
        Advance(10);
        waited += 10;
    }
    ASSERT_LT(waited, 5000) << "the one-shot voice never finished";
    EXPECT_EQ(Channel(5).status, 1) << "a finished voice stays bound";
    TheEngine().OnDelayTimer();
    EXPECT_EQ(Message().AutoElapsed(), 20);

    // A stopped voice lets it count on as well.
    TheEngine().Sound().PlayVoice("VOICE\\a.ogg", State().System.VoiceVolume);
    TheEngine().OnDelayTimer();
    EXPECT_EQ(Message().AutoElapsed(), 20);
    TheEngine().Sound().StopVoice();
    TheEngine().OnDelayTimer();
    EXPECT_EQ(Message().AutoElapsed(), 30);
}

// A machine whose sound output does not open: nothing is heard, but every sound takes its time.
class SilentSoundCueTest : public SoundCueTest {
protected:
    void SetUp() override {
        WriteArchives();
        Platform().SetAudioDeviceMissing(true);
        Start();
    }
};

TEST_F(SilentSoundCueTest, VoiceHoldsTheAutoAdvanceForItsLengthAsWithSound) {
    WriteTone("VOICE/a.ogg", Tone(220.5, 1.0));
    Message().SetAutoElapsed(0);
    TheEngine().Sound().PlayVoice("VOICE\\a.ogg", State().System.VoiceVolume);
    EXPECT_EQ(Channel(5).status, 2);
    int waited = 0;
    while (TheEngine().Sound().VoiceChannelStatus() >= 2 && waited < 5000) {
        TheEngine().OnDelayTimer();
        Advance(10);
        waited += 10;
    }
    // The ring's halves hold 20,480 frames (464.4 ms); the refill at the second half-way point,
    // frame 40,960 (928.8 ms), decodes the one-second voice's last block, exactly as it does when
    // the output plays to a device.
    EXPECT_EQ(waited, 930) << "the voice did not end when it would have been heard out";
    EXPECT_EQ(Message().AutoElapsed(), 0) << "the wait counted while the voice played";
    EXPECT_EQ(Channel(5).status, 1);
    EXPECT_EQ(Channel(5).file, "VOICE\\a.ogg");
    TheEngine().OnDelayTimer();
    EXPECT_EQ(Message().AutoElapsed(), 10);
    EXPECT_TRUE(Platform().TakeErrors().empty());
}

} // namespace
} // namespace hk::test
