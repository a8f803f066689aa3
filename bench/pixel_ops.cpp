// Speed of the three full-screen drawing operations on every pixel path this machine has, against
// the floor of one 800x600 frame memcpy and against pixman's nearest equivalents, measured in the
// same run. After the usual table a summary (ratio_reporter.h) prints each operation's time as a
// ratio to the memcpy and to its pixman counterpart:
//   BlendOnto      ~ OVER with a constant-alpha solid mask
//   DrawAlphaOnto  ~ OVER of a source with per-pixel alpha (random transparency: the worst case;
//                    DrawAlphaOntoLayer shows a half-clear character layer)
//   RuleBlendOnto  ~ OVER through a per-pixel 8-bit mask
// Before it is timed, each path's result is checked against the scalar path's; a path that differs
// is reported as an error instead of a time.
#include "gfx/pixel_ops.h"
#include "bench/ratio_reporter.h"
#include "gfx/bitmap.h"

#include <benchmark/benchmark.h>

#if defined(HARUKAZE_HAVE_PIXMAN)
#include <pixman.h>
#endif

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr std::size_t kFrameBytes = std::size_t{kWidth} * kHeight * 4;

hk::Bitmap NoiseSurface(std::uint32_t seed, bool gray8 = false) {
    std::mt19937 rng(seed);
    hk::Bitmap bmp;
    if (gray8)
        bmp.SetSizeGray8(kWidth, kHeight);
    else
        bmp.SetSize(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (std::size_t i = 0; i < static_cast<std::size_t>(kWidth * bmp.BytesPerPixel()); ++i)
            bmp.Row(y)[i] = static_cast<std::uint8_t>(rng());
    return bmp;
}

void FrameMemcpy(benchmark::State& state) {
    std::vector<std::uint8_t> from(kFrameBytes, 1), to(kFrameBytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kFrameBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFrameBytes));
}

enum class Op { Blend, DrawAlpha, DrawAlphaLayer, Rule };

void Apply(Op op, const hk::Bitmap& src, const hk::Bitmap& rule, hk::Bitmap& dst) {
    switch (op) {
    case Op::Blend: src.BlendOnto(0, 0, kWidth, kHeight, 0, 0, dst, 127); break;
    case Op::DrawAlpha:
    case Op::DrawAlphaLayer: src.DrawAlphaOnto(0, 0, kWidth, kHeight, 0, 0, dst, 255); break;
    case Op::Rule:
        // Mid-wipe at softness 4: some pixels untouched, some blended, some copied.
        src.RuleBlendOnto(0, 0, kWidth, kHeight, 0, 0, rule, dst, 140, 4);
        break;
    }
}

// One operation on the path and on the scalar path from the same pixels: a fast wrong kernel is
// worth nothing, so the benchmark refuses to time one. This is also what a run under an emulator
// is for, where the times themselves mean nothing.
bool SameAsScalar(Op op, hk::PixelPath path, const hk::Bitmap& src, const hk::Bitmap& rule, const hk::Bitmap& dst) {
    hk::Bitmap on_path = dst, on_scalar = dst;
    hk::SetPixelPath(hk::PixelPath::Scalar);
    Apply(op, src, rule, on_scalar);
    hk::SetPixelPath(path);
    Apply(op, src, rule, on_path);
    for (int y = 0; y < kHeight; ++y)
        if (std::memcmp(on_path.Row(y), on_scalar.Row(y), std::size_t{kWidth} * 4) != 0)
            return false;
    return true;
}

void Operation(benchmark::State& state, Op op, hk::PixelPath path) {
    if (!hk::SetPixelPath(path)) {
        state.SkipWithError("path not available");
        return;
    }
    hk::Bitmap src = NoiseSurface(1);
    if (op == Op::DrawAlphaLayer) {
        // A character layer: a figure over the middle half, clear (fourth byte 255) elsewhere.
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (x < kWidth / 4 || x >= kWidth * 3 / 4)
                    src.Pixel(x, y)[3] = 255;
    }
    const hk::Bitmap rule = NoiseSurface(2, true);
    hk::Bitmap dst = NoiseSurface(3);
    if (!SameAsScalar(op, path, src, rule, dst)) {
        state.SkipWithError("pixels differ from the scalar path's");
        hk::SetPixelPath(hk::BestPixelPath());
        return;
    }
    for (auto _ : state) {
        Apply(op, src, rule, dst);
        benchmark::DoNotOptimize(dst.Row(0));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFrameBytes));
    hk::SetPixelPath(hk::BestPixelPath());
}

