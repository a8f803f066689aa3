// The output unit: the refill protocol driven notification by notification on a scripted device,
// the silent game without a device, the failure reports, the unit's messages, and the worker
// thread answering a device that plays on a thread of its own.
#include "sound/sound_output.h"
#include "support/temp_dir.h"
#include "test_devices.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace hk {
namespace {

using test::ScriptedDevice;
using test::ThreadedDevice;
using Refills = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
constexpr std::uint32_t kLength = 163840;
constexpr std::uint32_t kHalf = 81920;

// The engine's set-up: SoundOutput with 8 channels, one wave on channel 0, playing.
struct Output {
    explicit Output(AudioDevice* device) : output(device) {
        output.SetErrorHandler([this](const std::string& message) { errors.push_back(message); });
        output.Initialize();
        wave = std::make_unique<StreamBuffer>(output, 44100, 16, true, kLength, false);
        wave->SetOnRefill([this](std::uint32_t offset, std::uint32_t length) { refills.emplace_back(offset, length); });
        if (SoundOutputChannel* channel = output.Channels(0)) {
            channel->SetWaveData(wave.get());
            channel->Play();
        }
    }
    ~Output() {
        if (SoundOutputChannel* channel = output.Channels(0)) {
            channel->Stop();
            channel->SetWaveData(nullptr);
        }
        wave.reset();
    }

