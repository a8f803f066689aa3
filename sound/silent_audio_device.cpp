#include "sound/silent_audio_device.h"

#include <chrono>
#include <system_error>
#include <vector>

namespace hk {

namespace {

using Clock = std::chrono::steady_clock;

// How long `frames` take to play, without overflow however long the game runs.
Clock::duration PlayTime(std::uint64_t frames) {
    const std::uint64_t rate = SilentAudioDevice::kFormat.rate;
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::seconds(frames / rate) + std::chrono::nanoseconds((frames % rate) * 1'000'000'000 / rate));
}

// A period due longer ago than this was missed (the process was stopped, or the machine slept): a
// card plays nothing meanwhile either, so the time is let go rather than played in one burst.
constexpr auto kMaxBacklog = std::chrono::milliseconds(200);

} // namespace

SilentAudioDevice::~SilentAudioDevice() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_cv.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool SilentAudioDevice::Open() {
    if (m_thread.joinable())
        return true;
    try {
        m_thread = std::thread(&SilentAudioDevice::Run, this);
    } catch (const std::system_error& error) {
        m_error = std::string("silent audio output: ") + error.what();
        return false;
    }
    return true;
}

AudioResult SilentAudioDevice::CreateRing(const AudioFormat& format, std::uint32_t length, AudioRingListener* listener,
                                          std::unique_ptr<AudioRing>& ring) {
    if (!m_thread.joinable())
        return kAudioNotOpen;
    if (!(format == kFormat) || length == 0 || length % 8 != 0)
        return kAudioInvalidArg;
    ring = m_mixer->CreateRing(length, listener);
    return kAudioOk;
}

void SilentAudioDevice::Run() {
    std::vector<std::uint8_t> period(kPeriodFrames * kFormat.BlockAlign());
    Clock::time_point origin = Clock::now(); // when frame 0 was due
    std::uint64_t frames = 0;
    std::unique_lock lock(m_mutex);
    for (;;) {
        const Clock::time_point due = origin + PlayTime(frames + kPeriodFrames);
        if (m_cv.wait_until(lock, due, [this] { return m_quit; }))
            return;
        const Clock::duration late = Clock::now() - due;
        if (late > kMaxBacklog)
            origin += late;
        lock.unlock();
        m_mixer->Render(period.data(), period.size());
        frames += kPeriodFrames;
        m_frames.store(frames, std::memory_order_relaxed);
        lock.lock();
    }
}

} // namespace hk
