#include "gfx/bitmap.h"

#include <algorithm>
#include <cstring>

namespace hk {

void Bitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    m_format = PixelFormat::Bgra32;
    m_width = width;
    m_height = height;
    m_stride = static_cast<std::size_t>(width) * 4;
    m_pixels.assign(m_stride * static_cast<std::size_t>(height), 0);
    Fill(kWhite);
}

void Bitmap::SetSizeGray8(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    m_format = PixelFormat::Gray8;
    m_width = width;
    m_height = height;
    m_stride = static_cast<std::size_t>(width);
    m_pixels.assign(m_stride * static_cast<std::size_t>(height), 0);
}

void Bitmap::Assign(const Bitmap& other) {
    if (&other == this) {
        if (m_format == PixelFormat::Bgra32)
            return;
    }
    if (other.m_format == PixelFormat::Bgra32) {
        m_pixels = other.m_pixels;
        m_width = other.m_width;
        m_height = other.m_height;
        m_stride = other.m_stride;
        m_format = PixelFormat::Bgra32;
        return;
    }
    Bitmap grey;
    grey.SetSize(other.m_width, other.m_height);
    for (int y = 0; y < other.m_height; ++y) {
        const std::uint8_t* s = other.Row(y);
        std::uint8_t* d = grey.Row(y);
        for (int x = 0; x < other.m_width; ++x) {
            d[4 * x] = d[4 * x + 1] = d[4 * x + 2] = s[x];
            d[4 * x + 3] = 0;
        }
    }
    *this = std::move(grey);
}

Color Bitmap::GetColor(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    if (m_format == PixelFormat::Gray8) {
        const std::uint8_t v = *Pixel(x, y);
        return MakeColor(v, v, v);
    }
    const std::uint8_t* p = Pixel(x, y);
    return MakeColor(p[2], p[1], p[0]);
}

void Bitmap::FillRect(int x, int y, int w, int h, Color color) {
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + w, m_width), y1 = std::min(y + h, m_height);
    if (x0 >= x1 || y0 >= y1)
        return;
    if (m_format == PixelFormat::Gray8) {
        for (int row = y0; row < y1; ++row)
            std::memset(Row(row) + x0, ColorBlue(color), static_cast<std::size_t>(x1 - x0));
        return;
    }
    const std::uint8_t px[4] = {ColorBlue(color), ColorGreen(color), ColorRed(color), 0};
    // The first row pixel by pixel, the others copied from it.
    std::uint8_t* first = Row(y0) + static_cast<std::size_t>(x0) * 4;
    std::uint8_t* d = first;
    for (int col = x0; col < x1; ++col, d += 4)
        std::memcpy(d, px, 4);
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * 4;
    for (int row = y0 + 1; row < y1; ++row)
        std::memcpy(Row(row) + static_cast<std::size_t>(x0) * 4, first, bytes);
}

void Bitmap::CopyRect(int dx, int dy, const Bitmap& src, int sx, int sy, int w, int h) {
    if (src.m_format != m_format)
        return;
    // Clip against the source first, then the destination, moving both origins together.
    if (sx < 0) {
        w += sx;
        dx -= sx;
        sx = 0;
    }
    if (sy < 0) {
        h += sy;
        dy -= sy;
        sy = 0;
    }
    if (dx < 0) {
        w += dx;
        sx -= dx;
        dx = 0;
    }
    if (dy < 0) {
        h += dy;
        sy -= dy;
        dy = 0;
    }
    w = std::min({w, src.m_width - sx, m_width - dx});
    h = std::min({h, src.m_height - sy, m_height - dy});
    if (w <= 0 || h <= 0)
        return;
    const std::size_t bpp = static_cast<std::size_t>(BytesPerPixel());
    const std::size_t bytes = static_cast<std::size_t>(w) * bpp;
    if (&src == this) {
        // Within one bitmap the rows may overlap.
        for (int row = 0; row < h; ++row)
            std::memmove(Pixel(dx, dy + row), src.Pixel(sx, sy + row), bytes);
        return;
    }
    // Two bitmaps never share pixels: whole rows, or the whole block when both are contiguous.
    if (bytes == m_stride && bytes == src.m_stride) {
        std::memcpy(Pixel(dx, dy), src.Pixel(sx, sy), bytes * static_cast<std::size_t>(h));
        return;
    }
    for (int row = 0; row < h; ++row)
        std::memcpy(Pixel(dx, dy + row), src.Pixel(sx, sy + row), bytes);
}

} // namespace hk
