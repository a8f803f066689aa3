// DrawTextSmooth's 2 x 2 reduction and clipping on hand-made scratch pictures, the whole smoothed
// draw against its parts, every kernel path against the scalar one, the glyph blend on one byte per
// pixel that draws the scratch, and DrawTextEffect's modes and its promise to restore the canvas
// font.
#include "gfx/bitmap_text.h"
#include "gfx/pixel_ops_kernels.h"
#include "pixel_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace hk {
namespace {

using Bgra = std::array<int, 4>;

Bgra Get(const Bitmap& bmp, int x, int y) {
    const std::uint8_t* p = bmp.Pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

Font Gothic(int height, Color color = kBlack) {
    Font f;
    f.face = "ＭＳ ゴシック";
    f.height = height;
    f.color = color;
    return f;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<std::size_t>(a.Width()) * a.BytesPerPixel()) != 0)
            return false;
    return true;
}

// A 5 x 5 scratch (w = h = 2) on one byte per pixel, white except where set.
Bitmap Scratch5(std::initializer_list<std::array<int, 3>> inked) {
    Bitmap s;
    s.SetSizeGray8(5, 5);
    s.Fill(kWhite);
    for (const auto& [x, y, v] : inked)
        *s.Pixel(x, y) = static_cast<std::uint8_t>(v);
    return s;
}

TEST(ReduceSmoothText, AveragesTwoByTwoBlocksFromScratchRowOne) {
    // Block (0, 0) reads scratch columns 0-1 of rows 1-2; block (1, 0) columns 2-3 of rows 1-2;
    // block (0, 1) columns 0-1 of rows 3-4. Row 0 and column 4 are never read.
    const Bitmap scratch = Scratch5({
        {0, 0, 0},
        {1, 0, 0},
        {2, 0, 0},
        {3, 0, 0},
        {4, 0, 0}, // row 0: ignored
        {0, 1, 0},
        {1, 1, 0},
        {0, 2, 0},
        {1, 2, 0}, // block (0,0): full ink, S = 0
        {2, 1, 0}, // block (1,0): S = 765
        {4, 1, 0},
        {4, 2, 0},
        {4, 3, 0},
        {4, 4, 0}, // column 4: ignored
        {0, 3, 100},
        {1, 3, 100},
        {0, 4, 100},
        {1, 4, 100}, // block (0,1): S = 400
    });
    Bitmap dest;
    dest.SetSize(3, 3);
    dest.Pixel(0, 0)[3] = 9;
    const Color font = MakeColor(0x10, 0x20, 0x30); // red 16, green 32, blue 48
    ReduceSmoothText(scratch, dest, 0, 0, font);

    // c = 1: blue (255 * 1 + 48 * 255) >> 8 = 48, green (255 + 32 * 255) >> 8 = 32, red 16; fourth byte kept.
    EXPECT_EQ(Get(dest, 0, 0), (Bgra{48, 32, 16, 9}));
    // c = (765 >> 2) + 1 = 192: blue (255 * 192 + 48 * 64) >> 8 = 203, green (48960 + 2048) >> 8 = 199,
    // red (48960 + 1024) >> 8 = 195.
    EXPECT_EQ(Get(dest, 1, 0), (Bgra{203, 199, 195, 0}));
    // c = 101: blue (255 * 101 + 48 * 155) >> 8 = 129, green (25755 + 4960) >> 8 = 119, red 110.
    EXPECT_EQ(Get(dest, 0, 1), (Bgra{129, 119, 110, 0}));
    // Block (1, 1) is blank (c = 256: unchanged), and w = h = 2 leaves column and row 2 alone.
    EXPECT_EQ(Get(dest, 1, 1), (Bgra{255, 255, 255, 0}));
    EXPECT_EQ(Get(dest, 2, 0), (Bgra{255, 255, 255, 0}));
    EXPECT_EQ(Get(dest, 0, 2), (Bgra{255, 255, 255, 0}));

    // White text on black at full ink reaches 254, not 255: (0 * 1 + 255 * 255) >> 8.
    Bitmap dark;
    dark.SetSize(1, 1);
    dark.Fill(kBlack);
    ReduceSmoothText(scratch, dark, 0, 0, kWhite);
    EXPECT_EQ(Get(dark, 0, 0), (Bgra{254, 254, 254, 0}));

    // A 32-bit scratch is read through its blue byte only.
    Bitmap wide;
    wide.SetSize(5, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            wide.Pixel(x, y)[0] = *scratch.Pixel(x, y);
            wide.Pixel(x, y)[1] = 0;
            wide.Pixel(x, y)[2] = 0;
        }
    Bitmap dest32;
    dest32.SetSize(3, 3);
    dest32.Pixel(0, 0)[3] = 9;
    ReduceSmoothText(wide, dest32, 0, 0, font);
    EXPECT_TRUE(SamePixels(dest, dest32));
}

