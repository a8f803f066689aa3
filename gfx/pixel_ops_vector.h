// The row loops of BlendOnto, DrawAlphaOnto and RuleBlendOnto written once over a vector type V
// (simd_sse2.h, simd_avx2.h, simd_neon.h) and compiled once per instruction set by the file of
// that set. Everything here has internal linkage, like the vector types, so each instruction set
// keeps its own copy. Pixels left at the end of a row go through the scalar loops, so nothing past
// the row is read.
//
// The arithmetic: each load is taken as 16-bit lanes, and the even bytes (blue, red) and the odd
// bytes (green, fourth) are weighted separately, so no unpacking or packing is needed. A mix
// (src * w + dst * (R - w)) >> s with R = 2^s is dst + floor((src - dst) * w / R); the product
// P = (src - dst) * w is taken modulo 2^16 with one multiply, and because the true result is a
// byte, the low byte of P >> s (logical shift) added to dst with a byte-wise add gives it exactly:
// the wrap changes P >> s only by a multiple of 256. The multiplier and the shifter are the
// bottleneck, so each formula is arranged to need as few of them as possible.
#pragma once

#include "gfx/pixel_ops_kernels.h"

#include <cstdint>

namespace hk::pixel_ops {
namespace {

// kPixels pixels mixed with an 8-bit weight w (R = 256) per 16-bit lane. odd_mask selects the odd
// bytes that change: all of them, or green only so that the fourth byte stays the destination's.
template <class V>
typename V::Bits Mix(typename V::Bits s, typename V::Bits d, typename V::Bits w, typename V::Bits odd_mask) {
    const auto low_bytes = V::Splat16(0x00FF);
    const auto diff_even = V::Sub16(V::And(s, low_bytes), V::And(d, low_bytes));
    const auto diff_odd = V::Sub16(V::template ShiftRight16<8>(s), V::template ShiftRight16<8>(d));
    const auto even = V::template ShiftRight16<8>(V::MulLow16(diff_even, w));
    const auto odd = V::And(odd_mask, V::MulLow16(diff_odd, w));
    return V::Add8(V::Add8(d, even), odd);
}

template <class V> void BlendRow(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned alpha) {
    const auto w = V::Splat16(alpha);
    const auto odd_bytes = V::Splat16(0xFF00);
    int i = 0;
    for (; i + V::kPixels <= n; i += V::kPixels)
        V::Store(dst + 4 * i, Mix<V>(V::Load(src + 4 * i), V::Load(dst + 4 * i), w, odd_bytes));
    BlendRowScalar(src + 4 * i, dst + 4 * i, n - i, alpha);
}

// The source weight l = ((256 - A) * opacity) >> 8 of each pixel in both of its 16-bit halves. The
// engine always draws with opacity 255, where l = 255 - A exactly (x * 255 >> 8 = x - 1 for
// x = 256 - A in 1..256); 256 gives l = 256 - A; other opacities need the multiply.
template <class V, int kOpacity> typename V::Bits DrawAlphaWeight(typename V::Bits s, typename V::Bits opacity16) {
    const auto a = V::FourthBytePerHalf(s);
    if constexpr (kOpacity == 255)
        return V::Sub16(V::Splat16(255), a);
    if constexpr (kOpacity == 256)
        return V::Sub16(V::Splat16(256), a);
    // (256 - A) * opacity reaches 65,536 for A = 0 and opacity 256, one past a 16-bit lane;
    // scaling both factors by 16 and keeping the product's high half gives the same quotient.
    const auto clear = V::Sub16(V::Splat16(256), a);
    return V::MulHighU16(V::template ShiftLeft16<4>(clear), opacity16);
}

template <class V, int kOpacity>
void DrawAlphaRowAt(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity) {
    const auto opacity16 = V::Splat16(opacity << 4);
    const auto green_bytes = V::Splat32(0x0000FF00);
    int i = 0;
    for (; i + V::kPixels <= n; i += V::kPixels) {
        const auto s = V::Load(src + 4 * i);
        // Below opacity 256 a clear pixel (A = 255) has l = 0 and leaves the destination as it is.
        // Character layers are mostly clear, so whole runs of clear pixels are passed over.
        if (kOpacity != 256 && V::AllFourthBytesFull(s))
            continue;
        const auto l = DrawAlphaWeight<V, kOpacity>(s, opacity16);
        V::Store(dst + 4 * i, Mix<V>(s, V::Load(dst + 4 * i), l, green_bytes));
    }
    DrawAlphaRowScalar(src + 4 * i, dst + 4 * i, n - i, opacity);
}

template <class V> void DrawAlphaRow(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity) {
    if (opacity == 255)
        DrawAlphaRowAt<V, 255>(src, dst, n, opacity);
    else if (opacity == 256)
        DrawAlphaRowAt<V, 256>(src, dst, n, opacity);
    else
        DrawAlphaRowAt<V, 0>(src, dst, n, opacity);
}

// The rule formula in one piece: with w = clamp(level - r, 0, R) the result is
// (src * w + dest * (R - w)) >> shift, which is dest for w = 0 and src for w = R exactly, so the
// "unchanged" and "copy" cases need no branches. Scaling w by 2^(8 - shift) turns it into a mix
// with R = 256: floor(P * 2^(8 - shift) / 256) = floor(P / 2^shift).
template <class V>
void RuleBlendRow(const std::uint8_t* src, const std::uint8_t* rule, std::uint8_t* dst, int n, unsigned level,
                  unsigned shift) {
    const auto range = V::Splat16(1u << shift);
    const auto level16 = V::Splat16(level);
    const auto scale = V::MakeCount(8 - shift);
    const auto odd_bytes = V::Splat16(0xFF00);
    int i = 0;
    for (; i + V::kPixels <= n; i += V::kPixels) {
        // The unsigned saturating subtraction is max(level - r, 0) in one step.
        const auto r = V::SpreadRuleBytes(rule + i);
        const auto w = V::ShiftLeft16(V::Min16(V::SubSaturatedU16(level16, r), range), scale);
        V::Store(dst + 4 * i, Mix<V>(V::Load(src + 4 * i), V::Load(dst + 4 * i), w, odd_bytes));
    }
    RuleBlendRowScalar(src + 4 * i, rule + i, dst + 4 * i, n - i, level, shift);
}

} // namespace
} // namespace hk::pixel_ops
