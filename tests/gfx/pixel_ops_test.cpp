// BlendOnto, DrawAlphaOnto and RuleBlendOnto: hand-worked pixels on tiny surfaces, then every kernel
// path against a reference written straight from the formulas, on random data, with rectangles that
// hit every clipping case and every row-tail length.
#include "gfx/bitmap.h"
#include "gfx/pixel_ops.h"
#include "pixel_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace hk {
namespace {

using namespace pixel_test;

// ---- Hand-worked pixels -------------------------------------------------------------------------

TEST_P(PixelPathTest, BlendOntoWeighsAllFourBytes) {
    Bitmap src = Solid(9, 1, {200, 100, 50, 255});
    Bitmap dst = Solid(9, 1, {0, 0, 0, 0});
    Put(dst, 8, 0, {250, 250, 250, 250});
    src.BlendOnto(0, 0, 9, 1, 0, 0, dst, 128);
    EXPECT_EQ(Get(dst, 0, 0), (Bgra{100, 50, 25, 127})); // 200*128 >> 8 = 100, 255*128 >> 8 = 127
    EXPECT_EQ(Get(dst, 7, 0), (Bgra{100, 50, 25, 127}));
    // (200*128 + 250*128) >> 8 = 225; (100*128 + 250*128) >> 8 = 175; (50 + 250) / 2 = 150;
    // (255 + 250) * 128 >> 8 = 252 (252.5 truncated).
    EXPECT_EQ(Get(dst, 8, 0), (Bgra{225, 175, 150, 252}));

    // A fade of 1000 ms at 500 ms uses alpha 500 * 255 / 1000 = 127: white over black gives
    // 255 * 127 >> 8 = 126, and black over white (0 + 255 * 129) >> 8 = 128.
    Bitmap white = Solid(5, 1, {255, 255, 255, 255}), black = Solid(5, 1, {0, 0, 0, 0});
    Bitmap out = black;
    white.BlendOnto(0, 0, 5, 1, 0, 0, out, 127);
    EXPECT_EQ(Get(out, 4, 0), (Bgra{126, 126, 126, 126}));
    out = white;
    black.BlendOnto(0, 0, 5, 1, 0, 0, out, 127);
    EXPECT_EQ(Get(out, 4, 0), (Bgra{128, 128, 128, 128}));
}

TEST_P(PixelPathTest, BlendOntoEndsAreExact) {
    std::mt19937 rng(1);
    Bitmap src = Noise(13, 3, rng), dst = Noise(13, 3, rng);
    Bitmap before = dst;
    src.BlendOnto(0, 0, 13, 3, 0, 0, dst, 0);
    EXPECT_EQ(std::memcmp(dst.Row(0), before.Row(0), 13 * 3 * 4), 0);
    src.BlendOnto(0, 0, 13, 3, 0, 0, dst, 256);
    EXPECT_EQ(std::memcmp(dst.Row(0), src.Row(0), 13 * 3 * 4), 0);
    // Out-of-range weights count as 256 rather than wrapping into nonsense.
    dst = before;
    src.BlendOnto(0, 0, 13, 3, 0, 0, dst, 65535);
    EXPECT_EQ(std::memcmp(dst.Row(0), src.Row(0), 13 * 3 * 4), 0);
}

TEST_P(PixelPathTest, DrawAlphaOntoUsesTheSourceFourthByteAsTransparency) {
    Bitmap src;
    src.SetSize(9, 1);
    Put(src, 0, 0, {0, 0, 0, 0});         // opaque black
    Put(src, 1, 0, {0, 0, 0, 255});       // clear
    Put(src, 2, 0, {255, 255, 255, 128}); // half
    for (int x = 3; x < 9; ++x)
        Put(src, x, 0, {0, 0, 0, 0});
    Bitmap dst = Solid(9, 1, {255, 255, 255, 77});
    Put(dst, 2, 0, {0, 0, 0, 77});
    src.DrawAlphaOnto(0, 0, 9, 1, 0, 0, dst, 255);
    // A = 0, p = 255: l = 255, m = 1: (0 * 255 + 255 * 1) >> 8 = 0. The fourth byte stays 77.
    EXPECT_EQ(Get(dst, 0, 0), (Bgra{0, 0, 0, 77}));
    // A = 255: l = (1 * 255) >> 8 = 0, the destination is untouched.
    EXPECT_EQ(Get(dst, 1, 0), (Bgra{255, 255, 255, 77}));
    // A = 128: l = (128 * 255) >> 8 = 127: 255 * 127 >> 8 = 126.
    EXPECT_EQ(Get(dst, 2, 0), (Bgra{126, 126, 126, 77}));
    EXPECT_EQ(Get(dst, 8, 0), (Bgra{0, 0, 0, 77}));

    // Opacity 256 with A = 255 still gives l = 1: (0 * 1 + 255 * 255) >> 8 = 254.
    Bitmap clear = Solid(9, 1, {0, 0, 0, 255});
    Bitmap white = Solid(9, 1, {255, 255, 255, 0});
    clear.DrawAlphaOnto(0, 0, 9, 1, 0, 0, white, 256);
    EXPECT_EQ(Get(white, 8, 0), (Bgra{254, 254, 254, 0}));
    // A = 0 with opacity 256 is a plain copy of blue, green, red.
    Bitmap opaque = Solid(9, 1, {10, 20, 30, 0});
    opaque.DrawAlphaOnto(0, 0, 9, 1, 0, 0, white, 256);
    EXPECT_EQ(Get(white, 8, 0), (Bgra{10, 20, 30, 0}));
}

TEST_P(PixelPathTest, RuleBlendOntoFollowsTheRuleLevels) {
    // Softness 1 (R = 2), progress 100: T = 100 * 258 >> 8 = 100.
    const int rules[9] = {101, 100, 99, 98, 97, 0, 255, 100, 99};
    Bitmap rule;
    rule.SetSizeGray8(9, 1);
    for (int x = 0; x < 9; ++x)
        rule.Row(0)[x] = static_cast<std::uint8_t>(rules[x]);
    Bitmap src = Solid(9, 1, {200, 100, 0, 255});
    Bitmap dst = Solid(9, 1, {100, 50, 255, 0});
    src.RuleBlendOnto(0, 0, 9, 1, 0, 0, rule, dst, 100, 1);
    EXPECT_EQ(Get(dst, 0, 0), (Bgra{100, 50, 255, 0}));   // T < r
    EXPECT_EQ(Get(dst, 1, 0), (Bgra{100, 50, 255, 0}));   // d = 0
    EXPECT_EQ(Get(dst, 2, 0), (Bgra{150, 75, 127, 127})); // d = 1: (s + d) >> 1
    EXPECT_EQ(Get(dst, 3, 0), (Bgra{200, 100, 0, 255}));  // d = 2 = R: (2s + 0) >> 1
    EXPECT_EQ(Get(dst, 4, 0), (Bgra{200, 100, 0, 255}));  // d > R: copy
    EXPECT_EQ(Get(dst, 5, 0), (Bgra{200, 100, 0, 255}));
    EXPECT_EQ(Get(dst, 6, 0), (Bgra{100, 50, 255, 0}));
    EXPECT_EQ(Get(dst, 8, 0), (Bgra{150, 75, 127, 127}));

    // Softness 8 (R = 256), progress 128: T = 128 * 512 >> 8 = 256.
    // r = 128: d = 128: (200 * 128 + 100 * 128) >> 8 = 150. r = 255: d = 1: (200 + 100 * 255) >> 8 = 100.
    for (int x = 0; x < 9; ++x)
        rule.Row(0)[x] = static_cast<std::uint8_t>(x == 0 ? 0 : x == 1 ? 128 : 255);
    Bitmap dst8 = Solid(9, 1, {100, 100, 100, 100});
    src.RuleBlendOnto(0, 0, 9, 1, 0, 0, rule, dst8, 128, 8);
    EXPECT_EQ(Get(dst8, 0, 0), (Bgra{200, 100, 0, 255})); // d = 256 = R
    EXPECT_EQ(Get(dst8, 1, 0), (Bgra{150, 100, 50, 177}));
    EXPECT_EQ(Get(dst8, 2, 0), (Bgra{100, 100, 99, 100}));
    EXPECT_EQ(Get(dst8, 8, 0), (Bgra{100, 100, 99, 100}));
}

TEST_P(PixelPathTest, RuleBlendOntoStartsUnchangedAndEndsAsTheSource) {
    std::mt19937 rng(2);
    Bitmap src = Noise(37, 5, rng), rule = Noise(37, 5, rng, true);
    const Bitmap before = Noise(37, 5, rng);
    for (int s = 1; s <= 8; ++s) {
        Bitmap dst = before;
        src.RuleBlendOnto(0, 0, 37, 5, 0, 0, rule, dst, 0, static_cast<std::uint16_t>(s));
        EXPECT_EQ(std::memcmp(dst.Row(0), before.Row(0), 37 * 5 * 4), 0) << "softness " << s;
        src.RuleBlendOnto(0, 0, 37, 5, 0, 0, rule, dst, 280, static_cast<std::uint16_t>(s));
        EXPECT_EQ(std::memcmp(dst.Row(0), src.Row(0), 37 * 5 * 4), 0) << "softness " << s;
        // A progress far past the end stays finished: the scaled level saturates, it does not wrap
        // (32768 * 512 >> 8 would be 65536, i.e. 0, in 16 bits).
        dst = before;
        src.RuleBlendOnto(0, 0, 37, 5, 0, 0, rule, dst, 32768, static_cast<std::uint16_t>(s));
        EXPECT_EQ(std::memcmp(dst.Row(0), src.Row(0), 37 * 5 * 4), 0) << "softness " << s;
    }
}

TEST_P(PixelPathTest, ClippingAtTheDestinationEdgesShiftsTheSource) {
    // The screen case dx = -10, w = 800 in small: dx = -2, w = 8 onto an 8-wide destination draws
    // destination columns 0..5 from source columns 2..7 and leaves columns 6, 7.
    Bitmap src;
    src.SetSize(8, 2);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 2; ++y)
            Put(src, x, y, {x, y, 9, 0});
    Bitmap dst = Solid(8, 2, {99, 99, 99, 99});
    src.BlendOnto(-2, 0, 8, 2, 0, 0, dst, 256);
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(Get(dst, x, 1), (Bgra{x + 2, 1, 9, 0}));
    EXPECT_EQ(Get(dst, 6, 0), (Bgra{99, 99, 99, 99}));
    EXPECT_EQ(Get(dst, 7, 1), (Bgra{99, 99, 99, 99}));

