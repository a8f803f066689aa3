#include "gfx/bitmap_text.h"

#include "data/unicode.h"
#include "gfx/image_decoder.h"
#include "gfx/pixel_ops_kernels.h"
#include "gfx/text_reduce.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace hk {

namespace {

int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>((p >= 0 ? p + c / 2 : p - c / 2) / c);
}

// The scratch rendering reduced to one value per output pixel: S >> 2, where S is the sum of
// the four blue bytes of its 2 x 2 block (255 = blank, 0 = full ink).
struct SmoothCoverage {
    int w = 0;
    int h = 0;
    std::vector<std::uint8_t> level; // w * h
};

SmoothCoverage BuildCoverage(const Bitmap& scratch) {
    SmoothCoverage cov;
    if (!scratch.HasImage())
        return cov;
    cov.w = (scratch.Width() - 1) / 2;
    cov.h = (scratch.Height() - 1) / 2;
    cov.level.resize(static_cast<std::size_t>(cov.w) * static_cast<std::size_t>(cov.h));
    const std::size_t sb = static_cast<std::size_t>(scratch.BytesPerPixel());
    const auto coverage_row = pixel_ops::ActiveKernels().coverage_row;
    for (int j = 0; j < cov.h; ++j) {
        // Scratch row 0 is never read: output row j takes rows 2j + 1 and 2j + 2.
        const std::uint8_t* upper = scratch.Row(2 * j + 1);
        const std::uint8_t* lower = scratch.Row(2 * j + 2);
        std::uint8_t* out = cov.level.data() + static_cast<std::size_t>(j) * cov.w;
        if (sb == 1) {
            coverage_row(upper, lower, out, cov.w);
            continue;
        }
        for (int i = 0; i < cov.w; ++i) {
            const std::size_t left = static_cast<std::size_t>(2 * i) * sb;
            const unsigned sum = upper[left] + upper[left + sb] + lower[left] + lower[left + sb];
            out[i] = static_cast<std::uint8_t>(sum >> 2);
        }
    }
    return cov;
}

// One coverage grid applied several times at different offsets and colours, pass after pass, in
// a single sweep over the surface: each pixel ends exactly as if every pass had gone over the
// whole surface in turn, but is read and written once. grid is the coverage with `pad` blank
// (255) cells around it, pitch pw; pass k puts grid cell (pad, pad) at (x + dx[k], y + dy[k]).
// With c = level + 1, each of blue, green, red becomes (old * c + colour * (256 - c)) >> 8.
struct CoveragePass {
    int dx = 0;
    int dy = 0;
    unsigned colour[3] = {0, 0, 0};
};

using text_reduce::kMaxPasses;
using text_reduce::PassRow;

void ApplyPasses(const std::uint8_t* grid, int pw, int pad, int w, int h, const CoveragePass* passes, int count,
                 Bitmap& dest, int x, int y) {
    int reach = 0;
    for (int k = 0; k < count; ++k)
        reach = std::max({reach, std::abs(passes[k].dx), std::abs(passes[k].dy)});
    const int x0 = std::max(0, x - reach), x1 = std::min(dest.Width(), x + w + reach);
    const int y0 = std::max(0, y - reach), y1 = std::min(dest.Height(), y + h + reach);
    if (x0 >= x1 || y0 >= y1)
        return;
    const pixel_ops::RowKernels& kernels = pixel_ops::ActiveKernels();
    PassRow pr;
    pr.grid = grid;
    pr.count = std::min(count, kMaxPasses);
    for (int k = 0; k < pr.count; ++k) {
        for (int ch = 0; ch < 3; ++ch)
            pr.colour[k][ch] = static_cast<std::uint16_t>(passes[k].colour[ch]);
        pr.black[k] = passes[k].colour[0] == 0 && passes[k].colour[1] == 0 && passes[k].colour[2] == 0;
    }
    // With several passes every grid cell is read several times: its four 16-bit weights
    // (c, c, c and 256 for the fourth byte) are worked out once.
    thread_local std::vector<std::uint16_t> weight_store;
    if (pr.count > 1 && kernels.level_weights) {
        const std::size_t cells = static_cast<std::size_t>(pw) * static_cast<std::size_t>(h + 2 * pad);
        weight_store.resize(4 * cells);
        kernels.level_weights(grid, weight_store.data(), cells);
        pr.weights = weight_store.data();
    }
    for (int row = y0; row < y1; ++row) {
        for (int k = 0; k < pr.count; ++k)
            pr.offset[k] = static_cast<std::ptrdiff_t>(row - y - passes[k].dy + pad) * pw + (pad - x - passes[k].dx);
        kernels.reduce_row(pr, x0, x1, dest.Pixel(x0, row));
    }
}

