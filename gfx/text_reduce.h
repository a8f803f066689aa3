// The blend behind smoothed and outlined text (bitmap_text.cpp): a coverage grid applied in
// several passes, each at its own offset and colour, one row at a time; and the glyph blend on
// one-byte surfaces (text_canvas.cpp) that draws the doubled rendering those passes reduce. The
// row loops are kernels of the pixel path (pixel_ops_kernels.h); the portable ones are declared
// here, for the vector kernels to finish a row with. Internal to gfx/.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hk::text_reduce {

inline constexpr int kMaxPasses = 16;

// One row of the passes. Pass k's level for dest column i is grid[offset[k] + i] (255 = blank,
// which leaves the pixel as it is); weights, when present, hold four 16-bit weights per grid
// cell: c, c, c and 256 for the fourth byte, with c = level + 1. Each of blue, green, red
// becomes (old * c + colour * (256 - c)) >> 8, pass after pass. black[k] says colour k is black.
struct PassRow {
    const std::uint8_t* grid = nullptr;
    const std::uint16_t* weights = nullptr;
    int count = 0;
    std::ptrdiff_t offset[kMaxPasses] = {};
    std::uint16_t colour[kMaxPasses][3] = {};
    bool black[kMaxPasses] = {};
};

// The scratch rendering's rows 2j + 1 and 2j + 2 (one byte per pixel) reduced to w coverage levels
// of output row j: level i = (sum of the four bytes at columns 2i and 2i + 1) >> 2.
void CoverageRowScalar(const std::uint8_t* upper, const std::uint8_t* lower, std::uint8_t* level, int w);
// The weights of n grid cells, as PassRow::weights holds them.
void LevelWeightsScalar(const std::uint8_t* level, std::uint16_t* weights, std::size_t n);
// Every pass over dest columns begin..end - 1 of one row; pixels points at column begin.
void ReduceRowScalar(const PassRow& row, int begin, int end, std::uint8_t* pixels);
// n pixels of one glyph row on a one-byte surface: each becomes (p * (255 - a) + colour * a + 127)
// / 255 for its coverage a, which leaves it as it is where a = 0.
void BlendGrey8RowScalar(const std::uint8_t* coverage, std::uint8_t* pixels, int n, unsigned colour);

} // namespace hk::text_reduce