    // Past the bottom-right corner only the overlap is drawn.
    dst = Solid(8, 2, {99, 99, 99, 99});
    src.DrawAlphaOnto(6, 1, 8, 8, 0, 0, dst, 256);
    EXPECT_EQ(Get(dst, 6, 1), (Bgra{0, 0, 9, 99}));
    EXPECT_EQ(Get(dst, 7, 1), (Bgra{1, 0, 9, 99}));
    EXPECT_EQ(Get(dst, 5, 1), (Bgra{99, 99, 99, 99}));
    EXPECT_EQ(Get(dst, 6, 0), (Bgra{99, 99, 99, 99}));
}

TEST_P(PixelPathTest, NothingIsDrawnOutsideOrFromUnusableSurfaces) {
    std::mt19937 rng(3);
    Bitmap src = Noise(8, 8, rng), rule = Noise(8, 8, rng, true);
    const Bitmap before = Noise(8, 8, rng);
    Bitmap empty, grey = Noise(8, 8, rng, true);
    const int rects[][4] = {{-8, 0, 8, 8}, {0, -8, 8, 8}, {8, 0, 8, 8}, {0, 8, 8, 8},
                            {0, 0, 0, 8},  {0, 0, 8, -1}, {0, 0, -5, 8}};
    for (const auto& r : rects) {
        Bitmap dst = before;
        src.BlendOnto(r[0], r[1], r[2], r[3], 0, 0, dst, 256);
        src.DrawAlphaOnto(r[0], r[1], r[2], r[3], 0, 0, dst, 256);
        src.RuleBlendOnto(r[0], r[1], r[2], r[3], 0, 0, rule, dst, 280, 4);
        EXPECT_EQ(std::memcmp(dst.Row(0), before.Row(0), 8 * 8 * 4), 0) << r[0] << "," << r[1];
    }
    Bitmap dst = before;
    empty.BlendOnto(0, 0, 8, 8, 0, 0, dst, 256);
    empty.DrawAlphaOnto(0, 0, 8, 8, 0, 0, dst, 256);
    src.RuleBlendOnto(0, 0, 8, 8, 0, 0, empty, dst, 280, 4);
    grey.BlendOnto(0, 0, 8, 8, 0, 0, dst, 256);            // not a 32-bit source
    src.RuleBlendOnto(0, 0, 8, 8, 0, 0, src, dst, 280, 4); // rule not one byte per pixel
    EXPECT_EQ(std::memcmp(dst.Row(0), before.Row(0), 8 * 8 * 4), 0);
    src.BlendOnto(0, 0, 8, 8, 0, 0, empty, 256); // an empty destination must not crash
    src.BlendOnto(0, 0, 8, 8, 0, 0, grey, 256);
    // Extreme arguments must not overflow the clipping arithmetic.
    src.BlendOnto(2147483000, 0, 2147483000, 8, 0, 0, dst, 256);
    src.BlendOnto(-2147483647, -2147483647, 2147483647, 2147483647, 0, 0, dst, 128);
    src.DrawAlphaOnto(0, 0, 2147483647, 2147483647, -2147483647, 0, dst, 255);
    EXPECT_EQ(std::memcmp(dst.Row(0), before.Row(0), 8 * 8 * 4), 0);
}

