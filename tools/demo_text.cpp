#include "tools/demo_text.h"

#include "gfx/text_canvas.h"

#include <cmath>
#include <vector>

namespace hk::demo {

namespace {

Font FontOf(const LabelStyle& style) {
    Font font;
    font.face = style.proportional ? "ＭＳ Ｐゴシック" : "ＭＳ ゴシック";
    font.height = -style.size;
    font.color = kWhite;
    return font;
}

} // namespace

int LabelWidth(std::string_view utf8, const LabelStyle& style) {
    return TextExtent(FontOf(style), utf8).cx;
}

void DrawLabel(Canvas& canvas, std::string_view utf8, float x, float y, const LabelStyle& style, Align align) {
    const Font font = FontOf(style);
    const TextSize size = TextExtent(font, utf8);
    const int pad = static_cast<int>(std::ceil(style.outline_width)) + 6;
    const int w = size.cx + 2 * pad, h = size.cy + 2 * pad;
    // White letters on black: the blue byte is the coverage.
    Bitmap scratch;
    scratch.SetSize(w, h);
    scratch.Fill(kBlack);
    DrawText(scratch, pad, pad, font, utf8);
    std::vector<float> cover(static_cast<std::size_t>(w) * h);
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            cover[static_cast<std::size_t>(j) * w + i] = scratch.Pixel(i, j)[0] / 255.0f;
        }
    }
    auto at = [&](int i, int j) {
        return i < 0 || j < 0 || i >= w || j >= h ? 0.0f : cover[static_cast<std::size_t>(j) * w + i];
    };
    const float left = align == Align::Left ? x : align == Align::Center ? x - size.cx / 2.0f : x - size.cx;
    const int ox = static_cast<int>(std::lround(left)) - pad, oy = static_cast<int>(std::lround(y)) - pad;

    // The outline: coverage grown by the outline width (a round brush), anti-aliased at its rim.
    const float r = style.outline_width;
    const int ri = static_cast<int>(std::ceil(r));
    std::vector<float> grown(cover.size(), 0.0f);
    if (r > 0) {
        for (int j = 0; j < h; ++j) {
            for (int i = 0; i < w; ++i) {
                float best = 0;
                for (int dy = -ri; dy <= ri && best < 1; ++dy) {
                    for (int dx = -ri; dx <= ri; ++dx) {
                        const float d = std::hypot(static_cast<float>(dx), static_cast<float>(dy));
                        const float weight = Clamp01(r + 0.5f - d);
                        if (weight > 0) {
                            best = std::max(best, at(i + dx, j + dy) * weight);
                        }
                    }
                }
                grown[static_cast<std::size_t>(j) * w + i] = best;
            }
        }
    }
    if (style.shadow > 0) {
        for (int j = 0; j < h; ++j) {
            for (int i = 0; i < w; ++i) {
                float sum = 0;
                for (int dy = -2; dy <= 2; ++dy) {
                    for (int dx = -2; dx <= 2; ++dx) {
                        sum += r > 0 ? (i - dx - 3 >= 0 && j - dy - 3 >= 0 && i - dx - 3 < w && j - dy - 3 < h
                                            ? grown[static_cast<std::size_t>(j - dy - 3) * w + (i - dx - 3)]
                                            : 0.0f)
                                     : at(i - dx - 3, j - dy - 3);
                    }
                }
                canvas.Blend(ox + i, oy + j, {0, 0, 0}, sum / 25.0f * style.shadow);
            }
        }
    }
    for (int j = 0; j < h; ++j) {
        const float t = Clamp01((j - pad) / static_cast<float>(std::max(1, size.cy)));
        const Rgb fill = Mix(style.top, style.bottom, t);
        for (int i = 0; i < w; ++i) {
            if (r > 0) {
                canvas.Blend(ox + i, oy + j, style.outline, grown[static_cast<std::size_t>(j) * w + i]);
            }
            canvas.Blend(ox + i, oy + j, fill, at(i, j));
        }
    }
}

} // namespace hk::demo
