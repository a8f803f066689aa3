// SoundCues alone, on the headless platform's clock-driven audio device and a game folder of
// short tones: music that loops or stops, a voice heard out over time, the volumes, what a load
// restarts and the debug lines the cues write.
#include "data/game_files.h"
#include "engine/sound/sound_cues.h"
#include "platform/headless/headless_platform.h"
#include "support/ogg_fixtures.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace hk::test {
namespace {

ToneSpec Tone(double frequency, double seconds) {
    ToneSpec spec;
    spec.frequency = frequency;
    spec.seconds = seconds;
    spec.amplitude = 0.3;
    return spec;
}

class SoundCuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteTone("Sound/M01.ogg", Tone(441, 0.3));
        WriteTone("Sound/M02.ogg", Tone(882, 0.3));
        WriteTone("Sound/S03.ogg", Tone(1323, 0.3));
        WriteTone("Sound/S04.ogg", Tone(661.5, 0.3));
        WriteTone("VOICE/a.ogg", Tone(220.5, 0.3));
        WriteTone("VOICE/b.ogg", Tone(220.5, 1.0));
    }

    void WriteTone(const std::string& relative, const ToneSpec& spec) {
        const auto path = m_dir.Path() / relative;
        std::filesystem::create_directories(path.parent_path());
        WriteBytes(path, OggTone(spec));
    }
    SoundCues::ChannelView Channel(int ch) const { return m_cues.ChannelViews()[static_cast<std::size_t>(ch)]; }
    // Moves the virtual clock, and with it the output, on by ms in 10 ms steps.
    void Advance(std::uint32_t ms) {
        for (std::uint32_t t = 0; t < ms; t += 10)
            m_platform.AdvanceClock(10);
    }

    TempDir m_dir;
    HeadlessPlatform m_platform;
    GameFiles m_files{m_dir.Path()};
    std::vector<std::pair<SoundCues::DebugLine, std::string>> m_lines;
    SoundCues m_cues{m_platform, m_files,
                     [this](SoundCues::DebugLine line, const std::string& text) { m_lines.emplace_back(line, text); }};
};

TEST_F(SoundCuesTest, BeforeTheSoundObjectsExistEveryCueIsSilent) {
    EXPECT_FALSE(m_cues.PlayBGM(1, 1, 100));
    m_cues.PlaySE(1, 3, 1, 100);
    m_cues.PlayVoice("VOICE\\a.ogg", 100);
    m_cues.SetChannelVolume(1, 50);
    m_cues.ReportSoundFailure();
    EXPECT_EQ(m_cues.VoiceChannelStatus(), 0);
    for (const auto& view : m_cues.ChannelViews())
        EXPECT_EQ(view.status, 0);
    EXPECT_TRUE(m_platform.TakeErrors().empty());
}

TEST_F(SoundCuesTest, MusicLoopsUntilStoppedAndNumberZeroStopsAllSound) {
    m_cues.CreateSoundObjects();
    ASSERT_TRUE(m_cues.PlayBGM(1, 1, 30));
    m_cues.PlaySE(2, 4, 1, 100);
    m_cues.PlayVoice("VOICE\\a.ogg", 100);
    EXPECT_EQ(Channel(1).status, 3);
    EXPECT_EQ(Channel(1).file, "Sound\\M01.ogg");
    ASSERT_FALSE(m_lines.empty());
    EXPECT_EQ(m_lines.front(), std::pair(SoundCues::DebugLine::BgmFileLabel, std::string("Sound\\M01.ogg LOOP PLAY")));

    // Three times the 0.3 s tone's length: the looping music and effect go on, the voice is over.
    Advance(2000);
    EXPECT_EQ(Channel(1).status, 3);
    EXPECT_EQ(Channel(4).status, 3);
    EXPECT_EQ(m_cues.VoiceChannelStatus(), 1);

    // A number without its file leaves the music that plays.
    m_lines.clear();
    EXPECT_FALSE(m_cues.PlayBGM(9, 0, 30));
    EXPECT_EQ(Channel(1).status, 3);
    EXPECT_EQ(Channel(1).file, "Sound\\M01.ogg");
    EXPECT_EQ(m_lines, (decltype(m_lines){{SoundCues::DebugLine::BgmFileLabel, ""}}));

    EXPECT_FALSE(m_cues.PlayBGM(0, 1, 30));
    EXPECT_LE(Channel(1).status, 1);
    EXPECT_LE(Channel(4).status, 1) << "music 0 stops the effects too";

    // Music once: it ends by itself.
    ASSERT_TRUE(m_cues.PlayBGM(2, 0, 30));
    EXPECT_EQ(Channel(1).status, 2);
    Advance(2000);
    EXPECT_EQ(Channel(1).status, 1);
    EXPECT_TRUE(m_platform.TakeErrors().empty());
}

