// SSE2 row kernels: four pixels per step, each byte widened to a 16-bit lane. Every weighted sum
// here is at most 255 * 256 = 65,280, so it fits an unsigned 16-bit lane exactly and the truncating
// shift gives the same bytes as the scalar loops. Pixels left over at the end of a row go through
// the scalar loops, so nothing past the row is read.
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

// (a * wa + b * wb) >> 8 in 16-bit lanes, with wa + wb = 256.
inline __m128i Mix8(__m128i a, __m128i wa, __m128i b, __m128i wb) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, wa), _mm_mullo_epi16(b, wb)), 8);
}

void BlendRowSse2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned alpha) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i wa = _mm_set1_epi16(static_cast<short>(alpha));
    const __m128i wb = _mm_set1_epi16(static_cast<short>(256 - alpha));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = Load4(src + 4 * i);
        const __m128i d = Load4(dst + 4 * i);
        const __m128i lo = Mix8(_mm_unpacklo_epi8(s, zero), wa, _mm_unpacklo_epi8(d, zero), wb);
        const __m128i hi = Mix8(_mm_unpackhi_epi8(s, zero), wa, _mm_unpackhi_epi8(d, zero), wb);
        Store4(dst + 4 * i, _mm_packus_epi16(lo, hi));
    }
    BlendRowScalar(src + 4 * i, dst + 4 * i, n - i, alpha);
}

// Source weight l of two widened pixels, in their blue, green and red lanes; 0 in the fourth lane
// so that the destination's fourth byte comes out unchanged.
inline __m128i DrawAlphaWeight(__m128i s16, __m128i opacity16, __m128i bgr_mask) {
    __m128i a = _mm_shufflelo_epi16(s16, _MM_SHUFFLE(3, 3, 3, 3));
    a = _mm_shufflehi_epi16(a, _MM_SHUFFLE(3, 3, 3, 3));
    // ((256 - A) * opacity) >> 8 reaches 65,536 for A = 0 and opacity 256, one past a 16-bit
    // lane; scaling both factors by 16 and keeping the high half of the product gives the same
    // quotient without the overflow.
    const __m128i clear16 = _mm_slli_epi16(_mm_sub_epi16(_mm_set1_epi16(256), a), 4);
    return _mm_and_si128(_mm_mulhi_epu16(clear16, opacity16), bgr_mask);
}

void DrawAlphaRowSse2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(256);
    const __m128i opacity16 = _mm_set1_epi16(static_cast<short>(opacity << 4));
    const __m128i bgr_mask = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = Load4(src + 4 * i);
        const __m128i d = Load4(dst + 4 * i);
        const __m128i s_lo = _mm_unpacklo_epi8(s, zero);
        const __m128i s_hi = _mm_unpackhi_epi8(s, zero);
        const __m128i l_lo = DrawAlphaWeight(s_lo, opacity16, bgr_mask);
        const __m128i l_hi = DrawAlphaWeight(s_hi, opacity16, bgr_mask);
        const __m128i lo = Mix8(s_lo, l_lo, _mm_unpacklo_epi8(d, zero), _mm_sub_epi16(full, l_lo));
        const __m128i hi = Mix8(s_hi, l_hi, _mm_unpackhi_epi8(d, zero), _mm_sub_epi16(full, l_hi));
        Store4(dst + 4 * i, _mm_packus_epi16(lo, hi));
    }
    DrawAlphaRowScalar(src + 4 * i, dst + 4 * i, n - i, opacity);
}

// The rule formula in one piece: with d = clamp(level - r, 0, R) the result is
// (src * d + dest * (R - d)) >> shift, which is dest for d = 0 and src for d = R exactly, so the
// "unchanged" and "copy" cases need no branches.
void RuleBlendRowSse2(const std::uint8_t* src, const std::uint8_t* rule, std::uint8_t* dst, int n, unsigned level,
                      unsigned shift) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i range = _mm_set1_epi16(static_cast<short>(1u << shift));
    const __m128i level16 = _mm_set1_epi16(static_cast<short>(level));
    const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        std::uint32_t rule4;
        std::memcpy(&rule4, rule + i, 4);
        __m128i r = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(rule4)), zero);
        r = _mm_unpacklo_epi16(r, r);
        const __m128i d = _mm_min_epi16(_mm_max_epi16(_mm_sub_epi16(level16, r), zero), range);
        const __m128i d_lo = _mm_unpacklo_epi32(d, d);
        const __m128i d_hi = _mm_unpackhi_epi32(d, d);
        const __m128i s = Load4(src + 4 * i);
        const __m128i t = Load4(dst + 4 * i);
        const __m128i lo =
            _mm_srl_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), d_lo),
                                        _mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), _mm_sub_epi16(range, d_lo))),
                          count);
        const __m128i hi =
            _mm_srl_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), d_hi),
                                        _mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), _mm_sub_epi16(range, d_hi))),
                          count);
        Store4(dst + 4 * i, _mm_packus_epi16(lo, hi));
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
