// Sound files that change under the running game: removed between two cues (even between the
// engine's check that a file is there and its read), cut short or emptied before a cue, and
// removed or cut short while they play. Missing files are skipped as always, damaged ones are
// reported by path, and the game goes on with its frame timer running.
#include "faulty_files.h"

#include "support/archive_builder.h"
#include "support/game_sound.h"
#include "support/ogg_fixtures.h"
#include "support/scene_assembler.h"
#include "support/temp_dir.h"

#include "platform/headless/headless_session.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLoadError = "ファイルの読み込みに失敗";

ToneSpec Tone(double frequency, double seconds) {
    ToneSpec spec;
    spec.frequency = frequency;
    spec.seconds = seconds;
    spec.amplitude = 0.5;
    return spec;
}

class SoundFileFaults : public ::testing::Test {
protected:
    void SetUp() override {
        WriteTone("Sound/M01.ogg", Tone(441, 1.0));
        WriteTone("Sound/M02.ogg", Tone(882, 1.0));
        WriteTone("Sound/S01.ogg", Tone(1323, 1.0));
        WriteTone("Sound/S02.ogg", Tone(1764, 1.0));
        WriteTone("VOICE/a.ogg", Tone(220.5, 1.0));
        WriteTone("VOICE/b.ogg", Tone(330.75, 1.0));
        ArchiveBuilder().WriteTo(m_dir / "GRP.IFP");
    }

    void WriteTone(const std::string& relative, const ToneSpec& spec) {
        fs::create_directories((m_dir / relative).parent_path());
        WriteBytes(m_dir / relative, OggTone(spec));
    }

    // Keeps the first `bytes` bytes of the file, as a copy that stopped part way would.
    void CutShort(const std::string& relative, std::uintmax_t bytes) { fs::resize_file(m_dir / relative, bytes); }

    // Starts the game on scene 1 = `scene` (an idle scene when empty).
    void Start(const std::string& scene = "top:\n    wait 0\n    jump top\n", const fs::path& wav = {}) {
        ScenarioArchive({{1, scene}}).WriteTo(m_dir / "SCR.IFP");
        auto files = std::make_unique<FaultyFiles>(m_dir.Path());
        m_files = files.get();
        m_session = std::make_unique<HeadlessSession>(m_dir.Path(), std::move(files));
        if (!wav.empty())
            m_session->Platform().SetWavOutput(wav);
        ASSERT_TRUE(m_session->Start());
        ASSERT_EQ(m_session->Platform().TakeErrors(), std::vector<std::string>());
    }

    Engine& TheEngine() { return m_session->TheEngine(); }
    HeadlessPlatform& Platform() { return m_session->Platform(); }
    SoundCues::ChannelView Channel(int ch) { return TheEngine().Sound().ChannelViews()[static_cast<std::size_t>(ch)]; }

    TempDir m_dir;
    std::unique_ptr<HeadlessSession> m_session;
    FaultyFiles* m_files = nullptr;
};

TEST_F(SoundFileFaults, FileGoneBetweenTheCheckAndTheReadIsMissingNotTheOldSoundAgain) {
    Start();
    PlayBGM(TheEngine(), 1, 1);
    PlaySE(TheEngine(), 1, 1, 0);
    TheEngine().Sound().PlayVoice("VOICE\\a.ogg", m_session->State().System.VoiceVolume);
    Platform().AdvanceClock(100);
    TheEngine().Sound().StopVoice();

    m_files->vanish_after_check = {"Sound\\M02.ogg", "Sound\\S02.ogg", "VOICE\\b.ogg"};
    PlayBGM(TheEngine(), 2, 0);
    EXPECT_EQ(Channel(1).file, "Sound\\M01.ogg") << "the music that played goes on, under its own name";
    EXPECT_EQ(Channel(1).status, 3) << "and keeps looping";
    PlaySE(TheEngine(), 1, 2, 1);
    EXPECT_EQ(Channel(3).file, "Sound\\S01.ogg");
    EXPECT_EQ(Channel(3).status, 2) << "the effect is not turned into a loop of the old file";
    TheEngine().Sound().PlayVoice("VOICE\\b.ogg", m_session->State().System.VoiceVolume);
    EXPECT_LE(Channel(5).status, 1) << "the previous voice line must not start again";
    EXPECT_FALSE(fs::exists(m_dir / "VOICE/b.ogg"));
    EXPECT_EQ(Platform().TakeErrors(), std::vector<std::string>()) << "a missing cue is not an error";
}

