#include "gfx/abitmap_text.h"

#include "data/unicode.h"
#include "gfx/image_decoder.h"
#include "gfx/text_reduce.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

SmoothCoverage BuildCoverage(const TABitmap& scratch) {
    SmoothCoverage cov;
    if (!scratch.HasImage())
        return cov;
    cov.w = (scratch.Width() - 1) / 2;
    cov.h = (scratch.Height() - 1) / 2;
    cov.level.resize(static_cast<std::size_t>(cov.w) * static_cast<std::size_t>(cov.h));
    const std::size_t sb = static_cast<std::size_t>(scratch.BytesPerPixel());
    for (int j = 0; j < cov.h; ++j) {
        // Scratch row 0 is never read: output row j takes rows 2j + 1 and 2j + 2.
        const std::uint8_t* upper = scratch.Row(2 * j + 1);
        const std::uint8_t* lower = scratch.Row(2 * j + 2);
        std::uint8_t* out = cov.level.data() + static_cast<std::size_t>(j) * cov.w;
        int i = 0;
#if defined(__SSE2__)
        if (sb == 1) {
            // Eight blocks from sixteen bytes of each row: even and odd bytes summed in 16 bits.
            const __m128i low_bytes = _mm_set1_epi16(0x00FF);
            for (; i + 8 <= cov.w; i += 8) {
                const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + 2 * i));
                const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + 2 * i));
                const __m128i sum = _mm_add_epi16(
                    _mm_add_epi16(_mm_and_si128(u, low_bytes), _mm_srli_epi16(u, 8)),
                    _mm_add_epi16(_mm_and_si128(l, low_bytes), _mm_srli_epi16(l, 8)));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i),
                                 _mm_packus_epi16(_mm_srli_epi16(sum, 2), _mm_setzero_si128()));
            }
        }
#endif
        for (; i < cov.w; ++i) {
            const std::size_t left = static_cast<std::size_t>(2 * i) * sb;
            const unsigned sum = upper[left] + upper[left + sb] + lower[left] + lower[left + sb];
            out[i] = static_cast<std::uint8_t>(sum >> 2);
        }
    }
    return cov;
}

// One step of the reduction on one pixel: with c = level + 1, each of blue, green, red becomes
// (old * c + colour * (256 - c)) >> 8; a blank block (c = 256) leaves the pixel exactly as it was.
inline void ReducePixel(std::uint8_t* d, unsigned level, const unsigned (&colour)[3]) {
    if (level == 255)
        return;
    const unsigned c = level + 1u;
    for (int k = 0; k < 3; ++k)
        d[k] = static_cast<std::uint8_t>((d[k] * c + colour[k] * (256 - c)) >> 8);
}

#if defined(__SSE2__)
// The same step on four pixels held as 16-bit lanes, two per register. old * c + colour *
// (256 - c) never exceeds 255 * 256, so nothing overflows; the fourth byte's lane uses c = 256
// and colour 0, which gives it back unchanged. quad holds the four levels, first pixel lowest.
struct QuadReducer {
    __m128i zero = _mm_setzero_si128();
    __m128i one = _mm_set1_epi16(1);
    __m128i k256 = _mm_set1_epi16(256);
    __m128i rgb = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
    __m128i alpha256 = _mm_setr_epi16(0, 0, 0, 256, 0, 0, 0, 256);

    static __m128i Colour(const unsigned (&colour)[3]) {
        const auto b = static_cast<short>(colour[0]), g = static_cast<short>(colour[1]),
                   r = static_cast<short>(colour[2]);
        return _mm_setr_epi16(b, g, r, 0, b, g, r, 0);
    }

    // The weights of four levels: c0 c0 c0 256 c1 c1 c1 256 and the same for c2, c3.
    void Weights(std::uint32_t quad, __m128i& c_lo, __m128i& c_hi) const {
        const __m128i c = _mm_add_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(quad)), zero), one);
        const __m128i pairs = _mm_unpacklo_epi16(c, c); // c0 c0 c1 c1 c2 c2 c3 c3
        c_lo = _mm_or_si128(_mm_and_si128(_mm_unpacklo_epi32(pairs, pairs), rgb), alpha256);
        c_hi = _mm_or_si128(_mm_and_si128(_mm_unpackhi_epi32(pairs, pairs), rgb), alpha256);
    }

    void Blend(__m128i& lo, __m128i& hi, __m128i c_lo, __m128i c_hi, __m128i colour16) const {
        lo = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(lo, c_lo), _mm_mullo_epi16(colour16, _mm_sub_epi16(k256, c_lo))), 8);
        hi = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(hi, c_hi), _mm_mullo_epi16(colour16, _mm_sub_epi16(k256, c_hi))), 8);
    }

    // Blend towards black: the colour term is zero.
    static void Darken(__m128i& lo, __m128i& hi, __m128i c_lo, __m128i c_hi) {
        lo = _mm_srli_epi16(_mm_mullo_epi16(lo, c_lo), 8);
        hi = _mm_srli_epi16(_mm_mullo_epi16(hi, c_hi), 8);
    }
};
#endif

