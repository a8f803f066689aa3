// VorbisLibrary: the one binding of the Vorbis decoder. The game loaded a decoder library at run
// time; we link libvorbisfile directly, so binding only records the entry points. Decoders (OggData) call the library
// through this object, with in-memory files as their data source (the four callbacks of MemoryOggSource below).
//
// Threads: created and destroyed on the GUI thread; the entry points are called on whichever
// thread owns the stream at the moment (see ogg_data.h).
#pragma once

#include <vorbis/vorbisfile.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hk {

// An in-memory file handed to the decoder as its data source. Positions count from the start of
// the Ogg stream (after a loop-point header, when the file has one). The decoder owns it once a
// stream is open and frees it through the close callback.
struct MemoryOggSource {
    std::vector<std::uint8_t> bytes; // the whole file as read
    std::size_t stream_start = 0;    // where the Ogg stream begins in `bytes`
    std::size_t position = 0;        // relative to stream_start

    std::size_t StreamSize() const { return bytes.size() - stream_start; }
};

class VorbisLibrary {
public:
    VorbisLibrary();
    VorbisLibrary(const VorbisLibrary&) = delete;
    VorbisLibrary& operator=(const VorbisLibrary&) = delete;

    // The four data-source callbacks over a MemoryOggSource.
    const ov_callbacks& Callbacks() const { return m_callbacks; }

    // The entry points the decoders use, with vorbisfile's own meaning.
    decltype(&::ov_open_callbacks) ov_open_callbacks;
    decltype(&::ov_info) ov_info;
    decltype(&::ov_comment) ov_comment;
    decltype(&::ov_read) ov_read;
    decltype(&::ov_time_total) ov_time_total;
    decltype(&::ov_time_tell) ov_time_tell;
    decltype(&::ov_time_seek) ov_time_seek;
    decltype(&::ov_pcm_total) ov_pcm_total;
    decltype(&::ov_pcm_tell) ov_pcm_tell;
    decltype(&::ov_seekable) ov_seekable;
    decltype(&::ov_clear) ov_clear;

private:
    ov_callbacks m_callbacks{};
};

} // namespace hk
