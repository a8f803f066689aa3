#include "platform/qt/picture_scaler.h"

#include "platform/qt/picture_fit.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace hk {

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

} // namespace

void ScaleNearest(const PixelBlock& from, const PixelTarget& to, int x0, int y0, int x1, int y1) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, to.width);
    y1 = std::min(y1, to.height);
    if (x0 >= x1 || y0 >= y1 || from.width <= 0 || from.height <= 0 || !from.pixels || !to.pixels)
        return;
    const int span = x1 - x0;
    const bool same_width = from.width == to.width;
    std::vector<int> columns;
    if (!same_width) {
        columns.resize(static_cast<std::size_t>(span));
        for (int x = x0; x < x1; ++x)
            columns[static_cast<std::size_t>(x - x0)] = PictureIndex(x, to.width, from.width);
    }
    int last_source_row = -1;
    const std::uint32_t* last_row = nullptr;
    for (int y = y0; y < y1; ++y) {
        const int source_row = PictureIndex(y, to.height, from.height);
        std::uint32_t* out = to.pixels + y * to.stride + x0;
        if (source_row == last_source_row) {
            // Enlarged rows repeat: copy the row already made.
            std::memcpy(out, last_row, static_cast<std::size_t>(span) * sizeof(std::uint32_t));
            continue;
        }
        const std::uint32_t* in = from.pixels + source_row * from.stride;
        if (same_width) {
            for (int i = 0; i < span; ++i)
                out[i] = in[x0 + i] | kOpaque;
        } else {
            for (int i = 0; i < span; ++i)
                out[i] = in[columns[static_cast<std::size_t>(i)]] | kOpaque;
        }
        last_source_row = source_row;
        last_row = out;
    }
}

} // namespace hk
