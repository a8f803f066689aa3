// The 128-bit x86 registers as the shared row kernels (pixel_ops_vector.h, text_reduce_vector.h)
// see them: four 32-bit pixels per register, taken as bytes or as 16-bit lanes. Include it only in
// a file compiled for SSE2 and nothing more: everything here has internal linkage, so no copy
// built for a wider instruction set can stand in for it at link time.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

namespace hk::simd {
namespace {

struct Sse2 {
    using Bits = __m128i;
    using Count = __m128i; // a shift count as the variable shifts take it
    static constexpr int kPixels = 4;

    static Bits Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
    static void Store(void* p, Bits v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
    static Bits Zero() { return _mm_setzero_si128(); }
    static Bits Splat16(unsigned v) { return _mm_set1_epi16(static_cast<short>(v)); }
    static Bits Splat32(std::uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
    static Bits Splat64(std::uint64_t v) { return _mm_set1_epi64x(static_cast<long long>(v)); }
    static Count MakeCount(unsigned n) { return _mm_cvtsi32_si128(static_cast<int>(n)); }

    static Bits And(Bits a, Bits b) { return _mm_and_si128(a, b); }
    static Bits Or(Bits a, Bits b) { return _mm_or_si128(a, b); }
    static Bits Add8(Bits a, Bits b) { return _mm_add_epi8(a, b); }
    static Bits Add16(Bits a, Bits b) { return _mm_add_epi16(a, b); }
    static Bits Sub16(Bits a, Bits b) { return _mm_sub_epi16(a, b); }
    static Bits SubSaturatedU16(Bits a, Bits b) { return _mm_subs_epu16(a, b); }
    // Both operands in 0..32,767, where signed and unsigned minimum agree.
    static Bits Min16(Bits a, Bits b) { return _mm_min_epi16(a, b); }
    static Bits MulLow16(Bits a, Bits b) { return _mm_mullo_epi16(a, b); }
    static Bits MulHighU16(Bits a, Bits b) { return _mm_mulhi_epu16(a, b); }
    template <int kBits> static Bits ShiftRight16(Bits a) { return _mm_srli_epi16(a, kBits); }
    template <int kBits> static Bits ShiftLeft16(Bits a) { return _mm_slli_epi16(a, kBits); }
    static Bits ShiftLeft16(Bits a, Count n) { return _mm_sll_epi16(a, n); }

    // Each pixel's fourth byte in both 16-bit halves of its 32-bit lane.
    static Bits FourthBytePerHalf(Bits s) {
        const __m128i a = _mm_srli_epi32(s, 24);
        return _mm_or_si128(a, _mm_slli_epi32(a, 16));
    }

    // True when the fourth byte of every pixel is 255. The sign bits are a cheap first test that
    // almost always fails on pictures with detail.
    static bool AllFourthBytesFull(Bits s) {
        return (_mm_movemask_epi8(s) & 0x8888) == 0x8888 &&
               (_mm_movemask_epi8(_mm_cmpeq_epi8(s, _mm_set1_epi32(-1))) & 0x8888) == 0x8888;
    }

    // kPixels bytes of a one-byte-per-pixel row, each in both 16-bit halves of its pixel's lane.
    static Bits SpreadRuleBytes(const std::uint8_t* rule) {
        std::uint32_t four;
        std::memcpy(&four, rule, 4);
        const __m128i r = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(four)), _mm_setzero_si128());
        return _mm_unpacklo_epi16(r, r);
    }

    // One register of pixels widened to one 16-bit lane per byte, in two registers of two pixels
    // each, and back: the low byte of every lane of two widened registers packed into one
    // register's worth of pixels (lanes hold 0..255 when packed).
    static constexpr int kWidePixels = kPixels / 2;
    static void LoadWidePair(const std::uint8_t* p, Bits& low, Bits& high) {
        const __m128i px = Load(p);
        low = _mm_unpacklo_epi8(px, _mm_setzero_si128());
        high = _mm_unpackhi_epi8(px, _mm_setzero_si128());
    }
    static void StoreNarrow(std::uint8_t* p, Bits low, Bits high) { Store(p, _mm_packus_epi16(low, high)); }
    // The low bytes of one register's 16-bit lanes (0..255 each): eight bytes; and eight bytes
    // widened into those lanes.
    static void StoreLowBytes(std::uint8_t* p, Bits v) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(v, _mm_setzero_si128()));
    }
    static Bits LoadLowBytes(const std::uint8_t* p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
    }

    // The coverage levels of kPixels cells spread as LoadWidePair spreads pixels: each level in
    // the three colour lanes of its pixel, 0 in the fourth byte's lane (the caller adds 1, 1, 1,
    // 256 to make the weights).
    static void SpreadLevelPair(const std::uint8_t* level, Bits& low, Bits& high) {
        std::uint32_t four;
        std::memcpy(&four, level, 4);
        const __m128i l = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(four)), _mm_setzero_si128());
        const __m128i pairs = _mm_unpacklo_epi16(l, l); // l0 l0 l1 l1 l2 l2 l3 l3
        const __m128i colour_lanes = _mm_set1_epi64x(0x0000FFFFFFFFFFFF);
        low = _mm_and_si128(_mm_unpacklo_epi32(pairs, pairs), colour_lanes);
        high = _mm_and_si128(_mm_unpackhi_epi32(pairs, pairs), colour_lanes);
    }
};

} // namespace
} // namespace hk::simd