// Runs the body once on every kernel path this machine has.
class SmoothTextPathTest : public pixel_test::PixelPathTest {};

TEST_P(SmoothTextPathTest, EveryInkLevelOnEveryChannelMatchesTheFormula) {
    // 300 blocks whose four scratch bytes all equal v = i % 256, so c = v + 1, drawn over varied
    // pixels at several offsets (wide runs and the leftover tail, cut at the right edge).
    const int blocks = 300;
    Bitmap scratch;
    scratch.SetSizeGray8(2 * blocks + 1, 3);
    for (int i = 0; i < blocks; ++i)
        for (int y = 1; y <= 2; ++y)
            *scratch.Pixel(2 * i, y) = *scratch.Pixel(2 * i + 1, y) = static_cast<std::uint8_t>(i % 256);
    const Color font = MakeColor(201, 7, 150);
    const int font_bgr[3] = {150, 7, 201};
    for (int x : {0, 1, 3, -5, 17}) {
        Bitmap dest;
        dest.SetSize(310, 1);
        for (int i = 0; i < 310; ++i)
            for (int k = 0; k < 4; ++k)
                dest.Pixel(i, 0)[k] = static_cast<std::uint8_t>(i * 37 + k * 91);
        Bitmap before;
        before.Assign(dest);
        ReduceSmoothText(scratch, dest, x, 0, font);
        for (int px = 0; px < 310; ++px) {
            const int i = px - x;
            const std::uint8_t* was = before.Pixel(px, 0);
            const std::uint8_t* now = dest.Pixel(px, 0);
            ASSERT_EQ(now[3], was[3]) << "x " << x << " pixel " << px;
            for (int k = 0; k < 3; ++k) {
                const int c = i >= 0 && i < blocks ? i % 256 + 1 : 256;
                ASSERT_EQ(now[k], (was[k] * c + font_bgr[k] * (256 - c)) >> 8) << "x " << x << " pixel " << px;
            }
        }
    }
}

TEST(ReduceSmoothText, ClipsAtTheEdgesWithTheSameBlockMapping) {
    // 9 x 9 scratch: w = h = 4. Ink only in block (1, 2) (columns 2-3, rows 5-6).
    Bitmap scratch;
    scratch.SetSizeGray8(9, 9);
    scratch.Fill(kWhite);
    for (int y = 5; y <= 6; ++y)
        for (int x = 2; x <= 3; ++x)
            *scratch.Pixel(x, y) = 0;

    // At (1, 1) on a 3 x 3 surface only blocks i, j < 2 fit: block (1, 2) does not.
    Bitmap dest;
    dest.SetSize(3, 3);
    ReduceSmoothText(scratch, dest, 1, 1, kBlack);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            ASSERT_EQ(dest.GetColor(x, y), kWhite);

    // At (1, 0) block (1, 2) lands on (2, 2), the last pixel that fits.
    ReduceSmoothText(scratch, dest, 1, 0, kBlack);
    EXPECT_EQ(dest.GetColor(2, 2), kBlack);
    dest.Fill(kWhite);

    // Left of and above the surface: block (1, 2) at (-1, -2) lands on (0, 0).
    ReduceSmoothText(scratch, dest, -1, -2, kBlack);
    EXPECT_EQ(dest.GetColor(0, 0), kBlack);
    int inked = 0;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            inked += dest.GetColor(x, y) != kWhite;
    EXPECT_EQ(inked, 1);

    // Wholly outside, and onto an empty or one-byte surface: nothing happens.
    dest.Fill(kWhite);
    ReduceSmoothText(scratch, dest, 3, 0, kBlack);
    ReduceSmoothText(scratch, dest, 0, 3, kBlack);
    ReduceSmoothText(scratch, dest, -5, -7, kBlack);
    EXPECT_EQ(dest.GetColor(0, 0), kWhite);
    Bitmap empty;
    ReduceSmoothText(scratch, empty, 0, 0, kBlack);
    Bitmap grey;
    grey.SetSizeGray8(3, 3);
    ReduceSmoothText(scratch, grey, 0, 0, kWhite);
    EXPECT_EQ(*grey.Pixel(0, 0), 0);
}

