// Row kernels behind TABitmap's three drawing operations: one function per operation and path,
// each working on n pixels of one row, given the row start of source and destination (and of the
// rule image). The callers have clipped already; a kernel reads and writes exactly n pixels and
// nothing past them. Internal to gfx/.
#pragma once

#include <cstdint>

namespace hk::pixel_ops {

// Weights as the kernels receive them, already brought into range by the caller:
//   blend      alpha 0..256
//   draw alpha opacity 0..256
//   rule blend level = min(T, 255 + 2^shift), so it fits signed 16-bit lanes; shift 1..8
struct RowKernels {
    void (*blend)(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned alpha);
    void (*draw_alpha)(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity);
    void (*rule_blend)(const std::uint8_t* src, const std::uint8_t* rule, std::uint8_t* dst, int n, unsigned level,
                       unsigned shift);
};

extern const RowKernels kScalarKernels;
// Null when the build has no such path (not an x86 target).
extern const RowKernels* const kSse2Kernels;
extern const RowKernels* const kAvx2Kernels;

// The scalar loops, also used by the vector kernels for the last pixels of a row.
void BlendRowScalar(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned alpha);
void DrawAlphaRowScalar(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity);
void RuleBlendRowScalar(const std::uint8_t* src, const std::uint8_t* rule, std::uint8_t* dst, int n, unsigned level,
                        unsigned shift);

} // namespace hk::pixel_ops
