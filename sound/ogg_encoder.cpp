#include "sound/ogg_encoder.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace hk {

namespace {

void AppendPage(std::vector<std::uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// Owns the libvorbis state so that every exit path releases it.
struct Encoder {
    vorbis_info vi{};
    vorbis_comment vc{};
    vorbis_dsp_state vd{};
    vorbis_block vb{};
    ogg_stream_state os{};
    bool dsp = false;

    Encoder() {
        vorbis_info_init(&vi);
        vorbis_comment_init(&vc);
    }
    ~Encoder() {
        if (dsp) {
            ogg_stream_clear(&os);
            vorbis_block_clear(&vb);
            vorbis_dsp_clear(&vd);
        }
        vorbis_comment_clear(&vc);
        vorbis_info_clear(&vi);
    }

    void Drain(std::vector<std::uint8_t>& out) {
        ogg_packet packet;
        ogg_page page;
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &packet) == 1) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    AppendPage(out, page);
                }
            }
        }
    }
};

} // namespace

std::vector<std::uint8_t> EncodeOggVorbis(std::span<const std::int16_t> interleaved, int channels, long rate,
                                          float quality) {
    if (channels != 1 && channels != 2) {
        throw std::runtime_error("Ogg encoder: " + std::to_string(channels) + " channels (only 1 or 2)");
    }
    Encoder enc;
    if (vorbis_encode_init_vbr(&enc.vi, channels, rate, quality) != 0) {
        throw std::runtime_error("Ogg encoder: cannot encode " + std::to_string(channels) + " channels at " +
                                 std::to_string(rate) + " Hz");
    }
    vorbis_comment_add_tag(&enc.vc, "ENCODER", "harukaze");
    vorbis_analysis_init(&enc.vd, &enc.vi);
    vorbis_block_init(&enc.vd, &enc.vb);
    ogg_stream_init(&enc.os, 0x48414b5a);
    enc.dsp = true;

    std::vector<std::uint8_t> out;
    ogg_packet header, comment, codebooks;
    vorbis_analysis_headerout(&enc.vd, &enc.vc, &header, &comment, &codebooks);
    ogg_stream_packetin(&enc.os, &header);
    ogg_stream_packetin(&enc.os, &comment);
    ogg_stream_packetin(&enc.os, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&enc.os, &page) != 0) {
        AppendPage(out, page);
    }

    const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
    constexpr std::size_t kChunk = 1024;
    for (std::size_t done = 0; done < frames; done += kChunk) {
        const std::size_t n = std::min(kChunk, frames - done);
        float** buffer = vorbis_analysis_buffer(&enc.vd, static_cast<int>(n));
        for (std::size_t f = 0; f < n; ++f) {
            for (int c = 0; c < channels; ++c) {
                buffer[c][f] = interleaved[(done + f) * channels + c] / 32768.0f;
            }
        }
        vorbis_analysis_wrote(&enc.vd, static_cast<int>(n));
        enc.Drain(out);
    }
    vorbis_analysis_wrote(&enc.vd, 0);
    enc.Drain(out);
    while (ogg_stream_flush(&enc.os, &page) != 0) {
        AppendPage(out, page);
    }
    return out;
}

} // namespace hk
