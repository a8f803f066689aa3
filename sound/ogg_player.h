// OggPlayer: the software mixer. A fixed number of channels, each bound to at most one OggData
// (the player does not own them); NextBlock makes every bound, playing decoder produce one block
// and sums them, clipped to +-32,767, into the player's own double buffer.
//
// Threads: the GUI thread binds decoders and starts, stops and re-levels channels; the sound
// worker alone runs NextBlock and Mix. The channel table is a row of atomic pointers: SetData
// changes it first and then waits for Busy to clear, while Mix raises Busy before it reads the
// table (busy_flag.h), so once SetData returns no mix holds the decoder a channel had before.
#pragma once

#include "sound/busy_flag.h"
#include "sound/ogg_data.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace hk {

class OggPlayer {
public:
    // `buffer_size` bytes of mixing buffer used as two halves (163,840 in the engine; a positive
    // multiple of 8), and `channel_count` channels (10 in the engine).
    OggPlayer(std::uint32_t buffer_size, int channel_count);
    ~OggPlayer();
    OggPlayer(const OggPlayer&) = delete;
    OggPlayer& operator=(const OggPlayer&) = delete;

    // --- Called from the GUI thread ---

    // Binds `decoder` to `channel`, unbinding it from any other channel first; nullptr unbinds.
    // Throws std::out_of_range for a channel outside 0..channel_count-1.
    void SetData(int channel, OggData* decoder);
    // These forward to the decoder bound to the channel; nothing when none is (or the channel
    // does not exist).
    void SetVolume(int channel, float v);
    void Play(int channel, bool loop);
    void Stop(int channel);
    void StopAll();

    // --- Called from any thread ---

    // The bound decoder's Status; 0 when none is bound.
    int Status(int channel) const;
    OggData* Data(int channel) const;

    // --- Called from the worker thread ---

    // Switches to the other half of the mixing buffer (the first call uses the second half) and
    // mixes one block into it.
    void NextBlock();
    // Decodes one block from every playing channel and writes their clipped sum to `destination`
    // (`bytes` a multiple of 4); silence when nothing plays.
    void Mix(std::uint8_t* destination, std::uint32_t bytes);
    const std::uint8_t* BlockPointer() const;
    std::uint32_t BlockSize() const { return m_half; }

private:
    friend class OggData;
    // GUI thread: the decoder is going away.
    void Unbind(OggData* decoder);

    int m_channel_count;
    std::unique_ptr<std::atomic<OggData*>[]> m_channels;
    BusyFlag m_busy; // raised by the worker only
    std::vector<std::int16_t> m_buffer;
    std::uint32_t m_half;
    int m_current_half = 0;
    std::vector<std::int32_t> m_sum; // one block of 32-bit sums
};

} // namespace hk