void ApplyCoverage(const SmoothCoverage& cov, Bitmap& dest, int x, int y, Color color) {
    if (!dest.HasImage() || dest.Format() != PixelFormat::Bgra32 || cov.w <= 0 || cov.h <= 0)
        return;
    CoveragePass pass;
    pass.colour[0] = ColorBlue(color);
    pass.colour[1] = ColorGreen(color);
    pass.colour[2] = ColorRed(color);
    ApplyPasses(cov.level.data(), cov.w, 0, cov.w, cov.h, &pass, 1, dest, x, y);
}

// A message line is drawn ten times in a row (nine outline passes and the body) with the same
// font and text and only the colour and position changing, so the last reduced rendering is
// kept and reused. One per thread; text drawing is on the GUI thread anyway.
struct CoverageCache {
    bool valid = false;
    Font font; // the doubled font, colour black
    std::u32string text;
    Bitmap scratch;
    SmoothCoverage coverage;
};

const SmoothCoverage& SmoothTextCoverage(const Font& font, std::u32string_view text) {
    thread_local CoverageCache cache;
    Font big = font;
    big.height = DoubledFontHeight(font.height == 0 ? -16 : font.height);
    big.color = kBlack;
    if (cache.valid && cache.font == big && cache.text == text)
        return cache.coverage;
    cache.valid = false;
    const TextSize extent = TextExtent(big, text);
    // No surface is wider than the largest picture, so longer text could never show; the cap
    // keeps a runaway string from asking for a gigantic scratch surface.
    const int w = std::min(extent.cx / 2, kMaxImageSide);
    const int h = extent.cy / 2;
    cache.scratch.SetSizeGray8(2 * w + 1, 2 * h + 1);
    cache.scratch.Fill(kWhite);
    DrawText(cache.scratch, 0, 0, big, text);
    cache.coverage = BuildCoverage(cache.scratch);
    cache.font = std::move(big);
    cache.text.assign(text);
    cache.valid = true;
    return cache.coverage;
}

} // namespace

int DoubledFontHeight(int height) {
    // Size in points as a signed value (a cell height gives a negative size), doubled, and turned
    // back into a height: 24 -> -18 pt -> -36 pt -> 48.
    const int size = -MulDiv(height, 72, 96);
    return -MulDiv(2 * size, 96, 72);
}

void ReduceSmoothText(const Bitmap& scratch, Bitmap& dest, int x, int y, Color color) {
    if (!dest.HasImage() || dest.Format() != PixelFormat::Bgra32)
        return;
    ApplyCoverage(BuildCoverage(scratch), dest, x, y, color);
}

void DrawTextSmooth(Bitmap& surface, int x, int y, const Font& font, std::u32string_view text) {
    if (text.empty() || !surface.HasImage() || surface.Format() != PixelFormat::Bgra32)
        return;
    ApplyCoverage(SmoothTextCoverage(font, text), surface, x, y, font.color);
}

