// SSE2 row kernels, the baseline every x86-64 processor runs: four pixels per step, written
// exactly like the AVX2 kernels (see there for the arithmetic) on 128-bit registers. Pixels left at
// the end of a row go through the scalar loops, so nothing past the row is read.
#include "gfx/pixel_ops_kernels.h"

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64)
#include <emmintrin.h>

#include <cstring>

namespace hk::pixel_ops {
namespace {

inline __m128i Load4(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store4(std::uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// One weighted mix of four pixels: (src * w + dst * (256 - w)) >> 8 per byte, with the weight
// of the even bytes (blue, red) in w_even and of the odd bytes (green, fourth) in w_odd.
// Written as (dst << 8) + (src - dst) * w, which needs one multiply per register instead of two;
// the 16-bit lanes wrap on the way, but the true sum lies in 0..65,280, so the wrapped result is
// the true one.
inline __m128i Mix4(__m128i s, __m128i d, __m128i w_even, __m128i w_odd) {
    const __m128i low_bytes = _mm_set1_epi16(0x00FF);
    const __m128i diff_even = _mm_sub_epi16(_mm_and_si128(s, low_bytes), _mm_and_si128(d, low_bytes));
    const __m128i diff_odd = _mm_sub_epi16(_mm_srli_epi16(s, 8), _mm_srli_epi16(d, 8));
    const __m128i even = _mm_add_epi16(_mm_slli_epi16(d, 8), _mm_mullo_epi16(diff_even, w_even));
    const __m128i odd = _mm_add_epi16(_mm_andnot_si128(low_bytes, d), _mm_mullo_epi16(diff_odd, w_odd));
    return _mm_or_si128(_mm_srli_epi16(even, 8), _mm_andnot_si128(low_bytes, odd));
}

void BlendRowSse2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned alpha) {
    const __m128i w = _mm_set1_epi16(static_cast<short>(alpha));
    int i = 0;
    for (; i + 4 <= n; i += 4)
        Store4(dst + 4 * i, Mix4(Load4(src + 4 * i), Load4(dst + 4 * i), w, w));
    BlendRowScalar(src + 4 * i, dst + 4 * i, n - i, alpha);
}

// The source weight l = ((256 - A) * opacity) >> 8 of four pixels, in the low half of each 32-bit
// lane (the green lane once the odd bytes are taken); the upper half, the fourth byte's lane,
// stays 0 so the destination's fourth byte comes out unchanged. The engine always draws with
// opacity 255, where l = 255 - A exactly (x * 255 >> 8 = x - 1 for x = 256 - A in 1..256), and
// 256 gives l = 256 - A; other opacities need the multiply.
template <int kOpacity> inline __m128i DrawAlphaWeight(__m128i s, __m128i opacity16) {
    const __m128i a = _mm_srli_epi32(s, 24);
    if constexpr (kOpacity == 255)
        return _mm_sub_epi16(_mm_set1_epi32(255), a);
    if constexpr (kOpacity == 256)
        return _mm_sub_epi16(_mm_set1_epi32(256), a);
    // The product (256 - A) * opacity reaches 65,536 for A = 0 and opacity 256, one past a 16-bit
    // lane; scaling both factors by 16 and keeping the product's high half gives the same quotient.
    const __m128i clear = _mm_sub_epi16(_mm_set1_epi32(256), a);
    return _mm_mulhi_epu16(_mm_slli_epi16(clear, 4), opacity16);
}

template <int kOpacity> void DrawAlphaRowSse2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity) {
    const __m128i opacity16 = _mm_set1_epi32(static_cast<int>(opacity << 4));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = Load4(src + 4 * i);
        const __m128i l = DrawAlphaWeight<kOpacity>(s, opacity16);
        Store4(dst + 4 * i, Mix4(s, Load4(dst + 4 * i), _mm_or_si128(l, _mm_slli_epi32(l, 16)), l));
    }
    DrawAlphaRowScalar(src + 4 * i, dst + 4 * i, n - i, opacity);
}

void DrawAlphaRowSse2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity) {
    if (opacity == 255)
        DrawAlphaRowSse2<255>(src, dst, n, opacity);
    else if (opacity == 256)
        DrawAlphaRowSse2<256>(src, dst, n, opacity);
    else
        DrawAlphaRowSse2<0>(src, dst, n, opacity);
}

// The rule formula in one piece: with d = clamp(level - r, 0, R) the result is
// (src * d + dest * (R - d)) >> shift, which is dest for d = 0 and src for d = R exactly, so the
// "unchanged" and "copy" cases need no branches. As in Mix4 it is computed as
// ((dest << shift) + (src - dest) * d) >> shift, exact because the true sum is at most 65,280.
void RuleBlendRowSse2(const std::uint8_t* src, const std::uint8_t* rule, std::uint8_t* dst, int n, unsigned level,
                      unsigned shift) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i range32 = _mm_set1_epi32(static_cast<int>(1u << shift));
    const __m128i level32 = _mm_set1_epi32(static_cast<int>(level));
    const __m128i low_bytes = _mm_set1_epi16(0x00FF);
    const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
    const __m128i count_up = _mm_cvtsi32_si128(static_cast<int>(8 - shift));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        // One rule byte per 32-bit lane; the constants' zero upper halves keep the weight in the
        // low half until it is copied up.
        std::uint32_t rule4;
        std::memcpy(&rule4, rule + i, 4);
        const __m128i r = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(rule4)), zero), zero);
        __m128i w = _mm_min_epi16(_mm_max_epi16(_mm_sub_epi16(level32, r), zero), range32);
        w = _mm_or_si128(w, _mm_slli_epi32(w, 16));
        const __m128i s = Load4(src + 4 * i);
        const __m128i d = Load4(dst + 4 * i);
        const __m128i d_even = _mm_and_si128(d, low_bytes);
        const __m128i d_odd = _mm_srli_epi16(d, 8);
        const __m128i even = _mm_add_epi16(_mm_sll_epi16(d_even, count),
                                           _mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(s, low_bytes), d_even), w));
        const __m128i odd =
            _mm_add_epi16(_mm_sll_epi16(d_odd, count), _mm_mullo_epi16(_mm_sub_epi16(_mm_srli_epi16(s, 8), d_odd), w));
        // odd >> shift, moved up into the high byte: (odd << (8 - shift)) with the low byte cleared.
        Store4(dst + 4 * i,
               _mm_or_si128(_mm_srl_epi16(even, count), _mm_andnot_si128(low_bytes, _mm_sll_epi16(odd, count_up))));
    }
    RuleBlendRowScalar(src + 4 * i, rule + i, dst + 4 * i, n - i, level, shift);
}

const RowKernels kSse2 = {BlendRowSse2, DrawAlphaRowSse2, RuleBlendRowSse2};

} // namespace

const RowKernels* const kSse2Kernels = &kSse2;

} // namespace hk::pixel_ops

#else

namespace hk::pixel_ops {
const RowKernels* const kSse2Kernels = nullptr;
} // namespace hk::pixel_ops

#endif