TEST_P(PixelPathTest, SourceAndRuleRectanglesAreCutToTheirSurfaces) {
    // A rectangle reaching past the source (or rule image) draws only the pixels that exist there;
    // the rest of the destination shows unchanged.
    Bitmap src = Solid(4, 4, {1, 2, 3, 0});
    Bitmap dst = Solid(10, 10, {99, 99, 99, 99});
    src.BlendOnto(1, 1, 10, 10, 2, 2, dst, 256); // source columns 2, 3 -> destination 1, 2
    EXPECT_EQ(Get(dst, 1, 1), (Bgra{1, 2, 3, 0}));
    EXPECT_EQ(Get(dst, 2, 2), (Bgra{1, 2, 3, 0}));
    EXPECT_EQ(Get(dst, 3, 1), (Bgra{99, 99, 99, 99}));
    EXPECT_EQ(Get(dst, 1, 3), (Bgra{99, 99, 99, 99}));
    dst = Solid(10, 10, {99, 99, 99, 99});
    src.DrawAlphaOnto(5, 5, 4, 4, -3, -3, dst, 256); // source x -3 lands at destination 8
    EXPECT_EQ(Get(dst, 8, 8), (Bgra{1, 2, 3, 99}));
    EXPECT_EQ(Get(dst, 7, 8), (Bgra{99, 99, 99, 99}));

    Bitmap rule;
    rule.SetSizeGray8(3, 2); // all 0: every covered pixel is fully the source at t = 280
    Bitmap big = Solid(10, 10, {1, 2, 3, 4});
    dst = Solid(10, 10, {99, 99, 99, 99});
    big.RuleBlendOnto(0, 0, 10, 10, 0, 0, rule, dst, 280, 8);
    EXPECT_EQ(Get(dst, 2, 1), (Bgra{1, 2, 3, 4}));
    EXPECT_EQ(Get(dst, 3, 0), (Bgra{99, 99, 99, 99}));
    EXPECT_EQ(Get(dst, 0, 2), (Bgra{99, 99, 99, 99}));
}

