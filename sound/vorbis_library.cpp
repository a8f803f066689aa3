#include "sound/vorbis_library.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace hk {

namespace {

size_t SourceRead(void* buffer, size_t size, size_t count, void* datasource) {
    auto* source = static_cast<MemoryOggSource*>(datasource);
    if (size == 0 || count == 0) {
        return 0;
    }
    const std::size_t available = source->StreamSize() - std::min(source->position, source->StreamSize());
    const std::size_t wanted = count > available / size ? available / size : count;
    const std::size_t bytes = wanted * size;
    if (bytes == 0) {
        return 0; // an empty file has no data pointer to copy from
    }
    std::memcpy(buffer, source->bytes.data() + source->stream_start + source->position, bytes);
    source->position += bytes;
    return wanted;
}

int SourceSeek(void* datasource, ogg_int64_t offset, int origin) {
    auto* source = static_cast<MemoryOggSource*>(datasource);
    ogg_int64_t base = 0;
    switch (origin) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = static_cast<ogg_int64_t>(source->position); break;
    case SEEK_END: base = static_cast<ogg_int64_t>(source->StreamSize()); break;
    default: return -1;
    }
    const ogg_int64_t size = static_cast<ogg_int64_t>(source->StreamSize());
    if (offset < -base || offset > size - base) {
        return -1;
    }
    source->position = static_cast<std::size_t>(base + offset);
    return 0;
}

int SourceClose(void* datasource) {
    delete static_cast<MemoryOggSource*>(datasource);
    return 0;
}

long SourceTell(void* datasource) {
    return static_cast<long>(static_cast<MemoryOggSource*>(datasource)->position);
}

// A seek that fails part way (a damaged file) leaves the stream without a position: its PCM
// offset is -1, and the library's ov_time_tell then finds no link holding it and reads before
// its table of links. Such a stream counts as being at its start; the next seek or rewind gives
// it a position again.
double TimeTell(OggVorbis_File* vf) {
    if (vf && vf->ready_state >= OPENED && vf->pcm_offset < 0) {
        return 0.0;
    }
    return ::ov_time_tell(vf);
}

} // namespace

VorbisLibrary::VorbisLibrary()
    : ov_open_callbacks(&::ov_open_callbacks), ov_info(&::ov_info), ov_comment(&::ov_comment), ov_read(&::ov_read),
      ov_time_total(&::ov_time_total), ov_time_tell(&TimeTell), ov_time_seek(&::ov_time_seek),
      ov_pcm_total(&::ov_pcm_total), ov_pcm_tell(&::ov_pcm_tell), ov_seekable(&::ov_seekable), ov_clear(&::ov_clear) {
    m_callbacks.read_func = &SourceRead;
    m_callbacks.seek_func = &SourceSeek;
    m_callbacks.close_func = &SourceClose;
    m_callbacks.tell_func = &SourceTell;
}

} // namespace hk