    SoundOutput output;
    std::unique_ptr<StreamBuffer> wave;
    Refills refills;
    std::vector<std::string> errors;
};

TEST(SoundOutputTest, RefillProtocolHandsOutTheFreeHalf) {
    ScriptedDevice device;
    Output out(&device);
    test::ScriptedRing& ring = *device.last_ring;
    EXPECT_TRUE(ring.playing);
    EXPECT_FALSE(out.wave->HasWorker()) << "a synchronous device needs no worker";

    ring.Fire(AudioNotify::ReachedStart, 0); // playing the first half: fill the second
    ring.Fire(AudioNotify::ReachedHalf, kHalf);
    ring.Fire(AudioNotify::ReachedStart, 4096); // woken a little late, still in the first half
    ring.Fire(AudioNotify::ReachedHalf, kHalf + 4096);
    EXPECT_EQ(out.refills, (Refills{{kHalf, kHalf}, {0, kHalf}, {kHalf, kHalf}, {0, kHalf}}));
    EXPECT_TRUE(out.errors.empty());
}

TEST(SoundOutputTest, LateStartNotificationLeavesTheRefillToTheHalf) {
    // A wakes up after playback has passed the half: the second half is playing, so nothing is
    // written there; B, which follows at once, fills the first half.
    ScriptedDevice device;
    Output out(&device);
    test::ScriptedRing& ring = *device.last_ring;
    ring.Fire(AudioNotify::ReachedStart, 0);
    ring.Fire(AudioNotify::ReachedHalf, kHalf);
    ring.Fire(AudioNotify::ReachedStart, kHalf + 100);
    EXPECT_EQ(out.refills.size(), 2u);
    ring.Fire(AudioNotify::ReachedHalf, kHalf + 200);
    EXPECT_EQ(out.refills, (Refills{{kHalf, kHalf}, {0, kHalf}, {0, kHalf}}));
}

TEST(SoundOutputTest, LostHalfNotificationSkipsTheSecondStart) {
    ScriptedDevice device;
    Output out(&device);
    test::ScriptedRing& ring = *device.last_ring;
    ring.Fire(AudioNotify::ReachedStart, 0);
    ring.Fire(AudioNotify::ReachedStart, 0); // B was lost: the second half is already filled
    EXPECT_EQ(out.refills, (Refills{{kHalf, kHalf}}));
    ring.Fire(AudioNotify::ReachedHalf, kHalf);
    EXPECT_EQ(out.refills, (Refills{{kHalf, kHalf}, {0, kHalf}}));
}

TEST(SoundOutputTest, StopNotificationMakesTheStartRefillDueAgain) {
    ScriptedDevice device;
    Output out(&device);
    test::ScriptedRing& ring = *device.last_ring;
    ring.Fire(AudioNotify::ReachedStart, 0);
    out.output.Channels(0)->Stop();
    EXPECT_FALSE(ring.playing);
    ring.Fire(AudioNotify::ReachedHalf, kHalf); // not due any more
    out.output.Channels(0)->Play();
    ring.Fire(AudioNotify::ReachedStart, 0);
    EXPECT_EQ(out.refills, (Refills{{kHalf, kHalf}, {kHalf, kHalf}}));
}

TEST(SoundOutputTest, NoDeviceOrADeviceThatDoesNotOpenMeansSilenceWithoutErrors) {
    // The silent game still plays its ring, into a stand-in that keeps time, never into the
    // device that did not open.
    ScriptedDevice closed;
    closed.open_result = false;
    for (AudioDevice* device : {static_cast<AudioDevice*>(nullptr), static_cast<AudioDevice*>(&closed)}) {
        Output out(device);
        EXPECT_TRUE(out.output.Initialized());
        EXPECT_TRUE(out.output.Silent());
        EXPECT_NE(out.output.Device(), device);
        EXPECT_TRUE(out.wave->HasBuffer());
        EXPECT_TRUE(out.wave->HasWorker()) << "the stand-in plays on a thread of its own";
        ASSERT_NE(out.output.Channels(0), nullptr);
        EXPECT_EQ(out.output.Channels(0)->WaveData(), out.wave.get());
        EXPECT_TRUE(out.output.Channels(0)->Playing());
        const std::uint8_t block[16] = {};
        out.wave->WriteBlock(0, block, sizeof block);
        EXPECT_TRUE(out.errors.empty());
    }
    EXPECT_EQ(closed.last_ring, nullptr);
}

TEST(SoundOutputTest, DeviceThatDoesNotOpenMayPaceItsOwnStandIn) {
    // A device that keeps its own time (the headless one: a virtual clock) gives the stand-in;
    // the unit then plays into that one, synchronously, with no worker.
    struct ClosedWithStandIn final : AudioDevice {
        bool Open() override { return false; }
        bool Opened() const override { return false; }
        bool NotifiesOnOwnThread() const override { return false; }
        AudioResult CreateRing(const AudioFormat&, std::uint32_t, AudioRingListener*,
                               std::unique_ptr<AudioRing>&) override {
            return kAudioFail;
        }
        std::unique_ptr<AudioDevice> CreateSilentStandIn() override {
            auto device = std::make_unique<ScriptedDevice>();
            stand_in = device.get();
            return device;
        }
        ScriptedDevice* stand_in = nullptr;
    } closed;
    Output out(&closed);
    ASSERT_NE(closed.stand_in, nullptr);
    EXPECT_EQ(out.output.Device(), closed.stand_in);
    EXPECT_TRUE(out.output.Silent());
    EXPECT_FALSE(out.wave->HasWorker());
    ASSERT_NE(closed.stand_in->last_ring, nullptr);
    closed.stand_in->last_ring->Fire(AudioNotify::ReachedStart, 0);
    EXPECT_EQ(out.refills, (Refills{{kHalf, kHalf}}));
    EXPECT_TRUE(out.errors.empty());
}

TEST(SoundOutputTest, FailedDeviceCallsAreReportedAndTheUnitFallsSilent) {
    ScriptedDevice device;
    device.create_result = 0x88780078;
    device.last_error = "no such format";
    Output out(&device);
    ASSERT_EQ(out.errors.size(), 1u);
    EXPECT_EQ(out.errors[0], "サウンドバッファの作成に失敗しました(Error Code(88780078))\nno such format");
    EXPECT_FALSE(out.output.Initialized());
    EXPECT_FALSE(out.wave->HasBuffer());

    // A write outside the ring fails like a refused lock; the refills then write silence.
    ScriptedDevice good;
    Output playing(&good);
    test::ScriptedRing& ring = *good.last_ring;
    std::fill(ring.data.begin(), ring.data.end(), std::uint8_t{0x55});
    const std::uint8_t block[16] = {};
    playing.wave->WriteBlock(kLength, block, sizeof block);
    ASSERT_EQ(playing.errors.size(), 1u);
    EXPECT_EQ(playing.errors[0], "DirectSoundBufferのロックに失敗しました(Error Code(80070057))");
    ring.Fire(AudioNotify::ReachedStart, 0);
    EXPECT_TRUE(playing.refills.empty()) << "a halted unit asks the engine for nothing";
    EXPECT_TRUE(std::all_of(ring.data.begin() + kHalf, ring.data.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(SoundOutputTest, InvalidChannelNumberNamesTheRange) {
    ScriptedDevice device;
    SoundOutput output(&device);
    std::vector<std::string> errors;
    output.SetErrorHandler([&](const std::string& message) { errors.push_back(message); });
    output.Initialize();
    EXPECT_NE(output.Channels(7), nullptr);
    EXPECT_EQ(output.Channels(8), nullptr);
    EXPECT_EQ(output.Channels(-1), nullptr);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0], "チャンネル番号8は無効です、0～7の範囲で指定してください");
    EXPECT_EQ(errors[1], "チャンネル番号-1は無効です、0～7の範囲で指定してください");
}

TEST(SoundOutputTest, DebugOptionsLogNumberedLinesAndRaiseErrors) {
    const test::TempDir dir;
    const auto log = dir / "log.txt";
    ScriptedDevice device;
    SoundOutput output(&device);
    output.SetDebugLogPath(log);
    output.SetErrorHandler([](const std::string&) {});
    output.Initialize();

    output.SetDebugOption(kDebugMessage);
    output.DebugLog("バッファ更新イベント送信");
    EXPECT_FALSE(output.CheckResult(0x8000FFFF, "一次バッファの作成に失敗しました"));
    EXPECT_TRUE(output.Initialized()) << "without kHaltOnError a failure only logs";

    output.SetDebugOption(kExceptOnError);
    try {
        output.CheckResult(0x1, "DirectSoundの解放に失敗しました");
        ADD_FAILURE() << "no SoundOutputError";
    } catch (const SoundOutputError& e) {
        EXPECT_STREQ(e.what(), "DirectSoundの解放に失敗しました(Error Code(1))");
    }
    EXPECT_TRUE(output.CheckResult(kAudioOk, "unused"));

    std::ifstream in(log);
    std::string first, second, third;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(first, "debug#00001 ... バッファ更新イベント送信");
    EXPECT_EQ(second, "debug#00002 ... 一次バッファの作成に失敗しました(Error Code(8000FFFF))");
    EXPECT_FALSE(std::getline(in, third)) << "messages are logged only under kDebugMessage";
}

TEST(SoundOutputTest, WorkerAnswersADeviceThatPlaysOnItsOwnThread) {
    // Each refill writes the number of its block into every sample. The device plays 4,096-byte
    // chunks on its own thread; a half is two chunks and a notification follows every second
    // chunk. Before chunk k it waits until (k + 1) / 2 refills are done, so the worker is always
    // in time: each notification is answered before playback crosses the next boundary (a half
    // notification answered only after the wrap would rightly find nothing to refill, and a
    // device held by refill counts would then wait forever). What it played must then be the
    // initial half of silence followed by blocks 1, 2, 3, ... each whole.
    constexpr std::uint32_t kSmall = 16384;
    constexpr std::size_t kBlockSamples = kSmall / 4;
    std::atomic<int> count{0};
    std::vector<std::int16_t> block(kBlockSamples); // outlives the wave and its worker
    ThreadedDevice device;
    std::atomic<bool> started{false};
    std::uint64_t first = 0; // device thread only
    device.gate = [&](std::uint64_t index) {
        if (!started.load()) {
            first = index;
            return false;
        }
        return static_cast<std::uint64_t>(count.load()) >= (index - first + 1) / 2;
    };
    SoundOutput output(&device);
    output.Initialize();
    StreamBuffer wave(output, 44100, 16, true, kSmall, false);
    ASSERT_TRUE(wave.HasWorker());
    wave.SetOnRefill([&](std::uint32_t offset, std::uint32_t length) {
        std::fill(block.begin(), block.end(), static_cast<std::int16_t>(count.load() + 1));
        wave.WriteBlock(offset, block.data(), length);
        count.fetch_add(1);
    });
    output.Channels(0)->SetWaveData(&wave);
    output.Channels(0)->Play();
    started.store(true);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (device.Chunks() < 40 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    output.Channels(0)->Stop();
    ASSERT_GE(device.Chunks(), 40u);

    const auto played = device.Played();
    std::vector<std::int16_t> samples(played.size() / 2);
    std::memcpy(samples.data(), played.data(), samples.size() * 2);
    ASSERT_GE(samples.size(), 19 * kBlockSamples);
    for (std::size_t i = 0; i < 19 * kBlockSamples; ++i) {
        ASSERT_EQ(samples[i], static_cast<std::int16_t>(i / kBlockSamples)) << "sample " << i;
    }
}

} // namespace
} // namespace hk
