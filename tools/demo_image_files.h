// Picture files of the sample game: Windows bitmaps (24 bits, bottom-up, as paint programs save
// them) and baseline JPEG through libjpeg. PNG comes from gfx/png_writer.h.
#pragma once

#include "gfx/bitmap.h"

#include <cstdint>
#include <vector>

namespace hk::demo {

// A 24-bit BMP of the surface's colour (the fourth byte is not stored).
std::vector<std::uint8_t> EncodeBmp(const Bitmap& surface);

// A baseline JPEG of the surface's colour, quality 1..100. Throws std::runtime_error with the
// library's message if encoding fails.
std::vector<std::uint8_t> EncodeJpeg(const Bitmap& surface, int quality);

} // namespace hk::demo
