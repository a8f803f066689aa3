// Small helpers for the pixel tests: pixels as {blue, green, red, fourth} and surfaces filled with
// one pixel or with seeded noise.
#pragma once

#include "gfx/abitmap.h"

#include <array>
#include <cstdint>
#include <random>

namespace hk::pixel_test {

using Bgra = std::array<int, 4>;

inline void Put(TABitmap& bmp, int x, int y, Bgra px) {
    for (int c = 0; c < 4; ++c)
        bmp.Pixel(x, y)[c] = static_cast<std::uint8_t>(px[c]);
}

inline Bgra Get(const TABitmap& bmp, int x, int y) {
    const std::uint8_t* p = bmp.Pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

inline TABitmap Solid(int w, int h, Bgra px) {
    TABitmap bmp;
    bmp.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Put(bmp, x, y, px);
    return bmp;
}

inline TABitmap Noise(int w, int h, std::mt19937& rng, bool gray8 = false) {
    TABitmap bmp;
    if (gray8)
        bmp.SetSizeGray8(w, h);
    else
        bmp.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w * bmp.BytesPerPixel(); ++i)
            bmp.Row(y)[i] = static_cast<std::uint8_t>(rng());
    return bmp;
}

} // namespace hk::pixel_test
