// The blend behind smoothed and outlined text (abitmap_text.cpp): a coverage grid applied in
// several passes, each at its own offset and colour, one row at a time. Shared with the AVX2 row
// loop, which lives in its own file because it is compiled for that instruction set.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hk::text_reduce {

inline constexpr int kMaxPasses = 16;

// One row of the passes. Pass k's level for dest column i is grid[offset[k] + i] (255 = blank,
// which leaves the pixel as it is); weights, when present, hold four 16-bit weights per grid
// cell: c, c, c and 256 for the fourth byte, with c = level + 1. Each of blue, green, red
// becomes (old * c + colour * (256 - c)) >> 8, pass after pass.
struct PassRow {
    const std::uint8_t* grid = nullptr;
    const std::uint16_t* weights = nullptr;
    int count = 0;
    std::ptrdiff_t offset[kMaxPasses] = {};
    std::uint16_t colour[kMaxPasses][3] = {};
    bool black[kMaxPasses] = {};
};

// Blends the row's pixels from column i on in blocks of sixteen, while a whole block fits before
// end, with AVX2; needs the weights. Returns the first column left for the caller. Null when the
// program was built without the AVX2 file; call only where the processor has AVX2.
using RowFunction = int (*)(const PassRow& row, int i, int end, std::uint8_t* pixels);
extern const RowFunction kReduceRowAvx2;

} // namespace hk::text_reduce