// ---- Reference: the formulas, one pixel at a time ------------------------------------------------

enum class Op { Blend, DrawAlpha, Rule };

// Applies op to every pixel of the unclipped rectangle whose destination, source and rule
// coordinates all fall inside their surfaces.
void Reference(Op op, const Bitmap& src, Bitmap& dst, const Bitmap& rule, int dx, int dy, int w, int h, int sx, int sy,
               int weight, int softness) {
    const int a = std::min(weight, 256);
    const int s = std::clamp(softness, 1, 8), range = 1 << s;
    const int level = std::min(weight * (range + 256) >> 8, 65535);
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            const int x = dx + i, y = dy + j, u = sx + i, v = sy + j;
            if (x < 0 || y < 0 || x >= dst.Width() || y >= dst.Height() || u < 0 || v < 0 || u >= src.Width() ||
                v >= src.Height())
                continue;
            const std::uint8_t* ps = src.Pixel(u, v);
            std::uint8_t* pd = dst.Pixel(x, y);
            if (op == Op::Blend) {
                for (int c = 0; c < 4; ++c)
                    pd[c] = static_cast<std::uint8_t>((ps[c] * a + pd[c] * (256 - a)) >> 8);
            } else if (op == Op::DrawAlpha) {
                const int l = ((256 - ps[3]) * a) >> 8;
                for (int c = 0; c < 3; ++c)
                    pd[c] = static_cast<std::uint8_t>((ps[c] * l + pd[c] * (256 - l)) >> 8);
            } else {
                if (x >= rule.Width() || y >= rule.Height())
                    continue;
                const int r = *rule.Pixel(x, y);
                if (level < r)
                    continue;
                const int d = level - r;
                for (int c = 0; c < 4; ++c)
                    pd[c] = d > range ? ps[c] : static_cast<std::uint8_t>((ps[c] * d + pd[c] * (range - d)) >> s);
            }
        }
    }
}

