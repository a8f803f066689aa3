// Captions on the sample game's pictures: text from the engine's text canvas (the game's Gothic
// faces), laid onto a demo canvas with a soft outline, a vertical colour gradient and a shadow.
#pragma once

#include "tools/demo_paint.h"

#include <string_view>

namespace hk::demo {

enum class Align { Left, Center, Right };

struct LabelStyle {
    int size = 24;                // em height in pixels
    Rgb top = {255, 255, 255};    // fill colour at the top of the letters
    Rgb bottom = {255, 255, 255}; // and at the bottom
    Rgb outline = {40, 40, 60};
    float outline_width = 2.5f; // 0 = none
    float shadow = 0.35f;       // opacity of a soft drop shadow; 0 = none
    bool proportional = true;   // "ＭＳ Ｐゴシック" instead of "ＭＳ ゴシック"
};

// Draws UTF-8 text with its cell's top at y; x is the left edge, the centre or the right edge.
void DrawLabel(Canvas& canvas, std::string_view utf8, float x, float y, const LabelStyle& style,
               Align align = Align::Left);

// Width in pixels of the text at the style's size.
int LabelWidth(std::string_view utf8, const LabelStyle& style);

} // namespace hk::demo