void DrawTextSmoothOutlined(Bitmap& surface, int x, int y, const Font& font, std::u32string_view text, Color outline,
                            int step) {
    if (text.empty() || !surface.HasImage() || surface.Format() != PixelFormat::Bgra32)
        return;
    const SmoothCoverage& cov = SmoothTextCoverage(font, text);
    if (cov.w <= 0 || cov.h <= 0)
        return;
    if (std::abs(step) > 64) {
        // Far-apart passes do not overlap much; ten plain draws keep the padded grid small.
        for (int k = 0; k < 9; ++k)
            ApplyCoverage(cov, surface, x + (k % 3 - 1) * step, y + (k / 3 - 1) * step, outline);
        ApplyCoverage(cov, surface, x, y, font.color);
        return;
    }
    CoveragePass passes[10];
    for (int k = 0; k < 9; ++k) {
        passes[k].dx = (k % 3 - 1) * step;
        passes[k].dy = (k / 3 - 1) * step;
        passes[k].colour[0] = ColorBlue(outline);
        passes[k].colour[1] = ColorGreen(outline);
        passes[k].colour[2] = ColorRed(outline);
    }
    passes[9].colour[0] = ColorBlue(font.color);
    passes[9].colour[1] = ColorGreen(font.color);
    passes[9].colour[2] = ColorRed(font.color);

    // Every pass reads the same grid; a blank border of twice the offset lets each one index it
    // anywhere in the union of their rectangles.
    const int pad = 2 * std::abs(step);
    const int pw = cov.w + 2 * pad;
    const int ph = cov.h + 2 * pad;
    thread_local std::vector<std::uint8_t> grid;
    grid.assign(static_cast<std::size_t>(pw) * static_cast<std::size_t>(ph), 255);
    for (int j = 0; j < cov.h; ++j)
        std::memcpy(grid.data() + static_cast<std::size_t>(j + pad) * pw + pad,
                    cov.level.data() + static_cast<std::size_t>(j) * cov.w, static_cast<std::size_t>(cov.w));
    ApplyPasses(grid.data(), pw, pad, cov.w, cov.h, passes, 10, surface, x, y);
}

void DrawTextSmooth(Bitmap& surface, int x, int y, const Font& font, std::string_view utf8) {
    DrawTextSmooth(surface, x, y, font, std::u32string_view(Utf8ToUtf32(utf8)));
}

void DrawTextEffect(int mode, int x, int y, std::u32string_view text, const Font& font, Color effect_color,
                    TextCanvas& canvas, RandomGenerator& random, std::uint32_t clock_ms) {
    struct Restore {
        TextCanvas& canvas;
        Font saved;
        ~Restore() { canvas.font = std::move(saved); }
    } restore{canvas, canvas.font};
    const Color body = restore.saved.color;
    canvas.font = font;
    if (!canvas.surface)
        return;
    Bitmap& surface = *canvas.surface;
    auto draw = [&](int px, int py, Color colour) {
        canvas.font.color = colour;
        DrawText(surface, px, py, canvas.font, text);
    };
    const std::uint32_t jitter = static_cast<std::uint32_t>(font.Points() / 3);
    switch (mode) {
    case 0: draw(x, y, font.color); break;
    case 1: {
        static constexpr int kOutline[8][2] = {{1, 1}, {1, 0}, {1, -1}, {0, 1}, {0, -1}, {-1, 1}, {-1, 0}, {-1, -1}};
        for (const auto& o : kOutline)
            draw(x + o[0], y + o[1], effect_color);
        draw(x, y, body);
        break;
    }
    case 2:
        draw(x + 2, y + 2, effect_color);
        draw(x, y, body);
        break;
    case 3:
        random.SetSeed(clock_ms);
        draw(x + static_cast<int>(random.Random(jitter)), y, font.color);
        break;
    case 4:
        random.SetSeed(clock_ms);
        draw(x, y + static_cast<int>(random.Random(jitter)), font.color);
        break;
    case 5: {
        random.SetSeed(clock_ms);
        const int u = static_cast<int>(random.Random(jitter));
        random.SetSeed(clock_ms);
        const int v = static_cast<int>(random.Random(jitter));
        draw(x + u, y + v, font.color);
        break;
    }
    case 6:
        draw(x - 1, y - 1, effect_color);
        draw(x, y, body);
        break;
    default: break;
    }
}

} // namespace hk
