// SSE2 row kernels, the baseline every x86-64 processor runs: four pixels per step, with the
// arithmetic of the AVX2 kernels (explained at the top of pixel_ops_avx2.cpp) on 128-bit
// registers. SSE2 has no byte shuffle, so the per-pixel weights are spread with shifts and
// unpacks instead. Pixels left at the end of a row go through the scalar loops, so nothing past
// the row is read.
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

// Four pixels mixed with an 8-bit weight w (R = 256) per 16-bit lane. odd_mask selects the odd
// bytes that change: all of them, or green only so that the fourth byte stays the destination's.
inline __m128i Mix4(__m128i s, __m128i d, __m128i w, __m128i odd_mask) {
    const __m128i low_bytes = _mm_set1_epi16(0x00FF);
    const __m128i diff_even = _mm_sub_epi16(_mm_and_si128(s, low_bytes), _mm_and_si128(d, low_bytes));
    const __m128i diff_odd = _mm_sub_epi16(_mm_srli_epi16(s, 8), _mm_srli_epi16(d, 8));
    const __m128i even = _mm_srli_epi16(_mm_mullo_epi16(diff_even, w), 8);
    const __m128i odd = _mm_and_si128(odd_mask, _mm_mullo_epi16(diff_odd, w));
    return _mm_add_epi8(_mm_add_epi8(d, even), odd);
}

inline __m128i OddBytes() {
    return _mm_set1_epi16(static_cast<short>(0xFF00));
}

void BlendRowSse2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned alpha) {
    const __m128i w = _mm_set1_epi16(static_cast<short>(alpha));
    int i = 0;
    for (; i + 4 <= n; i += 4)
        Store4(dst + 4 * i, Mix4(Load4(src + 4 * i), Load4(dst + 4 * i), w, OddBytes()));
    BlendRowScalar(src + 4 * i, dst + 4 * i, n - i, alpha);
}

// The source weight l = ((256 - A) * opacity) >> 8 of four pixels in the low 16-bit half of each
// pixel's 32-bit lane (the caller copies it to the high half). Opacity 255 gives l = 255 - A
// exactly, 256 gives 256 - A; other opacities need the multiply.
template <int kOpacity> inline __m128i DrawAlphaWeight(__m128i s, __m128i opacity16) {
    const __m128i a = _mm_srli_epi32(s, 24);
    if constexpr (kOpacity == 255)
        return _mm_sub_epi16(_mm_set1_epi32(255), a);
    if constexpr (kOpacity == 256)
        return _mm_sub_epi16(_mm_set1_epi32(256), a);
    // (256 - A) * opacity reaches 65,536 for A = 0 and opacity 256, one past a 16-bit lane;
    // scaling both factors by 16 and keeping the product's high half gives the same quotient.
    const __m128i clear = _mm_sub_epi16(_mm_set1_epi32(256), a);
    return _mm_mulhi_epu16(_mm_slli_epi16(clear, 4), opacity16);
}

template <int kOpacity> void DrawAlphaRowSse2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity) {
    const __m128i opacity16 = _mm_set1_epi32(static_cast<int>(opacity << 4));
    const __m128i all_ones = _mm_set1_epi32(-1);
    const __m128i green_bytes = _mm_set1_epi32(0x0000FF00);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = Load4(src + 4 * i);
        // Below opacity 256 clear pixels (A = 255) leave the destination as it is; runs of them
        // are passed over. The sign bits are a cheap first test.
        if (kOpacity != 256 && (_mm_movemask_epi8(s) & 0x8888) == 0x8888 &&
            (_mm_movemask_epi8(_mm_cmpeq_epi8(s, all_ones)) & 0x8888) == 0x8888)
            continue;
        const __m128i l = DrawAlphaWeight<kOpacity>(s, opacity16);
        Store4(dst + 4 * i, Mix4(s, Load4(dst + 4 * i), _mm_or_si128(l, _mm_slli_epi32(l, 16)), green_bytes));
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

// w = clamp(level - r, 0, R); (src * w + dest * (R - w)) >> shift is dest for w = 0 and src for
// w = R exactly, so the "unchanged" and "copy" cases need no branches. w scaled by 2^(8 - shift)
// makes it a mix with R = 256.
void RuleBlendRowSse2(const std::uint8_t* src, const std::uint8_t* rule, std::uint8_t* dst, int n, unsigned level,
                      unsigned shift) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i range = _mm_set1_epi16(static_cast<short>(1u << shift));
    const __m128i level16 = _mm_set1_epi16(static_cast<short>(level));
    const __m128i scale = _mm_cvtsi32_si128(static_cast<int>(8 - shift));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        std::uint32_t rule4;
        std::memcpy(&rule4, rule + i, 4);
        // Each pixel's rule byte into both 16-bit halves of its 32-bit lane.
        __m128i r = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(rule4)), zero);
        r = _mm_unpacklo_epi16(r, r);
        const __m128i w = _mm_sll_epi16(_mm_min_epi16(_mm_subs_epu16(level16, r), range), scale);
        Store4(dst + 4 * i, Mix4(Load4(src + 4 * i), Load4(dst + 4 * i), w, OddBytes()));
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
