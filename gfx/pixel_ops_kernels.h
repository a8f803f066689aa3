// Row kernels behind Bitmap's three drawing operations and smoothed text: one set of functions
// per path, each working on n pixels of one row, given the row start of source and destination
// (and of the rule image). The callers have clipped already; a kernel reads and writes exactly n
// pixels and nothing past them. Internal to gfx/.
#pragma once

#include "gfx/text_reduce.h"

#include <cstddef>
#include <cstdint>

namespace hk::pixel_ops {

// Weights as the kernels receive them, already brought into range by the caller:
//   blend      alpha 0..256
//   draw alpha opacity 0..256
//   rule blend level = min(T, 255 + 2^shift), so it fits signed 16-bit lanes; shift 1..8
// The text kernels are those of text_reduce.h; level_weights is null when reduce_row reads the
// levels themselves and precomputed weights would be wasted. blend_grey8 draws one glyph row on a
// one-byte surface.
struct RowKernels {
    void (*blend)(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned alpha);
    void (*draw_alpha)(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity);
    void (*rule_blend)(const std::uint8_t* src, const std::uint8_t* rule, std::uint8_t* dst, int n, unsigned level,
                       unsigned shift);
    void (*coverage_row)(const std::uint8_t* upper, const std::uint8_t* lower, std::uint8_t* level, int w);
    void (*level_weights)(const std::uint8_t* level, std::uint16_t* weights, std::size_t n);
    void (*reduce_row)(const text_reduce::PassRow& row, int begin, int end, std::uint8_t* pixels);
    void (*blend_grey8)(const std::uint8_t* coverage, std::uint8_t* pixels, int n, unsigned colour);
};

extern const RowKernels kScalarKernels;
// Null when the build has no such path (the x86 ones on other targets, NEON off aarch64).
extern const RowKernels* const kSse2Kernels;
extern const RowKernels* const kAvx2Kernels;
extern const RowKernels* const kNeonKernels;

// The kernels of the active path (pixel_ops.h); read once per operation, so a path pinned
// meanwhile applies from the next operation on.
const RowKernels& ActiveKernels();

// The scalar loops, also used by the vector kernels for the last pixels of a row.
void BlendRowScalar(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned alpha);
void DrawAlphaRowScalar(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity);
void RuleBlendRowScalar(const std::uint8_t* src, const std::uint8_t* rule, std::uint8_t* dst, int n, unsigned level,
                        unsigned shift);

} // namespace hk::pixel_ops