void ExpectSame(const Bitmap& got, const Bitmap& want, const std::string& what) {
    for (int y = 0; y < want.Height(); ++y)
        for (int x = 0; x < want.Width(); ++x)
            if (Get(got, x, y) != Get(want, x, y)) {
                ADD_FAILURE() << what << ": first difference at (" << x << ", " << y << ")";
                return;
            }
}

TEST_P(PixelPathTest, EveryOperationMatchesTheReferenceOnRandomData) {
    std::mt19937 rng(4);
    // Odd sizes so that rows end in every tail length; the rule image is a little smaller than the
    // destination so that its clipping is exercised too.
    const Bitmap src = Noise(43, 17, rng);
    const Bitmap base = Noise(41, 19, rng);
    const Bitmap rule = Noise(39, 18, rng, true);
    std::uniform_int_distribution<int> pos(-20, 50), len(-2, 60), weight(0, 300);
    const int fixed_weights[] = {0, 1, 127, 128, 255, 256, 280, 1000};
    for (int round = 0; round < 400; ++round) {
        const int dx = pos(rng), dy = pos(rng), w = len(rng), h = len(rng) % 25;
        // Mostly valid source origins, sometimes ones that run off the source.
        const int sx = round % 5 == 0 ? pos(rng) : std::uniform_int_distribution<int>(0, 10)(rng);
        const int sy = round % 7 == 0 ? pos(rng) : std::uniform_int_distribution<int>(0, 4)(rng);
        const int wt = round < 8 ? fixed_weights[round] : weight(rng);
        const int soft = round % 10; // 0 and 9 check the clamp to 1..8
        for (Op op : {Op::Blend, Op::DrawAlpha, Op::Rule}) {
            Bitmap got = base, want = base;
            const auto wt16 = static_cast<std::uint16_t>(wt);
            if (op == Op::Blend)
                src.BlendOnto(dx, dy, w, h, sx, sy, got, wt16);
            else if (op == Op::DrawAlpha)
                src.DrawAlphaOnto(dx, dy, w, h, sx, sy, got, wt16);
            else
                src.RuleBlendOnto(dx, dy, w, h, sx, sy, rule, got, wt16, static_cast<std::uint16_t>(soft));
            Reference(op, src, want, rule, dx, dy, w, h, sx, sy, wt, soft);
            ExpectSame(got, want,
                       "op " + std::to_string(static_cast<int>(op)) + " rect " + std::to_string(dx) + "," +
                           std::to_string(dy) + " " + std::to_string(w) + "x" + std::to_string(h) + " from " +
                           std::to_string(sx) + "," + std::to_string(sy) + " weight " + std::to_string(wt) +
                           " softness " + std::to_string(soft));
            if (HasFailure())
                return;
        }
    }
}

