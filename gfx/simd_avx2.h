// The 256-bit x86 registers as the shared row kernels (pixel_ops_vector.h, text_reduce_vector.h)
// see them: eight 32-bit pixels per register, taken as bytes or as 16-bit lanes. Include it only in
// a file compiled with AVX2 enabled, and call that file's code only after the processor has been
// checked: everything here has internal linkage, so no copy of it can end up in code meant for
// processors without AVX2.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <cstring>

namespace hk::simd {
namespace {

struct Avx2 {
    using Bits = __m256i;
    using Count = __m128i; // a shift count as the variable shifts take it
    static constexpr int kPixels = 8;

    static Bits Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
    static void Store(void* p, Bits v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
    static Bits Zero() { return _mm256_setzero_si256(); }
    static Bits Splat16(unsigned v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    static Bits Splat32(std::uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
    static Bits Splat64(std::uint64_t v) { return _mm256_set1_epi64x(static_cast<long long>(v)); }
    static Count MakeCount(unsigned n) { return _mm_cvtsi32_si128(static_cast<int>(n)); }

    static Bits And(Bits a, Bits b) { return _mm256_and_si256(a, b); }
    static Bits Or(Bits a, Bits b) { return _mm256_or_si256(a, b); }
    static Bits Add8(Bits a, Bits b) { return _mm256_add_epi8(a, b); }
    static Bits Add16(Bits a, Bits b) { return _mm256_add_epi16(a, b); }
    static Bits Sub16(Bits a, Bits b) { return _mm256_sub_epi16(a, b); }
    static Bits SubSaturatedU16(Bits a, Bits b) { return _mm256_subs_epu16(a, b); }
    // Both operands in 0..32,767, where signed and unsigned minimum agree.
    static Bits Min16(Bits a, Bits b) { return _mm256_min_epi16(a, b); }
    static Bits MulLow16(Bits a, Bits b) { return _mm256_mullo_epi16(a, b); }
    static Bits MulHighU16(Bits a, Bits b) { return _mm256_mulhi_epu16(a, b); }
    template <int kBits> static Bits ShiftRight16(Bits a) { return _mm256_srli_epi16(a, kBits); }
    template <int kBits> static Bits ShiftLeft16(Bits a) { return _mm256_slli_epi16(a, kBits); }
    static Bits ShiftLeft16(Bits a, Count n) { return _mm256_sll_epi16(a, n); }

    // Each pixel's fourth byte in both 16-bit halves of its 32-bit lane: one shuffle, which keeps
    // the shifter (the busiest unit in these kernels) free.
    static Bits FourthBytePerHalf(Bits s) {
        const __m256i spread = _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1, //
                                                3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1);
        return _mm256_shuffle_epi8(s, spread);
    }

    // True when the fourth byte of every pixel is 255. The sign bits are a cheap first test that
    // almost always fails on pictures with detail.
    static bool AllFourthBytesFull(Bits s) {
        return (static_cast<unsigned>(_mm256_movemask_epi8(s)) & 0x88888888u) == 0x88888888u &&
               _mm256_testc_si256(s, _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
    }

    // kPixels bytes of a one-byte-per-pixel row, each in both 16-bit halves of its pixel's lane:
    // the eight bytes go into both 128-bit halves, and one shuffle spreads bytes 0..3 over the low
    // half and 4..7 over the high half.
    static Bits SpreadRuleBytes(const std::uint8_t* rule) {
        const __m256i spread = _mm256_setr_epi8(0, -1, 0, -1, 1, -1, 1, -1, 2, -1, 2, -1, 3, -1, 3, -1, //
                                                4, -1, 4, -1, 5, -1, 5, -1, 6, -1, 6, -1, 7, -1, 7, -1);
        std::int64_t eight;
        std::memcpy(&eight, rule, 8);
        return _mm256_shuffle_epi8(_mm256_set1_epi64x(eight), spread);
    }

    // One register of pixels widened to one 16-bit lane per byte, in two registers of four pixels
    // each, and back: the low byte of every lane of two widened registers packed into one
    // register's worth of pixels (lanes hold 0..255 when packed). The pack works within each
    // 128-bit half; the permute puts the pixels back in order.
    static constexpr int kWidePixels = kPixels / 2;
    static void LoadWidePair(const std::uint8_t* p, Bits& low, Bits& high) {
        low = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        high = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
    }
    static void StoreNarrow(std::uint8_t* p, Bits low, Bits high) {
        Store(p, _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), 0xD8));
    }
    // The low bytes of one register's 16-bit lanes (0..255 each): sixteen bytes; and sixteen bytes
    // widened into those lanes.
    static void StoreLowBytes(std::uint8_t* p, Bits v) {
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, _mm256_setzero_si256()), 0xD8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(packed));
    }
    static Bits LoadLowBytes(const std::uint8_t* p) {
        return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    // The same for eight bytes, in the first eight lanes, for the ends of short rows.
    static Bits LoadEightBytes(const std::uint8_t* p) {
        return _mm256_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
    }
    static void StoreEightBytes(std::uint8_t* p, Bits v) {
        const __m128i low = _mm256_castsi256_si128(v);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(low, low));
    }

    // The coverage levels of kPixels cells spread as LoadWidePair spreads pixels: each level in
    // the three colour lanes of its pixel, 0 in the fourth byte's lane (the caller adds 1, 1, 1,
    // 256 to make the weights). The eight levels go into both 128-bit halves; one shuffle per
    // register picks its four.
    static void SpreadLevelPair(const std::uint8_t* level, Bits& low, Bits& high) {
        const __m256i first = _mm256_setr_epi8(0, -1, 0, -1, 0, -1, -1, -1, 1, -1, 1, -1, 1, -1, -1, -1, //
                                               2, -1, 2, -1, 2, -1, -1, -1, 3, -1, 3, -1, 3, -1, -1, -1);
        const __m256i second = _mm256_setr_epi8(4, -1, 4, -1, 4, -1, -1, -1, 5, -1, 5, -1, 5, -1, -1, -1, //
                                                6, -1, 6, -1, 6, -1, -1, -1, 7, -1, 7, -1, 7, -1, -1, -1);
        std::int64_t eight;
        std::memcpy(&eight, level, 8);
        const __m256i levels = _mm256_set1_epi64x(eight);
        low = _mm256_shuffle_epi8(levels, first);
        high = _mm256_shuffle_epi8(levels, second);
    }
};

} // namespace
} // namespace hk::simd
