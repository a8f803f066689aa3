#include "platform/qt/picture_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace hk {

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

Point OutputToPicture(const PictureFit& fit, double output_x, double output_y, int picture_w, int picture_h,
                      bool clamp) {
    if (fit.width <= 0 || fit.height <= 0)
        return Point{};
    int x = static_cast<int>(std::floor((output_x - fit.x) * picture_w / fit.width));
    int y = static_cast<int>(std::floor((output_y - fit.y) * picture_h / fit.height));
    if (clamp) {
        x = std::clamp(x, 0, picture_w - 1);
        y = std::clamp(y, 0, picture_h - 1);
    }
    return Point{x, y};
}

void PictureToOutput(const PictureFit& fit, Point picture, int picture_w, int picture_h, double& output_x,
                     double& output_y) {
    output_x = fit.x + (picture.x + 0.5) * fit.width / picture_w;
    output_y = fit.y + (picture.y + 0.5) * fit.height / picture_h;
}

} // namespace hk
