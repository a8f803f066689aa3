// Sound files for the tests, made with the Ogg Vorbis encoder: steady sine tones of a few seconds,
// mono or stereo, at any rate, with or without the "ALPHAOGG" loop header. Encoding takes a
// moment, so each distinct tone is made once per test program and kept.
#pragma once

#include "sound/alpha_ogg_header.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace hk::test {

struct ToneSpec {
    int channels = 2;
    long rate = 44100;
    double seconds = 2.0;
    double frequency = 441.0; // 441 Hz is a whole 100 frames per period at 44,100 Hz
    double amplitude = 0.5;   // of full scale
    bool left_only = false;   // stereo with a silent right channel
};

// The PCM of a tone (interleaved 16-bit).
std::vector<std::int16_t> TonePcm(const ToneSpec& spec);
// The tone as an Ogg Vorbis file (made once per distinct tone).
const std::vector<std::uint8_t>& OggTone(const ToneSpec& spec);
// `ogg` behind a 200-byte loop header holding `loops`.
std::vector<std::uint8_t> WithLoopHeader(std::span<const std::uint8_t> ogg, const LoopTable& loops);
// A loop table with one record in slot `k`.
LoopTable OneLoop(float target, float trigger, std::int32_t count, std::size_t k = 0);
// Decodes a whole plain Ogg file straight through libvorbisfile, as the file holds it.
std::vector<std::int16_t> DecodeAll(std::span<const std::uint8_t> ogg);
void WriteBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace hk::test
