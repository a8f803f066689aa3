// Opens generated Ogg Vorbis bytes (after an ALPHAOGG header, if any) with libvorbisfile, as
// the game's decoder will, and reports the stream's format and length.
#pragma once

#include "sound/alpha_ogg_header.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace hk {

struct OggInfo {
    int channels = 0;
    long rate = 0;
    double seconds = 0;
};

inline OggInfo InspectOgg(const std::vector<std::uint8_t>& file) {
    struct Source {
        const std::uint8_t* data;
        std::size_t size, pos;
    } src{file.data(), file.size(), ParseAlphaOggHeader(file) ? kAlphaOggHeaderSize : 0};
    ov_callbacks callbacks{};
    callbacks.read_func = [](void* ptr, size_t size, size_t count, void* source) -> size_t {
        auto* s = static_cast<Source*>(source);
        const std::size_t n = std::min(size * count, s->size - s->pos);
        std::memcpy(ptr, s->data + s->pos, n);
        s->pos += n;
        return size == 0 ? 0 : n / size;
    };
    OggVorbis_File vf;
    if (ov_open_callbacks(&src, &vf, nullptr, 0, callbacks) < 0) {
        return {};
    }
    const vorbis_info* info = ov_info(&vf, -1);
    OggInfo out{info->channels, info->rate, 0};
    // Not seekable without a seek callback: count the samples by decoding.
    char buffer[8192];
    int section = 0;
    long total = 0, got = 0;
    while ((got = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) > 0) {
        total += got;
    }
    out.seconds = static_cast<double>(total) / (2.0 * info->channels * info->rate);
    ov_clear(&vf);
    return out;
}

} // namespace hk
