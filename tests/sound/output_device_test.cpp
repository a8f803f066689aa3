// The devices under the output unit: the headless one in virtual time (rate, refills inside
// Advance, the WAV file), the silent stand-in in real time, and, when built, the SDL one on SDL's
// dummy and disk drivers.
#include "platform/headless/virtual_audio_device.h"
#include "sound/ogg_player.h"
#include "sound/silent_audio_device.h"
#include "sound/sound_output.h"
#include "support/ogg_fixtures.h"
#include "support/temp_dir.h"
#include "test_devices.h"

#ifdef HARUKAZE_TEST_SDL_AUDIO
#include "platform/qt/sdl_audio_device.h"
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace hk {
namespace {

constexpr std::uint32_t kLength = 163840;
constexpr std::uint32_t kHalfFrames = 20480;
using test::ReadFileBytes;

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// SoundOutput with one engine-sized wave on channel 0 whose refills write the block number into every
// sample.
struct NumberedOutput {
    explicit NumberedOutput(AudioDevice& device) : output(&device) {
        output.Initialize();
        wave = std::make_unique<StreamBuffer>(output, 44100, 16, true, kLength, false);
        wave->SetOnRefill([this, target = wave.get()](std::uint32_t offset, std::uint32_t length) {
            std::fill(block.begin(), block.end(), static_cast<std::int16_t>(++refills));
            target->WriteBlock(offset, block.data(), length);
        });
        output.Channels(0)->SetWaveData(wave.get());
        output.Channels(0)->Play();
    }
    ~NumberedOutput() {
        output.Channels(0)->Stop();
        output.Channels(0)->SetWaveData(nullptr);
        wave.reset(); // ends the worker before the block it writes from goes away
    }
    SoundOutput output;
    std::unique_ptr<StreamBuffer> wave;
    std::vector<std::int16_t> block = std::vector<std::int16_t>(kLength / 4);
    std::atomic<int> refills{0};
};

TEST(VirtualAudioDeviceTest, PlaysInVirtualTimeAndRefillsInsideAdvance) {
    VirtualAudioDevice device;
    NumberedOutput out(device);
    EXPECT_FALSE(out.wave->HasWorker());
    EXPECT_EQ(out.refills.load(), 0) << "nothing plays before the clock moves";
    device.Advance(1);
    EXPECT_EQ(out.refills.load(), 1) << "playback began at offset 0: the second half is due";
    // 999 more ms in 3 ms steps and a last 0: exactly 44,100 frames, crossing the half
    // (frame 20,480, 464.4 ms) and the wrap (frame 40,960, 928.8 ms).
    for (int ms = 1; ms < 1000; ms += 3) {
        device.Advance(3);
    }
    EXPECT_EQ(device.FramesPlayed(), 44100u);
    EXPECT_EQ(out.refills.load(), 3);
    // One long step crosses several notifications and answers each in turn: frames 44,100 to
    // 132,300 pass 61,440, 81,920, 102,400 and 122,880.
    device.Advance(2000);
    EXPECT_EQ(device.FramesPlayed(), 132300u);
    EXPECT_EQ(out.refills.load(), 7);
}

TEST(VirtualAudioDeviceTest, WavFileHoldsExactlyWhatWasPlayed) {
    const test::TempDir dir;
    const auto path = dir / "played.wav";
    {
        VirtualAudioDevice device;
        device.Open();
        device.SetWavOutput(path);
        NumberedOutput out(device);
        device.Advance(1000);
        device.FinishWav();
    }
    const auto wav = ReadFileBytes(path);
    ASSERT_EQ(wav.size(), 44u + 176400u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(U32(wav, 4), 36u + 176400u);
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U32(wav, 16), 16u);
    EXPECT_EQ(U32(wav, 20), 1u | 2u << 16); // PCM, 2 channels
    EXPECT_EQ(U32(wav, 24), 44100u);
    EXPECT_EQ(U32(wav, 28), 176400u);
    EXPECT_EQ(U32(wav, 32), 4u | 16u << 16); // block 4, 16 bits
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    EXPECT_EQ(U32(wav, 40), 176400u);
    // First half: the ring's initial silence; then block 1 (written at the start into the second
    // half), then block 2 (written at the half into the first half).
    std::vector<std::int16_t> samples(176400 / 2);
    std::memcpy(samples.data(), wav.data() + 44, 176400);
    for (std::size_t frame = 0; frame < 44100; ++frame) {
        const int expected = frame < kHalfFrames ? 0 : frame < 2 * kHalfFrames ? 1 : 2;
        ASSERT_EQ(samples[2 * frame], expected) << "frame " << frame;
        ASSERT_EQ(samples[2 * frame + 1], expected) << "frame " << frame;
    }
}

TEST(VirtualAudioDeviceTest, MusicReachesTheWavThroughTheWholeChain) {
    // The engine's wiring: the refill mixes the player's next block and writes it to the ring.
    const test::TempDir dir;
    const auto path = dir / "played.wav";
    const auto& ogg = test::OggTone({.seconds = 1.0, .amplitude = 0.4});
    const auto raw = test::DecodeAll(ogg);
    {
        VirtualAudioDevice device;
        device.Open();
        device.SetWavOutput(path);
        VorbisLibrary dll;
        OggPlayer player(kLength, 10);
        OggData music(dll, kLength);
        SoundOutput output(&device);
        output.Initialize();
        StreamBuffer wave(output, 44100, 16, true, kLength, false);
        wave.SetOnRefill([&](std::uint32_t offset, std::uint32_t length) {
            player.NextBlock();
            wave.WriteBlock(offset, player.BlockPointer(), length);
        });
        output.Channels(0)->SetWaveData(&wave);
        output.Channels(0)->Play();
        ASSERT_TRUE(music.LoadFromStream(ogg));
        player.SetData(1, &music);
        player.SetVolume(1, 0.3f);
        player.Play(1, false);
        device.Advance(1500);
        EXPECT_EQ(player.Status(1), 1) << "the one-second tone has ended";
        output.Channels(0)->Stop();
        output.Channels(0)->SetWaveData(nullptr);
        device.FinishWav();
    }
    const auto wav = ReadFileBytes(path);
    ASSERT_EQ(wav.size(), 44u + 1500u * 176400u / 1000u);
    std::vector<std::int16_t> samples((wav.size() - 44) / 2);
    std::memcpy(samples.data(), wav.data() + 44, samples.size() * 2);
    // After the initial half the tone follows whole, at gain 255 * 77 / 256 = 76, then silence.
    const std::size_t start = 2 * kHalfFrames;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int expected = i < start || i - start >= raw.size() ? 0 : raw[i - start] * 76 / 256;
        ASSERT_EQ(samples[i], expected) << "sample " << i;
    }
}

TEST(SilentAudioDeviceTest, OneShotSoundEndsInRealTimeWhenTheDeviceDoesNotOpen) {
    // The engine's wiring on a device that does not open. The ring's halves hold 464.4 ms each
    // (20,480 frames), and a refill decodes one of them: the two-second tone's last block is
    // decoded by the fifth refill, when playback reaches frame 4 x 20,480 (1,857.6 ms). Played
    // in real time the tone cannot end before that, and it must end soon after.
    test::ScriptedDevice closed;
    closed.open_result = false;
    const auto& ogg = test::OggTone({.seconds = 2.0, .amplitude = 0.4});
    VorbisLibrary dll;
    OggPlayer player(kLength, 10);
    OggData voice(dll, kLength);
    SoundOutput output(&closed);
    output.Initialize();
    ASSERT_TRUE(output.Silent());
    StreamBuffer wave(output, 44100, 16, true, kLength, false);
    wave.SetOnRefill([&](std::uint32_t offset, std::uint32_t length) {
        player.NextBlock();
        wave.WriteBlock(offset, player.BlockPointer(), length);
    });
    ASSERT_TRUE(voice.LoadFromStream(ogg));
    player.SetData(5, &voice);
    player.Play(5, false);
    const auto start = std::chrono::steady_clock::now();
    output.Channels(0)->SetWaveData(&wave);
    output.Channels(0)->Play();
    while (player.Status(5) == 2 && std::chrono::steady_clock::now() - start < std::chrono::seconds(15)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    output.Channels(0)->Stop();
    output.Channels(0)->SetWaveData(nullptr);
    EXPECT_EQ(player.Status(5), 1) << "the tone never ended";
    // The device takes a whole period at a time, so the last one may be taken up to a period
    // before the clock reaches it.
    const auto earliest_ms = 4 * 20480 * 1000 / 44100 - SilentAudioDevice::kPeriodFrames * 1000 / 44100 - 1;
    EXPECT_GE(took.count(), earliest_ms) << "the silent output ran ahead of real time";
    EXPECT_LT(took.count(), 6000);
    auto* device = dynamic_cast<SilentAudioDevice*>(output.Device());
    ASSERT_NE(device, nullptr);
    // Never ahead of the clock: at most the period in progress beyond the time since it opened.
    const auto since = std::chrono::steady_clock::now() - start;
    EXPECT_LE(device->FramesPlayed(), static_cast<std::uint64_t>(std::chrono::duration<double>(since).count() * 44100) +
                                          SilentAudioDevice::kPeriodFrames);
    EXPECT_EQ(closed.last_ring, nullptr);
}

#ifdef HARUKAZE_TEST_SDL_AUDIO

TEST(SdlAudioDeviceTest, NoUsableDriverMeansASilentGame) {
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SdlAudioDevice device;
    EXPECT_FALSE(device.Open());
    EXPECT_FALSE(device.LastError().empty());
    SoundOutput output(&device);
    output.Initialize();
    EXPECT_TRUE(output.Silent()) << "the game plays on, into the silent stand-in";
    EXPECT_NE(output.Device(), &device);
    ::unsetenv("SDL_AUDIODRIVER");
}

TEST(SdlAudioDeviceTest, DiskDriverPlaysTheRefillsFromTheWorker) {
    // A file of this test's own: other test runs on the machine may play to theirs meanwhile.
    const test::TempDir dir;
    const auto path = dir / "disk_audio.raw";
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    ::setenv("SDL_DISKAUDIODELAY", "0", 1);
    {
        SdlAudioDevice device;
        if (!device.Open()) {
            ::unsetenv("SDL_AUDIODRIVER");
            GTEST_SKIP() << "no SDL disk driver: " << device.LastError();
        }
        NumberedOutput out(device);
        EXPECT_TRUE(out.wave->HasWorker());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (out.refills.load() < 6 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_GE(out.refills.load(), 6);
    }
    ::unsetenv("SDL_AUDIODRIVER");
    const auto raw = ReadFileBytes(path);
    std::vector<std::int16_t> samples(raw.size() / 2);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    // The disk driver plays as fast as it can, so the worker may be late and a half may repeat;
    // but the first blocks must have reached the file.
    EXPECT_NE(std::find(samples.begin(), samples.end(), 1), samples.end());
    EXPECT_NE(std::find(samples.begin(), samples.end(), 2), samples.end());
}

#endif

} // namespace
} // namespace hk
