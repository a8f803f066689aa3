#include "gfx/abitmap_text.h"

#include "data/unicode.h"
#include "gfx/image_decoder.h"

#include <algorithm>
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
        for (int i = 0; i < cov.w; ++i) {
            const std::size_t left = static_cast<std::size_t>(2 * i) * sb;
            const unsigned sum = upper[left] + upper[left + sb] + lower[left] + lower[left + sb];
            out[i] = static_cast<std::uint8_t>(sum >> 2);
        }
    }
    return cov;
}

void ApplyCoverage(const SmoothCoverage& cov, TABitmap& dest, int x, int y, Color color) {
    if (!dest.HasImage() || dest.Format() != PixelFormat::Bgra32)
        return;
    int w = cov.w;
    int h = cov.h;
    if (x + w > dest.Width())
        w = dest.Width() - x;
    if (y + h > dest.Height())
        h = dest.Height() - y;
    const int i0 = std::max(0, -x);
    const int j0 = std::max(0, -y);
    if (i0 >= w || j0 >= h)
        return;
    const unsigned font_bgr[3] = {ColorBlue(color), ColorGreen(color), ColorRed(color)};
#if defined(__SSE2__)
    // Four pixels at a time in 16-bit lanes: old * c + colour * (256 - c) never exceeds
    // 255 * 256, so nothing overflows. The fourth byte's lane uses c = 256 and colour 0,
    // which gives it back unchanged.
    const __m128i zero = _mm_setzero_si128();
    const __m128i k256 = _mm_set1_epi16(256);
    const auto fb = static_cast<short>(font_bgr[0]), fg = static_cast<short>(font_bgr[1]),
               fr = static_cast<short>(font_bgr[2]);
    const __m128i font16 = _mm_setr_epi16(fb, fg, fr, 0, fb, fg, fr, 0);
    auto weights = [](unsigned a, unsigned b) {
        const auto ca = static_cast<short>(a + 1), cb = static_cast<short>(b + 1);
        return _mm_setr_epi16(ca, ca, ca, 256, cb, cb, cb, 256);
    };
#endif
    for (int j = j0; j < h; ++j) {
        const std::uint8_t* level = cov.level.data() + static_cast<std::size_t>(j) * cov.w;
        std::uint8_t* d = dest.Pixel(x + i0, y + j);
        int i = i0;
#if defined(__SSE2__)
        for (; i + 4 <= w; i += 4, d += 16) {
            std::uint32_t four;
            std::memcpy(&four, level + i, 4);
            if (four == 0xFFFFFFFFu)
                continue; // four blank blocks
            const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
            const __m128i c_lo = weights(level[i], level[i + 1]);
            const __m128i c_hi = weights(level[i + 2], level[i + 3]);
            __m128i lo = _mm_unpacklo_epi8(px, zero);
            __m128i hi = _mm_unpackhi_epi8(px, zero);
            lo = _mm_srli_epi16(
                _mm_add_epi16(_mm_mullo_epi16(lo, c_lo), _mm_mullo_epi16(font16, _mm_sub_epi16(k256, c_lo))), 8);
            hi = _mm_srli_epi16(
                _mm_add_epi16(_mm_mullo_epi16(hi, c_hi), _mm_mullo_epi16(font16, _mm_sub_epi16(k256, c_hi))), 8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(lo, hi));
        }
#endif
        for (; i < w; ++i, d += 4) {
            // c = level + 1; a blank block (c = 256) leaves the pixel exactly as it was.
            if (level[i] == 255)
                continue;
            const unsigned c = level[i] + 1u;
            for (int k = 0; k < 3; ++k)
                d[k] = static_cast<std::uint8_t>((d[k] * c + font_bgr[k] * (256 - c)) >> 8);
        }
    }
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