TEST(DrawTextSmooth, IsTheDoubleSizeRenderingReduced) {
    EXPECT_EQ(DoubledFontHeight(24), 48);
    EXPECT_EQ(DoubledFontHeight(28), 56);
    EXPECT_EQ(DoubledFontHeight(-16), -32);
    EXPECT_EQ(DoubledFontHeight(-15), -29); // 11 pt -> 22 pt

    const Font font = Gothic(24, MakeColor(255, 192, 96));
    const std::u32string text = U"アリサ「こんにちは」";
    Bitmap direct;
    direct.SetSize(300, 40);
    DrawTextSmooth(direct, 5, 3, font, text);

    Font big = font;
    big.height = 48;
    big.color = kBlack;
    const TextSize extent = TextExtent(big, text);
    ASSERT_EQ(extent, (TextSize{480, 48}));
    Bitmap scratch;
    scratch.SetSizeGray8(extent.cx / 2 * 2 + 1, extent.cy / 2 * 2 + 1);
    scratch.Fill(kWhite);
    DrawText(scratch, 0, 0, big, text);
    Bitmap by_hand;
    by_hand.SetSize(300, 40);
    ReduceSmoothText(scratch, by_hand, 5, 3, font.color);
    EXPECT_TRUE(SamePixels(direct, by_hand));

    // Text reaches only the 240 x 24 box of the reduced extent.
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 300; ++x) {
            if (x < 5 || x >= 245 || y < 3 || y >= 27) {
                ASSERT_EQ(direct.GetColor(x, y), kWhite) << x << "," << y;
            }
        }
}

TEST(DrawTextSmooth, RepeatedAndInterleavedDrawsGiveTheSamePixels) {
    // The ten draws of an outlined line reuse one rendering; other texts and fonts in between
    // must not leak into it.
    auto fresh = [](const Font& f, const std::u32string& t) {
        Bitmap s;
        s.SetSize(200, 40);
        DrawTextSmooth(s, 2, 2, f, t);
        return s;
    };
    const Bitmap a = fresh(Gothic(24), U"あいう");
    const Bitmap b = fresh(Gothic(24), U"あいえ");
    const Bitmap c = fresh(Gothic(28), U"あいう");
    Font bold = Gothic(24);
    bold.bold = true;
    const Bitmap d = fresh(bold, U"あいう");
    EXPECT_TRUE(SamePixels(fresh(Gothic(24), U"あいう"), a));
    EXPECT_FALSE(SamePixels(a, b));
    EXPECT_FALSE(SamePixels(a, c));
    EXPECT_FALSE(SamePixels(a, d));
    fresh(Gothic(24, MakeColor(255, 0, 0)), U"あいう"); // a coloured draw in between changes nothing
    EXPECT_TRUE(SamePixels(fresh(Gothic(24), U"あいう"), a));

    // Right edge: only the columns that fit are drawn, and they match an unclipped draw.
    Bitmap narrow;
    narrow.SetSize(30, 40);
    DrawTextSmooth(narrow, 2, 2, Gothic(24), U"あいう");
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(narrow.GetColor(x, y), a.GetColor(x, y)) << x << "," << y;

    // A runaway string costs no more than what can show.
    Bitmap line, endless;
    line.SetSize(800, 30);
    endless.SetSize(800, 30);
    DrawTextSmooth(line, 0, 0, Gothic(24), std::u32string(40, U'あ'));
    DrawTextSmooth(endless, 0, 0, Gothic(24), std::u32string(1000000, U'あ'));
    EXPECT_TRUE(SamePixels(line, endless));

    // Empty text draws nothing.
    Bitmap blank;
    blank.SetSize(10, 10);
    DrawTextSmooth(blank, 0, 0, Gothic(24), U"");
    DrawTextSmooth(blank, 0, 0, Gothic(24), "");
    EXPECT_EQ(blank.GetColor(0, 0), kWhite);
}

