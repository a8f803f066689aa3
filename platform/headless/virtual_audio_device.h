// The headless sound output: plays the ring in virtual time instead of on a sound card. Whoever
// owns the virtual clock calls Advance(ms) each time it moves; the device then consumes exactly
// 176,400 bytes per virtual second, and the notifications it crosses (and with them the refills
// of the sound unit) run synchronously inside Advance, on the tick thread. There is no thread of
// its own, so a run is deterministic. What it plays can be written to a WAV file.
//
// Threads: everything is called on the tick (GUI) thread.
#pragma once

#include "sound/audio_device.h"
#include "sound/audio_ring.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace hk {

class VirtualAudioDevice final : public AudioDevice {
public:
    static constexpr AudioFormat kFormat{44100, 2, 16};

    VirtualAudioDevice();
    // Finishes the WAV file, if one is being written.
    ~VirtualAudioDevice() override;

    bool Open() override;
    bool Opened() const override { return m_open; }
    bool NotifiesOnOwnThread() const override { return false; }
    AudioResult CreateRing(const AudioFormat& format, std::uint32_t length, AudioRingListener* listener,
                           std::unique_ptr<AudioRing>& ring) override;

    // The virtual clock moved on by `ms`: play that much sound (silence when no ring plays).
    // Frames are counted from the total time, so many short steps play exactly as one long one.
    void Advance(std::uint32_t ms);
    // Frames played since the device opened.
    std::uint64_t FramesPlayed() const { return m_frames; }

    // From now on, append everything played to a 16-bit stereo 44,100 Hz WAV file (replacing
    // it). Throws std::runtime_error when the file cannot be created.
    void SetWavOutput(const std::filesystem::path& path);
    // Writes the final sizes into the WAV header and closes it. Throws std::runtime_error when a
    // write failed on the way (disk full, or more than a WAV file can hold).
    void FinishWav();

private:
    void WriteWavHeader();
    void AppendWav(const std::uint8_t* data, std::size_t bytes);

    std::shared_ptr<AudioRingMixer> m_mixer = std::make_shared<AudioRingMixer>();
    bool m_open = false;
    std::uint64_t m_elapsed_ms = 0;
    std::uint64_t m_frames = 0;
    std::array<std::uint8_t, 4096> m_chunk{};

    std::FILE* m_wav = nullptr;
    std::filesystem::path m_wav_path;
    std::uint64_t m_wav_bytes = 0;
    std::uint64_t m_wav_header_bytes = 0; // data size the header says now
    std::string m_wav_error;
};

} // namespace hk
