// AVX2 row kernels: eight pixels per step. The arithmetic is that of the SSE2 kernels (16-bit lanes,
// sums at most 65,280). The 256-bit unpack and pack instructions work within each 128-bit half, so
// widening with unpacklo/unpackhi and narrowing with packus puts the pixels back in their order;
// the per-pixel weights are spread into the same half-wise layout with byte shuffles. This file is
// compiled with AVX2 enabled and only ever called after the processor has been checked.
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

inline __m256i Mix8(__m256i a, __m256i wa, __m256i b, __m256i wb) {
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(a, wa), _mm256_mullo_epi16(b, wb)), 8);
}

void BlendRowAvx2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned alpha) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i wa = _mm256_set1_epi16(static_cast<short>(alpha));
    const __m256i wb = _mm256_set1_epi16(static_cast<short>(256 - alpha));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = Load8(src + 4 * i);
        const __m256i d = Load8(dst + 4 * i);
        const __m256i lo = Mix8(_mm256_unpacklo_epi8(s, zero), wa, _mm256_unpacklo_epi8(d, zero), wb);
        const __m256i hi = Mix8(_mm256_unpackhi_epi8(s, zero), wa, _mm256_unpackhi_epi8(d, zero), wb);
        Store8(dst + 4 * i, _mm256_packus_epi16(lo, hi));
    }
    BlendRowScalar(src + 4 * i, dst + 4 * i, n - i, alpha);
}

void DrawAlphaRowAvx2(const std::uint8_t* src, std::uint8_t* dst, int n, unsigned opacity) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i full = _mm256_set1_epi16(256);
    const __m256i opacity16 = _mm256_set1_epi16(static_cast<short>(opacity << 4));
    // Byte shuffles that spread each pixel's fourth byte over its blue, green and red lanes and
    // put 0 in its fourth lane: pixels 0, 1 of each half for the low part, 2, 3 for the high part.
    const __m256i spread_lo = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, -1, -1, 7, -1, 7, -1, 7, -1, -1, -1, //
                                               3, -1, 3, -1, 3, -1, -1, -1, 7, -1, 7, -1, 7, -1, -1, -1);
    const __m256i spread_hi = _mm256_setr_epi8(11, -1, 11, -1, 11, -1, -1, -1, 15, -1, 15, -1, 15, -1, -1, -1, //
                                               11, -1, 11, -1, 11, -1, -1, -1, 15, -1, 15, -1, 15, -1, -1, -1);
    const __m256i bgr_mask = _mm256_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0, -1, -1, -1, 0, -1, -1, -1, 0);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = Load8(src + 4 * i);
        const __m256i d = Load8(dst + 4 * i);
        // As in the SSE2 kernel: (256 - A) and the opacity both scaled by 16 so that the product's
        // high half is ((256 - A) * opacity) >> 8 without overflowing at A = 0, opacity 256.
        // The fourth lanes hold 0 after the shuffle, so they come out as 4096 * opacity16 >> 16,
        // which the mask clears.
        const __m256i a_lo = _mm256_shuffle_epi8(s, spread_lo);
        const __m256i a_hi = _mm256_shuffle_epi8(s, spread_hi);
        const __m256i l_lo = _mm256_and_si256(
            _mm256_mulhi_epu16(_mm256_slli_epi16(_mm256_sub_epi16(full, a_lo), 4), opacity16), bgr_mask);
        const __m256i l_hi = _mm256_and_si256(
            _mm256_mulhi_epu16(_mm256_slli_epi16(_mm256_sub_epi16(full, a_hi), 4), opacity16), bgr_mask);
        const __m256i lo =
            Mix8(_mm256_unpacklo_epi8(s, zero), l_lo, _mm256_unpacklo_epi8(d, zero), _mm256_sub_epi16(full, l_lo));
        const __m256i hi =
            Mix8(_mm256_unpackhi_epi8(s, zero), l_hi, _mm256_unpackhi_epi8(d, zero), _mm256_sub_epi16(full, l_hi));
        Store8(dst + 4 * i, _mm256_packus_epi16(lo, hi));
    }
    DrawAlphaRowScalar(src + 4 * i, dst + 4 * i, n - i, opacity);
}

void RuleBlendRowAvx2(const std::uint8_t* src, const std::uint8_t* rule, std::uint8_t* dst, int n, unsigned level,
                      unsigned shift) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i range = _mm256_set1_epi16(static_cast<short>(1u << shift));
    const __m256i level16 = _mm256_set1_epi16(static_cast<short>(level));
    const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
    // Eight rule bytes are loaded into both halves; these shuffles give each pixel its rule value
    // in all four of its lanes: rule bytes 0, 1 (low half) and 4, 5 (high half) for the low part,
    // 2, 3 and 6, 7 for the high part, matching the pixel order of the 256-bit unpacks.
    const __m256i spread_lo = _mm256_setr_epi8(0, -1, 0, -1, 0, -1, 0, -1, 1, -1, 1, -1, 1, -1, 1, -1, //
                                               4, -1, 4, -1, 4, -1, 4, -1, 5, -1, 5, -1, 5, -1, 5, -1);
    const __m256i spread_hi = _mm256_setr_epi8(2, -1, 2, -1, 2, -1, 2, -1, 3, -1, 3, -1, 3, -1, 3, -1, //
                                               6, -1, 6, -1, 6, -1, 6, -1, 7, -1, 7, -1, 7, -1, 7, -1);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i r = _mm256_broadcastq_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rule + i)));
        const __m256i r_lo = _mm256_shuffle_epi8(r, spread_lo);
        const __m256i r_hi = _mm256_shuffle_epi8(r, spread_hi);
        const __m256i d_lo = _mm256_min_epi16(_mm256_max_epi16(_mm256_sub_epi16(level16, r_lo), zero), range);
        const __m256i d_hi = _mm256_min_epi16(_mm256_max_epi16(_mm256_sub_epi16(level16, r_hi), zero), range);
        const __m256i s = Load8(src + 4 * i);
        const __m256i t = Load8(dst + 4 * i);
        const __m256i lo = _mm256_srl_epi16(
            _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(s, zero), d_lo),
                             _mm256_mullo_epi16(_mm256_unpacklo_epi8(t, zero), _mm256_sub_epi16(range, d_lo))),
            count);
        const __m256i hi = _mm256_srl_epi16(
            _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(s, zero), d_hi),
                             _mm256_mullo_epi16(_mm256_unpackhi_epi8(t, zero), _mm256_sub_epi16(range, d_hi))),
            count);
        Store8(dst + 4 * i, _mm256_packus_epi16(lo, hi));
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