TEST_P(PixelPathTest, EveryWeightMatchesTheReference) {
    // All 257 alphas and opacities, and every progress 0..280 at every softness, over rows that
    // hold every fourth-byte and rule value, then a run of 16 clear pixels (which the vector paths
    // may pass over) and a short random tail.
    std::mt19937 rng(5);
    Bitmap src = Noise(283, 1, rng), base = Noise(283, 1, rng), rule = Noise(283, 1, rng, true);
    for (int x = 0; x < 256; ++x) {
        src.Pixel(x, 0)[3] = static_cast<std::uint8_t>(x);
        *rule.Pixel(x, 0) = static_cast<std::uint8_t>(x);
    }
    for (int x = 264; x < 280; ++x)
        src.Pixel(x, 0)[3] = 255;
    for (int wt = 0; wt <= 256; ++wt) {
        for (Op op : {Op::Blend, Op::DrawAlpha}) {
            Bitmap got = base, want = base;
            if (op == Op::Blend)
                src.BlendOnto(0, 0, 283, 1, 0, 0, got, static_cast<std::uint16_t>(wt));
            else
                src.DrawAlphaOnto(0, 0, 283, 1, 0, 0, got, static_cast<std::uint16_t>(wt));
            Reference(op, src, want, rule, 0, 0, 283, 1, 0, 0, wt, 0);
            ExpectSame(got, want, "weight " + std::to_string(wt));
        }
    }
    for (int s = 1; s <= 8; ++s) {
        for (int t = 0; t <= 280; ++t) {
            Bitmap got = base, want = base;
            src.RuleBlendOnto(0, 0, 283, 1, 0, 0, rule, got, static_cast<std::uint16_t>(t),
                              static_cast<std::uint16_t>(s));
            Reference(Op::Rule, src, want, rule, 0, 0, 283, 1, 0, 0, t, s);
            ExpectSame(got, want, "progress " + std::to_string(t) + " softness " + std::to_string(s));
            if (HasFailure())
                return;
        }
    }
}

TEST(PixelPath, OnlyAvailablePathsCanBePinned) {
    EXPECT_TRUE(PixelPathAvailable(PixelPath::Scalar));
    EXPECT_TRUE(PixelPathAvailable(BestPixelPath()));
    for (PixelPath path : kAllPixelPaths) {
        EXPECT_EQ(SetPixelPath(path), PixelPathAvailable(path)) << PixelPathName(path);
        if (PixelPathAvailable(path)) {
            EXPECT_EQ(ActivePixelPath(), path);
        }
    }
    SetPixelPath(BestPixelPath());
}

TEST(PixelPath, EachProcessorFamilyHasItsVectorPath) {
#if defined(__x86_64__)
    EXPECT_TRUE(PixelPathAvailable(PixelPath::Sse2));
    EXPECT_FALSE(PixelPathAvailable(PixelPath::Neon));
    EXPECT_NE(BestPixelPath(), PixelPath::Scalar);
#elif defined(__aarch64__)
    EXPECT_TRUE(PixelPathAvailable(PixelPath::Neon));
    EXPECT_FALSE(PixelPathAvailable(PixelPath::Sse2));
    EXPECT_FALSE(PixelPathAvailable(PixelPath::Avx2));
    EXPECT_EQ(BestPixelPath(), PixelPath::Neon);
#else
    GTEST_SKIP() << "no vector path is written for this processor";
#endif
}

INSTANTIATE_TEST_SUITE_P(Paths, PixelPathTest, ::testing::ValuesIn(kAllPixelPaths), PixelPathTestName);

} // namespace
} // namespace hk
