// The mixer: clipping, binding and moving decoders, and the hand-over between a GUI thread that
// changes channels and a worker that mixes, which must stay clean under ThreadSanitizer.
#include "sound/ogg_player.h"
#include "support/ogg_fixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace hk {
namespace {

using test::OggTone;

constexpr std::uint32_t kBuffer = 163840;
constexpr std::uint32_t kBlock = kBuffer / 2;

std::span<const std::int16_t> Block(const OggPlayer& player) {
    return {reinterpret_cast<const std::int16_t*>(player.BlockPointer()), kBlock / 2};
}

class OggPlayerTest : public ::testing::Test {
protected:
    VorbisLibrary dll;
    OggPlayer player{kBuffer, 10};
    OggData a{dll, kBuffer};
    OggData b{dll, kBuffer};
};

TEST_F(OggPlayerTest, TwoFullScaleChannelsClipAtPlus32767AndMinus32767) {
    const auto& ogg = OggTone({.amplitude = 1.0});
    const auto raw = test::DecodeAll(ogg);
    ASSERT_TRUE(a.LoadFromStream(ogg));
    ASSERT_TRUE(b.LoadFromStream(ogg));
    player.SetData(1, &a);
    player.SetData(3, &b);
    player.Play(1, false);
    player.Play(3, false);
    player.NextBlock();
    const auto block = Block(player);
    int low = 0;
    int high = 0;
    for (std::size_t i = 0; i < block.size(); ++i) {
        // Each channel at full level is s * 254 / 256; the sum is clipped symmetrically.
        const int each = raw[i] * 254 / 256;
        ASSERT_EQ(block[i], std::clamp(2 * each, -32767, 32767)) << "sample " << i;
        low = std::min<int>(low, block[i]);
        high = std::max<int>(high, block[i]);
    }
    EXPECT_EQ(high, 32767);
    EXPECT_EQ(low, -32767) << "never -32,768";
}

TEST_F(OggPlayerTest, SetDataMovesADecoderBetweenChannels) {
    const auto& ogg = OggTone({.amplitude = 0.25});
    ASSERT_TRUE(a.LoadFromStream(ogg));
    player.SetData(1, &a);
    player.SetData(3, &a);
    EXPECT_EQ(player.Data(1), nullptr);
    EXPECT_EQ(player.Data(3), &a);
    EXPECT_EQ(player.Status(1), 0);
    EXPECT_EQ(player.Status(3), 1);

    // It now plays once, on channel 3 only: the mix is the decoder's own block.
    player.Play(3, false);
    player.NextBlock();
    const auto raw = test::DecodeAll(ogg);
    const auto block = Block(player);
    for (std::size_t i = 0; i < block.size(); ++i) {
        ASSERT_EQ(block[i], raw[i] * 254 / 256) << "sample " << i;
    }
    player.Play(1, true); // nothing bound there: no effect
    EXPECT_EQ(a.Status(), 2);

    player.SetData(3, nullptr);
    EXPECT_EQ(player.Data(3), nullptr);
    EXPECT_EQ(player.Status(3), 0);
}

TEST_F(OggPlayerTest, MixIsSilentWhenNothingPlaysAndHalvesAlternate) {
    ASSERT_TRUE(a.LoadFromStream(OggTone({})));
    player.SetData(5, &a);
    player.Play(5, false);
    player.NextBlock();
    const std::uint8_t* first = player.BlockPointer();
    EXPECT_NE(Block(player)[100], 0);
    player.StopAll();
    EXPECT_EQ(a.Status(), 1);
    player.NextBlock();
    EXPECT_NE(player.BlockPointer(), first);
    const auto silent = Block(player);
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](std::int16_t s) { return s == 0; }));
    player.NextBlock();
    EXPECT_EQ(player.BlockPointer(), first);
}

TEST_F(OggPlayerTest, ChannelsOutsideTheTableAreRefusedOrIgnored) {
    EXPECT_THROW(player.SetData(10, &a), std::out_of_range);
    EXPECT_THROW(player.SetData(-1, &a), std::out_of_range);
    EXPECT_EQ(player.Status(10), 0);
    EXPECT_EQ(player.Data(-1), nullptr);
    player.Play(12, true);
    player.SetVolume(-3, 1.0f);
    player.Stop(99);
}

TEST_F(OggPlayerTest, ADecoderThatGoesAwayLeavesItsChannel) {
    auto voice = std::make_unique<OggData>(dll, kBuffer);
    ASSERT_TRUE(voice->LoadFromStream(OggTone({})));
    player.SetData(5, voice.get());
    player.Play(5, false);
    voice.reset();
    EXPECT_EQ(player.Data(5), nullptr);
    player.NextBlock();
    EXPECT_EQ(Block(player)[100], 0);
}

TEST_F(OggPlayerTest, BindingsFollowTheDecoderAcrossPlayers) {
    OggPlayer other(kBuffer, 10);
    player.SetData(2, &a);
    other.SetData(4, &a);
    EXPECT_EQ(player.Data(2), nullptr) << "a decoder plays on one channel of one player";
    EXPECT_EQ(other.Data(4), &a);
}

// The GUI thread loads, binds, moves, re-levels, starts, stops and closes decoders while the
// worker mixes block after block. Any unsynchronised access shows under ThreadSanitizer; any use
// of a closed stream crashes.
TEST_F(OggPlayerTest, GuiChangesWhileTheWorkerMixes) {
    const auto& music = test::WithLoopHeader(OggTone({.seconds = 1.0}), test::OneLoop(0.2f, 0.6f, -1));
    const auto& effect = OggTone({.channels = 1, .seconds = 0.5});
    OggData c(dll, 16384);
    OggPlayer small(16384, 10);
    std::atomic<bool> quit{false};
    std::atomic<int> mixes{0};
    std::thread worker([&] {
        while (!quit.load()) {
            small.NextBlock();
            mixes.fetch_add(1);
        }
    });
    OggData d(dll, 16384);
    for (int round = 0; round < 30; ++round) {
        c.LoadFromStream(music);
        d.LoadFromStream(effect);
        small.SetData(1, &c);
        small.SetData(3 + round % 2, &d);
        small.SetVolume(1, (round % 10) / 10.0f);
        small.Play(1, true);
        small.Play(3 + round % 2, round % 3 == 0);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        small.Stop(3 + round % 2);
        c.Seek(0.3);
        small.SetData(5, &c); // moves off channel 1 while playing
        if (round % 4 == 0) {
            c.Close();
        }
        small.StopAll();
    }
    quit.store(true);
    worker.join();
    EXPECT_GT(mixes.load(), 0);
}

} // namespace
} // namespace hk
