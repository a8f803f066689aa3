#include "tools/demo_paint.h"

namespace hk::demo {

float SdPolygon(float x, float y, const std::vector<Point>& points) {
    float best = 1e30f;
    bool inside = false;
    const std::size_t n = points.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const Point a = points[j], b = points[i];
        const float vx = b.x - a.x, vy = b.y - a.y, px = x - a.x, py = y - a.y;
        const float h = Clamp01((px * vx + py * vy) / std::max(vx * vx + vy * vy, 1e-6f));
        best = std::min(best, std::hypot(px - vx * h, py - vy * h));
        if (((a.y > y) != (b.y > y)) && (x < a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y))) {
            inside = !inside;
        }
    }
    return inside ? -best : best;
}

float Hash01(std::uint32_t seed, int x, int y) {
    std::uint32_t h =
        seed * 0x27D4EB2Du ^ static_cast<std::uint32_t>(x) * 0x85EBCA6Bu ^ static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) / 16777216.0f;
}

float ValueNoise(float x, float y, std::uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const float a = Hash01(seed, ix, iy), b = Hash01(seed, ix + 1, iy);
    const float c = Hash01(seed, ix, iy + 1), d = Hash01(seed, ix + 1, iy + 1);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float Fbm(float x, float y, std::uint32_t seed, int octaves) {
    float sum = 0, amplitude = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += ValueNoise(x, y, seed + static_cast<std::uint32_t>(o) * 7919u) * amplitude;
        norm += amplitude;
        x *= 2.03f;
        y *= 2.03f;
        amplitude *= 0.5f;
    }
    return sum / norm;
}

std::uint32_t Rng::Next() {
    // splitmix64
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

Canvas::Canvas(int width, int height, Rgb fill)
    : m_width(width), m_height(height), m_r(static_cast<std::size_t>(width) * height, fill.r), m_g(m_r.size(), fill.g),
      m_b(m_r.size(), fill.b), m_a(m_r.size(), 0.0f) {}

void Canvas::Circle(float cx, float cy, float r, Rgb c, float opacity, float feather) {
    FillSolid(
        cx - r, cy - r, cx + r, cy + r, [=](float x, float y) { return SdCircle(x, y, cx, cy, r); }, c, opacity,
        feather);
}

void Canvas::Ellipse(float cx, float cy, float rx, float ry, Rgb c, float opacity, float feather) {
    FillSolid(
        cx - rx, cy - ry, cx + rx, cy + ry, [=](float x, float y) { return SdEllipse(x, y, cx, cy, rx, ry); }, c,
        opacity, feather);
}

void Canvas::RoundRect(float x0, float y0, float x1, float y1, float radius, Rgb c, float opacity, float feather) {
    FillSolid(
        x0, y0, x1, y1, [=](float x, float y) { return SdRoundRect(x, y, x0, y0, x1, y1, radius); }, c, opacity,
        feather);
}

void Canvas::Line(float ax, float ay, float bx, float by, float width, Rgb c, float opacity) {
    const float r = width / 2;
    FillSolid(
        std::min(ax, bx) - r, std::min(ay, by) - r, std::max(ax, bx) + r, std::max(ay, by) + r,
        [=](float x, float y) { return SdCapsule(x, y, ax, ay, bx, by, r); }, c, opacity);
}

void Canvas::Polygon(const std::vector<Point>& points, Rgb c, float opacity, float feather) {
    if (points.size() < 3) {
        return;
    }
    float x0 = 1e30f, y0 = 1e30f, x1 = -1e30f, y1 = -1e30f;
    for (const Point& p : points) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    FillSolid(
        x0, y0, x1, y1, [&points](float x, float y) { return SdPolygon(x, y, points); }, c, opacity, feather);
}

void Canvas::Glow(float cx, float cy, float r, Rgb c, float opacity) {
    const int x0 = std::max(0, static_cast<int>(cx - r)), x1 = std::min(m_width, static_cast<int>(cx + r) + 1);
    const int y0 = std::max(0, static_cast<int>(cy - r)), y1 = std::min(m_height, static_cast<int>(cy + r) + 1);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / r;
            if (d < 1) {
                const float k = (1 - d) * (1 - d);
                Blend(x, y, c, k * opacity);
            }
        }
    }
}

Rgb Canvas::GradientAt(const std::vector<Stop>& stops, float t) {
    if (stops.empty()) {
        return {};
    }
    if (t <= stops.front().at) {
        return stops.front().color;
    }
    for (std::size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].at) {
            const float span = std::max(stops[i].at - stops[i - 1].at, 1e-6f);
            return Mix(stops[i - 1].color, stops[i].color, (t - stops[i - 1].at) / span);
        }
    }
    return stops.back().color;
}

void Canvas::VerticalGradient(int x0, int y0, int x1, int y1, const std::vector<Stop>& stops) {
    x0 = std::max(0, x0);
    y0 = std::max(0, y0);
    x1 = std::min(m_width, x1);
    y1 = std::min(m_height, y1);
    for (int y = y0; y < y1; ++y) {
        const Rgb c = GradientAt(stops, (y - y0 + 0.5f) / static_cast<float>(std::max(1, y1 - y0)));
        for (int x = x0; x < x1; ++x) {
            Set(x, y, c);
        }
    }
}

