// Bitmap's pixel operations: the three drawing operations (clipping here, the row loops in the
// kernels of pixel_ops_*.cpp), the mask and grey conversions of the image loader, and InvertRect.
// Also the choice of kernel path, which smoothed text (bitmap_text.cpp) and text on one-byte
// surfaces (text_canvas.cpp) follow too.
#include "gfx/pixel_ops.h"

#include "gfx/bitmap.h"
#include "gfx/pixel_ops_kernels.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <utility>

namespace hk {
namespace {

using pixel_ops::RowKernels;

const RowKernels* KernelsFor(PixelPath path) {
    switch (path) {
    case PixelPath::Scalar: return &pixel_ops::kScalarKernels;
    case PixelPath::Sse2: return pixel_ops::kSse2Kernels;
    case PixelPath::Avx2:
#if defined(__x86_64__) || defined(__i386__)
        if (pixel_ops::kAvx2Kernels && __builtin_cpu_supports("avx2"))
            return pixel_ops::kAvx2Kernels;
#endif
        return nullptr;
    case PixelPath::Neon: return pixel_ops::kNeonKernels;
    }
    return nullptr;
}

// Null until first use; then the pinned or the best path. Read once per operation.
std::atomic<const RowKernels*> g_kernels{nullptr};
std::atomic<PixelPath> g_path{PixelPath::Scalar};

// The destination rectangle after clipping, and the source origin that goes with it.
struct ClippedRect {
    int dx, dy, w, h, sx, sy;
};

// Clips (dx, dy, w, h) to the destination, moving the source origin along, then to the source
// (and the rule image, which is read at destination coordinates) the same way. Within the
// surfaces this is exactly the destination clipping of the drawing operations; the source and
// rule clipping only removes pixels that would have been read from outside a surface. 64-bit
// arithmetic, so no argument can overflow. Returns false when nothing is left to draw.
bool ClipRect(std::int64_t dx, std::int64_t dy, std::int64_t w, std::int64_t h, std::int64_t sx, std::int64_t sy,
              const Bitmap& src, const Bitmap& dest, const Bitmap* rule, ClippedRect& out) {
    if (!src.HasImage() || !dest.HasImage() || (rule && !rule->HasImage()))
        return false;
    if (w <= 0 || h <= 0)
        return false;
    auto clip_axis = [](std::int64_t& d, std::int64_t& len, std::int64_t& s, std::int64_t dest_len,
                        std::int64_t src_len, std::int64_t rule_len) {
        if (d < 0) {
            len += d;
            s -= d;
            d = 0;
        }
        len = std::min(len, dest_len - d);
        if (s < 0) {
            len += s;
            d -= s;
            s = 0;
        }
        len = std::min({len, src_len - s, rule_len - d});
        return len > 0;
    };
    const std::int64_t rule_w = rule ? rule->Width() : dest.Width();
    const std::int64_t rule_h = rule ? rule->Height() : dest.Height();
    if (!clip_axis(dx, w, sx, dest.Width(), src.Width(), rule_w) ||
        !clip_axis(dy, h, sy, dest.Height(), src.Height(), rule_h))
        return false;
    out = {static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(w),
           static_cast<int>(h),  static_cast<int>(sx), static_cast<int>(sy)};
    return true;
}

bool BothBgra32(const Bitmap& a, const Bitmap& b) {
    return a.Format() == PixelFormat::Bgra32 && b.Format() == PixelFormat::Bgra32;
}

} // namespace

const char* PixelPathName(PixelPath path) {
    switch (path) {
    case PixelPath::Scalar: return "scalar";
    case PixelPath::Sse2: return "sse2";
    case PixelPath::Avx2: return "avx2";
    case PixelPath::Neon: return "neon";
    }
    return "unknown";
}

bool PixelPathAvailable(PixelPath path) {
    return KernelsFor(path) != nullptr;
}

PixelPath BestPixelPath() {
    for (PixelPath path : {PixelPath::Avx2, PixelPath::Sse2, PixelPath::Neon})
        if (PixelPathAvailable(path))
            return path;
    return PixelPath::Scalar;
}

const pixel_ops::RowKernels& pixel_ops::ActiveKernels() {
    const RowKernels* k = g_kernels.load(std::memory_order_acquire);
    if (k)
        return *k;
    const PixelPath best = BestPixelPath();
    g_path.store(best, std::memory_order_relaxed);
    k = KernelsFor(best);
    g_kernels.store(k, std::memory_order_release);
    return *k;
}

PixelPath ActivePixelPath() {
    pixel_ops::ActiveKernels();
    return g_path.load(std::memory_order_relaxed);
}

bool SetPixelPath(PixelPath path) {
    const RowKernels* k = KernelsFor(path);
    if (!k)
        return false;
    g_path.store(path, std::memory_order_relaxed);
    g_kernels.store(k, std::memory_order_release);
    return true;
}

void Bitmap::BlendOnto(int dx, int dy, int w, int h, int sx, int sy, Bitmap& dest, std::uint16_t alpha) const {
    ClippedRect r;
    if (!BothBgra32(*this, dest) || !ClipRect(dx, dy, w, h, sx, sy, *this, dest, nullptr, r))
        return;
    const unsigned a = std::min<unsigned>(alpha, 256);
    const auto blend = pixel_ops::ActiveKernels().blend;
    for (int row = 0; row < r.h; ++row)
        blend(Pixel(r.sx, r.sy + row), dest.Pixel(r.dx, r.dy + row), r.w, a);
}

void Bitmap::DrawAlphaOnto(int dx, int dy, int w, int h, int sx, int sy, Bitmap& dest, std::uint16_t opacity) const {
    ClippedRect r;
    if (!BothBgra32(*this, dest) || !ClipRect(dx, dy, w, h, sx, sy, *this, dest, nullptr, r))
        return;
    const unsigned p = std::min<unsigned>(opacity, 256);
    const auto draw = pixel_ops::ActiveKernels().draw_alpha;
    for (int row = 0; row < r.h; ++row)
        draw(Pixel(r.sx, r.sy + row), dest.Pixel(r.dx, r.dy + row), r.w, p);
}

void Bitmap::RuleBlendOnto(int dx, int dy, int w, int h, int sx, int sy, const Bitmap& rule, Bitmap& dest,
                           std::uint16_t progress, std::uint16_t softness) const {
    ClippedRect r;
    if (!BothBgra32(*this, dest) || rule.Format() != PixelFormat::Gray8 ||
        !ClipRect(dx, dy, w, h, sx, sy, *this, dest, &rule, r))
        return;
    const unsigned shift = std::clamp<unsigned>(softness, 1, 8);
    const unsigned range = 1u << shift;
    // The scaled progress is a 16-bit quantity; a progress so large that it would wrap past 65,535
    // saturates instead, so a wipe never jumps back. Every level from 255 + R on draws the whole
    // source, so the kernels get at most that (which keeps their 16-bit lanes signed-safe).
    const std::uint32_t scaled = (static_cast<std::uint32_t>(progress) * (range + 256)) >> 8;
    const unsigned level = std::min<std::uint32_t>(scaled, 255 + range);
    const auto rule_blend = pixel_ops::ActiveKernels().rule_blend;
    for (int row = 0; row < r.h; ++row)
        rule_blend(Pixel(r.sx, r.sy + row), rule.Pixel(r.dx, r.dy + row), dest.Pixel(r.dx, r.dy + row), r.w, level,
                   shift);
}

void Bitmap::CombineMask(const Bitmap& mask, Bitmap& output) const {
    Bitmap result;
    result.SetSize(m_width, m_height);
    const bool grey_source = m_format == PixelFormat::Gray8;
    const bool grey_mask = mask.Format() == PixelFormat::Gray8;
    const int covered_w = std::min(m_width, mask.Width());
    for (int y = 0; y < m_height; ++y) {
        const std::uint8_t* s = Row(y);
        std::uint8_t* d = result.Row(y);
        for (int x = 0; x < m_width; ++x, d += 4) {
            if (grey_source) {
                d[0] = d[1] = d[2] = s[x];
            } else {
                d[0] = s[4 * x];
                d[1] = s[4 * x + 1];
                d[2] = s[4 * x + 2];
            }
            d[3] = 0;
        }
        if (y < mask.Height()) {
            const std::uint8_t* m = mask.Row(y);
            d = result.Row(y);
            for (int x = 0; x < covered_w; ++x)
                d[4 * x + 3] = grey_mask ? m[x] : m[4 * x];
        }
    }
    output = std::move(result);
}

void Bitmap::BlueToGray8(Bitmap& output) const {
    Bitmap result;
    result.SetSizeGray8(m_width, m_height);
    const int step = BytesPerPixel();
    for (int y = 0; y < m_height; ++y) {
        const std::uint8_t* s = Row(y);
        std::uint8_t* d = result.Row(y);
        for (int x = 0; x < m_width; ++x)
            d[x] = s[x * step];
    }
    output = std::move(result);
}

void InvertRect(int x, int y, int w, int h, Bitmap& surface) {
    const std::int64_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{x} + w, surface.Width());
    const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{y} + h, surface.Height());
    if (x0 >= x1 || y0 >= y1)
        return;
    const bool grey = surface.Format() == PixelFormat::Gray8;
    for (std::int64_t row = y0; row < y1; ++row) {
        std::uint8_t* p = surface.Pixel(static_cast<int>(x0), static_cast<int>(row));
        for (std::int64_t col = x0; col < x1; ++col) {
            if (grey) {
                *p = static_cast<std::uint8_t>(255 - *p);
                ++p;
                continue;
            }
            p[0] = static_cast<std::uint8_t>(255 - p[0]);
            p[1] = static_cast<std::uint8_t>(255 - p[1]);
            p[2] = static_cast<std::uint8_t>(255 - p[2]);
            p += 4;
        }
    }
}

} // namespace hk
