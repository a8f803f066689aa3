// The row loops of smoothed and outlined text, and of the glyph blend on one-byte surfaces, written
// once over a vector type V (simd_sse2.h, simd_avx2.h, simd_neon.h) and compiled once per
// instruction set, beside the pixel kernels of pixel_ops_vector.h and with internal linkage like
// them. Pixels are blended as 16-bit lanes: old * c + colour * (256 - c) never exceeds 255 * 256,
// so nothing overflows, and the fourth byte's lane uses c = 256 and colour 0, which gives it back
// unchanged. The pixels left at the end of a row go through the scalar loops of text_reduce.cpp.
#pragma once

#include "gfx/text_reduce.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace hk::text_reduce {
namespace {

// The lanes 1, 1, 1, 256 of one pixel: added to a level spread over blue, green and red, they make
// the pixel's four weights.
constexpr std::uint64_t kWeightOffsets = 0x0100000100010001u;

template <int kBytes> bool AllBlank(const std::uint8_t* level) {
    if constexpr (kBytes == 4) {
        std::uint32_t v;
        std::memcpy(&v, level, 4);
        return v == 0xFFFFFFFFu;
    } else {
        static_assert(kBytes % 8 == 0);
        std::uint64_t all = ~std::uint64_t{0};
        for (int b = 0; b < kBytes; b += 8) {
            std::uint64_t v;
            std::memcpy(&v, level + b, 8);
            all &= v;
        }
        return all == ~std::uint64_t{0};
    }
}

template <int kBytes> bool AllZero(const std::uint8_t* coverage) {
    static_assert(kBytes % 8 == 0);
    std::uint64_t any = 0;
    for (int b = 0; b < kBytes; b += 8) {
        std::uint64_t v;
        std::memcpy(&v, coverage + b, 8);
        any |= v;
    }
    return any == 0;
}

template <class V> void CoverageRow(const std::uint8_t* upper, const std::uint8_t* lower, std::uint8_t* level, int w) {
    // One register of each scratch row gives one 16-bit sum per two bytes: even and odd bytes
    // added apart.
    constexpr int kLevels = 2 * V::kPixels;
    const auto low_bytes = V::Splat16(0x00FF);
    int i = 0;
    for (; i + kLevels <= w; i += kLevels) {
        const auto u = V::Load(upper + 2 * i);
        const auto l = V::Load(lower + 2 * i);
        const auto sum = V::Add16(V::Add16(V::And(u, low_bytes), V::template ShiftRight16<8>(u)),
                                  V::Add16(V::And(l, low_bytes), V::template ShiftRight16<8>(l)));
        V::StoreLowBytes(level + i, V::template ShiftRight16<2>(sum));
    }
    CoverageRowScalar(upper + 2 * i, lower + 2 * i, level + i, w - i);
}

template <class V> void LevelWeights(const std::uint8_t* level, std::uint16_t* weights, std::size_t n) {
    const auto offsets = V::Splat64(kWeightOffsets);
    std::size_t i = 0;
    for (; i + V::kPixels <= n; i += V::kPixels) {
        typename V::Bits low, high;
        V::SpreadLevelPair(level + i, low, high);
        V::Store(weights + 4 * i, V::Add16(low, offsets));
        V::Store(weights + 4 * (i + V::kWidePixels), V::Add16(high, offsets));
    }
    LevelWeightsScalar(level + i, weights + 4 * i, n - i);
}

// The weights of the kPixels cells from grid cell `cell` on, in the two registers the pixels
// widen to. Always inlined: as a call it would pass its registers through memory.
template <class V>
[[gnu::always_inline]] inline void CellWeights(const PassRow& row, std::ptrdiff_t cell, typename V::Bits& low,
                                               typename V::Bits& high) {
    if (row.weights) {
        low = V::Load(row.weights + 4 * cell);
        high = V::Load(row.weights + 4 * (cell + V::kWidePixels));
        return;
    }
    V::SpreadLevelPair(row.grid + cell, low, high);
    const auto offsets = V::Splat64(kWeightOffsets);
    low = V::Add16(low, offsets);
    high = V::Add16(high, offsets);
}

// One pass on one widened register: (old * c + colour * (256 - c)) >> 8, without the colour term
// for black.
template <class V>
[[gnu::always_inline]] inline typename V::Bits BlendWide(typename V::Bits v, typename V::Bits c,
                                                         typename V::Bits colour, bool black) {
    auto sum = V::MulLow16(v, c);
    if (!black)
        sum = V::Add16(sum, V::MulLow16(colour, V::Sub16(V::Splat16(256), c)));
    return V::template ShiftRight16<8>(sum);
}

// kRegs widened registers of pixels (kRegs / 2 registers of pixels) from column i: each pass's
// blend is a chain of dependent multiplies, so several registers side by side keep the multiplier
// busy. A blank level has c = 256 and leaves its pixel as it is, so a block no pass touches is
// passed over whole.
template <class V, int kRegs>
void ReduceBlock(const PassRow& row, const typename V::Bits* colour, int i, std::uint8_t* d) {
    static_assert(kRegs % 2 == 0);
    constexpr int kWide = V::kWidePixels;
    bool touched[kMaxPasses];
    bool any = false;
    for (int k = 0; k < row.count; ++k) {
        touched[k] = !AllBlank<kRegs * kWide>(row.grid + row.offset[k] + i);
        any = any || touched[k];
    }
    if (!any)
        return;
    typename V::Bits v[kRegs];
    for (int q = 0; q < kRegs; q += 2)
        V::LoadWidePair(d + 4 * kWide * q, v[q], v[q + 1]);
    for (int k = 0; k < row.count; ++k) {
        if (!touched[k])
            continue;
        for (int q = 0; q < kRegs; q += 2) {
            typename V::Bits c_low, c_high;
            CellWeights<V>(row, row.offset[k] + i + kWide * q, c_low, c_high);
            v[q] = BlendWide<V>(v[q], c_low, colour[k], row.black[k]);
            v[q + 1] = BlendWide<V>(v[q + 1], c_high, colour[k], row.black[k]);
        }
    }
    for (int q = 0; q < kRegs; q += 2)
        V::StoreNarrow(d + 4 * kWide * q, v[q], v[q + 1]);
}

template <class V> void ReduceRow(const PassRow& row, int begin, int end, std::uint8_t* pixels) {
    typename V::Bits colour[kMaxPasses];
    for (int k = 0; k < row.count; ++k)
        colour[k] = V::Splat64(std::uint64_t{row.colour[k][0]} | std::uint64_t{row.colour[k][1]} << 16 |
                               std::uint64_t{row.colour[k][2]} << 32);
    constexpr int kLarge = 8 * V::kWidePixels;
    constexpr int kSmall = 2 * V::kWidePixels;
    int i = begin;
    for (; i + kLarge <= end; i += kLarge, pixels += 4 * kLarge)
        ReduceBlock<V, 8>(row, colour, i, pixels);
    for (; i + kSmall <= end; i += kSmall, pixels += 4 * kSmall)
        ReduceBlock<V, 2>(row, colour, i, pixels);
    ReduceRowScalar(row, i, end, pixels);
}

// One widened register of the glyph blend: t = p * (255 - a) + colour * a + 127 is at most
// 255 * 255 + 127, and for such t, t / 255 == (t + 1 + ((t + 1) >> 8)) >> 8; t + 1 still fits a
// 16-bit lane.
template <class V>
[[gnu::always_inline]] inline typename V::Bits BlendGrey8Wide(typename V::Bits p, typename V::Bits a,
                                                              typename V::Bits colour) {
    const auto keep = V::Sub16(V::Splat16(255), a);
    const auto t1 = V::Add16(V::Add16(V::MulLow16(p, keep), V::MulLow16(colour, a)), V::Splat16(128));
    return V::template ShiftRight16<8>(V::Add16(t1, V::template ShiftRight16<8>(t1)));
}

// Half a register of one-byte pixels at a time (8 of them, 16 with AVX2), widened to a 16-bit lane
// each; with AVX2, eight more when that many are left. Glyph rows are short: with wider steps the
// scalar loop would have as much left to do as the vector one. A step whose coverage is all zero
// would leave its pixels as they are, so it is passed over; glyph rows are often ink-free for that
// long.
template <class V> void BlendGrey8Row(const std::uint8_t* coverage, std::uint8_t* pixels, int n, unsigned colour) {
    constexpr int kBytes = 2 * V::kPixels;
    const auto colour16 = V::Splat16(colour);
    int i = 0;
    for (; i + kBytes <= n; i += kBytes)
        if (!AllZero<kBytes>(coverage + i))
            V::StoreLowBytes(pixels + i,
                             BlendGrey8Wide<V>(V::LoadLowBytes(pixels + i), V::LoadLowBytes(coverage + i), colour16));
    if constexpr (kBytes > 8) {
        if (i + 8 <= n) {
            if (!AllZero<8>(coverage + i))
                V::StoreEightBytes(pixels + i, BlendGrey8Wide<V>(V::LoadEightBytes(pixels + i),
                                                                 V::LoadEightBytes(coverage + i), colour16));
            i += 8;
        }
    }
    BlendGrey8RowScalar(coverage + i, pixels + i, n - i, colour);
}

} // namespace
} // namespace hk::text_reduce