// ---- DrawTextEffect ----

Bitmap Plain(int w, int h) {
    Bitmap s;
    s.SetSize(w, h);
    return s;
}

// A surface of noise, so a blend that reads the wrong pixel or channel shows.
Bitmap Noise(int w, int h, std::uint32_t seed, bool grey = false) {
    Bitmap bmp;
    if (grey)
        bmp.SetSizeGray8(w, h);
    else
        bmp.SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = bmp.Row(y);
        for (int i = 0; i < w * bmp.BytesPerPixel(); ++i) {
            seed = seed * 1103515245u + 12345u;
            row[i] = static_cast<std::uint8_t>(seed >> 16);
        }
    }
    return bmp;
}

TEST_P(SmoothTextPathTest, OutlinedTextEqualsTheTenDrawsItStandsFor) {
    // Nine outline draws around the position, rows outside, columns inside, then the body; on
    // noise, cut at every edge, with odd widths for the pixel tails and the far-apart fallback.
    const std::u32string text = U"ユキ「雨、やまないね」AQ";
    struct Case {
        int x, y, step;
        Color outline;
    };
    const Case cases[] = {
        {6, 5, 2, kBlack},
        {-9, -7, 2, kBlack},
        {150, 20, 2, kBlack},
        {3, 3, 1, MakeColor(40, 200, 90)},
        {4, 4, 0, kBlack},
        {10, 6, -3, kWhite},
        {20, 8, 70, MakeColor(9, 8, 7)},
        {500, 4, 2, kBlack},
    };
    for (const Case& c : cases) {
        const Font body = Gothic(24, MakeColor(250, 230, 120));
        Bitmap fused = Noise(203, 37, 7);
        Bitmap drawn = fused;
        DrawTextSmoothOutlined(fused, c.x, c.y, body, text, c.outline, c.step);
        Font shade = body;
        shade.color = c.outline;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                DrawTextSmooth(drawn, c.x + dx * c.step, c.y + dy * c.step, shade, text);
        DrawTextSmooth(drawn, c.x, c.y, body, text);
        EXPECT_TRUE(SamePixels(fused, drawn)) << "at " << c.x << "," << c.y << " step " << c.step;
    }
}

