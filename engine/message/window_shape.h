// WindowShape: turns the pixels of an image that are not the transparent colour into a window
// region, row by row, as runs of opaque pixels. Row 0 and column 0 never belong to the region.
#pragma once

#include "engine/host.h"
#include "gfx/bitmap.h"

#include <vector>

namespace hk {

class WindowShape {
public:
    void SetTransparentColor(Color color) { m_transparent = color; }
    // Builds the region of `image`; the previous region is kept when building fails.
    void BuildRegion(const Bitmap& image);
    // Gives a copy of the region to the window; nothing happens before the first BuildRegion.
    void ApplyRegion(Platform& platform, WindowId window) const;
    const std::vector<Platform::Rect>& Region() const { return m_region; }

private:
    void AddRun(std::vector<Platform::Rect>& region, int x1, int x2, int y) const;

    Color m_transparent = 0;
    std::vector<Platform::Rect> m_region;
    bool m_has_region = false;
};

} // namespace hk
