#include "sound/ogg_player.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

namespace hk {

OggPlayer::OggPlayer(std::uint32_t buffer_size, int channel_count)
    : m_channel_count(channel_count), m_half(buffer_size / 2) {
    if (buffer_size == 0 || buffer_size % 8 != 0) {
        throw std::invalid_argument("OggPlayer: buffer size " + std::to_string(buffer_size) +
                                    " is not a positive multiple of 8 bytes");
    }
    if (channel_count < 1 || channel_count > 64) {
        throw std::invalid_argument("OggPlayer: channel count " + std::to_string(channel_count) + " is outside 1..64");
    }
    m_channels = std::make_unique<std::atomic<OggData*>[]>(static_cast<std::size_t>(channel_count));
    for (int i = 0; i < channel_count; ++i) {
        m_channels[i].store(nullptr, std::memory_order_relaxed);
    }
    m_buffer.assign(buffer_size / 2, 0);
    m_sum.assign(m_half / 2, 0);
}

OggPlayer::~OggPlayer() {
    for (int i = 0; i < m_channel_count; ++i) {
        if (OggData* decoder = m_channels[i].exchange(nullptr)) {
            decoder->m_player = nullptr;
        }
    }
    m_busy.WaitIdle();
}

void OggPlayer::SetData(int channel, OggData* decoder) {
    if (channel < 0 || channel >= m_channel_count) {
        throw std::out_of_range("OggPlayer.SetData: channel " + std::to_string(channel) + " is outside 0.." +
                                std::to_string(m_channel_count - 1));
    }
    if (decoder) {
        // Unbind first, so that a mix never sees the decoder on two channels.
        for (int i = 0; i < m_channel_count; ++i) {
            if (i != channel && m_channels[i].load(std::memory_order_relaxed) == decoder) {
                m_channels[i].store(nullptr, std::memory_order_seq_cst);
            }
        }
        if (decoder->m_player && decoder->m_player != this) {
            decoder->m_player->Unbind(decoder);
        }
    }
    OggData* previous = m_channels[channel].exchange(decoder, std::memory_order_seq_cst);
    if (previous && previous != decoder) {
        previous->m_player = nullptr;
    }
    if (decoder) {
        decoder->m_player = this;
    }
    m_busy.WaitIdle();
}

void OggPlayer::Unbind(OggData* decoder) {
    for (int i = 0; i < m_channel_count; ++i) {
        if (m_channels[i].load(std::memory_order_relaxed) == decoder) {
            m_channels[i].store(nullptr, std::memory_order_seq_cst);
        }
    }
    decoder->m_player = nullptr;
    m_busy.WaitIdle();
}

OggData* OggPlayer::Data(int channel) const {
    if (channel < 0 || channel >= m_channel_count) {
        return nullptr;
    }
    return m_channels[channel].load(std::memory_order_acquire);
}

void OggPlayer::SetVolume(int channel, float v) {
    if (OggData* decoder = Data(channel)) {
        decoder->SetVolume(v);
    }
}

void OggPlayer::Play(int channel, bool loop) {
    if (OggData* decoder = Data(channel)) {
        decoder->Play(loop);
    }
}

void OggPlayer::Stop(int channel) {
    if (OggData* decoder = Data(channel)) {
        decoder->Stop();
    }
}

void OggPlayer::StopAll() {
    for (int i = 0; i < m_channel_count; ++i) {
        Stop(i);
    }
}

int OggPlayer::Status(int channel) const {
    const OggData* decoder = Data(channel);
    return decoder ? decoder->Status() : 0;
}

const std::uint8_t* OggPlayer::BlockPointer() const {
    return reinterpret_cast<const std::uint8_t*>(m_buffer.data() + m_current_half * (m_half / 2));
}

void OggPlayer::NextBlock() {
    m_current_half ^= 1;
    Mix(reinterpret_cast<std::uint8_t*>(m_buffer.data() + m_current_half * (m_half / 2)), m_half);
}

void OggPlayer::Mix(std::uint8_t* destination, std::uint32_t bytes) {
    m_busy.Enter();
    const std::uint32_t samples = std::min(bytes, m_half) / 2;
    std::int32_t* sum = m_sum.data();
    int taken = 0;
    // Every playing channel is mixed; the engine plays at most four at once.
    for (int i = 0; i < m_channel_count; ++i) {
        OggData* decoder = m_channels[i].load(std::memory_order_seq_cst);
        if (!decoder || decoder->DecodeBlock() == 0) {
            continue;
        }
        const auto* block = reinterpret_cast<const std::int16_t*>(decoder->BlockPointer());
        const std::uint32_t count = std::min(samples, decoder->BlockSize() / 2);
        if (taken == 0) {
            std::fill(sum, sum + samples, 0);
        }
        for (std::uint32_t s = 0; s < count; ++s) {
            sum[s] += block[s];
        }
        ++taken;
    }
    auto* out = reinterpret_cast<std::int16_t*>(destination);
    if (taken == 0) {
        std::memset(destination, 0, bytes);
    } else {
        for (std::uint32_t s = 0; s < samples; ++s) {
            out[s] = static_cast<std::int16_t>(std::clamp(sum[s], -32767, 32767));
        }
        std::memset(destination + samples * 2, 0, bytes - samples * 2);
    }
    m_busy.Leave();
}

} // namespace hk
