// Picture decoding from memory: BMP (our own reader), PNG (libpng) and JPEG (libjpeg-turbo).
// Every decoder returns a 32-bit Bitmap whose fourth byte is 0 (opaque): the game's
// transparency always comes from a separate mask picture, so a PNG's own alpha is dropped.
// Bad data never crashes a decoder; it throws ImageDecodeError with a message naming the
// format and what is wrong (the caller adds which graphic it was).
#pragma once

#include "gfx/bitmap.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace hk {

class ImageDecodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class ImageFormat : std::uint8_t { Unknown = 0, Bmp = 1, Png = 2, Jpeg = 3 };

// Largest picture any decoder accepts: a side of 16384 pixels and 64 Mi pixels in all
// (256 MiB as 32-bit pixels). Checked before anything is allocated.
inline constexpr int kMaxImageSide = 16384;
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 26;

// Throws ImageDecodeError (prefixed with format_name) unless 1 <= width, height <= kMaxImageSide
// and width * height <= kMaxImagePixels.
void CheckImageDimensions(const char* format_name, std::int64_t width, std::int64_t height);

// Recognises a picture by its first bytes: "BM", the PNG signature, or FF D8 (JPEG).
ImageFormat SniffImageFormat(std::span<const std::uint8_t> data);
const char* ImageFormatName(ImageFormat format);

Bitmap DecodePng(std::span<const std::uint8_t> data);
Bitmap DecodeJpeg(std::span<const std::uint8_t> data);
// Decodes data as the given format; Unknown sniffs it first and throws when nothing matches.
Bitmap DecodeImage(std::span<const std::uint8_t> data, ImageFormat format = ImageFormat::Unknown);

} // namespace hk
