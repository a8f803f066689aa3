// OggData: one decoder. It holds a whole Ogg Vorbis file in memory, decodes it block by block
// into its own double buffer as 16-bit stereo at 44,100 Hz, follows the loop records of the
// file's "ALPHAOGG" header, wraps at the end of the file when looping, and applies its volume.
//
// Threads: the GUI thread loads, closes, starts, stops, seeks and re-levels; the sound worker
// (through OggPlayer::Mix) alone runs DecodeBlock. There are no locks. The flags and the level are
// atomics; whenever the GUI thread needs the Vorbis stream itself (close, seek, stop) it first
// makes the worker keep out (clears Loaded or raises its claim) and then waits for the decode
// in progress, if any, to finish (busy_flag.h).
#pragma once

#include "sound/alpha_ogg_header.h"
#include "sound/busy_flag.h"
#include "sound/vorbis_library.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace hk {

class OggPlayer;

// A file the decoder cannot open: the message is "ファイルの読み込みに失敗", followed by the path on a
// second line when the file came from disk.
class EOggData : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class OggData {
public:
    // Output format of every decoder: interleaved 16-bit stereo at 44,100 Hz.
    static constexpr std::uint32_t kBytesPerSecond = 176400;
    // Largest file LoadFromFile accepts; whole files are held in memory.
    static constexpr std::uintmax_t kMaxFileSize = 256u << 20;

    // `buffer_size` bytes of decoding buffer, used as two blocks of half that size (the engine
    // uses 163,840); it must be a positive multiple of 8.
    OggData(VorbisLibrary& vorbis, std::uint32_t buffer_size);
    ~OggData();
    OggData(const OggData&) = delete;
    OggData& operator=(const OggData&) = delete;

    // --- Called from the GUI thread ---

    // False, changing nothing, when there is no such file; throws EOggData when it is not a
    // readable Ogg Vorbis stream (the decoder is then Empty).
    bool LoadFromFile(const std::filesystem::path& path);
    // Opens an in-memory file (with or without the loop-point header). Throws EOggData when the
    // decoder rejects it; the decoder is then Empty.
    bool LoadFromStream(std::vector<std::uint8_t> file);
    // Stops and forgets the file.
    void Close();
    // Starts (or keeps) playing from the current position; `loop` wraps at the end of the file.
    void Play(bool loop);
    // Stops, rewinds to the start and resets the loop counters.
    void Stop();
    // Moves to `seconds`, clamped to 0.001 .. total time; nothing when no file is loaded.
    void Seek(double seconds);
    // v in 0..1 becomes ChannelLevel 0..255 (nearest, ties to even).
    void SetVolume(float v);

    // Which file LoadFromFile opened last (empty after LoadFromStream or Close).
    const std::filesystem::path& FileName() const { return m_file_name; }
    // The stream facts, valid while loaded.
    int Channels() const { return m_channels; }
    long Rate() const { return m_rate; }
    float TotalTime() const { return m_total_time; }
    std::int64_t TotalBytes() const { return m_total_bytes; }
    const std::string& Vendor() const { return m_vendor; }
    const std::vector<std::string>& Comments() const { return m_comments; }
    const LoopTable& Loops() const { return m_loops; }

    // --- Called from any thread ---

    // 3 playing and looping, 2 playing once, 1 loaded and not playing, 0 nothing loaded.
    int Status() const;
    std::uint8_t ChannelLevel() const { return m_channel_level.load(std::memory_order_relaxed); }

    // --- Called from the worker thread ---

    // Decodes the next block into the other half of the buffer. Answers the bytes produced (the
    // silence after the end of a one-shot file not counted); 0 when not loaded and playing, or
    // when the decoder reported an error (the channel is then left out of this mix).
    std::uint32_t DecodeBlock();
    // The half written by the last DecodeBlock.
    const std::uint8_t* BlockPointer() const;
    std::uint32_t BlockSize() const { return m_half; }
    // The stream position in seconds; only while no decode can run (worker, or stopped decoder).
    double Position();

private:
    friend class OggPlayer;

    enum class FillResult { Ok, Error };
    FillResult Fill(std::int16_t* out, std::uint32_t bytes, std::uint32_t& silence_bytes);
    void ApplyVolume(std::int16_t* samples, std::uint32_t count) const;

    VorbisLibrary& m_vorbis;
    OggVorbis_File m_vf{};
    bool m_stream_open = false; // GUI thread: m_vf holds an open stream

    std::atomic<bool> m_loaded{false};
    std::atomic<bool> m_playing{false};
    std::atomic<bool> m_looping{false};
    BusyFlag m_busy;                          // raised by the worker only
    std::atomic<bool> m_claimed{false};       // written by the GUI thread only: keep out
    std::atomic<bool> m_clear_pending{false}; // Stop asks the worker to zero the buffer
    std::atomic<std::uint8_t> m_channel_level{255};

    std::vector<std::int16_t> m_buffer; // two halves of m_half bytes
    std::uint32_t m_half;
    int m_current_half = 1;
    std::array<std::int16_t, 2048> m_scratch{}; // mono samples before doubling (4,096 bytes)

    LoopTable m_loops{};
    std::array<std::int32_t, kLoopRecordCount> m_jump_counts{};

    int m_channels = 0;
    long m_rate = 0;
    float m_total_time = 0.0f;
    std::int64_t m_total_bytes = 0;
    std::string m_vendor;
    std::vector<std::string> m_comments;
    std::filesystem::path m_file_name;

    OggPlayer* m_player = nullptr; // GUI thread: the player this decoder is bound to
};

} // namespace hk