#if defined(HARUKAZE_HAVE_PIXMAN)
enum class PixmanCase { SolidMask, PerPixelAlpha, A8Mask };

void Pixman(benchmark::State& state, PixmanCase which) {
    hk::Bitmap src_bmp = NoiseSurface(1), dst_bmp = NoiseSurface(3), mask_bmp = NoiseSurface(2, true);
    auto* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight,
                                         reinterpret_cast<std::uint32_t*>(src_bmp.Row(0)), kWidth * 4);
    auto* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight,
                                         reinterpret_cast<std::uint32_t*>(dst_bmp.Row(0)), kWidth * 4);
    // pixman wants 4-byte aligned rows for a8 images; 800 bytes per row is.
    auto* a8 =
        pixman_image_create_bits(PIXMAN_a8, kWidth, kHeight, reinterpret_cast<std::uint32_t*>(mask_bmp.Row(0)), kWidth);
    const pixman_color_t half = {0, 0, 0, 0x7F00};
    auto* solid = pixman_image_create_solid_fill(&half);
    pixman_image_t* mask = which == PixmanCase::SolidMask ? solid : which == PixmanCase::A8Mask ? a8 : nullptr;
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        benchmark::DoNotOptimize(dst_bmp.Row(0));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFrameBytes));
    for (auto* image : {src, dst, a8, solid})
        pixman_image_unref(image);
}
#endif

// Each operation's time against the frame memcpy and against its pixman counterpart.
void PrintSummary(const bench::RatioReporter& times) {
    const double* floor = times.Time("FrameMemcpy");
    if (!floor)
        return;
    std::printf("\nratios (time / frame memcpy; pixman equivalent / time = speed-up over pixman)\n");
    // The layer case has no pixman counterpart: pixman's idea of a clear pixel differs.
    const std::pair<const char*, const char*> ops[] = {{"BlendOnto/", "Pixman/OverSolidMask"},
                                                       {"DrawAlphaOnto/", "Pixman/OverPerPixelAlpha"},
                                                       {"DrawAlphaOntoLayer/", nullptr},
                                                       {"RuleBlendOnto/", "Pixman/OverA8Mask"}};
    for (const auto& [op, pixman_name] : ops) {
        const double* pixman = pixman_name ? times.Time(pixman_name) : nullptr;
        for (const std::string& name : times.Names(op)) {
            const double time = *times.Time(name);
            std::printf("  %-24s %5.2fx memcpy", name.c_str(), time / *floor);
            if (pixman)
                std::printf("   %5.1fx faster than %s", *pixman / time, pixman_name);
            std::printf("\n");
        }
    }
    for (const std::string& name : times.Names("Pixman/"))
        std::printf("  %-24s %5.2fx memcpy\n", name.c_str(), *times.Time(name) / *floor);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("FrameMemcpy", FrameMemcpy)->Unit(benchmark::kMicrosecond);
    const std::pair<Op, const char*> ops[] = {{Op::Blend, "BlendOnto"},
                                              {Op::DrawAlpha, "DrawAlphaOnto"},
                                              {Op::DrawAlphaLayer, "DrawAlphaOntoLayer"},
                                              {Op::Rule, "RuleBlendOnto"}};
    for (const auto& [op, name] : ops) {
        for (hk::PixelPath path :
             {hk::PixelPath::Scalar, hk::PixelPath::Sse2, hk::PixelPath::Avx2, hk::PixelPath::Neon}) {
            if (!hk::PixelPathAvailable(path))
                continue;
            const std::string label = std::string(name) + "/" + hk::PixelPathName(path);
            benchmark::RegisterBenchmark(label.c_str(), Operation, op, path)->Unit(benchmark::kMicrosecond);
        }
    }
#if defined(HARUKAZE_HAVE_PIXMAN)
    benchmark::RegisterBenchmark("Pixman/OverSolidMask", Pixman, PixmanCase::SolidMask)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Pixman/OverPerPixelAlpha", Pixman, PixmanCase::PerPixelAlpha)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Pixman/OverA8Mask", Pixman, PixmanCase::A8Mask)->Unit(benchmark::kMicrosecond);
#endif
    return bench::RunWithSummary(argc, argv, PrintSummary);
}
