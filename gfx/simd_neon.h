// The 128-bit registers of 64-bit ARM as the shared row kernels (pixel_ops_vector.h,
// text_reduce_vector.h) see them: four 32-bit pixels per register, taken as bytes or as 16-bit
// lanes. Every aarch64 processor has these instructions. Everything here has internal linkage, as
// in the x86 wrappers.
#pragma once

#include <arm_neon.h>

#include <cstdint>
#include <cstring>

namespace hk::simd {
namespace {

struct Neon {
    using Bits = uint16x8_t; // viewed as bytes where an operation needs it
    using Count = int16x8_t; // a shift count in every lane
    static constexpr int kPixels = 4;

    static uint8x16_t Bytes(Bits v) { return vreinterpretq_u8_u16(v); }
    static Bits FromBytes(uint8x16_t v) { return vreinterpretq_u16_u8(v); }

    static Bits Load(const void* p) { return FromBytes(vld1q_u8(static_cast<const std::uint8_t*>(p))); }
    static void Store(void* p, Bits v) { vst1q_u8(static_cast<std::uint8_t*>(p), Bytes(v)); }
    static Bits Zero() { return vdupq_n_u16(0); }
    static Bits Splat16(unsigned v) { return vdupq_n_u16(static_cast<std::uint16_t>(v)); }
    static Bits Splat32(std::uint32_t v) { return vreinterpretq_u16_u32(vdupq_n_u32(v)); }
    static Bits Splat64(std::uint64_t v) { return vreinterpretq_u16_u64(vdupq_n_u64(v)); }
    static Count MakeCount(unsigned n) { return vdupq_n_s16(static_cast<std::int16_t>(n)); }

    static Bits And(Bits a, Bits b) { return vandq_u16(a, b); }
    static Bits Or(Bits a, Bits b) { return vorrq_u16(a, b); }
    static Bits Add8(Bits a, Bits b) { return FromBytes(vaddq_u8(Bytes(a), Bytes(b))); }
    static Bits Add16(Bits a, Bits b) { return vaddq_u16(a, b); }
    static Bits Sub16(Bits a, Bits b) { return vsubq_u16(a, b); }
    static Bits SubSaturatedU16(Bits a, Bits b) { return vqsubq_u16(a, b); }
    static Bits Min16(Bits a, Bits b) { return vminq_u16(a, b); }
    static Bits MulLow16(Bits a, Bits b) { return vmulq_u16(a, b); }
    // The high halves of the 32-bit products are their odd 16-bit elements.
    static Bits MulHighU16(Bits a, Bits b) {
        const uint32x4_t low = vmull_u16(vget_low_u16(a), vget_low_u16(b));
        const uint32x4_t high = vmull_high_u16(a, b);
        return vuzp2q_u16(vreinterpretq_u16_u32(low), vreinterpretq_u16_u32(high));
    }
    template <int kBits> static Bits ShiftRight16(Bits a) { return vshrq_n_u16(a, kBits); }
    template <int kBits> static Bits ShiftLeft16(Bits a) { return vshlq_n_u16(a, kBits); }
    static Bits ShiftLeft16(Bits a, Count n) { return vshlq_u16(a, n); }

    // Each pixel's fourth byte in both 16-bit halves of its 32-bit lane: a shift, then the shifted
    // value inserted once more 16 bits up.
    static Bits FourthBytePerHalf(Bits s) {
        const uint32x4_t a = vshrq_n_u32(vreinterpretq_u32_u16(s), 24);
        return vreinterpretq_u16_u32(vsliq_n_u32(a, a, 16));
    }

    // True when the fourth byte of every pixel is 255.
    static bool AllFourthBytesFull(Bits s) {
        return vminvq_u32(vorrq_u32(vreinterpretq_u32_u16(s), vdupq_n_u32(0x00FFFFFFu))) == 0xFFFFFFFFu;
    }

    // kPixels bytes of a one-byte-per-pixel row, each in both 16-bit halves of its pixel's lane.
    // Table indices past the register (255) give zero bytes.
    static Bits SpreadRuleBytes(const std::uint8_t* rule) {
        static constexpr std::uint8_t kSpread[16] = {0, 255, 0, 255, 1, 255, 1, 255, 2, 255, 2, 255, 3, 255, 3, 255};
        std::uint32_t four;
        std::memcpy(&four, rule, 4);
        return FromBytes(vqtbl1q_u8(vreinterpretq_u8_u32(vdupq_n_u32(four)), vld1q_u8(kSpread)));
    }

    // One register of pixels widened to one 16-bit lane per byte, in two registers of two pixels
    // each, and back: the low byte of every lane of two widened registers packed into one
    // register's worth of pixels (lanes hold 0..255 when packed).
    static constexpr int kWidePixels = kPixels / 2;
    static void LoadWidePair(const std::uint8_t* p, Bits& low, Bits& high) {
        const uint8x16_t px = vld1q_u8(p);
        low = vmovl_u8(vget_low_u8(px));
        high = vmovl_high_u8(px);
    }
    static void StoreNarrow(std::uint8_t* p, Bits low, Bits high) {
        vst1q_u8(p, vcombine_u8(vmovn_u16(low), vmovn_u16(high)));
    }
    // The low bytes of one register's 16-bit lanes (0..255 each): eight bytes; and eight bytes
    // widened into those lanes.
    static void StoreLowBytes(std::uint8_t* p, Bits v) { vst1_u8(p, vmovn_u16(v)); }
    static Bits LoadLowBytes(const std::uint8_t* p) { return vmovl_u8(vld1_u8(p)); }

    // The coverage levels of kPixels cells spread as LoadWidePair spreads pixels: each level in
    // the three colour lanes of its pixel, 0 in the fourth byte's lane (the caller adds 1, 1, 1,
    // 256 to make the weights). Table indices past the register (255) give zero bytes.
    static void SpreadLevelPair(const std::uint8_t* level, Bits& low, Bits& high) {
        static constexpr std::uint8_t kFirst[16] = {0, 255, 0, 255, 0, 255, 255, 255, 1, 255, 1, 255, 1, 255, 255, 255};
        static constexpr std::uint8_t kSecond[16] = {2, 255, 2, 255, 2, 255, 255, 255,
                                                     3, 255, 3, 255, 3, 255, 255, 255};
        std::uint32_t four;
        std::memcpy(&four, level, 4);
        const uint8x16_t levels = vreinterpretq_u8_u32(vdupq_n_u32(four));
        low = FromBytes(vqtbl1q_u8(levels, vld1q_u8(kFirst)));
        high = FromBytes(vqtbl1q_u8(levels, vld1q_u8(kSecond)));
    }
};

} // namespace
} // namespace hk::simd
