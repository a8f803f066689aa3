#include "platform/qt/picture_fit.h"

#include <algorithm>
#include <cstdint>

namespace hk {

namespace {

// Division rounding towards minus infinity (C++ rounds towards zero).
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    return -FloorDiv(-a, b);
}

} // namespace

PictureFit FitPicture(int output_w, int output_h, int picture_w, int picture_h) {
    PictureFit fit;
    if (output_w <= 0 || output_h <= 0 || picture_w <= 0 || picture_h <= 0)
        return fit;
    // Compare the aspects in 64 bits: output_w / output_h against picture_w / picture_h.
    const std::int64_t wide = std::int64_t{output_w} * picture_h;
    const std::int64_t tall = std::int64_t{output_h} * picture_w;
    if (wide <= tall) {
        fit.width = output_w;
        fit.height = static_cast<int>(std::int64_t{output_w} * picture_h / picture_w);
    } else {
        fit.height = output_h;
        fit.width = static_cast<int>(std::int64_t{output_h} * picture_w / picture_h);
    }
    fit.x = (output_w - fit.width) / 2;
    fit.y = (output_h - fit.height) / 2;
    return fit;
}

int PictureIndex(int offset, int fit_size, int picture_size) {
    if (fit_size <= 0)
        return 0;
    // The centre of output pixel `offset` is offset + 1/2; it lies in picture pixel
    // floor((offset + 1/2) * picture_size / fit_size), worked out in whole numbers.
    return static_cast<int>(FloorDiv((2 * std::int64_t{offset} + 1) * picture_size, 2 * std::int64_t{fit_size}));
}

int FirstOutputOffset(int index, int fit_size, int picture_size) {
    if (picture_size <= 0)
        return 0;
    // The smallest offset whose PictureIndex is at least `index`:
    // (2 offset + 1) picture_size >= 2 index fit_size.
    return static_cast<int>(CeilDiv(2 * std::int64_t{index} * fit_size - picture_size, 2 * std::int64_t{picture_size}));
}

Point OutputToPicture(const PictureFit& fit, int output_x, int output_y, int picture_w, int picture_h, bool clamp) {
    if (fit.width <= 0 || fit.height <= 0)
        return Point{};
    int x = PictureIndex(output_x - fit.x, fit.width, picture_w);
    int y = PictureIndex(output_y - fit.y, fit.height, picture_h);
    if (clamp) {
        x = std::clamp(x, 0, picture_w - 1);
        y = std::clamp(y, 0, picture_h - 1);
    }
    return Point{x, y};
}

Point PictureToOutput(const PictureFit& fit, Point picture, int picture_w, int picture_h) {
    return Point{fit.x + FirstOutputOffset(picture.x, fit.width, picture_w),
                 fit.y + FirstOutputOffset(picture.y, fit.height, picture_h)};
}

} // namespace hk
