#include "gfx/abitmap_text.h"

#include "data/unicode.h"

#include <algorithm>
#include <string>

namespace hk {

namespace {

int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>((p >= 0 ? p + c / 2 : p - c / 2) / c);
}

// A message line is drawn ten times in a row (nine outline passes and the body) with the same
// font and text and only the colour and position changing, so the last scratch rendering is
// kept and reused. One per thread; text drawing is on the GUI thread anyway.
struct ScratchCache {
    bool valid = false;
    Font font; // the doubled font, colour black
    std::u32string text;
    TABitmap scratch;
};

const TABitmap& SmoothScratch(const Font& font, std::u32string_view text) {
    thread_local ScratchCache cache;
    Font big = font;
    big.height = DoubledFontHeight(font.height == 0 ? -16 : font.height);
    big.color = kBlack;
    if (cache.valid && cache.font == big && cache.text == text)
        return cache.scratch;
    cache.valid = false;
    const TextSize extent = TextExtent(big, text);
    const int w = extent.cx / 2;
    const int h = extent.cy / 2;
    cache.scratch.SetSizeGray8(2 * w + 1, 2 * h + 1);
    cache.scratch.Fill(kWhite);
    DrawText(cache.scratch, 0, 0, big, text);
    cache.font = std::move(big);
    cache.text.assign(text);
    cache.valid = true;
    return cache.scratch;
}

} // namespace

int DoubledFontHeight(int height) {
    // Size in points as a signed value (a cell height gives a negative size), doubled, and turned
    // back into a height: 24 -> -18 pt -> -36 pt -> 48.
    const int size = -MulDiv(height, 72, 96);
    return -MulDiv(2 * size, 96, 72);
}

void ReduceSmoothText(const TABitmap& scratch, TABitmap& dest, int x, int y, Color color) {
    if (!scratch.HasImage() || !dest.HasImage() || dest.Format() != PixelFormat::Bgra32)
        return;
    int w = (scratch.Width() - 1) / 2;
    int h = (scratch.Height() - 1) / 2;
    if (x + w > dest.Width())
        w = dest.Width() - x;
    if (y + h > dest.Height())
        h = dest.Height() - y;
    const int i0 = std::max(0, -x);
    const int j0 = std::max(0, -y);
    if (i0 >= w || j0 >= h)
        return;
    const int sb = scratch.BytesPerPixel();
    const unsigned font_bgr[3] = {ColorBlue(color), ColorGreen(color), ColorRed(color)};
    for (int j = j0; j < h; ++j) {
        const std::uint8_t* upper = scratch.Row(2 * j + 1);
        const std::uint8_t* lower = scratch.Row(2 * j + 2);
        std::uint8_t* d = dest.Pixel(x + i0, y + j);
        for (int i = i0; i < w; ++i, d += 4) {
            const std::size_t left = static_cast<std::size_t>(2 * i) * sb;
            const std::size_t right = left + sb;
            const unsigned sum = upper[left] + upper[right] + lower[left] + lower[right];
            const unsigned c = (sum >> 2) + 1;
            for (int k = 0; k < 3; ++k)
                d[k] = static_cast<std::uint8_t>((d[k] * c + font_bgr[k] * (256 - c)) >> 8);
        }
    }
}

void DrawTextSmooth(TABitmap& surface, int x, int y, const Font& font, std::u32string_view text) {
    if (text.empty() || !surface.HasImage() || surface.Format() != PixelFormat::Bgra32)
        return;
    ReduceSmoothText(SmoothScratch(font, text), surface, x, y, font.color);
}

void DrawTextSmooth(TABitmap& surface, int x, int y, const Font& font, std::string_view utf8) {
    DrawTextSmooth(surface, x, y, font, std::u32string_view(Utf8ToUtf32(utf8)));
}

void DrawTextEffect(int mode, int x, int y, std::u32string_view text, const Font& font, Color effect_color,
                    Canvas& canvas, RandomGenerator& random, std::uint32_t clock_ms) {
    struct Restore {
        Canvas& canvas;
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
