// The sound output of a machine without one: plays the rings into nothing, in real time, on a
// thread of its own, as a sound card's driver would take them. Every sound thus ends when it would
// have been heard out, so whatever waits for a sound (the automatic advance waits for the voice)
// keeps the timing it has with sound; only nothing is heard. The sound unit falls back on it when
// the platform's device does not open.
//
// Threads: Open, CreateRing and destruction on the GUI thread; the rings are rendered, and their
// notifications raised, on the device's own thread.
#pragma once

#include "sound/audio_device.h"
#include "sound/audio_ring.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace hk {

class SilentAudioDevice final : public AudioDevice {
public:
    static constexpr AudioFormat kFormat{44100, 2, 16};
    // Frames taken at a time: as SDL's callback takes them, about 23 ms.
    static constexpr std::uint32_t kPeriodFrames = 1024;

    SilentAudioDevice() = default;
    // Ends the thread (waiting for a period in progress).
    ~SilentAudioDevice() override;
    SilentAudioDevice(const SilentAudioDevice&) = delete;
    SilentAudioDevice& operator=(const SilentAudioDevice&) = delete;

    // Starts the thread; true unless the system refuses a thread.
    bool Open() override;
    bool Opened() const override { return m_thread.joinable(); }
    bool NotifiesOnOwnThread() const override { return true; }
    AudioResult CreateRing(const AudioFormat& format, std::uint32_t length, AudioRingListener* listener,
                           std::unique_ptr<AudioRing>& ring) override;
    std::string LastError() const override { return m_error; }

    // Any thread. Frames played since Open.
    std::uint64_t FramesPlayed() const { return m_frames.load(std::memory_order_relaxed); }

private:
    void Run();

    std::shared_ptr<AudioRingMixer> m_mixer = std::make_shared<AudioRingMixer>();
    std::mutex m_mutex; // guards m_quit
    std::condition_variable m_cv;
    bool m_quit = false;
    std::atomic<std::uint64_t> m_frames{0};
    std::string m_error;
    std::thread m_thread;
};

} // namespace hk
