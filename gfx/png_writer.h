// Writes a surface as an opaque RGB PNG (screenshots, test goldens, the sample game's pictures).
#pragma once

#include "gfx/bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hk {

// Throws std::runtime_error naming the file when it cannot be written.
void WritePng(const Bitmap& surface, const std::string& path);
std::vector<std::uint8_t> EncodePng(const Bitmap& surface);

} // namespace hk
