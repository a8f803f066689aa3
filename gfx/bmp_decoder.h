// Windows bitmap (BMP) reader: 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up and top-down
// rows, RLE4 and RLE8 compression, bit-field masks, and the old 12-byte core header.
// Every size and offset read from the file is checked against the bytes really present.
#pragma once

#include "gfx/image_decoder.h"

namespace hk {

// Returns the picture as 32 bits, fourth byte 0. Throws ImageDecodeError on bad data.
// Pixels an RLE picture skips (delta and end-of-line codes, an early end) take palette colour 0;
// runs and deltas that pass the end of a row are clipped there, and codes below the last row
// are ignored.
Bitmap DecodeBmp(std::span<const std::uint8_t> data);

} // namespace hk
