// The portable row loops of smoothed text: the meaning of each step written out one pixel at a
// time. The vector kernels must match these byte for byte, and use them for the pixels that do not
// fill a whole vector at the end of a row.
#include "gfx/text_reduce.h"

namespace hk::text_reduce {

void CoverageRowScalar(const std::uint8_t* upper, const std::uint8_t* lower, std::uint8_t* level, int w) {
    for (int i = 0; i < w; ++i) {
        const unsigned sum = upper[2 * i] + upper[2 * i + 1] + lower[2 * i] + lower[2 * i + 1];
        level[i] = static_cast<std::uint8_t>(sum >> 2);
    }
}

void LevelWeightsScalar(const std::uint8_t* level, std::uint16_t* weights, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i, weights += 4) {
        weights[0] = weights[1] = weights[2] = static_cast<std::uint16_t>(level[i] + 1);
        weights[3] = 256;
    }
}

void ReduceRowScalar(const PassRow& row, int begin, int end, std::uint8_t* pixels) {
    for (int i = begin; i < end; ++i, pixels += 4) {
        for (int k = 0; k < row.count; ++k) {
            const unsigned level = row.grid[row.offset[k] + i];
            // A blank cell (c = 256) leaves the pixel exactly as it was.
            if (level == 255)
                continue;
            const unsigned c = level + 1;
            for (int ch = 0; ch < 3; ++ch)
                pixels[ch] = static_cast<std::uint8_t>((pixels[ch] * c + row.colour[k][ch] * (256 - c)) >> 8);
        }
    }
}

void BlendGrey8RowScalar(const std::uint8_t* coverage, std::uint8_t* pixels, int n, unsigned colour) {
    for (int i = 0; i < n; ++i) {
        const unsigned a = coverage[i];
        if (a != 0)
            pixels[i] = static_cast<std::uint8_t>((pixels[i] * (255 - a) + colour * a + 127) / 255);
    }
}

} // namespace hk::text_reduce
