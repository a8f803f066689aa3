// The painting kit of the sample-game generator: a floating-point canvas with a coverage plane
// (which becomes a character's mask), anti-aliased shapes given by signed distance, gradients,
// seeded noise, blur and resampling. Everything is deterministic: no clock, no global random
// state, so the same recipe always paints the same pixels.
#pragma once

#include "gfx/bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace hk::demo {

// A colour with components 0..255 as floats, so gradients and blends do not band.
struct Rgb {
    float r = 0, g = 0, b = 0;
};

constexpr Rgb Hex(std::uint32_t rrggbb) {
    return {static_cast<float>((rrggbb >> 16) & 0xFF), static_cast<float>((rrggbb >> 8) & 0xFF),
            static_cast<float>(rrggbb & 0xFF)};
}
inline Rgb Mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
inline Rgb Scale(Rgb a, float k) {
    return {a.r * k, a.g * k, a.b * k};
}
inline float Clamp01(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}
inline float SmoothStep(float e0, float e1, float x) {
    const float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Signed distances (negative inside), in pixels.
inline float SdCircle(float x, float y, float cx, float cy, float r) {
    return std::hypot(x - cx, y - cy) - r;
}
// An ellipse by scaled distance: exact enough for the soft shapes drawn here.
inline float SdEllipse(float x, float y, float cx, float cy, float rx, float ry) {
    const float dx = (x - cx) / rx, dy = (y - cy) / ry;
    const float k = std::sqrt(dx * dx + dy * dy);
    return (k - 1.0f) * std::min(rx, ry);
}
inline float SdRoundRect(float x, float y, float x0, float y0, float x1, float y1, float radius) {
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const float hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    const float qx = std::abs(x - cx) - hx, qy = std::abs(y - cy) - hy;
    return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - radius;
}
// A line from (ax, ay) to (bx, by) with round ends, `r` thick on each side.
inline float SdCapsule(float x, float y, float ax, float ay, float bx, float by, float r) {
    const float px = x - ax, py = y - ay, vx = bx - ax, vy = by - ay;
    const float h = Clamp01((px * vx + py * vy) / std::max(vx * vx + vy * vy, 1e-6f));
    return std::hypot(px - vx * h, py - vy * h) - r;
}
struct Point {
    float x, y;
};
// Distance to a closed polygon (even-odd inside test).
float SdPolygon(float x, float y, const std::vector<Point>& points);

// Seeded hash noise in 0..1: value noise and its fractal sum.
float Hash01(std::uint32_t seed, int x, int y);
float ValueNoise(float x, float y, std::uint32_t seed);
float Fbm(float x, float y, std::uint32_t seed, int octaves);

// A small deterministic generator for layouts (star fields, leaves, bokeh).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    std::uint32_t Next();
    float Uniform(float lo, float hi) { return lo + (hi - lo) * static_cast<float>(Next() >> 8) / 16777216.0f; }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

private:
    std::uint64_t m_state;
};

class Canvas {
public:
    Canvas(int width, int height, Rgb fill = {255, 255, 255});

    int Width() const { return m_width; }
    int Height() const { return m_height; }

    Rgb Get(int x, int y) const {
        const std::size_t i = Index(x, y);
        return {m_r[i], m_g[i], m_b[i]};
    }
    float Coverage(int x, int y) const { return m_a[Index(x, y)]; }
    // Puts colour c over pixel (x, y) with weight a (0..1); coverage grows as a + old * (1 - a).
    void Blend(int x, int y, Rgb c, float a) {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height || a <= 0) {
            return;
        }
        const std::size_t i = Index(x, y);
        a = std::min(a, 1.0f);
        m_r[i] += (c.r - m_r[i]) * a;
        m_g[i] += (c.g - m_g[i]) * a;
        m_b[i] += (c.b - m_b[i]) * a;
        m_a[i] += (1.0f - m_a[i]) * a;
    }
    void Set(int x, int y, Rgb c) { Blend(x, y, c, 1.0f); }

    // Calls paint(px, py) -> Rgb and sdf(px, py) -> distance for each pixel centre of the box
    // (x0, y0)-(x1, y1); the pixel gets the paint with coverage from the distance, softened over
    // `feather` pixels, times `opacity`.
    template <class Sdf, class Paint>
    void Fill(float x0, float y0, float x1, float y1, Sdf sdf, Paint paint, float opacity = 1.0f,
              float feather = 1.0f) {
        const int ix0 = std::max(0, static_cast<int>(std::floor(x0 - feather)));
        const int iy0 = std::max(0, static_cast<int>(std::floor(y0 - feather)));
        const int ix1 = std::min(m_width, static_cast<int>(std::ceil(x1 + feather)) + 1);
        const int iy1 = std::min(m_height, static_cast<int>(std::ceil(y1 + feather)) + 1);
        for (int y = iy0; y < iy1; ++y) {
            for (int x = ix0; x < ix1; ++x) {
                const float px = x + 0.5f, py = y + 0.5f;
                const float d = sdf(px, py);
                const float cover = Clamp01(0.5f - d / feather);
                if (cover > 0) {
                    Blend(x, y, paint(px, py), cover * opacity);
                }
            }
        }
    }
    template <class Sdf>
    void FillSolid(float x0, float y0, float x1, float y1, Sdf sdf, Rgb color, float opacity = 1.0f,
                   float feather = 1.0f) {
        Fill(
            x0, y0, x1, y1, sdf, [color](float, float) { return color; }, opacity, feather);
    }

    // Shorthands for the common shapes.
    void Circle(float cx, float cy, float r, Rgb c, float opacity = 1.0f, float feather = 1.0f);
    void Ellipse(float cx, float cy, float rx, float ry, Rgb c, float opacity = 1.0f, float feather = 1.0f);
    void RoundRect(float x0, float y0, float x1, float y1, float radius, Rgb c, float opacity = 1.0f,
                   float feather = 1.0f);
    void Line(float ax, float ay, float bx, float by, float width, Rgb c, float opacity = 1.0f);
    void Polygon(const std::vector<Point>& points, Rgb c, float opacity = 1.0f, float feather = 1.0f);
    // A soft round glow: opacity falls off smoothly from the centre to radius r.
    void Glow(float cx, float cy, float r, Rgb c, float opacity);

    // Vertical gradient through the given stops (positions 0..1 from top to bottom of the box).
    struct Stop {
        float at;
        Rgb color;
    };
    void VerticalGradient(int x0, int y0, int x1, int y1, const std::vector<Stop>& stops);
    static Rgb GradientAt(const std::vector<Stop>& stops, float t);

    // Box blur of the colour over a rectangle, `radius` pixels, three passes (close to Gaussian).
    void Blur(int x0, int y0, int x1, int y1, int radius);
    // Area-averaged copy at a new size (thumbnails).
    Canvas Resized(int width, int height) const;
    // Copies (colour and coverage) another canvas in at (dx, dy).
    void Paste(const Canvas& src, int dx, int dy);
    // Multiplies the colour towards `tint` by amount t (colour grading of variants).
    void Grade(Rgb tint, float t, float brightness);
    void FillCoverage(float value) { std::fill(m_a.begin(), m_a.end(), value); }

    // 32-bit surface, with a fixed ordered dither so soft gradients do not band.
    Bitmap ToBitmap() const;
    // The coverage as a grey picture: white where painted, black where clear (a mask).
    Bitmap MaskBitmap() const;

private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x);
    }

    int m_width;
    int m_height;
    std::vector<float> m_r, m_g, m_b, m_a;
};

} // namespace hk::demo
