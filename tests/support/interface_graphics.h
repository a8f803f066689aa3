// The interface pictures a game needs for its message window, made up for tests: the frame with
// its mask, the reveal rule, the parts sheet with the wait icon and the floating artwork, the
// full-screen choice overlay, and a background.
#pragma once

#include "gfx/bitmap.h"
#include "support/archive_builder.h"

#include <functional>

namespace hk::test {

// Colours of the made-up pictures.
inline constexpr Color kIconKey = 0x00FF00FF;    // magenta: the icon cells' see-through colour
inline constexpr Color kIconInk = 0x0000FFFF;    // yellow square of the wait icon
inline constexpr Color kFloatKey = 0x0000FF00;   // lime around the floating artwork
inline constexpr Color kFloatPanel = 0x00203020; // the floating window's panel
inline constexpr int kBackground = 100;          // graphic number of the scene's background

// The 800 x 600 parts sheet: icon frame f is a 6 x 6 yellow square at (32f + 4 + 2f, 40) on
// magenta; the floating artwork at y 424..599 is a panel with a lime surround.
Bitmap MakePartsSheet();
// A picture of the given size with each pixel from fn(x, y).
Bitmap MakePicture(int width, int height, const std::function<Color(int, int)>& fn);
// The graphics archive: background 100, rule 7, frame 8 with its mask, overlay 9 with its mask,
// parts sheet 10.
ArchiveBuilder InterfaceGraphics();

} // namespace hk::test
