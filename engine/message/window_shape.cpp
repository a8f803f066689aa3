#include "engine/message/window_shape.h"

#include <algorithm>

namespace hk {

void WindowShape::AddRun(std::vector<Platform::Rect>& region, int x1, int x2, int y) const {
    // The floating window has no border, so the offsets of the component are 0.
    region.push_back(Platform::Rect{x1, y, x2 - x1, 1});
}

void WindowShape::BuildRegion(const Bitmap& image) {
    std::vector<Platform::Rect> region;
    const int width = image.Width();
    const int height = image.Height();
    // Each pixel of a row is looked at once; a pixel beyond the right edge counts as not
    // transparent.
    std::vector<std::uint8_t> clear(static_cast<std::size_t>(std::max(width, 0)) + 1, 0);
    int start = 1;
    for (int y = 1; y < height; ++y) {
        if (image.Format() == PixelFormat::Bgra32) {
            const std::uint8_t* pixel = image.Row(y);
            for (int x = 0; x < width; ++x, pixel += 4)
                clear[static_cast<std::size_t>(x)] = MakeColor(pixel[2], pixel[1], pixel[0]) == m_transparent ? 1 : 0;
        } else {
            for (int x = 0; x < width; ++x)
                clear[static_cast<std::size_t>(x)] = image.GetColor(x, y) == m_transparent ? 1 : 0;
        }
        for (int c = 1; c <= width; ++c) {
            const bool prev_clear = clear[static_cast<std::size_t>(c - 1)] != 0;
            const bool cur_clear = clear[static_cast<std::size_t>(c)] != 0;
            if ((prev_clear || c == 1) && !cur_clear) {
                start = c;
                continue;
            }
            if (prev_clear)
                continue;
            if ((cur_clear || c == width) && c != 1)
                AddRun(region, start, c, y);
        }
    }
    m_region = std::move(region);
    m_has_region = true;
}

void WindowShape::ApplyRegion(Platform& platform, WindowId window) const {
    if (!m_has_region)
        return;
    platform.SetWindowShape(window, m_region);
}

} // namespace hk
