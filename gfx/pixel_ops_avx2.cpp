// AVX2 row kernels: eight pixels per step. This file is compiled with AVX2 enabled and only called
// after the processor has been checked.
//
// The arithmetic, shared with the SSE2 kernels: each 32-byte load is taken as 16-bit lanes, and
// the even bytes (blue, red) and the odd bytes (green, fourth) are weighted separately, so no
// unpacking or packing is needed. A mix (src * w + dst * (R - w)) >> s with R = 2^s is
// dst + floor((src - dst) * w / R); the product P = (src - dst) * w is taken modulo 2^16 with one
// multiply, and because the true result is a byte, the low byte of P >> s (logical shift) added to
// dst with a byte-wise add gives it exactly: the wrap changes P >> s only by a multiple of 256.
// The multiplier and the shifter are the bottleneck, so each formula is arranged to need as few
// of them as possible. Pixels left at the end of a row go through the scalar loops, so nothing
// past the row is read.
#include "gfx/pixel_ops_kernels.h"

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64)
#include <immintrin.h>

#include <cstring>

namespace hk::pixel_ops {
namespace {

inline __m256i Load8(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void Store8(std::uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Eight pixels mixed with an 8-bit weight w (R = 256) per 16-bit lane. odd_mask selects the odd
// bytes that change: all of them, or green only so that the fourth byte stays the destination's.
inline __m256i Mix8(__m256i s, __m256i d, __m256i w, __m256i odd_mask) {
    const __m256i low_bytes = _mm256_set1_epi16(0x00FF);
    const __m256i diff_even = _mm256_sub_epi16(_mm256_and_si256(s, low_bytes), _mm256_and_si256(d, low_bytes));
    const __m256i diff_odd = _mm256_sub_epi16(_mm256_srli_epi16(s, 8), _mm256_srli_epi16(d, 8));
    const __m256i even = _mm256_srli_epi16(_mm256_mullo_epi16(diff_even, w), 8);
    const __m256i odd = _mm256_and_si256(odd_mask, _mm256_mullo_epi16(diff_odd, w));
    return _mm256_add_epi8(_mm256_add_epi8(d, even), odd);
}

inline __m256i OddBytes() {
    return _mm256_set1_epi16(static_cast<short>(0xFF00));
}

void BlendRowAvx2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned alpha) {
    const __m256i w = _mm256_set1_epi16(static_cast<short>(alpha));
    int i = 0;
    for (; i + 8 <= n; i += 8)
        Store8(dst + 4 * i, Mix8(Load8(src + 4 * i), Load8(dst + 4 * i), w, OddBytes()));
    BlendRowScalar(src + 4 * i, dst + 4 * i, n - i, alpha);
}

// The source weight l = ((256 - A) * opacity) >> 8 of eight pixels in both 16-bit halves of each
// pixel. The engine always draws with opacity 255, where l = 255 - A exactly
// (x * 255 >> 8 = x - 1 for x = 256 - A in 1..256); 256 gives l = 256 - A; other opacities need
// the multiply.
template <int kOpacity> inline __m256i DrawAlphaWeight(__m256i s, __m256i opacity16) {
    // The fourth byte of each pixel into both of its 16-bit halves.
    const __m256i spread = _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1, //
                                            3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1);
    const __m256i a = _mm256_shuffle_epi8(s, spread);
    if constexpr (kOpacity == 255)
        return _mm256_sub_epi16(_mm256_set1_epi16(255), a);
    if constexpr (kOpacity == 256)
        return _mm256_sub_epi16(_mm256_set1_epi16(256), a);
    // The product (256 - A) * opacity reaches 65,536 for A = 0 and opacity 256, one past a 16-bit
    // lane; scaling both factors by 16 and keeping the product's high half gives the same quotient.
    const __m256i clear = _mm256_sub_epi16(_mm256_set1_epi16(256), a);
    return _mm256_mulhi_epu16(_mm256_slli_epi16(clear, 4), opacity16);
}

template <int kOpacity> void DrawAlphaRowAvx2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity) {
    const __m256i opacity16 = _mm256_set1_epi16(static_cast<short>(opacity << 4));
    const __m256i green_bytes = _mm256_set1_epi32(0x0000FF00);
    const __m256i fourth_bytes = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = Load8(src + 4 * i);
        // Below opacity 256 a clear pixel (A = 255) has l = 0 and leaves the destination as it is.
        // Character layers are mostly clear, so whole runs of clear pixels are passed over. The
        // sign bits are a cheap first test that almost always fails on pictures with detail.
        if (kOpacity != 256 && (static_cast<unsigned>(_mm256_movemask_epi8(s)) & 0x88888888u) == 0x88888888u &&
            _mm256_testc_si256(s, fourth_bytes))
            continue;
        const __m256i l = DrawAlphaWeight<kOpacity>(s, opacity16);
        Store8(dst + 4 * i, Mix8(s, Load8(dst + 4 * i), l, green_bytes));
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

// The rule formula in one piece: with w = clamp(level - r, 0, R) the result is
// (src * w + dest * (R - w)) >> shift, which is dest for w = 0 and src for w = R exactly, so the
// "unchanged" and "copy" cases need no branches. Scaling w by 2^(8 - shift) turns it into a mix
// with R = 256: floor(P * 2^(8 - shift) / 256) = floor(P / 2^shift).
void RuleBlendRowAvx2(const std::uint8_t* src, const std::uint8_t* rule, std::uint8_t* dst, int n, unsigned level,
                      unsigned shift) {
    const __m256i range = _mm256_set1_epi16(static_cast<short>(1u << shift));
    const __m256i level16 = _mm256_set1_epi16(static_cast<short>(level));
    const __m128i scale = _mm_cvtsi32_si128(static_cast<int>(8 - shift));
    // Eight rule bytes are loaded into both 128-bit halves; this puts each pixel's rule byte into
    // both 16-bit halves of its 32-bit lane: bytes 0..3 in the low half, 4..7 in the high half.
    const __m256i spread = _mm256_setr_epi8(0, -1, 0, -1, 1, -1, 1, -1, 2, -1, 2, -1, 3, -1, 3, -1, //
                                            4, -1, 4, -1, 5, -1, 5, -1, 6, -1, 6, -1, 7, -1, 7, -1);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        std::int64_t rule8;
        std::memcpy(&rule8, rule + i, 8);
        const __m256i r = _mm256_shuffle_epi8(_mm256_set1_epi64x(rule8), spread);
        // The unsigned saturating subtraction is max(level - r, 0) in one step.
        const __m256i w = _mm256_sll_epi16(_mm256_min_epi16(_mm256_subs_epu16(level16, r), range), scale);
        Store8(dst + 4 * i, Mix8(Load8(src + 4 * i), Load8(dst + 4 * i), w, OddBytes()));
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