// One coverage grid applied several times at different offsets and colours, pass after pass, in
// a single sweep over the surface: each pixel ends exactly as if every pass had gone over the
// whole surface in turn, but is read and written once. grid is the coverage with `pad` blank
// (255) cells around it, pitch pw; pass k puts grid cell (pad, pad) at (x + dx[k], y + dy[k]).
struct CoveragePass {
    int dx = 0;
    int dy = 0;
    unsigned colour[3] = {0, 0, 0};
};

using text_reduce::kMaxPasses;
using text_reduce::PassRow;

#if defined(__SSE2__)
template <int kBytes>
bool AllBlank(const std::uint8_t* level) {
    if constexpr (kBytes == 4) {
        std::uint32_t v;
        std::memcpy(&v, level, 4);
        return v == 0xFFFFFFFFu;
    } else {
        static_assert(kBytes % 8 == 0);
        for (int b = 0; b < kBytes; b += 8) {
            std::uint64_t v;
            std::memcpy(&v, level + b, 8);
            if (v != ~std::uint64_t{0})
                return false;
        }
        return true;
    }
}

// kQuads groups of four pixels from column i: every pass's blend is a chain of dependent
// multiplies, so several groups side by side keep the multiplier busy.
template <int kQuads>
void ReduceBlock(const QuadReducer& reducer, const PassRow& row, const __m128i* colour16, int i, std::uint8_t* d) {
    bool touched[kMaxPasses];
    bool any = false;
    for (int k = 0; k < row.count; ++k) {
        touched[k] = !AllBlank<4 * kQuads>(row.grid + row.offset[k] + i);
        any = any || touched[k];
    }
    if (!any)
        return; // pixels no pass touches
    __m128i v[2 * kQuads];
    for (int q = 0; q < kQuads; ++q) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 16 * q));
        v[2 * q] = _mm_unpacklo_epi8(px, reducer.zero);
        v[2 * q + 1] = _mm_unpackhi_epi8(px, reducer.zero);
    }
    for (int k = 0; k < row.count; ++k) {
        if (!touched[k])
            continue;
        // A blank level has c = 256 and leaves its pixel as it is, so whole groups go through.
        for (int q = 0; q < kQuads; ++q) {
            const std::ptrdiff_t cell = row.offset[k] + i + 4 * q;
            __m128i c_lo, c_hi;
            if (row.weights) {
                c_lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.weights + 4 * cell));
                c_hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.weights + 4 * cell + 8));
            } else {
                std::uint32_t quad;
                std::memcpy(&quad, row.grid + cell, 4);
                reducer.Weights(quad, c_lo, c_hi);
            }
            if (row.black[k])
                QuadReducer::Darken(v[2 * q], v[2 * q + 1], c_lo, c_hi);
            else
                reducer.Blend(v[2 * q], v[2 * q + 1], c_lo, c_hi, colour16[k]);
        }
    }
    for (int q = 0; q < kQuads; ++q)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16 * q), _mm_packus_epi16(v[2 * q], v[2 * q + 1]));
}
#endif