TEST_P(SmoothTextPathTest, GivesTheScalarPathsPixels) {
    // Each draw twice from the same noise, on the scalar path and on this one. Surfaces of every
    // width from 180 to 196 end the rows in every tail length; positions cut the text at each
    // edge; black outlines take the vector paths' shortcut without the colour term.
    const PixelPath path = GetParam();
    auto both = [&](const Bitmap& start, const auto& draw) {
        Bitmap scalar = start, vector = start;
        {
            const pixel_test::PinnedPixelPath pinned(PixelPath::Scalar);
            draw(scalar);
        }
        SetPixelPath(path);
        draw(vector);
        return SamePixels(scalar, vector);
    };
    const std::u32string text = U"ミナト「灯台まで、あと少し」Wg";
    const Font body = Gothic(24, MakeColor(250, 230, 120));
    for (int width = 180; width <= 196; ++width) {
        const Bitmap start = Noise(width, 40, static_cast<std::uint32_t>(width));
        for (const int x : {-31, 0, 7, width - 60}) {
            for (const Color outline : {kBlack, MakeColor(40, 200, 90)}) {
                EXPECT_TRUE(both(start, [&](Bitmap& s) { DrawTextSmoothOutlined(s, x, 6, body, text, outline, 2); }))
                    << "outlined, width " << width << " x " << x;
                Font single = body;
                single.color = outline;
                EXPECT_TRUE(both(start, [&](Bitmap& s) { DrawTextSmooth(s, x, -3, single, text); }))
                    << "smooth, width " << width << " x " << x;
            }
            // Straight onto one byte per pixel, as the scratch rendering is drawn, in black and
            // in a grey, over noise.
            const Bitmap grey = Noise(width, 40, static_cast<std::uint32_t>(width), true);
            for (const Color colour : {kBlack, MakeColor(0, 0, 173)}) {
                Font font = Gothic(30, colour);
                EXPECT_TRUE(both(grey, [&](Bitmap& s) { DrawText(s, x, 2, font, text); }))
                    << "one byte, width " << width << " x " << x;
            }
        }
    }
    // Coverage of every level from scratch noise, every scratch width from 3 to 81 (coverage rows
    // of every tail length), over noise.
    for (int w = 1; w <= 40; ++w) {
        const Bitmap scratch = Noise(2 * w + 1, 9, static_cast<std::uint32_t>(100 + w), true);
        const Bitmap start = Noise(45, 6, static_cast<std::uint32_t>(200 + w));
        for (const int x : {-3, 0, 5}) {
            EXPECT_TRUE(both(start, [&](Bitmap& s) { ReduceSmoothText(scratch, s, x, 1, MakeColor(7, 99, 254)); }))
                << "scratch width " << 2 * w + 1 << " x " << x;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, SmoothTextPathTest, ::testing::ValuesIn(pixel_test::kAllPixelPaths),
                         pixel_test::PixelPathTestName);

TEST_P(SmoothTextPathTest, OneByteGlyphBlendIsExactOverAnyBackground) {
    // Black on white gives 255 - a for every coverage a, so one draw on white tells the coverage,
    // and a draw in another grey must then give (p * (255 - a) + grey * a + 127) / 255. One large
    // glyph, so no two glyphs share a pixel; placed off the left edge, unaligned and cut at the
    // right edge; over noise with rows of 0 and of 255, in the extreme greys and one between.
    const std::u32string glyph = U"永";
    for (const int x : {-13, 0, 5, 40}) {
        Font font = Gothic(60, kBlack);
        Bitmap white;
        white.SetSizeGray8(77, 70);
        white.Fill(kWhite);
        DrawText(white, x, 3, font, glyph);
        Bitmap noise = Noise(77, 70, 99, true);
        for (int yy = 0; yy < 70; yy += 3)
            std::memset(noise.Row(yy), yy % 2 == 0 ? 0 : 255, 77);
        for (const int grey : {0, 173, 255}) {
            Bitmap drawn = noise;
            font.color = MakeColor(0, 0, grey); // a one-byte surface takes the blue
            DrawText(drawn, x, 3, font, glyph);
            int inked = 0, solid = 0;
            for (int yy = 0; yy < 70; ++yy)
                for (int xx = 0; xx < 77; ++xx) {
                    const unsigned a = 255u - *white.Pixel(xx, yy);
                    const unsigned p = *noise.Pixel(xx, yy);
                    inked += a != 0;
                    solid += a == 255;
                    ASSERT_EQ(*drawn.Pixel(xx, yy), (p * (255 - a) + grey * a + 127) / 255)
                        << "grey " << grey << " x " << x << " at " << xx << "," << yy;
                }
            EXPECT_GT(inked, 200);
            EXPECT_GT(solid, 50);
        }
    }
}

TEST_P(SmoothTextPathTest, GlyphRowKernelOnOneByteIsExactForEveryValue) {
    // The row kernel itself, since no font gives every coverage: every coverage over every pixel
    // value in every grey, then rows of every length up to 80 at starts across a register, with
    // nothing outside the row touched, a run of clear coverage that the vector paths may pass
    // over, and the extremes of coverage and pixel at the row's ends.
    const auto blend = pixel_ops::ActiveKernels().blend_grey8;
    auto expected = [](unsigned p, unsigned a, unsigned grey) { return (p * (255 - a) + grey * a + 127) / 255; };
    std::vector<std::uint8_t> coverage(65536), pixels(65536);
    for (unsigned grey = 0; grey < 256; ++grey) {
        for (unsigned i = 0; i < 65536; ++i) {
            coverage[i] = static_cast<std::uint8_t>(i >> 8);
            pixels[i] = static_cast<std::uint8_t>(i);
        }
        blend(coverage.data(), pixels.data(), 65536, grey);
        for (unsigned i = 0; i < 65536; ++i)
            ASSERT_EQ(pixels[i], expected(i & 255, i >> 8, grey))
                << "p " << (i & 255) << " a " << (i >> 8) << " grey " << grey;
    }
    std::uint32_t seed = 7;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(seed >> 16);
    };
    constexpr int kGuard = 40;
    for (int n = 0; n <= 80; ++n) {
        for (int start = 0; start < 32; start += 3) {
            std::vector<std::uint8_t> cov(start + n + kGuard), row(start + n + kGuard);
            for (std::size_t i = 0; i < row.size(); ++i) {
                cov[i] = next();
                row[i] = next();
            }
            for (int i = n / 5; n >= 16 && i < n - 6; ++i)
                cov[start + i] = 0;
            if (n >= 2) {
                cov[start] = 0;
                row[start] = n % 2 ? 255 : 0;
                cov[start + n - 1] = 255;
                row[start + n - 1] = n % 2 ? 0 : 255;
            }
            const std::vector<std::uint8_t> before = row;
            const unsigned grey = next();
            blend(cov.data() + start, row.data() + start, n, grey);
            for (int i = 0; i < static_cast<int>(row.size()); ++i) {
                const bool in_row = i >= start && i < start + n;
                ASSERT_EQ(row[i], in_row ? expected(before[i], cov[i], grey) : before[i])
                    << "n " << n << " start " << start << " byte " << i;
            }
        }
    }
}

TEST(DrawTextEffect, ModesDrawTheirLayersAndRestoreTheCanvasFont) {
    const Font arg = Gothic(24, MakeColor(0, 0, 255)); // blue body when mode 0 uses it
    const Color effect = MakeColor(255, 0, 0);
    Font canvas_font = Gothic(-12, MakeColor(0, 200, 0)); // the body colour of modes 1, 2 and 6
    canvas_font.face = "ＭＳ Ｐゴシック";
    canvas_font.italic = true;
    const std::u32string text = U"あA";
    RandomGenerator random;

    auto expect_layers = [&](int mode, std::initializer_list<std::tuple<int, int, Color>> layers) {
        Bitmap got = Plain(80, 50);
        TextCanvas canvas{&got, canvas_font};
        DrawTextEffect(mode, 20, 10, text, arg, effect, canvas, random, 1234);
        EXPECT_EQ(canvas.font, canvas_font) << "mode " << mode;
        Bitmap want = Plain(80, 50);
        for (const auto& [x, y, colour] : layers) {
            Font f = arg;
            f.color = colour;
            DrawText(want, x, y, f, text);
        }
        EXPECT_TRUE(SamePixels(got, want)) << "mode " << mode;
    };
    const Color body = canvas_font.color;
    expect_layers(0, {{20, 10, arg.color}});
    expect_layers(1, {{21, 11, effect},
                      {21, 10, effect},
                      {21, 9, effect},
                      {20, 11, effect},
                      {20, 9, effect},
                      {19, 11, effect},
                      {19, 10, effect},
                      {19, 9, effect},
                      {20, 10, body}});
    expect_layers(2, {{22, 12, effect}, {20, 10, body}});
    expect_layers(6, {{19, 9, effect}, {20, 10, body}});
    expect_layers(7, {});
    expect_layers(-1, {});

    // No surface: nothing to draw, and the font still comes back.
    TextCanvas nowhere{nullptr, canvas_font};
    DrawTextEffect(1, 0, 0, text, arg, effect, nowhere, random, 0);
    EXPECT_EQ(nowhere.font, canvas_font);
}

TEST(DrawTextEffect, JitterModesReseedFromTheClock) {
    // 24-pixel cell = 18 points: offsets are Random(6) after seeding with the clock value.
    const Font arg = Gothic(24, MakeColor(0, 0, 0));
    for (std::uint32_t clock : {0u, 77u, 1000123u, 0xFFFFFFF0u}) {
        RandomGenerator expected;
        expected.SetSeed(clock);
        const int offset = static_cast<int>(expected.Random(6));
        for (int mode : {3, 4, 5}) {
            Bitmap got = Plain(80, 50);
            TextCanvas canvas{&got, Gothic(-12)};
            RandomGenerator random;
            random.SetSeed(42);
            DrawTextEffect(mode, 10, 10, U"あ", arg, kWhite, canvas, random, clock);
            EXPECT_EQ(random.Seed(), expected.Seed()) << "mode " << mode;
            Bitmap want = Plain(80, 50);
            DrawText(want, 10 + (mode != 4 ? offset : 0), 10 + (mode != 3 ? offset : 0), arg, U"あ");
            EXPECT_TRUE(SamePixels(got, want)) << "mode " << mode << " clock " << clock;
        }
    }
}

} // namespace
} // namespace hk