void Canvas::Blur(int x0, int y0, int x1, int y1, int radius) {
    x0 = std::max(0, x0);
    y0 = std::max(0, y0);
    x1 = std::min(m_width, x1);
    y1 = std::min(m_height, y1);
    if (radius < 1 || x1 <= x0 || y1 <= y0) {
        return;
    }
    // Sliding-window sums along rows, then along columns.
    std::vector<float> line;
    auto blur_line = [radius](std::vector<float>& values) {
        const int n = static_cast<int>(values.size());
        std::vector<float> prefix(values.size() + 1, 0.0f);
        for (int i = 0; i < n; ++i) {
            prefix[i + 1] = prefix[i] + values[i];
        }
        for (int i = 0; i < n; ++i) {
            const int a = std::max(0, i - radius), b = std::min(n, i + radius + 1);
            values[i] = (prefix[b] - prefix[a]) / static_cast<float>(b - a);
        }
    };
    auto pass = [&](std::vector<float>& plane) {
        line.resize(x1 - x0);
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                line[x - x0] = plane[Index(x, y)];
            }
            blur_line(line);
            for (int x = x0; x < x1; ++x) {
                plane[Index(x, y)] = line[x - x0];
            }
        }
        line.resize(y1 - y0);
        for (int x = x0; x < x1; ++x) {
            for (int y = y0; y < y1; ++y) {
                line[y - y0] = plane[Index(x, y)];
            }
            blur_line(line);
            for (int y = y0; y < y1; ++y) {
                plane[Index(x, y)] = line[y - y0];
            }
        }
    };
    for (int p = 0; p < 2; ++p) {
        pass(m_r);
        pass(m_g);
        pass(m_b);
    }
}

Canvas Canvas::Resized(int width, int height) const {
    Canvas out(width, height);
    const float sx = static_cast<float>(m_width) / width, sy = static_cast<float>(m_height) / height;
    for (int y = 0; y < height; ++y) {
        const int ya = static_cast<int>(y * sy), yb = std::max(ya + 1, static_cast<int>((y + 1) * sy));
        for (int x = 0; x < width; ++x) {
            const int xa = static_cast<int>(x * sx), xb = std::max(xa + 1, static_cast<int>((x + 1) * sx));
            float r = 0, g = 0, b = 0, a = 0;
            int n = 0;
            for (int yy = ya; yy < std::min(yb, m_height); ++yy) {
                for (int xx = xa; xx < std::min(xb, m_width); ++xx) {
                    const std::size_t i = Index(xx, yy);
                    r += m_r[i];
                    g += m_g[i];
                    b += m_b[i];
                    a += m_a[i];
                    ++n;
                }
            }
            const std::size_t o = out.Index(x, y);
            n = std::max(n, 1);
            out.m_r[o] = r / n;
            out.m_g[o] = g / n;
            out.m_b[o] = b / n;
            out.m_a[o] = a / n;
        }
    }
    return out;
}

void Canvas::Paste(const Canvas& src, int dx, int dy) {
    for (int y = 0; y < src.m_height; ++y) {
        for (int x = 0; x < src.m_width; ++x) {
            const int tx = dx + x, ty = dy + y;
            if (tx < 0 || ty < 0 || tx >= m_width || ty >= m_height) {
                continue;
            }
            const std::size_t s = src.Index(x, y), d = Index(tx, ty);
            m_r[d] = src.m_r[s];
            m_g[d] = src.m_g[s];
            m_b[d] = src.m_b[s];
            m_a[d] = src.m_a[s];
        }
    }
}

void Canvas::Grade(Rgb tint, float t, float brightness) {
    for (std::size_t i = 0; i < m_r.size(); ++i) {
        m_r[i] = std::min(255.0f, (m_r[i] + (m_r[i] * tint.r / 255.0f - m_r[i]) * t) * brightness);
        m_g[i] = std::min(255.0f, (m_g[i] + (m_g[i] * tint.g / 255.0f - m_g[i]) * t) * brightness);
        m_b[i] = std::min(255.0f, (m_b[i] + (m_b[i] * tint.b / 255.0f - m_b[i]) * t) * brightness);
    }
}

Bitmap Canvas::ToBitmap() const {
    // 4x4 Bayer matrix, centred on zero, in steps of one sixteenth of a level.
    static const float kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    Bitmap out;
    out.SetSize(m_width, m_height);
    for (int y = 0; y < m_height; ++y) {
        std::uint8_t* row = out.Row(y);
        for (int x = 0; x < m_width; ++x) {
            const float d = (kBayer[y & 3][x & 3] + 0.5f) / 16.0f;
            const std::size_t i = Index(x, y);
            auto q = [d](float v) { return static_cast<std::uint8_t>(std::clamp(std::floor(v + d), 0.0f, 255.0f)); };
            row[4 * x + 0] = q(m_b[i]);
            row[4 * x + 1] = q(m_g[i]);
            row[4 * x + 2] = q(m_r[i]);
            row[4 * x + 3] = 0;
        }
    }
    return out;
}

Bitmap Canvas::MaskBitmap() const {
    Bitmap out;
    out.SetSize(m_width, m_height);
    for (int y = 0; y < m_height; ++y) {
        std::uint8_t* row = out.Row(y);
        for (int x = 0; x < m_width; ++x) {
            const auto v = static_cast<std::uint8_t>(std::lround(Clamp01(m_a[Index(x, y)]) * 255.0f));
            row[4 * x + 0] = v;
            row[4 * x + 1] = v;
            row[4 * x + 2] = v;
            row[4 * x + 3] = 0;
        }
    }
    return out;
}

} // namespace hk::demo
