// Text operations of Bitmap as the game's screens use them: DrawTextSmooth, anti-aliased text
// rendered black on white at twice the size and reduced 2 x 2 into the font's colour (message,
// choice and menu text), and DrawTextEffect, plain canvas text with an optional decoration
// (message text while skipping). The rasterising itself lives in text_canvas.h.
#pragma once

#include "data/random.h"
#include "gfx/text_canvas.h"

#include <cstdint>
#include <string_view>

namespace hk {

// Smoothed text with the top-left corner of its cell at (x, y), in font.color. Only the part
// inside the surface is drawn (also for negative x or y); empty text draws nothing. The fourth
// byte of the surface is left alone; a one-byte surface is left alone entirely.
void DrawTextSmooth(Bitmap& surface, int x, int y, const Font& font, std::u32string_view text);
void DrawTextSmooth(Bitmap& surface, int x, int y, const Font& font, std::string_view utf8);

// Outlined smoothed text: DrawTextSmooth in `outline` at the nine positions (x + dx, y + dy) for
// dy, then dx, in -step, 0, step, then in font.color at (x, y). The pixels are exactly those of
// the ten draws in that order, but the text is rendered once and each pixel touched once.
void DrawTextSmoothOutlined(Bitmap& surface, int x, int y, const Font& font, std::u32string_view text, Color outline,
                            int step);

// The reduction step of DrawTextSmooth on its own. scratch holds the text drawn black on white at
// twice the size, (2w + 1) x (2h + 1) pixels (its first byte per pixel is read: blue, or the byte
// of a one-byte surface). Output pixel (x + i, y + j) for i < w, j < h (cut at dest's edges)
// blends towards color with c = (sum of the four blue bytes at columns 2i, 2i + 1 and rows
// 2j + 1, 2j + 2) / 4 + 1: each of blue, green, red becomes (old * c + colour * (256 - c)) >> 8.
// Scratch row 0 is never read.
void ReduceSmoothText(const Bitmap& scratch, Bitmap& dest, int x, int y, Color color);

// The font height DrawTextSmooth renders at: twice the size in points, back in pixels.
int DoubledFontHeight(int height);

// The canvas of a surface as the text calls see it: the surface and the font its canvas holds.
struct TextCanvas {
    Bitmap* surface = nullptr;
    Font font;
};

// Plain text on the canvas with a decoration, in the face, height and style of font:
//   0 text at (x, y) in font.color;
//   1 outline: effect_color at the eight neighbours of (x, y), then the body colour at (x, y);
//   2 shadow: effect_color at (x + 2, y + 2), then the body colour at (x, y);
//   3, 4, 5: text in font.color moved right (3), down (4) or both (5) by Random(points / 3), the
//     generator re-seeded from clock_ms before each draw (so in mode 5 both offsets are equal);
//   6 emboss: effect_color at (x - 1, y - 1), then the body colour at (x, y);
//   any other mode draws nothing.
// The body colour is the colour the canvas font had before the call. The canvas font is the same
// afterwards as before, whatever the mode (also when drawing throws).
void DrawTextEffect(int mode, int x, int y, std::u32string_view text, const Font& font, Color effect_color,
                    TextCanvas& canvas, RandomGenerator& random, std::uint32_t clock_ms);

} // namespace hk