TEST_F(SoundFileFaults, DamagedFilesBetweenCuesAreReportedAndTheScriptGoesOn) {
    // Music 1 and effect 1 play; then music 2 and effect 2 are found cut short, the script
    // goes on and marks the variable.
    Start("    bgm 1, 1\n    se 1, 1, 1\n    wait 100\n    bgm 2, 1\n    se 2, 2, 0\n    let s1, 7\n"
          "top:\n    wait 0\n    jump top\n");
    CutShort("Sound/M02.ogg", 100);
    fs::resize_file(m_dir / "Sound/S02.ogg", 0);
    for (int i = 0; i < 400 && m_session->State().Game.ScenarioVars[0] != 7; ++i)
        m_session->Step();

    EXPECT_EQ(m_session->State().Game.ScenarioVars[0], 7) << "the script stopped at a damaged sound";
    EXPECT_TRUE(TheEngine().FrameTimerEnabled());
    const auto errors = Platform().TakeErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[0].find(kLoadError), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find("M02.ogg"), std::string::npos) << errors[0];
    EXPECT_NE(errors[1].find("S02.ogg"), std::string::npos) << errors[1];
    EXPECT_EQ(Channel(1).status, 0) << "the damaged music's channel is silent";
    EXPECT_EQ(Channel(1).file, "");
    EXPECT_EQ(m_session->State().Game.CurrentBgm, 2);
    EXPECT_EQ(Channel(3).status, 3) << "effect 1 plays on";
    EXPECT_EQ(Channel(4).status, 0);

    // A sound put back plays again.
    WriteTone("Sound/M02.ogg", Tone(882, 1.0));
    PlayBGM(TheEngine(), 2, 1);
    EXPECT_EQ(Channel(1).status, 3);
    EXPECT_EQ(Channel(1).file, "Sound\\M02.ogg");

    // A damaged voice is reported the same way and leaves its channel silent.
    CutShort("VOICE/b.ogg", 100);
    TheEngine().Sound().PlayVoice("VOICE\\b.ogg", m_session->State().System.VoiceVolume);
    EXPECT_EQ(Channel(5).status, 0);
    const auto voice_errors = Platform().TakeErrors();
    ASSERT_EQ(voice_errors.size(), 1u);
    EXPECT_NE(voice_errors[0].find("b.ogg"), std::string::npos) << voice_errors[0];
}

// Peak of the samples of a 16-bit stereo WAV file between two times (seconds).
int Peak(const std::vector<std::uint8_t>& wav, double from, double to) {
    const std::size_t begin = 44 + static_cast<std::size_t>(from * 44100) * 4;
    const std::size_t end = std::min(wav.size(), 44 + static_cast<std::size_t>(to * 44100) * 4);
    int peak = 0;
    for (std::size_t i = begin; i + 1 < end; i += 2)
        peak = std::max(peak, std::abs(static_cast<int>(static_cast<std::int16_t>(wav[i] | (wav[i + 1] << 8)))));
    return peak;
}

TEST_F(SoundFileFaults, FilesRemovedOrCutWhilePlayingPlayOnFromMemory) {
    const fs::path wav = m_dir / "out.wav";
    Start("top:\n    wait 0\n    jump top\n", wav);
    const std::uint32_t opened = Platform().TickCount();
    auto seconds_since_open = [&] { return (Platform().TickCount() - opened) / 1000.0; };

    // The decoders hold the whole file: the disk is not read again while they play.
    PlayBGM(TheEngine(), 1, 1);
    Platform().AdvanceClock(300);
    fs::remove(m_dir / "Sound/M01.ogg");
    m_session->RunMs(3000);
    EXPECT_EQ(Channel(1).status, 3);
    // Starting the removed music again finds no file: what plays goes on.
    PlayBGM(TheEngine(), 1, 1);
    EXPECT_EQ(Channel(1).status, 3);
    const double music_alone = seconds_since_open();

    PlaySE(TheEngine(), 1, 1, 1);
    Platform().AdvanceClock(100);
    CutShort("Sound/S01.ogg", 100);
    m_session->RunMs(2000);
    EXPECT_EQ(Channel(3).status, 3);
    EXPECT_EQ(Channel(1).status, 3);
    EXPECT_TRUE(TheEngine().FrameTimerEnabled());
    EXPECT_EQ(Platform().TakeErrors(), std::vector<std::string>());
    const double end = seconds_since_open();

    m_session.reset(); // finishes the WAV file
    const auto bytes = ReadFileBytes(wav);
    ASSERT_GE(bytes.size(), 44 + static_cast<std::size_t>(end * 44100) * 4 - 4096);
    // Music at its default level 30 alone peaks near 0.5 x 77/255 of full scale (about 4,950);
    // the effect at level 100 adds up to 16,383.
    const int music = Peak(bytes, music_alone - 1.5, music_alone - 0.2);
    EXPECT_GT(music, 3500) << "the music fell silent after its file was removed";
    EXPECT_LT(music, 7000);
    EXPECT_GT(Peak(bytes, end - 1.0, end - 0.1), 12000) << "the effect fell silent after its file was cut";
}

} // namespace
} // namespace hk::test
