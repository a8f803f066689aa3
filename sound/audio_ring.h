// The ring buffer both platform devices play: a block of PCM in memory with a read position that
// the device's render pass moves forward, raising the notifications at offset 0 and at the half
// as it crosses them. A device owns one AudioRingMixer, creates its rings through it and calls
// Render whenever it needs output (SDL: from its audio callback; headless: when the virtual clock
// moves). Only 16-bit PCM is handled.
//
// Threads: Render runs on the device's thread; Write and WriteCursor on any thread; the rest on
// the GUI thread. A mutex per ring keeps a write and a render from touching the same bytes at
// the same time; notifications are raised with no ring lock held, so a listener may write.
#pragma once

#include "sound/audio_device.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace hk {

class MemoryAudioRing;

class AudioRingMixer : public std::enable_shared_from_this<AudioRingMixer> {
public:
    // GUI thread. A stopped ring of `length` bytes (a positive multiple of 8), registered for
    // rendering until it is destroyed.
    std::unique_ptr<AudioRing> CreateRing(std::uint32_t length, AudioRingListener* listener);

    // Device thread. Fills `length` bytes (whole 16-bit stereo frames) with the sum of the playing
    // rings, clipped to 16 bits; silence when none plays.
    void Render(std::uint8_t* out, std::size_t length);

private:
    friend class MemoryAudioRing;
    void Remove(MemoryAudioRing* ring);

    std::mutex m_mutex; // guards m_rings, and is held for a whole render pass
    std::vector<MemoryAudioRing*> m_rings;
    std::array<std::int16_t, 2048> m_scratch{};
};

class MemoryAudioRing final : public AudioRing {
public:
    MemoryAudioRing(std::shared_ptr<AudioRingMixer> mixer, std::uint32_t length, AudioRingListener* listener);
    ~MemoryAudioRing() override;

    // Any thread.
    AudioResult Write(std::uint32_t offset, const void* source, std::uint32_t length) override;
    std::uint32_t WriteCursor() const override { return m_position.load(std::memory_order_acquire); }

    // GUI thread.
    AudioResult Play() override;
    AudioResult Stop() override;
    bool Playing() const override { return m_playing_flag.load(std::memory_order_acquire); }

    // Device thread, under the mixer's lock. Copies `length` bytes from the play position,
    // stopping at each notification point to raise it; silence when stopped.
    void Render(std::uint8_t* out, std::size_t length);

private:
    std::shared_ptr<AudioRingMixer> m_mixer;
    AudioRingListener* m_listener;
    mutable std::mutex m_mutex; // guards m_data, m_playing and m_start_pending
    std::vector<std::uint8_t> m_data;
    std::uint32_t m_half;
    bool m_playing = false;
    bool m_start_pending = false;
    std::atomic<bool> m_playing_flag{false};
    std::atomic<std::uint32_t> m_position{0};
};

} // namespace hk
