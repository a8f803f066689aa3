#include "gfx/png_writer.h"

#include <png.h>

#include <cstring>
#include <stdexcept>

namespace hk {

namespace {

std::vector<std::uint8_t> ToRgb(const Bitmap& surface) {
    const int w = surface.Width(), h = surface.Height();
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* out = rgb.data() + static_cast<std::size_t>(y) * w * 3;
        for (int x = 0; x < w; ++x) {
            const Color c = surface.GetColor(x, y);
            out[3 * x] = ColorRed(c);
            out[3 * x + 1] = ColorGreen(c);
            out[3 * x + 2] = ColorBlue(c);
        }
    }
    return rgb;
}

png_image MakeImage(const Bitmap& surface) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(surface.Width());
    image.height = static_cast<png_uint_32>(surface.Height());
    image.format = PNG_FORMAT_RGB;
    return image;
}

} // namespace

void WritePng(const Bitmap& surface, const std::string& path) {
    if (!surface.HasImage() || surface.Height() <= 0)
        throw std::runtime_error("cannot write \"" + path + "\": the picture is empty");
    const std::vector<std::uint8_t> rgb = ToRgb(surface);
    png_image image = MakeImage(surface);
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr))
        throw std::runtime_error("cannot write \"" + path + "\": " + image.message);
}

std::vector<std::uint8_t> EncodePng(const Bitmap& surface) {
    if (!surface.HasImage() || surface.Height() <= 0)
        throw std::runtime_error("cannot encode an empty picture as PNG");
    const std::vector<std::uint8_t> rgb = ToRgb(surface);
    png_image image = MakeImage(surface);
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr))
        throw std::runtime_error(std::string("cannot encode PNG: ") + image.message);
    std::vector<std::uint8_t> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr))
        throw std::runtime_error(std::string("cannot encode PNG: ") + image.message);
    bytes.resize(size);
    return bytes;
}

} // namespace hk
