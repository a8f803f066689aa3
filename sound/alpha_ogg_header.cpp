#include "sound/alpha_ogg_header.h"

#include <cstring>

namespace hk {

namespace {

constexpr char kMagic[8] = {'A', 'L', 'P', 'H', 'A', 'O', 'G', 'G'};

std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The bits of a float as stored, and back (a copy, which every compiler turns into a move).
float FloatOfBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
std::uint32_t BitsOfFloat(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void WriteU32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

} // namespace

std::optional<LoopTable> ParseAlphaOggHeader(std::span<const std::uint8_t> file) {
    if (file.size() < kAlphaOggHeaderSize || std::memcmp(file.data(), kMagic, sizeof kMagic) != 0) {
        return std::nullopt;
    }
    LoopTable loops;
    for (std::size_t k = 0; k < kLoopRecordCount; ++k) {
        const std::uint8_t* record = file.data() + 8 + 12 * k;
        loops[k].target = FloatOfBits(ReadU32(record));
        loops[k].trigger = FloatOfBits(ReadU32(record + 4));
        loops[k].count = static_cast<std::int32_t>(ReadU32(record + 8));
    }
    return loops;
}

std::array<std::uint8_t, kAlphaOggHeaderSize> MakeAlphaOggHeader(const LoopTable& loops) {
    std::array<std::uint8_t, kAlphaOggHeaderSize> header{};
    std::memcpy(header.data(), kMagic, sizeof kMagic);
    for (std::size_t k = 0; k < kLoopRecordCount; ++k) {
        std::uint8_t* record = header.data() + 8 + 12 * k;
        WriteU32(record, BitsOfFloat(loops[k].target));
        WriteU32(record + 4, BitsOfFloat(loops[k].trigger));
        WriteU32(record + 8, static_cast<std::uint32_t>(loops[k].count));
    }
    return header;
}

} // namespace hk
