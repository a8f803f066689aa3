// The loop-point header some sound files carry in front of their Ogg Vorbis stream: the eight
// characters "ALPHAOGG" and 16 loop records of 12 bytes, 200 bytes in all, little-endian.
//
//   offset        width  field
//   0             8      "ALPHAOGG"
//   8 + 12*k      4      LoopRecord k: target, float32 seconds to continue at
//   12 + 12*k     4      LoopRecord k: trigger, float32 seconds at which it fires
//   16 + 12*k     4      LoopRecord k: count, int32 jumps in a row (-1 every time, 0 never)
//   200           -      the Ogg Vorbis stream
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace hk {

struct LoopRecord {
    float target = 0.0f;
    float trigger = 0.0f;
    std::int32_t count = 0;
    friend bool operator==(const LoopRecord&, const LoopRecord&) = default;
};

inline constexpr std::size_t kAlphaOggHeaderSize = 200;
inline constexpr std::size_t kLoopRecordCount = 16;
using LoopTable = std::array<LoopRecord, kLoopRecordCount>;

// The loop records when `file` starts with the header (at least 200 bytes, "ALPHAOGG" first);
// nothing for a plain Ogg file.
std::optional<LoopTable> ParseAlphaOggHeader(std::span<const std::uint8_t> file);

// The 200 header bytes for a loop table.
std::array<std::uint8_t, kAlphaOggHeaderSize> MakeAlphaOggHeader(const LoopTable& loops);

} // namespace hk
