// AVX2 row kernels: eight pixels per step. Each 32-byte load is split into two registers of
// 16-bit lanes, one with the even bytes (blue, red) and one with the odd bytes (green, fourth),
// so no byte shuffles are needed: the weights are spread over a pixel's two lanes with shifts.
// Every weighted sum is at most 255 * 256 = 65,280, so it fits an unsigned 16-bit lane exactly and
// the truncating shift gives the bytes of the scalar loops. The multiplier is the bottleneck, so
// each formula is arranged to need as few multiplies as possible. Pixels left at the end of a row go
// through those loops, so nothing past the row is read. This file is compiled with AVX2 enabled
// and only called after the processor has been checked.
#include "gfx/pixel_ops_kernels.h"

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64)
#include <immintrin.h>

namespace hk::pixel_ops {
namespace {

inline __m256i Load8(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void Store8(std::uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// One weighted mix of eight pixels: (src * w + dst * (256 - w)) >> 8 per byte, with the weight
// of the even bytes (blue, red) in w_even and of the odd bytes (green, fourth) in w_odd.
// Written as (dst << 8) + (src - dst) * w, which needs one multiply per register instead of two;
// the 16-bit lanes wrap on the way, but the true sum lies in 0..65,280, so the wrapped result is
// the true one.
inline __m256i Mix8(__m256i s, __m256i d, __m256i w_even, __m256i w_odd) {
    const __m256i low_bytes = _mm256_set1_epi16(0x00FF);
    const __m256i diff_even = _mm256_sub_epi16(_mm256_and_si256(s, low_bytes), _mm256_and_si256(d, low_bytes));
    const __m256i diff_odd = _mm256_sub_epi16(_mm256_srli_epi16(s, 8), _mm256_srli_epi16(d, 8));
    const __m256i even = _mm256_add_epi16(_mm256_slli_epi16(d, 8), _mm256_mullo_epi16(diff_even, w_even));
    const __m256i odd = _mm256_add_epi16(_mm256_andnot_si256(low_bytes, d), _mm256_mullo_epi16(diff_odd, w_odd));
    return _mm256_or_si256(_mm256_srli_epi16(even, 8), _mm256_andnot_si256(low_bytes, odd));
}

void BlendRowAvx2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned alpha) {
    const __m256i w = _mm256_set1_epi16(static_cast<short>(alpha));
    int i = 0;
    for (; i + 8 <= n; i += 8)
        Store8(dst + 4 * i, Mix8(Load8(src + 4 * i), Load8(dst + 4 * i), w, w));
    BlendRowScalar(src + 4 * i, dst + 4 * i, n - i, alpha);
}

// The source weight l = ((256 - A) * opacity) >> 8 of eight pixels, in the low half of each 32-bit
// lane (the green lane once the odd bytes are taken); the upper half, the fourth byte's lane,
// stays 0 so the destination's fourth byte comes out unchanged. The engine always draws with
// opacity 255, where l = 255 - A exactly (x * 255 >> 8 = x - 1 for x = 256 - A in 1..256), and
// 256 gives l = 256 - A; other opacities need the multiply.
template <int kOpacity> inline __m256i DrawAlphaWeight(__m256i s, __m256i opacity16) {
    const __m256i a = _mm256_srli_epi32(s, 24);
    if constexpr (kOpacity == 255)
        return _mm256_sub_epi16(_mm256_set1_epi32(255), a);
    if constexpr (kOpacity == 256)
        return _mm256_sub_epi16(_mm256_set1_epi32(256), a);
    // The product (256 - A) * opacity reaches 65,536 for A = 0 and opacity 256, one past a 16-bit
    // lane; scaling both factors by 16 and keeping the product's high half gives the same quotient.
    const __m256i clear = _mm256_sub_epi16(_mm256_set1_epi32(256), a);
    return _mm256_mulhi_epu16(_mm256_slli_epi16(clear, 4), opacity16);
}

template <int kOpacity> void DrawAlphaRowAvx2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity) {
    const __m256i opacity16 = _mm256_set1_epi32(static_cast<int>(opacity << 4));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = Load8(src + 4 * i);
        const __m256i l = DrawAlphaWeight<kOpacity>(s, opacity16);
        Store8(dst + 4 * i, Mix8(s, Load8(dst + 4 * i), _mm256_or_si256(l, _mm256_slli_epi32(l, 16)), l));
    }
    DrawAlphaRowScalar(src + 4 * i, dst + 4 * i, n - i, opacity);
}

void DrawAlphaRowAvx2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity) {
    if (opacity == 255)
        DrawAlphaRowAvx2<255>(src, dst, n, opacity);
    else if (opacity == 256)
        DrawAlphaRowAvx2<256>(src, dst, n, opacity);
    else
        DrawAlphaRowAvx2<0>(src, dst, n, opacity);
}

// The rule formula in one piece: with d = clamp(level - r, 0, R) the result is
// (src * d + dest * (R - d)) >> shift, which is dest for d = 0 and src for d = R exactly, so the
// "unchanged" and "copy" cases need no branches. As in Mix8 it is computed as
// ((dest << shift) + (src - dest) * d) >> shift, exact because the true sum is at most 65,280.
void RuleBlendRowAvx2(const std::uint8_t* src, const std::uint8_t* rule, std::uint8_t* dst, int n, unsigned level,
                      unsigned shift) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i range32 = _mm256_set1_epi32(static_cast<int>(1u << shift));
    const __m256i level32 = _mm256_set1_epi32(static_cast<int>(level));
    const __m256i low_bytes = _mm256_set1_epi16(0x00FF);
    const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
    const __m128i count_up = _mm_cvtsi32_si128(static_cast<int>(8 - shift));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        // One rule byte per 32-bit lane; the constants' zero upper halves keep the weight in the
        // low half until it is copied up.
        const __m256i r = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rule + i)));
        __m256i w = _mm256_min_epi16(_mm256_max_epi16(_mm256_sub_epi16(level32, r), zero), range32);
        w = _mm256_or_si256(w, _mm256_slli_epi32(w, 16));
        const __m256i s = Load8(src + 4 * i);
        const __m256i d = Load8(dst + 4 * i);
        const __m256i d_even = _mm256_and_si256(d, low_bytes);
        const __m256i d_odd = _mm256_srli_epi16(d, 8);
        const __m256i even =
            _mm256_add_epi16(_mm256_sll_epi16(d_even, count),
                             _mm256_mullo_epi16(_mm256_sub_epi16(_mm256_and_si256(s, low_bytes), d_even), w));
        const __m256i odd = _mm256_add_epi16(_mm256_sll_epi16(d_odd, count),
                                             _mm256_mullo_epi16(_mm256_sub_epi16(_mm256_srli_epi16(s, 8), d_odd), w));
        // odd >> shift, moved up into the high byte: (odd << (8 - shift)) with the low byte cleared.
        Store8(dst + 4 * i, _mm256_or_si256(_mm256_srl_epi16(even, count),
                                            _mm256_andnot_si256(low_bytes, _mm256_sll_epi16(odd, count_up))));
    }
    RuleBlendRowScalar(src + 4 * i, rule + i, dst + 4 * i, n - i, level, shift);
}

const RowKernels kAvx2 = {BlendRowAvx2, DrawAlphaRowAvx2, RuleBlendRowAvx2};

} // namespace

const RowKernels* const kAvx2Kernels = &kAvx2;

} // namespace hk::pixel_ops

#else

namespace hk::pixel_ops {
const RowKernels* const kAvx2Kernels = nullptr;
} // namespace hk::pixel_ops

#endif
