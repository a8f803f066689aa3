// The portable row loops of the drawing operations: the meaning of each operation written out one
// pixel at a time. The vector kernels must match these byte for byte, and use them for the pixels
// that do not fill a whole vector at the end of a row. With the text loops of text_reduce.cpp they
// make the scalar path.
#include "gfx/pixel_ops_kernels.h"

#include <cstring>

namespace hk::pixel_ops {

void BlendRowScalar(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned alpha) {
    const unsigned keep = 256 - alpha;
    const int bytes = n * 4;
    for (int i = 0; i < bytes; ++i)
        dst[i] = static_cast<std::uint8_t>((src[i] * alpha + dst[i] * keep) >> 8);
}

void DrawAlphaRowScalar(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity) {
    for (int i = 0; i < n; ++i, src += 4, dst += 4) {
        const unsigned l = ((256 - src[3]) * opacity) >> 8;
        const unsigned m = 256 - l;
        for (int c = 0; c < 3; ++c)
            dst[c] = static_cast<std::uint8_t>((src[c] * l + dst[c] * m) >> 8);
    }
}

void RuleBlendRowScalar(const std::uint8_t* src, const std::uint8_t* rule, std::uint8_t* dst, int n, unsigned level,
                        unsigned shift) {
    const unsigned range = 1u << shift;
    for (int i = 0; i < n; ++i, src += 4, dst += 4) {
        const unsigned r = rule[i];
        if (level < r)
            continue;
        const unsigned d = level - r;
        if (d > range) {
            std::memcpy(dst, src, 4);
            continue;
        }
        for (int c = 0; c < 4; ++c)
            dst[c] = static_cast<std::uint8_t>((src[c] * d + dst[c] * (range - d)) >> shift);
    }
}

const RowKernels kScalarKernels = {BlendRowScalar,
                                   DrawAlphaRowScalar,
                                   RuleBlendRowScalar,
                                   text_reduce::CoverageRowScalar,
                                   nullptr,
                                   text_reduce::ReduceRowScalar,
                                   text_reduce::BlendGrey8RowScalar};

} // namespace hk::pixel_ops
