#include "sound/audio_ring.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

namespace hk {

std::unique_ptr<AudioRing> AudioRingMixer::CreateRing(std::uint32_t length, AudioRingListener* listener) {
    if (length == 0 || length % 8 != 0) {
        throw std::invalid_argument("audio ring: length " + std::to_string(length) +
                                    " is not a positive multiple of 8 bytes");
    }
    auto ring = std::make_unique<MemoryAudioRing>(shared_from_this(), length, listener);
    std::lock_guard lock(m_mutex);
    m_rings.push_back(ring.get());
    return ring;
}

void AudioRingMixer::Remove(MemoryAudioRing* ring) {
    std::lock_guard lock(m_mutex);
    std::erase(m_rings, ring);
}

void AudioRingMixer::Render(std::uint8_t* out, std::size_t length) {
    std::lock_guard lock(m_mutex);
    if (m_rings.empty()) {
        std::memset(out, 0, length);
        return;
    }
    if (m_rings.size() == 1) {
        m_rings.front()->Render(out, length);
        return;
    }
    std::memset(out, 0, length);
    const std::size_t chunk_bytes = m_scratch.size() * sizeof(std::int16_t);
    for (std::size_t done = 0; done < length; done += chunk_bytes) {
        const std::size_t n = std::min(chunk_bytes, length - done);
        for (MemoryAudioRing* ring : m_rings) {
            ring->Render(reinterpret_cast<std::uint8_t*>(m_scratch.data()), n);
            for (std::size_t i = 0; i < n / 2; ++i) {
                std::int16_t sample;
                std::memcpy(&sample, out + done + i * 2, 2);
                const int sum = std::clamp(sample + m_scratch[i], -32768, 32767);
                sample = static_cast<std::int16_t>(sum);
                std::memcpy(out + done + i * 2, &sample, 2);
            }
        }
    }
}

MemoryAudioRing::MemoryAudioRing(std::shared_ptr<AudioRingMixer> mixer, std::uint32_t length,
                                 AudioRingListener* listener)
    : m_mixer(std::move(mixer)), m_listener(listener), m_data(length, 0), m_half(length / 2) {}

MemoryAudioRing::~MemoryAudioRing() {
    // Taking the mixer's lock waits for a render pass in progress, so no notification follows.
    m_mixer->Remove(this);
}

AudioResult MemoryAudioRing::Write(std::uint32_t offset, const void* source, std::uint32_t length) {
    const std::size_t size = m_data.size();
    if (offset >= size || length > size || (length > 0 && !source)) {
        return kAudioInvalidArg;
    }
    if (length == 0) {
        return kAudioOk;
    }
    const auto* src = static_cast<const std::uint8_t*>(source);
    const std::size_t first = std::min<std::size_t>(length, size - offset);
    std::lock_guard lock(m_mutex);
    std::memcpy(m_data.data() + offset, src, first);
    std::memcpy(m_data.data(), src + first, length - first);
    return kAudioOk;
}

AudioResult MemoryAudioRing::Play() {
    std::lock_guard lock(m_mutex);
    m_position.store(0, std::memory_order_release);
    m_playing = true;
    m_start_pending = true;
    m_playing_flag.store(true, std::memory_order_release);
    return kAudioOk;
}

AudioResult MemoryAudioRing::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_playing = false;
        m_start_pending = false;
        m_playing_flag.store(false, std::memory_order_release);
    }
    if (m_listener) {
        m_listener->OnAudioNotify(AudioNotify::Stopped);
    }
    return kAudioOk;
}

void MemoryAudioRing::Render(std::uint8_t* out, std::size_t length) {
    const std::uint32_t size = static_cast<std::uint32_t>(m_data.size());
    while (length > 0) {
        bool notify_start = false;
        bool notify_half = false;
        std::size_t n = 0;
        {
            std::lock_guard lock(m_mutex);
            if (!m_playing) {
                std::memset(out, 0, length);
                return;
            }
            if (m_start_pending) {
                m_start_pending = false;
                notify_start = true;
            } else {
                std::uint32_t position = m_position.load(std::memory_order_relaxed);
                const std::uint32_t boundary = position < m_half ? m_half : size;
                n = std::min<std::size_t>(length, boundary - position);
                std::memcpy(out, m_data.data() + position, n);
                position += static_cast<std::uint32_t>(n);
                if (position == size) {
                    position = 0;
                    notify_start = true;
                } else if (position == m_half) {
                    notify_half = true;
                }
                m_position.store(position, std::memory_order_release);
            }
        }
        if (m_listener && notify_start) {
            m_listener->OnAudioNotify(AudioNotify::ReachedStart);
        }
        if (m_listener && notify_half) {
            m_listener->OnAudioNotify(AudioNotify::ReachedHalf);
        }
        out += n;
        length -= n;
    }
}

} // namespace hk
