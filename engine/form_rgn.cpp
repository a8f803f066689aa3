#include "engine/form_rgn.h"

namespace hk {

void TFormRgn::AddRun(std::vector<Platform::Rect>& region, int x1, int x2, int y) const {
    // The floating window has no border, so the offsets of the component are 0.
    region.push_back(Platform::Rect{x1, y, x2 - x1, 1});
}

void TFormRgn::BuildRegion(const TABitmap& image) {
    std::vector<Platform::Rect> region;
    const int width = image.Width();
    const int height = image.Height();
    auto transparent = [&](int x, int y) {
        // A pixel beyond the right edge counts as not transparent.
        return x < width && image.GetColor(x, y) == m_transparent;
    };
    int start = 1;
    for (int y = 1; y < height; ++y) {
        for (int c = 1; c <= width; ++c) {
            const bool prev_clear = transparent(c - 1, y);
            const bool cur_clear = transparent(c, y);
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

void TFormRgn::ApplyRegion(Platform& platform, WindowId window) const {
    if (!m_has_region)
        return;
    platform.SetWindowShape(window, m_region);
}

} // namespace hk
