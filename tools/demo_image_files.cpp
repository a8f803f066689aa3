#include "tools/demo_image_files.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <stdexcept>
#include <string>

namespace hk::demo {

namespace {

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    Put16(out, at, v & 0xFFFF);
    Put16(out, at + 2, v >> 16);
}

struct JpegError {
    jpeg_error_mgr mgr;
};

[[noreturn]] void ThrowJpegError(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX] = {};
    (*info->err->format_message)(info, text);
    throw std::runtime_error(std::string("JPEG encoder: ") + text);
}

} // namespace

std::vector<std::uint8_t> EncodeBmp(const Bitmap& surface) {
    const int w = surface.Width(), h = surface.Height();
    const std::size_t row_bytes = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    const std::size_t image = row_bytes * static_cast<std::size_t>(h);
    std::vector<std::uint8_t> out(54 + image, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<std::uint32_t>(out.size()));
    Put32(out, 10, 54);
    Put32(out, 14, 40);
    Put32(out, 18, static_cast<std::uint32_t>(w));
    Put32(out, 22, static_cast<std::uint32_t>(h));
    Put16(out, 26, 1);
    Put16(out, 28, 24);
    Put32(out, 34, static_cast<std::uint32_t>(image));
    Put32(out, 38, 2835); // 72 dpi
    Put32(out, 42, 2835);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = surface.Row(y);
        std::uint8_t* dst = out.data() + 54 + row_bytes * static_cast<std::size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            dst[3 * x + 0] = src[4 * x + 0];
            dst[3 * x + 1] = src[4 * x + 1];
            dst[3 * x + 2] = src[4 * x + 2];
        }
    }
    return out;
}

std::vector<std::uint8_t> EncodeJpeg(const Bitmap& surface, int quality) {
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = ThrowJpegError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(surface.Width()) * 3);
    try {
        jpeg_create_compress(&info);
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = static_cast<JDIMENSION>(surface.Width());
        info.image_height = static_cast<JDIMENSION>(surface.Height());
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, quality, TRUE);
        info.dct_method = JDCT_ISLOW;
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            const std::uint8_t* src = surface.Row(static_cast<int>(info.next_scanline));
            for (int x = 0; x < surface.Width(); ++x) {
                rgb[3 * x + 0] = src[4 * x + 2];
                rgb[3 * x + 1] = src[4 * x + 1];
                rgb[3 * x + 2] = src[4 * x + 0];
            }
            JSAMPROW row = rgb.data();
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
    } catch (...) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        throw;
    }
    std::vector<std::uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

} // namespace hk::demo
