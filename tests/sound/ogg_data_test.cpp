// The decoder through its public calls, one block at a time on the test thread (no worker), on
// tones made with the encoder. A block is 81,920 bytes = 20,480 frames = 0.46440 s.
#include "sound/ogg_data.h"
#include "support/ogg_fixtures.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace hk {
namespace {

using test::OggTone;
using test::OneLoop;
using test::ToneSpec;
using test::WithLoopHeader;

constexpr std::uint32_t kBuffer = 163840;
constexpr std::uint32_t kBlock = kBuffer / 2;
constexpr double kBlockSeconds = kBlock / 176400.0;

std::span<const std::int16_t> Samples(const OggData& d) {
    return {reinterpret_cast<const std::int16_t*>(d.BlockPointer()), kBlock / 2};
}

// Longest run of near-silent samples in one channel of a block.
int LongestQuietRun(std::span<const std::int16_t> block, int channel) {
    int run = 0;
    int longest = 0;
    for (std::size_t i = channel; i < block.size(); i += 2) {
        run = std::abs(block[i]) < 100 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

class OggDataTest : public ::testing::Test {
protected:
    VorbisLibrary dll;
    OggData data{dll, kBuffer};
};

TEST_F(OggDataTest, LoadReportsTheStreamAndTheLoopHeader) {
    const auto& ogg = OggTone({});
    EXPECT_EQ(data.Status(), 0);
    ASSERT_TRUE(data.LoadFromStream(ogg));
    EXPECT_EQ(data.Status(), 1);
    EXPECT_EQ(data.Channels(), 2);
    EXPECT_EQ(data.Rate(), 44100);
    EXPECT_NEAR(data.TotalTime(), 2.0f, 1e-4);
    EXPECT_EQ(data.TotalBytes(), 88200 * 4);
    EXPECT_FALSE(data.Vendor().empty());
    ASSERT_EQ(data.Comments().size(), 1u);
    EXPECT_EQ(data.Comments()[0], "ENCODER=harukaze");
    EXPECT_EQ(data.Loops(), LoopTable{});

    ASSERT_TRUE(data.LoadFromStream(WithLoopHeader(ogg, OneLoop(0.5f, 1.5f, -1, 3))));
    EXPECT_EQ(data.Loops()[3], (LoopRecord{0.5f, 1.5f, -1}));
    EXPECT_EQ(data.TotalBytes(), 88200 * 4) << "the stream starts after the 200-byte header";

    // A plain file after a looped one must not keep the other file's loop points.
    ASSERT_TRUE(data.LoadFromStream(ogg));
    EXPECT_EQ(data.Loops(), LoopTable{});
}

TEST_F(OggDataTest, DamagedFilesRaiseTheLoadErrorAndLeaveTheDecoderEmpty) {
    const auto& ogg = OggTone({});
    std::vector<std::uint8_t> noise(5000);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<std::uint8_t>(i * 7919 >> 3);
    }
    std::vector<std::uint8_t> short_magic = {'A', 'L', 'P', 'H', 'A', 'O', 'G', 'G'};
    short_magic.resize(199);
    std::vector<std::uint8_t> header_only = WithLoopHeader({}, OneLoop(0.0f, 1.0f, -1));
    const std::vector<std::vector<std::uint8_t>> damaged = {
        {},
        noise,
        std::vector<std::uint8_t>(ogg.begin(), ogg.begin() + 60),   // cut inside the first page
        std::vector<std::uint8_t>(ogg.begin(), ogg.begin() + 3000), // cut inside the headers
        short_magic,
        header_only,
        WithLoopHeader(noise, {}),
    };
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        ASSERT_TRUE(data.LoadFromStream(ogg));
        try {
            data.LoadFromStream(damaged[i]);
            ADD_FAILURE() << "damaged file " << i << " was accepted";
        } catch (const EOggData& e) {
            EXPECT_STREQ(e.what(), "ファイルの読み込みに失敗") << i;
        }
        EXPECT_EQ(data.Status(), 0) << i;
        EXPECT_EQ(data.DecodeBlock(), 0u) << i;
    }
}

TEST_F(OggDataTest, TruncatedStreamPlaysWhatItHasWithoutHanging) {
    // The headers take most of this small file: cut at 60 % no sound is left at all (a looping
    // channel must not spin looking for it), cut at 90 % most of the tone is still there.
    const auto& ogg = OggTone({.seconds = 2.0});
    for (int percent : {60, 90}) {
        const auto length = static_cast<std::ptrdiff_t>(ogg.size() * percent / 100);
        const std::vector<std::uint8_t> cut(ogg.begin(), ogg.begin() + length);
        for (bool loop : {false, true}) {
            ASSERT_TRUE(data.LoadFromStream(cut));
            data.Play(loop);
            std::uint32_t produced = 0;
            for (int block = 0; block < 12; ++block) {
                produced += data.DecodeBlock();
            }
            if (percent == 90) {
                EXPECT_GT(produced, 3 * kBlock) << "loop " << loop;
            }
            EXPECT_EQ(data.Status(), loop ? 3 : 1) << percent << "% loop " << loop;
        }
    }
}

TEST_F(OggDataTest, CorruptedBytesGiveALoadErrorOrPlayableSoundNeverACrash) {
    // Bytes changed all over a file with a loop header (header, Vorbis headers, audio pages):
    // each variant either fails to load with the load error or plays some blocks looped.
    const auto original = WithLoopHeader(OggTone({.seconds = 1.0}), OneLoop(0.2f, 0.7f, -1));
    std::uint32_t seed = 12345;
    int loaded = 0;
    for (int variant = 0; variant < 60; ++variant) {
        auto file = original;
        for (int k = 0; k < 1 + variant % 4; ++k) {
            seed = seed * 1664525u + 1013904223u;
            file[seed % file.size()] ^= static_cast<std::uint8_t>(1u << (seed >> 29));
        }
        try {
            data.LoadFromStream(std::move(file));
        } catch (const EOggData&) {
            EXPECT_EQ(data.Status(), 0);
            continue;
        }
        ++loaded;
        data.Play(true);
        for (int block = 0; block < 4; ++block) {
            EXPECT_LE(data.DecodeBlock(), kBlock);
        }
    }
    EXPECT_GT(loaded, 0);
}

TEST_F(OggDataTest, LoadFromFileTellsMissingFilesFromBadOnes) {
    const test::TempDir dir;
    test::WriteBytes(dir / "bad.ogg", std::vector<std::uint8_t>(300, 0x41));
    test::WriteBytes(dir / "good.ogg", OggTone({}));

    ASSERT_TRUE(data.LoadFromFile(dir / "good.ogg"));
    EXPECT_EQ(data.FileName(), dir / "good.ogg");
    EXPECT_FALSE(data.LoadFromFile(dir / "missing.ogg"));
    EXPECT_FALSE(data.LoadFromFile(dir.Path())) << "a directory is not a sound file";
    EXPECT_EQ(data.Status(), 1) << "a missing file changes nothing";
    EXPECT_EQ(data.FileName(), dir / "good.ogg");

    try {
        data.LoadFromFile(dir / "bad.ogg");
        ADD_FAILURE() << "bad file accepted";
    } catch (const EOggData& e) {
        EXPECT_NE(std::string(e.what()).find("ファイルの読み込みに失敗"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("bad.ogg"), std::string::npos);
    }
    EXPECT_EQ(data.Status(), 0);
}

TEST_F(OggDataTest, OneShotEndSetsStatusOneAndRewinds) {
    // 1 s = 176,400 bytes: two full blocks, then 176,400 - 163,840 = 12,560 bytes.
    ASSERT_TRUE(data.LoadFromStream(OggTone({.seconds = 1.0})));
    data.Play(false);
    EXPECT_EQ(data.Status(), 2);
    EXPECT_EQ(data.DecodeBlock(), kBlock);
    EXPECT_EQ(data.DecodeBlock(), kBlock);
    EXPECT_EQ(data.Status(), 2);
    EXPECT_EQ(data.DecodeBlock(), 12560u);
    EXPECT_EQ(data.Status(), 1);
    EXPECT_NEAR(data.Position(), 0.001, 0.0001);
    const auto tail = Samples(data).subspan(12560 / 2);
    EXPECT_TRUE(std::all_of(tail.begin(), tail.end(), [](std::int16_t s) { return s == 0; }));
    EXPECT_EQ(data.DecodeBlock(), 0u) << "a finished one-shot produces nothing";

    // Play again continues from the rewound start.
    data.Play(false);
    EXPECT_EQ(data.DecodeBlock(), kBlock);
}

TEST_F(OggDataTest, LoopingWrapsAtTheEndWithNoGap) {
    ASSERT_TRUE(data.LoadFromStream(OggTone({.seconds = 1.0})));
    data.Play(true);
    for (int block = 0; block < 6; ++block) {
        ASSERT_EQ(data.DecodeBlock(), kBlock) << block;
        // A 441 Hz tone at half scale is never quiet for more than a few samples in a row.
        EXPECT_LT(LongestQuietRun(Samples(data), 0), 8) << "gap in block " << block;
        EXPECT_EQ(data.Status(), 3);
    }
    // 6 blocks = 122,880 frames: the first pass plays 44,100, each later one starts at 0.001 s
    // (frame 44) and plays 44,056, so the third pass is at 44 + 122,880 - 44,100 - 44,056.
    EXPECT_NEAR(data.Position(), (44 + 122880 - 44100 - 44056) / 44100.0, 0.0001);
}

TEST_F(OggDataTest, LoopRecordWithCountMinusOneRepeatsForever) {
    // Target 0.5 s, trigger 1.0 s: a 2 s one-shot file that never gets past 1.0 s.
    ASSERT_TRUE(data.LoadFromStream(WithLoopHeader(OggTone({}), OneLoop(0.5f, 1.0f, -1))));
    data.Play(false);
    int jumps = 0;
    for (int block = 0; block < 16; ++block) {
        const double before = data.Position();
        ASSERT_EQ(data.DecodeBlock(), kBlock);
        const double after = data.Position();
        EXPECT_LT(after, 1.0 + 1e-3) << block;
        EXPECT_LT(LongestQuietRun(Samples(data), 0), 8) << "gap in block " << block;
        jumps += after < before;
    }
    EXPECT_GE(jumps, 12);
    EXPECT_EQ(data.Status(), 2);
}

TEST_F(OggDataTest, LoopRecordWithCountTwoJumpsTwiceThenPassesAndStartsAgainAfterTheWrap) {
    // Each block either Jumps back to the target, Wraps at the end of the file, or goes on.
    // Blocks start at 0, 0.464, 0.929 (J to 0.5), 0.893 (J), 0.857 (the third time passes),
    // 1.321 (past the trigger: the counter resets), 1.786 (W), 0.251, 0.715 (J), ...
    ASSERT_TRUE(data.LoadFromStream(WithLoopHeader(OggTone({}), OneLoop(0.5f, 1.0f, 2))));
    data.Play(true);
    std::string events;
    for (int block = 0; block < 14; ++block) {
        const double before = data.Position();
        ASSERT_EQ(data.DecodeBlock(), kBlock);
        const double after = data.Position();
        if (after < before) {
            events += before + kBlockSeconds > 2.0 ? 'W' : 'J';
        }
    }
    EXPECT_EQ(events.substr(0, 6), "JJWJJW");
}

TEST_F(OggDataTest, JumpInsideABlockLandsOnAFrameBoundary) {
    // Left channel a tone, right channel silent. The trigger lies 17,642 bytes into the first
    // block, which is not a whole frame: the jump must come after 17,640 bytes, or left and right
    // trade places and the tone shows up on the right.
    const float trigger = 17642.0f / 176400.0f;
    ASSERT_TRUE(data.LoadFromStream(WithLoopHeader(OggTone({.left_only = true}), OneLoop(1.0f, trigger, 1))));
    data.Play(false);
    ASSERT_EQ(data.DecodeBlock(), kBlock);
    int right_peak = 0;
    for (std::size_t i = 1; i < kBlock / 2; i += 2) {
        right_peak = std::max(right_peak, std::abs(int{Samples(data)[i]}));
    }
    EXPECT_LT(right_peak, 300);
    EXPECT_LT(LongestQuietRun(Samples(data), 0), 8);
    // After the jump: 1.0 s + (81,920 - 17,640) bytes.
    EXPECT_NEAR(data.Position(), 1.0 + (kBlock - 17640) / 176400.0, 0.0001);
}

TEST_F(OggDataTest, StopRewindsAndResetsTheLoopCounters) {
    ASSERT_TRUE(data.LoadFromStream(WithLoopHeader(OggTone({}), OneLoop(0.1f, 0.5f, 1))));
    for (int round = 0; round < 2; ++round) {
        data.Play(false);
        const double start = data.Position();
        EXPECT_LT(start, 0.01);
        data.DecodeBlock(); // 0 .. 0.464
        data.DecodeBlock(); // jump at 0.5 to 0.1, then 0.429 s more: 0.529 (0.929 without)
        EXPECT_LT(data.Position(), 0.6) << "round " << round << ": the jump must fire again after a Stop";
        data.Stop();
        EXPECT_EQ(data.Status(), 1);
        EXPECT_NEAR(data.Position(), 0.001, 0.0001);
    }
}

TEST_F(OggDataTest, MonoIsDoubledIntoBothChannels) {
    const auto& ogg = OggTone({.channels = 1, .seconds = 1.0});
    const auto raw = test::DecodeAll(ogg);
    ASSERT_TRUE(data.LoadFromStream(ogg));
    EXPECT_EQ(data.TotalBytes(), 44100 * 4);
    data.Play(false);
    ASSERT_EQ(data.DecodeBlock(), kBlock);
    const auto block = Samples(data);
    for (std::size_t f = 0; f < kBlock / 4; ++f) {
        ASSERT_EQ(block[2 * f], block[2 * f + 1]) << "frame " << f;
        ASSERT_EQ(block[2 * f], raw[f] * 254 / 256) << "frame " << f;
    }
    // The mono file runs out after 1 s like a stereo one: 176,400 - 163,840 bytes in block 3.
    EXPECT_EQ(data.DecodeBlock(), kBlock);
    EXPECT_EQ(data.DecodeBlock(), 12560u);
}

TEST_F(OggDataTest, VolumeLevelsScaleEverySampleWithTruncation) {
    const auto& ogg = OggTone({.amplitude = 0.9});
    const auto raw = test::DecodeAll(ogg);
    // Settings 0..100 arrive as s / 100; 30 gives 77 (not 76) and 50 gives 128 (a tie to even).
    const std::pair<float, int> levels[] = {{0.3f, 77}, {1.0f, 255}, {0.0f, 0}, {0.5f, 128}, {2.0f, 255}, {-1.0f, 0}};
    for (auto [v, level] : levels) {
        data.SetVolume(v);
        EXPECT_EQ(data.ChannelLevel(), level) << v;
    }
    // Gain = 255 * level / 256: 254 at full level, 76 at level 77; then s * gain / 256 toward zero.
    for (auto [v, gain] : {std::pair{1.0f, 254}, std::pair{0.3f, 76}, std::pair{0.0f, 0}}) {
        ASSERT_TRUE(data.LoadFromStream(ogg));
        data.SetVolume(v);
        data.Play(false);
        ASSERT_EQ(data.DecodeBlock(), kBlock) << "silent channels are still produced";
        const auto block = Samples(data);
        for (std::size_t i = 0; i < block.size(); ++i) {
            ASSERT_EQ(block[i], raw[i] * gain / 256) << "sample " << i << " gain " << gain;
        }
    }
    EXPECT_EQ(-7 * 76 / 256, -2) << "negative samples truncate toward zero";
}

TEST_F(OggDataTest, OtherRatesStaySilentWhileStatusSaysPlaying) {
    ASSERT_TRUE(data.LoadFromStream(OggTone({.rate = 22050})));
    EXPECT_EQ(data.Rate(), 22050);
    data.Play(true);
    EXPECT_EQ(data.DecodeBlock(), 0u);
    EXPECT_EQ(data.DecodeBlock(), 0u);
    EXPECT_EQ(data.Status(), 3);
}

TEST_F(OggDataTest, CloseForgetsTheStream) {
    ASSERT_TRUE(data.LoadFromStream(OggTone({})));
    data.Play(true);
    data.Close();
    EXPECT_EQ(data.Status(), 0);
    EXPECT_EQ(data.Channels(), 0);
    EXPECT_EQ(data.DecodeBlock(), 0u);
    data.Play(true);
    EXPECT_EQ(data.DecodeBlock(), 0u) << "playing flags alone do not make a stream";
}

} // namespace
} // namespace hk
