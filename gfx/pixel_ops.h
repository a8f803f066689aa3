// Which code path runs the per-row loops of BlendOnto, DrawAlphaOnto, RuleBlendOnto, of smoothed
// and outlined text and of text on one-byte surfaces. Every path gives byte-identical results;
// they differ only in speed. The fastest path the processor supports is chosen on first use; tests
// and benchmarks may pin one.
#pragma once

#include <cstdint>

namespace hk {

enum class PixelPath : std::uint8_t {
    Scalar = 0, // portable C++, one pixel at a time
    Sse2 = 1,   // 4 pixels per step; every x86-64 processor has it
    Avx2 = 2,   // 8 pixels per step; chosen when the processor supports it
    Neon = 3,   // 4 pixels per step; every 64-bit ARM processor has it
};

const char* PixelPathName(PixelPath path);
// True when this build and this processor can run the path.
bool PixelPathAvailable(PixelPath path);
// The fastest available path.
PixelPath BestPixelPath();
// The path the operations use now.
PixelPath ActivePixelPath();
// Pins the path for every later operation (all threads). Returns false, changing nothing, when the
// path is not available here. Meant for tests and benchmarks; the engine never calls it.
bool SetPixelPath(PixelPath path);

} // namespace hk