void ApplyPasses(const std::uint8_t* grid, int pw, int pad, int w, int h, const CoveragePass* passes, int count,
                 TABitmap& dest, int x, int y) {
    int reach = 0;
    for (int k = 0; k < count; ++k)
        reach = std::max({reach, std::abs(passes[k].dx), std::abs(passes[k].dy)});
    const int x0 = std::max(0, x - reach), x1 = std::min(dest.Width(), x + w + reach);
    const int y0 = std::max(0, y - reach), y1 = std::min(dest.Height(), y + h + reach);
    if (x0 >= x1 || y0 >= y1)
        return;
    count = std::min(count, kMaxPasses);
#if defined(__SSE2__)
    const QuadReducer reducer;
    PassRow pr;
    pr.grid = grid;
    pr.count = count;
    __m128i colour16[kMaxPasses];
    for (int k = 0; k < count; ++k) {
        colour16[k] = QuadReducer::Colour(passes[k].colour);
        for (int ch = 0; ch < 3; ++ch)
            pr.colour[k][ch] = static_cast<std::uint16_t>(passes[k].colour[ch]);
        pr.black[k] = passes[k].colour[0] == 0 && passes[k].colour[1] == 0 && passes[k].colour[2] == 0;
    }
    static const text_reduce::RowFunction wide_rows =
        text_reduce::kReduceRowAvx2 && __builtin_cpu_supports("avx2") ? text_reduce::kReduceRowAvx2 : nullptr;
    // With several passes every grid cell is read several times: its four 16-bit weights
    // (c, c, c and 256 for the fourth byte) are worked out once.
    thread_local std::vector<std::uint16_t> weight_store;
    if (count > 1) {
        const std::size_t cells = static_cast<std::size_t>(pw) * static_cast<std::size_t>(h + 2 * pad);
        weight_store.resize(4 * cells);
        std::uint16_t* out = weight_store.data();
        std::size_t i = 0;
        for (; i + 4 <= cells; i += 4) {
            std::uint32_t quad;
            std::memcpy(&quad, grid + i, 4);
            __m128i lo, hi;
            reducer.Weights(quad, lo, hi);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), lo);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i + 8), hi);
        }
        for (; i < cells; ++i) {
            const auto c = static_cast<std::uint16_t>(grid[i] + 1);
            out[4 * i] = out[4 * i + 1] = out[4 * i + 2] = c;
            out[4 * i + 3] = 256;
        }
        pr.weights = weight_store.data();
    }
#endif
    std::ptrdiff_t offset[kMaxPasses];
    for (int row = y0; row < y1; ++row) {
        for (int k = 0; k < count; ++k)
            offset[k] = static_cast<std::ptrdiff_t>(row - y - passes[k].dy + pad) * pw + (pad - x - passes[k].dx);
        std::uint8_t* d = dest.Pixel(x0, row);
        int i = x0;
#if defined(__SSE2__)
        std::copy(offset, offset + count, pr.offset);
        if (wide_rows && pr.weights) {
            const int done = wide_rows(pr, i, x1, d);
            d += 4 * static_cast<std::ptrdiff_t>(done - i);
            i = done;
        }
        for (; i + 16 <= x1; i += 16, d += 64)
            ReduceBlock<4>(reducer, pr, colour16, i, d);
        for (; i + 4 <= x1; i += 4, d += 16)
            ReduceBlock<1>(reducer, pr, colour16, i, d);
#endif
        for (; i < x1; ++i, d += 4)
            for (int k = 0; k < count; ++k)
                ReducePixel(d, grid[offset[k] + i], passes[k].colour);
    }
}

void ApplyCoverage(const SmoothCoverage& cov, TABitmap& dest, int x, int y, Color color) {
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
    TABitmap scratch;
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

void ReduceSmoothText(const TABitmap& scratch, TABitmap& dest, int x, int y, Color color) {
    if (!dest.HasImage() || dest.Format() != PixelFormat::Bgra32)
        return;
    ApplyCoverage(BuildCoverage(scratch), dest, x, y, color);
}

void DrawTextSmooth(TABitmap& surface, int x, int y, const Font& font, std::u32string_view text) {
    if (text.empty() || !surface.HasImage() || surface.Format() != PixelFormat::Bgra32)
        return;
    ApplyCoverage(SmoothTextCoverage(font, text), surface, x, y, font.color);
}

void DrawTextSmoothOutlined(TABitmap& surface, int x, int y, const Font& font, std::u32string_view text, Color outline,
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

void DrawTextSmooth(TABitmap& surface, int x, int y, const Font& font, std::string_view utf8) {
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
    TABitmap& surface = *canvas.surface;
    auto draw = [&](int px, int py, Color colour) {
        canvas.font.color = colour;
        DrawText(surface, px, py, canvas.font, text);
    };
    const std::uint32_t jitter = static_cast<std::uint32_t>(font.Points() / 3);
    switch (mode) {
    case 0:
        draw(x, y, font.color);
        break;
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
    default:
        break;
    }
}

} // namespace hk