TEST_F(SoundCuesTest, AVoicePlaysForItsLengthThenStaysBound) {
    m_cues.CreateSoundObjects();
    m_cues.PlayVoice("VOICE\\b.ogg", 100);
    EXPECT_EQ(m_lines.back(), std::pair(SoundCues::DebugLine::BgmLabel, std::string("PV:VOICE\\b.ogg")));
    ASSERT_EQ(m_cues.VoiceChannelStatus(), 2);
    int waited = 0;
    while (m_cues.VoiceChannelStatus() >= 2 && waited < 5000) {
        Advance(10);
        waited += 10;
    }
    // The output decodes one block of 20,480 frames (464.4 ms) at the start and one at each
    // half-way point of its ring: the one-second voice (44,100 frames) ends in the third block,
    // decoded at 928.8 ms.
    EXPECT_EQ(waited, 930);
    EXPECT_EQ(Channel(5).status, 1);
    EXPECT_EQ(Channel(5).file, "VOICE\\b.ogg");

    m_cues.PlayVoice("VOICE\\a.ogg", 100);
    m_cues.StopVoice();
    EXPECT_EQ(m_cues.VoiceChannelStatus(), 1);
    // An empty path only stops the voice; a missing file leaves the channel as it was.
    m_cues.PlayVoice("VOICE\\a.ogg", 100);
    m_cues.PlayVoice("", 100);
    EXPECT_EQ(m_cues.VoiceChannelStatus(), 1);
    m_cues.PlayVoice("VOICE\\missing.ogg", 100);
    EXPECT_EQ(m_cues.VoiceChannelStatus(), 1);
    EXPECT_TRUE(m_platform.TakeErrors().empty());
}

TEST_F(SoundCuesTest, VolumesSetEachChannelsLevel) {
    m_cues.CreateSoundObjects();
    m_cues.PlayBGM(1, 1, 30);
    m_cues.PlaySE(1, 3, 0, 100);
    m_cues.PlaySE(2, 4, 0, 0);
    m_cues.PlayVoice("VOICE\\a.ogg", 60);
    // Percent p gives level p * 255 / 100, to the nearest (ties to even).
    EXPECT_EQ(Channel(1).level, 77);  // 76.5
    EXPECT_EQ(Channel(3).level, 255); // 255
    EXPECT_EQ(Channel(4).level, 0);
    EXPECT_EQ(Channel(5).level, 153); // 153
    m_cues.SetChannelVolume(1, 50);
    EXPECT_EQ(Channel(1).level, 128); // 127.5
    m_cues.SetChannelVolume(3, 10);
    EXPECT_EQ(Channel(3).level, 26); // 25.5
    EXPECT_EQ(Channel(5).level, 153) << "other channels keep theirs";
}

TEST_F(SoundCuesTest, ALoadRestartsTheSavedMusicAndEffects) {
    m_cues.CreateSoundObjects();
    m_cues.PlayBGM(1, 1, 30);
    m_cues.PlaySE(2, 4, 1, 100);

    GameData saved{};
    saved.CurrentBgm = 2;
    saved.BgmLoop = 1;
    saved.SeRestoreNumber[0] = 3;
    saved.SeRestoreLoop[0] = 1;
    m_cues.RestoreMusic(saved, 40);
    m_cues.RestoreEffects(saved, 70);
    EXPECT_EQ(Channel(1).status, 3);
    EXPECT_EQ(Channel(1).file, "Sound\\M02.ogg");
    EXPECT_EQ(Channel(1).level, 102); // 40 % of 255
    EXPECT_EQ(Channel(3).status, 3);
    EXPECT_EQ(Channel(3).file, "Sound\\S03.ogg");
    EXPECT_EQ(Channel(3).level, 178); // 178.5, to the even neighbour
    EXPECT_EQ(Channel(4).status, 3) << "an effect not saved is not stopped by music";

    // A save made in silence: everything stops, then the saved effect plays once.
    saved.CurrentBgm = 0;
    saved.SeRestoreNumber[0] = 0;
    saved.SeRestoreNumber[1] = 4;
    saved.SeRestoreLoop[1] = 0;
    m_cues.RestoreMusic(saved, 40);
    m_cues.RestoreEffects(saved, 70);
    EXPECT_LE(Channel(1).status, 1);
    EXPECT_LE(Channel(3).status, 1);
    EXPECT_EQ(Channel(4).status, 2);
    EXPECT_EQ(Channel(4).file, "Sound\\S04.ogg");
}

} // namespace
} // namespace hk::test
