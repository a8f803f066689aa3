#include "platform/headless/virtual_audio_device.h"

#include <algorithm>
#include <stdexcept>

namespace hk {

namespace {

// Largest data chunk a WAV file can describe (its RIFF size is 32-bit).
constexpr std::uint64_t kMaxWavData = 0xFFFFFFFFull - 36;
// The header is brought up to date about once per virtual second, so a run that is killed
// still leaves a playable file.
constexpr std::uint64_t kHeaderRefreshBytes = 176400;

void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

} // namespace

VirtualAudioDevice::VirtualAudioDevice() = default;

VirtualAudioDevice::~VirtualAudioDevice() {
    try {
        FinishWav();
    } catch (const std::exception&) {
        // Nothing more can be done for the file here; FinishWav is the call that reports.
    }
}

bool VirtualAudioDevice::Open() {
    m_open = true;
    return true;
}

AudioResult VirtualAudioDevice::CreateRing(const AudioFormat& format, std::uint32_t length, AudioRingListener* listener,
                                           std::unique_ptr<AudioRing>& ring) {
    if (!m_open) {
        return kAudioNotOpen;
    }
    if (!(format == kFormat) || length == 0 || length % 8 != 0) {
        return kAudioInvalidArg;
    }
    ring = m_mixer->CreateRing(length, listener);
    return kAudioOk;
}

void VirtualAudioDevice::Advance(std::uint32_t ms) {
    if (!m_open) {
        return;
    }
    m_elapsed_ms += ms;
    const std::uint64_t target = m_elapsed_ms * kFormat.rate / 1000;
    while (m_frames < target) {
        const std::size_t frames = std::min<std::uint64_t>(target - m_frames, m_chunk.size() / 4);
        m_mixer->Render(m_chunk.data(), frames * 4);
        m_frames += frames;
        AppendWav(m_chunk.data(), frames * 4);
    }
}

void VirtualAudioDevice::SetWavOutput(const std::filesystem::path& path) {
    FinishWav();
    m_wav = std::fopen(path.c_str(), "wb");
    if (!m_wav) {
        throw std::runtime_error("cannot create the audio output file " + path.string());
    }
    m_wav_path = path;
    m_wav_bytes = 0;
    m_wav_header_bytes = 0;
    m_wav_error.clear();
    WriteWavHeader();
}

void VirtualAudioDevice::WriteWavHeader() {
    std::uint8_t header[44];
    const auto data = static_cast<std::uint32_t>(m_wav_bytes);
    std::copy_n("RIFF", 4, header);
    PutU32(header + 4, 36 + data);
    std::copy_n("WAVEfmt ", 8, header + 8);
    PutU32(header + 16, 16);
    PutU16(header + 20, 1); // PCM
    PutU16(header + 22, kFormat.channels);
    PutU32(header + 24, kFormat.rate);
    PutU32(header + 28, kFormat.BytesPerSecond());
    PutU16(header + 32, static_cast<std::uint16_t>(kFormat.BlockAlign()));
    PutU16(header + 34, kFormat.bits);
    std::copy_n("data", 4, header + 36);
    PutU32(header + 40, data);
    if (std::fseek(m_wav, 0, SEEK_SET) != 0 || std::fwrite(header, sizeof header, 1, m_wav) != 1 ||
        std::fseek(m_wav, 0, SEEK_END) != 0) {
        if (m_wav_error.empty()) {
            m_wav_error = "cannot write the header of " + m_wav_path.string();
        }
    }
    m_wav_header_bytes = m_wav_bytes;
}

void VirtualAudioDevice::AppendWav(const std::uint8_t* data, std::size_t bytes) {
    if (!m_wav || !m_wav_error.empty()) {
        return;
    }
    if (m_wav_bytes + bytes > kMaxWavData) {
        m_wav_error = m_wav_path.string() + ": the sound is longer than a WAV file can hold; the rest is cut";
        return;
    }
    if (std::fwrite(data, 1, bytes, m_wav) != bytes) {
        m_wav_error = "cannot write to " + m_wav_path.string() + " (disk full?)";
        return;
    }
    m_wav_bytes += bytes;
    if (m_wav_bytes - m_wav_header_bytes >= kHeaderRefreshBytes) {
        WriteWavHeader();
    }
}

void VirtualAudioDevice::FinishWav() {
    if (!m_wav) {
        return;
    }
    WriteWavHeader();
    const bool closed = std::fclose(m_wav) == 0;
    m_wav = nullptr;
    if (!closed && m_wav_error.empty()) {
        m_wav_error = "cannot finish " + m_wav_path.string();
    }
    if (!m_wav_error.empty()) {
        throw std::runtime_error(m_wav_error);
    }
}

} // namespace hk
