// `harukaze-tool run --audio-out`: the WAV holds what the mixer made of the cues a scene started,
// sample for sample, and the state file shows the channels behind it.
#include "sound/ogg_data.h"
#include "sound/ogg_player.h"
#include "sound/vorbis_library.h"
#include "support/ogg_fixtures.h"
#include "support/run_process.h"
#include "support/scene_assembler.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

std::uint32_t U32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
}

// The samples of a 16-bit stereo 44,100 Hz PCM WAV file; fails the test on any other layout.
std::vector<std::int16_t> WavSamples(const fs::path& path) {
    const auto bytes = ReadFileBytes(path);
    EXPECT_GE(bytes.size(), 44u);
    if (bytes.size() < 44)
        return {};
    EXPECT_EQ(std::memcmp(bytes.data(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(bytes[22], 2);
    EXPECT_EQ(U32(bytes.data() + 24), 44100u);
    EXPECT_EQ(bytes[34], 16);
    EXPECT_EQ(std::memcmp(bytes.data() + 36, "data", 4), 0);
    const std::uint32_t size = U32(bytes.data() + 40);
    EXPECT_EQ(size, bytes.size() - 44) << "the header's data size matches the file";
    EXPECT_EQ(U32(bytes.data() + 4), bytes.size() - 8);
    std::vector<std::int16_t> samples((bytes.size() - 44) / 2);
    std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
    return samples;
}

std::size_t FirstSound(const std::vector<std::int16_t>& samples) {
    return static_cast<std::size_t>(
        std::find_if(samples.begin(), samples.end(), [](std::int16_t s) { return s != 0; }) - samples.begin());
}

TEST(AudioOut, WavMatchesTheMixedCuesSampleForSample) {
    TempDir dir;
    const fs::path game = dir / "game";
    fs::create_directories(game / "Sound");
    fs::create_directories(game / "VOICE");
    ToneSpec music{.channels = 2, .rate = 44100, .seconds = 1.5, .frequency = 441.0, .amplitude = 0.5};
    ToneSpec effect{.channels = 1, .rate = 44100, .seconds = 0.4, .frequency = 882.0, .amplitude = 0.4};
    ToneSpec voice{
        .channels = 2, .rate = 44100, .seconds = 0.7, .frequency = 220.5, .amplitude = 0.4, .left_only = true};
    WriteBytes(game / "Sound" / "M02.ogg", OggTone(music));
    WriteBytes(game / "Sound" / "S05.ogg", OggTone(effect));
    WriteBytes(game / "VOICE" / "hana_01.ogg", OggTone(voice));
    ScenarioArchive({{1, R"(
    bgm 2, 1
    se 2, 5, 0
    message "ね", "hana_01"
top:
    wait 0
    jump top
)"}}).WriteTo(game / "SCR.IFP");
    ArchiveBuilder().WriteTo(game / "GRP.IFP");

    const auto r = RunTool({"run", "--game", game.string(), "--input", "-", "--out", dir.Path().string(), "--audio-out",
                            (dir / "out.wav").string(), "--quiet"},
                           "ticks 3\nstate early.json\nms 4000\nstate late.json\n");
    ASSERT_EQ(r.status, 0) << r.out << r.err;

    // The state file while everything plays, and after the one-shot cues ended.
    const auto early = ReadFileBytes(dir / "early.json");
    const std::string early_text(early.begin(), early.end());
    EXPECT_NE(early_text.find(R"({"status": 3, "level": 77, "file": "Sound/M02.ogg"})"), std::string::npos)
        << early_text;
    EXPECT_NE(early_text.find(R"({"status": 2, "level": 255, "file": "Sound/S05.ogg"})"), std::string::npos);
    EXPECT_NE(early_text.find(R"({"status": 2, "level": 255, "file": "VOICE/hana_01.ogg"})"), std::string::npos);
    const auto late = ReadFileBytes(dir / "late.json");
    const std::string late_text(late.begin(), late.end());
    EXPECT_NE(late_text.find(R"({"status": 3, "level": 77, "file": "Sound/M02.ogg"})"), std::string::npos);
    EXPECT_NE(late_text.find(R"({"status": 1, "level": 255, "file": "VOICE/hana_01.ogg"})"), std::string::npos)
        << late_text;

    // The same files through the same decoders and mixer, started together as the scene does.
    VorbisLibrary dll;
    OggPlayer player(163840, 10);
    OggData bgm(dll, 163840), se(dll, 163840), vo(dll, 163840);
    bgm.LoadFromFile(game / "Sound" / "M02.ogg");
    se.LoadFromFile(game / "Sound" / "S05.ogg");
    vo.LoadFromFile(game / "VOICE" / "hana_01.ogg");
    player.SetData(1, &bgm);
    player.SetVolume(1, 30 / 100.0f);
    player.SetData(4, &se);
    player.SetVolume(4, 100 / 100.0f);
    player.SetData(5, &vo);
    player.SetVolume(5, 100 / 100.0f);
    player.Play(1, true);
    player.Play(4, false);
    player.Play(5, false);
    std::vector<std::int16_t> expected;
    for (int block = 0; block < 6; ++block) {
        player.NextBlock();
        const auto* p = reinterpret_cast<const std::int16_t*>(player.BlockPointer());
        expected.insert(expected.end(), p, p + player.BlockSize() / 2);
    }

    const auto wav = WavSamples(dir / "out.wav");
    // 4 s and the start-up ticks of virtual time, as 44,100 stereo frames a second; the cues
    // are heard from the first refill after they started, up to a ring's length later.
    EXPECT_GE(wav.size(), 2u * 44100 * 4);
    EXPECT_LE(wav.size(), 2u * 44100 * 5);
    const std::size_t w = FirstSound(wav), e = FirstSound(expected);
    ASSERT_LT(w, wav.size()) << "the WAV is silent";
    ASSERT_GE(w, e);
    const std::size_t offset = w - e;
    EXPECT_EQ(offset % 2, 0u) << "left and right stay in their places";
    // 2.5 s from the start of the cues: the effect (0.4 s) and the voice (0.7 s) end inside it,
    // the music loops at 1.5 s, and four block refills pass.
    const std::size_t window = 2 * 44100 * 5 / 2;
    ASSERT_GE(wav.size(), offset + window);
    std::size_t mismatches = 0, first_mismatch = 0;
    for (std::size_t i = 0; i < window; ++i) {
        if (wav[offset + i] != expected[i] && mismatches++ == 0)
            first_mismatch = i;
    }
    EXPECT_EQ(mismatches, 0u) << "first difference at sample " << first_mismatch << " after the start";
    // The music alone (level 77) peaks near 4,900: the effect and the voice are in the mix too.
    std::int32_t peak = 0;
    for (std::size_t i = 0; i < 44100; ++i)
        peak = std::max<std::int32_t>(peak, std::abs(static_cast<std::int32_t>(wav[offset + i])));
    EXPECT_GT(peak, 15000) << "music, effect and voice add up";
}

} // namespace
} // namespace hk::test
