// Nearest-neighbour scaling of 32-bit pixels by the rule of picture_fit.h, for the windows that
// show the game's picture larger or smaller than it is. The fourth byte of an engine pixel is a
// transparency value for the engine's own drawing, never alpha; the scaled copy carries 0xFF
// there, so a window system that reads alpha (Wayland) shows the picture opaque. No Qt here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hk {

struct PixelBlock {
    const std::uint32_t* pixels = nullptr; // first pixel of row 0
    std::ptrdiff_t stride = 0;             // distance between rows, in pixels
    int width = 0;
    int height = 0;
};

struct PixelTarget {
    std::uint32_t* pixels = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
};

// Fills the part x0..x1-1, y0..y1-1 of `to` (clipped to it) with `from` scaled to the whole of
// `to`: each target pixel takes the source pixel under its centre, with its fourth byte set to 0xFF.
void ScaleNearest(const PixelBlock& from, const PixelTarget& to, int x0, int y0, int x1, int y1);

} // namespace hk
