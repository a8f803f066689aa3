// The outlined-text blend sixteen pixels at a time with 256-bit registers. This file is compiled
// with AVX2 enabled and only called after the processor has been checked.
#include "gfx/text_reduce.h"

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64)
#include <immintrin.h>

#include <cstring>

namespace hk::text_reduce {
namespace {

constexpr int kBlock = 32;


template <int kBytes>
bool BlockBlank(const std::uint8_t* level) {
    std::uint64_t all = ~std::uint64_t{0};
    for (int b = 0; b < kBytes; b += 8) {
        std::uint64_t v;
        std::memcpy(&v, level + b, 8);
        all &= v;
    }
    return all == ~std::uint64_t{0};
}

// kPixels pixels from column i, four per register: each pass's blend is a chain of dependent
// multiplies, so many registers side by side keep the multiplier busy.
template <int kPixels>
void ReduceBlock(const PassRow& row, const __m256i* colour, int i, std::uint8_t* d) {
    constexpr int kRegs = kPixels / 4;
    const __m256i k256 = _mm256_set1_epi16(256);
    bool touched[kMaxPasses];
    bool any = false;
    for (int k = 0; k < row.count; ++k) {
        touched[k] = !BlockBlank<kPixels>(row.grid + row.offset[k] + i);
        any = any || touched[k];
    }
    if (!any)
        return;
    // Four pixels per register as 16-bit lanes, in order, so the weights load as they lie.
    __m256i v[kRegs];
    for (int q = 0; q < kRegs; ++q)
        v[q] = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 16 * q)));
    for (int k = 0; k < row.count; ++k) {
        if (!touched[k])
            continue;
        const std::uint16_t* w = row.weights + 4 * (row.offset[k] + i);
        for (int q = 0; q < kRegs; ++q) {
            const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 16 * q));
            __m256i sum = _mm256_mullo_epi16(v[q], c);
            if (!row.black[k])
                sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(colour[k], _mm256_sub_epi16(k256, c)));
            v[q] = _mm256_srli_epi16(sum, 8);
        }
    }
    for (int q = 0; q < kRegs; q += 2) {
        // The pack works within each 128-bit half; the permute puts the pixels back in order.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(v[q], v[q + 1]), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 16 * q), packed);
    }
}

int ReduceRow(const PassRow& row, int i, int end, std::uint8_t* d) {
    __m256i colour[kMaxPasses];
    for (int k = 0; k < row.count; ++k) {
        const auto b = static_cast<short>(row.colour[k][0]), g = static_cast<short>(row.colour[k][1]),
                   r = static_cast<short>(row.colour[k][2]);
        colour[k] = _mm256_setr_epi16(b, g, r, 0, b, g, r, 0, b, g, r, 0, b, g, r, 0);
    }
    for (; i + kBlock <= end; i += kBlock, d += 4 * kBlock)
        ReduceBlock<kBlock>(row, colour, i, d);
    for (; i + 8 <= end; i += 8, d += 32)
        ReduceBlock<8>(row, colour, i, d);
    return i;
}

} // namespace

const RowFunction kReduceRowAvx2 = &ReduceRow;

} // namespace hk::text_reduce

#else

namespace hk::text_reduce {
const RowFunction kReduceRowAvx2 = nullptr;
} // namespace hk::text_reduce

#endif
