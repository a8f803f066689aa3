// Writes 16-bit PCM as an Ogg Vorbis stream (libvorbisenc). The game only decodes; this serves the
// sample-game generator, the tests and the benchmarks, which need sound files of their own.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace hk {

// Encodes interleaved samples of `channels` channels (1 or 2) at `rate` Hz, variable bit rate of
// `quality` (-0.1 .. 1.0). Throws std::runtime_error when the encoder refuses the parameters.
std::vector<std::uint8_t> EncodeOggVorbis(std::span<const std::int16_t> interleaved, int channels, long rate,
                                          float quality = 0.3f);

} // namespace hk
