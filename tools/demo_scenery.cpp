// Backgrounds, the event pictures drawn as real scenes, and Minato's photos (the generated CGs):
// a seaside town painted from skies, sea, hills, houses, a lighthouse and a few interiors.
#include "tools/demo_pictures.h"
#include "tools/demo_text.h"

#include <numbers>
#include <stdexcept>

namespace hk::demo {

namespace {

constexpr int kW = 800, kH = 600;
constexpr float kPi = std::numbers::pi_v<float>;

enum Time { kMorning = 0, kNoon = 1, kEvening = 2, kNight = 3 };

struct Palette {
    std::vector<Canvas::Stop> sky;
    Rgb sun, sea_top, sea_bottom, land, land_far, light, shade;
    float sun_x = 600, sun_y = 160;
    bool night = false;
};

Palette PaletteFor(int time) {
    Palette p;
    switch (time) {
    case kMorning:
        p.sky = {{0, Hex(0x6FA8DC)}, {0.6f, Hex(0xB9D9EE)}, {1, Hex(0xF8E7CF)}};
        p.sun = Hex(0xFFF4D6);
        p.sea_top = Hex(0x8CC2DE);
        p.sea_bottom = Hex(0x2F6F9A);
        p.land = Hex(0x6F9F5C);
        p.land_far = Hex(0x9DB8B0);
        p.light = Hex(0xFFF6E0);
        p.shade = Hex(0x5A6F8C);
        p.sun_x = 180;
        p.sun_y = 200;
        break;
    case kNoon:
        p.sky = {{0, Hex(0x2F7FCF)}, {0.7f, Hex(0x8CC6EE)}, {1, Hex(0xD6EEF8)}};
        p.sun = Hex(0xFFFFF2);
        p.sea_top = Hex(0x5AB0D8);
        p.sea_bottom = Hex(0x1D5A8A);
        p.land = Hex(0x5E9A48);
        p.land_far = Hex(0x88AFA6);
        p.light = Hex(0xFFFFFF);
        p.shade = Hex(0x4B5E7A);
        p.sun_x = 640;
        p.sun_y = 70;
        break;
    case kEvening:
        p.sky = {{0, Hex(0x3B3F7E)}, {0.45f, Hex(0xC46A78)}, {0.8f, Hex(0xF39A55)}, {1, Hex(0xFFD58A)}};
        p.sun = Hex(0xFFE2A0);
        p.sea_top = Hex(0xF0A070);
        p.sea_bottom = Hex(0x4A3E6A);
        p.land = Hex(0x4E4A5E);
        p.land_far = Hex(0x8A6A80);
        p.light = Hex(0xFFD9A8);
        p.shade = Hex(0x3A2E4A);
        p.sun_x = 520;
        p.sun_y = 300;
        break;
    default:
        p.sky = {{0, Hex(0x070B22)}, {0.6f, Hex(0x18234D)}, {1, Hex(0x34477A)}};
        p.sun = Hex(0xF4F1DC);
        p.sea_top = Hex(0x2A3C6C);
        p.sea_bottom = Hex(0x0A1028);
        p.land = Hex(0x141A30);
        p.land_far = Hex(0x222C4E);
        p.light = Hex(0xFFE8A0);
        p.shade = Hex(0x0A0E1E);
        p.sun_x = 500;
        p.sun_y = 100;
        p.night = true;
        break;
    }
    return p;
}

void Sky(Canvas& c, const Palette& p, int horizon, std::uint32_t seed) {
    c.VerticalGradient(0, 0, kW, horizon, p.sky);
    if (p.night) {
        Rng rng(seed);
        for (int i = 0; i < 180; ++i) {
            const float x = rng.Uniform(0, kW), y = rng.Uniform(0, static_cast<float>(horizon) * 0.9f);
            const float r = rng.Uniform(0.5f, 1.6f);
            c.Circle(x, y, r, Hex(0xFFFFFF), rng.Uniform(0.3f, 1.0f), 0.8f);
        }
        c.Glow(p.sun_x, p.sun_y, 90, Hex(0x8FA6D8), 0.35f);
        c.Circle(p.sun_x, p.sun_y, 26, p.sun);
        c.Circle(p.sun_x + 9, p.sun_y - 6, 22, p.sky.front().color, 0.92f); // a crescent
    } else {
        c.Glow(p.sun_x, p.sun_y, 260, p.sun, 0.55f);
        c.Circle(p.sun_x, p.sun_y, 34, p.sun, 0.95f, 3);
    }
    // Clouds: fractal noise thresholded into soft banks, lit from the sun's side.
    const Rgb cloud = p.night ? Hex(0x2E3A66) : Mix(p.light, p.sky.back().color, 0.2f);
    const Rgb cloud_shade = p.night ? Hex(0x1A2244) : Mix(p.shade, p.sky.back().color, 0.5f);
    // The noise is sampled on a grid of 4 x 4 pixels and interpolated: clouds are soft anyway,
    // and the full-resolution noise would cost most of the painting time.
    const int gw = kW / 4 + 2, gh = horizon / 4 + 3;
    std::vector<float> grid(static_cast<std::size_t>(gw) * gh);
    for (int gy = 0; gy < gh; ++gy) {
        for (int gx = 0; gx < gw; ++gx) {
            grid[static_cast<std::size_t>(gy) * gw + gx] = Fbm(gx * 4 / 170.0f, (gy * 4 - 4) / 55.0f, seed, 4);
        }
    }
    auto noise = [&](int x, int y) { // y may be -4..horizon
        const float fx = x / 4.0f, fy = (y + 4) / 4.0f;
        const int ix = std::min(static_cast<int>(fx), gw - 2), iy = std::min(static_cast<int>(fy), gh - 2);
        const float tx = fx - ix, ty = fy - iy;
        const float* row0 = &grid[static_cast<std::size_t>(iy) * gw + ix];
        const float* row1 = row0 + gw;
        return (row0[0] + (row0[1] - row0[0]) * tx) * (1 - ty) + (row1[0] + (row1[1] - row1[0]) * tx) * ty;
    };
    for (int y = 0; y < horizon; y += 1) {
        const float band = 1.0f - std::abs(static_cast<float>(y) / horizon - 0.45f) * 1.6f;
        if (band <= 0) {
            continue;
        }
        for (int x = 0; x < kW; ++x) {
            const float n = noise(x, y);
            const float a = SmoothStep(0.52f, 0.72f, n) * band;
            if (a > 0.01f) {
                const float lit = Clamp01(0.5f + (noise(x, std::max(-4, y - 6)) - n) * 6);
                c.Blend(x, y, Mix(cloud_shade, cloud, lit), a * 0.85f);
            }
        }
    }
}

void Sea(Canvas& c, const Palette& p, int horizon, std::uint32_t seed, int bottom = kH) {
    c.VerticalGradient(0, horizon, kW, bottom, {{0, p.sea_top}, {1, p.sea_bottom}});
    Rng rng(seed ^ 0xA5A5u);
    for (int i = 0; i < 260; ++i) {
        const float y = horizon + std::pow(rng.Uniform(0, 1), 1.6f) * (bottom - horizon);
        const float depth = (y - horizon) / std::max(1, bottom - horizon);
        const float x = rng.Uniform(0, kW);
        const float len = 6 + 40 * depth;
        const bool glint = std::abs(x - p.sun_x) < 60 + 120 * depth;
        c.Line(x, y, x + len, y, 1 + 2 * depth, glint ? p.sun : Mix(p.sea_top, p.light, 0.5f), glint ? 0.8f : 0.25f);
    }
    c.Glow(p.sun_x, static_cast<float>(horizon) + 4, 120, p.sun, p.night ? 0.25f : 0.45f);
}

// A ridge line across the picture: height varies smoothly with x.
void Hills(Canvas& c, float base, float amplitude, float scale, Rgb color, std::uint32_t seed, Rgb top_color) {
    for (int x = 0; x < kW; ++x) {
        const float h = base - amplitude * Fbm(x / scale, 0.5f, seed, 3);
        const int y0 = static_cast<int>(h);
        for (int y = std::max(0, y0); y < kH; ++y) {
            const float t = Clamp01((y - h) / 80.0f);
            c.Set(x, y, Mix(top_color, color, t));
        }
        c.Blend(x, y0 - 1, top_color, h - std::floor(h) > 0 ? 1 - (h - std::floor(h)) : 0);
    }
}

void Houses(Canvas& c, float x0, float x1, float base, float scale, const Palette& p, std::uint32_t seed) {
    Rng rng(seed);
    float x = x0;
    const Rgb roofs[] = {Hex(0x4C5F7A), Hex(0x8A4B3B), Hex(0x5D6B5A), Hex(0x6E5A7A)};
    while (x < x1) {
        const float w = rng.Uniform(34, 60) * scale, h = rng.Uniform(26, 48) * scale;
        const Rgb wall = Mix(Hex(0xEDE6DA), p.shade, p.night ? 0.75f : rng.Uniform(0.0f, 0.25f));
        c.RoundRect(x, base - h, x + w, base, 1, wall);
        const Rgb roof = Mix(roofs[rng.Below(4)], p.shade, p.night ? 0.6f : 0.1f);
        c.Polygon({{x - 4 * scale, base - h}, {x + w / 2, base - h - 16 * scale}, {x + w + 4 * scale, base - h}}, roof);
        for (int k = 0; k < 2; ++k) {
            const float wx = x + w * (0.22f + 0.4f * k), wy = base - h * 0.65f;
            const bool lit = p.night ? rng.Below(3) != 0 : false;
            c.RoundRect(wx, wy, wx + 8 * scale, wy + 9 * scale, 1, lit ? p.light : Mix(Hex(0x6D8AA8), p.shade, 0.3f));
            if (lit) {
                c.Glow(wx + 4 * scale, wy + 4 * scale, 16 * scale, p.light, 0.35f);
            }
        }
        x += w + rng.Uniform(2, 10) * scale;
    }
}

void Lighthouse(Canvas& c, float x, float base, float h, const Palette& p, bool lit) {
    const float w0 = h * 0.16f, w1 = h * 0.1f;
    const Rgb white = Mix(Hex(0xF4F1EA), p.shade, p.night ? 0.65f : 0.08f);
    const Rgb red = Mix(Hex(0xC8443C), p.shade, p.night ? 0.6f : 0.05f);
    c.Polygon({{x - w0, base}, {x - w1, base - h}, {x + w1, base - h}, {x + w0, base}}, white);
    for (int band = 0; band < 3; ++band) {
        const float y0 = base - h * (0.2f + 0.28f * band), y1 = y0 - h * 0.12f;
        const float a = (base - y0) / h, b = (base - y1) / h;
        c.Polygon({{x - w0 + (w0 - w1) * a, y0},
                   {x - w0 + (w0 - w1) * b, y1},
                   {x + w0 - (w0 - w1) * b, y1},
                   {x + w0 - (w0 - w1) * a, y0}},
                  red);
    }
    // Shade on the right side of the tower.
    c.Polygon({{x + w0 * 0.3f, base}, {x + w1 * 0.3f, base - h}, {x + w1, base - h}, {x + w0, base}}, p.shade, 0.25f);
    c.RoundRect(x - w1 * 1.5f, base - h - 6, x + w1 * 1.5f, base - h, 2, Hex(0x2E2E36));
    c.RoundRect(x - w1 * 0.9f, base - h - h * 0.12f, x + w1 * 0.9f, base - h - 6, 3,
                lit ? Hex(0xFFF3B0) : Mix(Hex(0x8FA4B8), p.shade, 0.4f));
    c.Polygon({{x - w1 * 1.2f, base - h - h * 0.12f}, {x, base - h - h * 0.2f}, {x + w1 * 1.2f, base - h - h * 0.12f}},
              red);
    if (lit) {
        const float ly = base - h - h * 0.06f;
        c.Glow(x, ly, h * 0.9f, Hex(0xFFF0B0), 0.7f);
        for (int side = -1; side <= 1; side += 2) {
            c.Polygon({{x, ly - 3}, {x + side * 800.0f, ly - 70}, {x + side * 800.0f, ly + 40}, {x, ly + 3}},
                      Hex(0xFFF3C0), 0.22f, 6);
        }
    }
}

void Tree(Canvas& c, float x, float base, float size, Rgb leaves, Rgb blossom, bool blossoms, std::uint32_t seed) {
    c.Polygon({{x - size * 0.08f, base},
               {x - size * 0.04f, base - size * 0.7f},
               {x + size * 0.04f, base - size * 0.7f},
               {x + size * 0.08f, base}},
              Hex(0x5A4034));
    Rng rng(seed);
    for (int i = 0; i < 14; ++i) {
        const float a = rng.Uniform(0, 2 * kPi), r = rng.Uniform(0, size * 0.4f);
        const float bx = x + std::cos(a) * r, by = base - size * 0.85f + std::sin(a) * r * 0.6f;
        const Rgb col = Mix(leaves, Hex(0xFFFFFF), rng.Uniform(0, 0.15f));
        c.Circle(bx, by, size * rng.Uniform(0.16f, 0.26f), blossoms ? Mix(blossom, col, 0.15f) : col);
    }
}

void Torii(Canvas& c, float x, float base, float size) {
    const Rgb red = Hex(0xD2452F);
    c.RoundRect(x - size * 0.42f, base - size, x - size * 0.34f, base, 2, red);
    c.RoundRect(x + size * 0.34f, base - size, x + size * 0.42f, base, 2, red);
    c.Polygon({{x - size * 0.62f, base - size * 0.98f},
               {x + size * 0.62f, base - size * 0.98f},
               {x + size * 0.56f, base - size * 1.08f},
               {x - size * 0.56f, base - size * 1.08f}},
              Hex(0x2A2226));
    c.RoundRect(x - size * 0.55f, base - size * 0.98f, x + size * 0.55f, base - size * 0.9f, 2, red);
    c.RoundRect(x - size * 0.48f, base - size * 0.76f, x + size * 0.48f, base - size * 0.7f, 2, red);
}

void Boat(Canvas& c, float x, float y, float size, Rgb hull) {
    c.Polygon({{x - size, y}, {x + size, y}, {x + size * 0.8f, y + size * 0.35f}, {x - size * 0.75f, y + size * 0.35f}},
              hull);
    c.RoundRect(x - size * 0.3f, y - size * 0.4f, x + size * 0.2f, y, 2, Hex(0xF0F0F0));
    c.Line(x + size * 0.4f, y, x + size * 0.4f, y - size * 0.9f, 2, Hex(0x4A4A4A));
}

void Flowers(Canvas& c, float top, const Palette& p, std::uint32_t seed, int count) {
    Rng rng(seed);
    const Rgb colors[] = {Hex(0xF7A8C4), Hex(0xFFE07A), Hex(0xFFFFFF), Hex(0xB69CF0), Hex(0xF47C6E)};
    for (int i = 0; i < count; ++i) {
        const float y = top + std::pow(rng.Uniform(0, 1), 0.7f) * (kH - top);
        const float depth = (y - top) / (kH - top);
        const float x = rng.Uniform(-20, kW + 20), r = 3 + 12 * depth;
        const Rgb col = Mix(colors[rng.Below(5)], p.shade, p.night ? 0.6f : 0.05f);
        for (int k = 0; k < 5; ++k) {
            const float a = k * 2 * kPi / 5 + depth;
            c.Circle(x + std::cos(a) * r * 0.7f, y + std::sin(a) * r * 0.7f, r * 0.55f, col);
        }
        c.Circle(x, y, r * 0.35f, Hex(0xF2C14E));
    }
}

void Petals(Canvas& c, std::uint32_t seed, int count, float opacity) {
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        const float x = rng.Uniform(0, kW), y = rng.Uniform(0, kH), r = rng.Uniform(2.5f, 6.5f);
        c.Ellipse(x, y, r, r * 0.6f, Hex(0xF9C6D6), opacity * rng.Uniform(0.5f, 1.0f));
    }
}

void Lanterns(Canvas& c, float y0, float y1, std::uint32_t seed, float scale) {
    Rng rng(seed);
    for (int row = 0; row < 2; ++row) {
        const float ya = row == 0 ? y0 : y1;
        c.Line(0, ya - 18 * scale, kW, ya - 10 * scale + row * 20, 1.5f, Hex(0x2A2A2A));
        for (float x = 20 + row * 30; x < kW; x += 62 * scale) {
            const float y = ya - 14 * scale + (x / kW) * (row ? 20 : 8);
            c.Glow(x, y + 10 * scale, 40 * scale, Hex(0xFFB35C), 0.45f);
            c.Ellipse(x, y + 10 * scale, 11 * scale, 14 * scale, Hex(0xF0633C));
            c.Ellipse(x - 3 * scale, y + 7 * scale, 4 * scale, 7 * scale, Hex(0xFFC07A), 0.8f);
            rng.Next();
        }
    }
}

void Fireworks(Canvas& c, float x, float y, float r, Rgb color, std::uint32_t seed) {
    Rng rng(seed);
    c.Glow(x, y, r * 1.4f, color, 0.25f);
    for (int i = 0; i < 48; ++i) {
        const float a = i * 2 * kPi / 48 + rng.Uniform(-0.04f, 0.04f);
        for (int k = 3; k <= 10; ++k) {
            const float d = r * k / 10.0f;
            c.Circle(x + std::cos(a) * d, y + std::sin(a) * d + k * k * 0.15f, 1.0f + k * 0.18f,
                     Mix(Hex(0xFFFFFF), color, k / 10.0f), 0.9f - k * 0.05f);
        }
    }
}

void Vignette(Canvas& c, float strength) {
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const float dx = (x - kW / 2.0f) / (kW / 2.0f), dy = (y - kH / 2.0f) / (kH / 2.0f);
            const float d = Clamp01((dx * dx + dy * dy - 0.45f) * 0.8f);
            c.Blend(x, y, Hex(0x000000), d * strength);
        }
    }
}

void Grain(Canvas& c, std::uint32_t seed, float amount) {
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const float n = Hash01(seed, x, y) - 0.5f;
            const Rgb v = c.Get(x, y);
            c.Set(x, y, {v.r + n * amount, v.g + n * amount, v.b + n * amount});
        }
    }
}

// --- interiors -------------------------------------------------------------------------------

void WindowView(Canvas& c, float x0, float y0, float x1, float y1, const Palette& p, std::uint32_t seed) {
    Canvas view(kW, kH);
    Sky(view, p, 420, seed);
    Sea(view, p, 420, seed);
    for (int y = static_cast<int>(y0); y < static_cast<int>(y1); ++y) {
        for (int x = static_cast<int>(x0); x < static_cast<int>(x1); ++x) {
            c.Set(x, y,
                  view.Get(static_cast<int>((x - x0) / (x1 - x0) * kW),
                           150 + static_cast<int>((y - y0) / (y1 - y0) * 360)));
        }
    }
    const Rgb frame = Hex(0xE9E4DA);
    c.RoundRect(x0 - 6, y0 - 6, x1 + 6, y0, 1, frame);
    c.RoundRect(x0 - 6, y1, x1 + 6, y1 + 8, 1, frame);
    c.RoundRect(x0 - 6, y0, x0, y1, 1, frame);
    c.RoundRect(x1, y0, x1 + 6, y1, 1, frame);
    c.RoundRect((x0 + x1) / 2 - 3, y0, (x0 + x1) / 2 + 3, y1, 1, frame);
}

void Classroom(Canvas& c, const Palette& p, std::uint32_t seed) {
    c.VerticalGradient(0, 0, kW, 420, {{0, Hex(0xF1EADB)}, {1, Hex(0xE2D6BE)}});
    c.VerticalGradient(0, 420, kW, kH, {{0, Hex(0xB88B5E)}, {1, Hex(0x8A6240)}});
    for (int i = 0; i < 14; ++i) {
        c.Line(0, 420 + i * i * 1.0f, kW, 420 + i * i * 1.0f, 1, Hex(0x7A5535), 0.35f);
    }
    for (int k = 0; k < 3; ++k) {
        WindowView(c, 460 + k * 115.0f, 90, 560 + k * 115.0f, 330, p, seed + k);
    }
    c.RoundRect(40, 110, 400, 300, 6, Hex(0x6B4A32));
    c.RoundRect(50, 120, 390, 290, 3, Hex(0x2F5A45));
    c.Line(80, 160, 200, 150, 3, Hex(0xE8EFE9), 0.7f);
    c.Line(90, 190, 260, 186, 3, Hex(0xE8EFE9), 0.6f);
    c.RoundRect(50, 290, 390, 298, 2, Hex(0x8C6A4E));
    // Desks in rows, nearer ones larger.
    for (int row = 0; row < 3; ++row) {
        const float s = 0.6f + row * 0.35f, y = 430 + row * 60;
        for (int col = 0; col < 5; ++col) {
            const float x = 60 + col * 170 * s - row * 60;
            c.RoundRect(x, y, x + 110 * s, y + 14 * s, 3, Hex(0xC9A27A));
            c.RoundRect(x + 8 * s, y + 14 * s, x + 14 * s, y + 70 * s, 1, Hex(0x8A8E96));
            c.RoundRect(x + 96 * s, y + 14 * s, x + 102 * s, y + 70 * s, 1, Hex(0x8A8E96));
        }
    }
    // Sunlight falling through the windows.
    for (int k = 0; k < 3; ++k) {
        c.Polygon({{460 + k * 115.0f, 90}, {560 + k * 115.0f, 90}, {380 + k * 140.0f, 600}, {200 + k * 140.0f, 600}},
                  p.light, 0.12f, 20);
    }
}

void Library(Canvas& c, const Palette& p, std::uint32_t seed) {
    c.VerticalGradient(0, 0, kW, kH, {{0, Hex(0x5A3E2B)}, {0.7f, Hex(0x7A5537)}, {1, Hex(0x4A3322)}});
    Rng rng(seed);
    const Rgb spines[] = {Hex(0x8E3B30), Hex(0x2F4E6E), Hex(0x3F6B45), Hex(0xC9A24A), Hex(0x6E3F6B), Hex(0xD8CBB0)};
    for (int shelf = 0; shelf < 2; ++shelf) {
        const float sx = shelf == 0 ? 20.0f : 500.0f, sw = shelf == 0 ? 300.0f : 280.0f;
        c.RoundRect(sx, 40, sx + sw, 560, 4, Hex(0x3E2A1C));
        for (int level = 0; level < 6; ++level) {
            const float y1 = 120 + level * 82.0f;
            float x = sx + 10;
            while (x < sx + sw - 20) {
                const float w = rng.Uniform(9, 20), h = rng.Uniform(50, 72);
                // Shade before colour, as the pictures were first painted: a call's arguments have
                // no fixed order of evaluation, and compilers differ in it.
                const float shade = rng.Uniform(0, 0.3f);
                const Rgb spine = spines[rng.Below(6)];
                c.RoundRect(x, y1 - h, x + w, y1, 1.5f, Mix(spine, Hex(0x000000), shade));
                c.Line(x + 2, y1 - h + 8, x + w - 2, y1 - h + 8, 1.5f, Hex(0xE8D28A), 0.5f);
                x += w + 1;
            }
            c.RoundRect(sx + 4, y1, sx + sw - 4, y1 + 8, 1, Hex(0x6B4A30));
        }
    }
    WindowView(c, 345, 60, 475, 330, p, seed + 3);
    c.Polygon({{345, 60}, {475, 60}, {560, 600}, {250, 600}}, p.light, 0.14f, 30);
    c.VerticalGradient(0, 560, kW, kH, {{0, Hex(0x6E4B33)}, {1, Hex(0x4A321F)}});
    for (int i = 0; i < 40; ++i) {
        // The draws are made one by one, last argument first, as the pictures were first painted: a
        // call's arguments have no fixed order of evaluation, and compilers differ in it.
        const float r = rng.Uniform(0.8f, 2.0f), y = rng.Uniform(100, 560), x = rng.Uniform(300, 520);
        c.Circle(x, y, r, p.light, 0.5f);
    }
}

void Room(Canvas& c, const Palette& p, std::uint32_t seed) {
    c.VerticalGradient(0, 0, kW, 430, {{0, Hex(0x3A3550)}, {1, Hex(0x5A4E5E)}});
    c.VerticalGradient(0, 430, kW, kH, {{0, Hex(0x6B4A3A)}, {1, Hex(0x3E2A20)}});
    WindowView(c, 80, 80, 300, 300, p, seed);
    Rng rng(seed);
    // Photos pinned to the wall.
    for (int i = 0; i < 14; ++i) {
        const float x = 360 + (i % 7) * 58 + rng.Uniform(-6, 6), y = 70 + (i / 7) * 86 + rng.Uniform(-6, 6);
        c.RoundRect(x, y, x + 46, y + 58, 2, Hex(0xF4F0E6));
        c.VerticalGradient(
            static_cast<int>(x + 4), static_cast<int>(y + 4), static_cast<int>(x + 42), static_cast<int>(y + 44),
            {{0, Hex(0x6FA8DC + static_cast<std::uint32_t>(rng.Below(3)) * 0x101000)}, {1, Hex(0x2F6F9A)}});
        c.Circle(x + 23, y + 2, 3, Hex(0xD9463A));
    }
    // The desk and its lamp.
    c.RoundRect(300, 410, 800, 440, 4, Hex(0x8A5E3C));
    c.RoundRect(320, 440, 340, 600, 2, Hex(0x5E3E28));
    c.Glow(560, 380, 320, Hex(0xFFC98A), 0.45f);
    c.Polygon({{520, 330}, {600, 330}, {620, 370}, {500, 370}}, Hex(0x2E4A3A));
    c.Line(560, 370, 560, 410, 4, Hex(0x3A3A3A));
    c.RoundRect(420, 380, 520, 412, 3, Hex(0x2E3E6E)); // the album
    c.RoundRect(426, 384, 514, 388, 1, Hex(0xC9A24A));
}

void RadioBooth(Canvas& c, const Palette& p, std::uint32_t seed) {
    c.VerticalGradient(0, 0, kW, kH, {{0, Hex(0x4A3A4E)}, {1, Hex(0x2A2030)}});
    Rng rng(seed);
    for (int level = 0; level < 4; ++level) {
        float x = 20;
        while (x < 780) {
            const float w = rng.Uniform(4, 9);
            c.RoundRect(x, 60 + level * 90.0f, x + w, 136 + level * 90.0f, 1,
                        Mix(Hex(0x000000), Hex(0xF0E0C0), rng.Uniform(0.1f, 0.9f)));
            x += w + 1;
        }
        c.RoundRect(10, 136 + level * 90.0f, 790, 144 + level * 90.0f, 1, Hex(0x6B4A30));
    }
    c.RoundRect(560, 20, 700, 54, 6, Hex(0x5A1010));
    c.Glow(630, 37, 100, Hex(0xFF4030), 0.5f);
    c.RoundRect(566, 26, 694, 48, 4, Hex(0xFF5040));
    c.RoundRect(0, 470, 800, 600, 4, Hex(0x3A2E26));
    c.Glow(400, 200, 420, p.light, 0.18f);
}

void Street(Canvas& c, const Palette& p, std::uint32_t seed) {
    Sky(c, p, 260, seed);
    Rng rng(seed);
    const Rgb awnings[] = {Hex(0xD9463A), Hex(0x3A7AB8), Hex(0x4E9A5A), Hex(0xE8A53A), Hex(0x9A5AB8)};
    for (int side = -1; side <= 1; side += 2) {
        for (int k = 0; k < 5; ++k) {
            const float near = 1.0f - k * 0.17f;
            const float w = 150 * near;
            const float x_in = side < 0 ? 340 - (4 - k) * 70 : 460 + (4 - k) * 70;
            const float xa = side < 0 ? x_in - w : x_in, xb = side < 0 ? x_in : x_in + w;
            const float top = 330 - 250 * near, bottom = 330 + 230 * near;
            c.RoundRect(xa, top, xb, bottom, 2, Mix(Hex(0xEDE3D0), p.shade, p.night ? 0.6f : 0.15f * k));
            c.RoundRect(xa, top + (bottom - top) * 0.35f, xb, top + (bottom - top) * 0.45f, 2,
                        Mix(awnings[rng.Below(5)], p.shade, p.night ? 0.4f : 0.0f));
            c.RoundRect(xa + 8, top + (bottom - top) * 0.5f, xb - 8, bottom - 6, 2,
                        p.night ? Hex(0xFFD89A) : Hex(0x6A7F9A));
        }
    }
    c.Polygon({{340, 330}, {460, 330}, {800, 600}, {0, 600}}, Mix(Hex(0xB7A58E), p.shade, p.night ? 0.6f : 0.1f));
    for (int i = 0; i < 6; ++i) {
        c.Line(0, 120 + i * 30.0f, kW, 110 + i * 31.0f, 2, Hex(0x5A5A6A), 0.6f);
    }
    for (int i = 0; i < 12; ++i) {
        const float x = 40 + i * 64.0f;
        c.Polygon({{x, 140}, {x + 20, 140}, {x + 10, 168}}, awnings[i % 5]);
    }
}

void Station(Canvas& c, const Palette& p, std::uint32_t seed) {
    Sky(c, p, 330, seed);
    Sea(c, p, 330, seed, 400);
    Hills(c, 330, 60, 200, p.land_far, seed + 1, Mix(p.land_far, p.sky.back().color, 0.4f));
    c.VerticalGradient(0, 360, kW, 400, {{0, p.sea_top}, {1, p.sea_bottom}});
    c.Polygon({{0, 430}, {800, 400}, {800, 600}, {0, 600}}, Mix(Hex(0xBFB6A8), p.shade, 0.1f));
    c.Polygon({{0, 430}, {800, 400}, {800, 412}, {0, 444}}, Hex(0xE8D86A));
    for (int k = 0; k < 5; ++k) {
        const float x = 60 + k * 180.0f;
        c.RoundRect(x, 70 - k * 4.0f, x + 12, 430 - k * 7.0f, 2, Hex(0x6E7C8C));
    }
    c.Polygon({{0, 40}, {800, 10}, {800, 60}, {0, 90}}, Hex(0x4E5A6A));
    c.RoundRect(520, 150, 700, 200, 4, Hex(0xF4F4F0));
    c.RoundRect(520, 150, 700, 160, 2, Hex(0x3A6AB8));
    // The station's name board.
    DrawLabel(c, "しおみ", 610, 160,
              {.size = 26, .top = Hex(0x22304E), .bottom = Hex(0x22304E), .outline_width = 0, .shadow = 0},
              Align::Center);
    DrawLabel(c, "SHIOMI", 610, 188,
              {.size = 9, .top = Hex(0x4A5A7A), .bottom = Hex(0x4A5A7A), .outline_width = 0, .shadow = 0},
              Align::Center);
    c.RoundRect(100, 470, 300, 500, 4, Hex(0x3A6AB8));
    c.RoundRect(110, 500, 122, 540, 2, Hex(0x4A4A4A));
    c.RoundRect(278, 500, 290, 540, 2, Hex(0x4A4A4A));
}

void Cape(Canvas& c, const Palette& p, std::uint32_t seed, bool lighthouse, bool lit) {
    Sky(c, p, 360, seed);
    Sea(c, p, 360, seed);
    std::vector<Point> cliff = {{380, 600}, {420, 470}, {520, 420}, {650, 395}, {800, 390}, {800, 600}};
    c.Polygon(cliff, Mix(p.land, p.shade, 0.2f));
    c.Polygon({{430, 470}, {520, 425}, {650, 400}, {800, 396}, {800, 430}, {600, 440}, {470, 480}},
              Mix(p.land, p.light, 0.15f));
    if (lighthouse) {
        Lighthouse(c, 660, 404, 230, p, lit);
    }
    Rng rng(seed);
    for (int i = 0; i < 90; ++i) {
        const float x = rng.Uniform(400, 800), y = rng.Uniform(430, 600);
        // The draws are made one by one, last argument first, as the pictures were first painted: a
        // call's arguments have no fixed order of evaluation, and compilers differ in it.
        const float rise = rng.Uniform(8, 18), lean = rng.Uniform(-4, 4);
        c.Line(x, y, x + lean, y - rise, 2, Mix(p.land, p.light, 0.3f), 0.6f);
    }
}

// --- outdoor compositions of the photos --------------------------------------------------------

void Outdoor(Canvas& c, int place, const Palette& p, std::uint32_t seed) {
    Rng rng(seed);
    switch (place % 16) {
    case 0: // seaside
        Sky(c, p, 300, seed);
        Sea(c, p, 300, seed, 470);
        c.VerticalGradient(
            0, 470, kW, kH,
            {{0, Mix(Hex(0xE9D9B4), p.shade, p.night ? 0.6f : 0.1f)}, {1, Mix(Hex(0xC9B48A), p.shade, 0.3f)}});
        for (int i = 0; i < 12; ++i) {
            // The draws are made one by one, last argument first, as the pictures were first
            // painted: a call's arguments have no fixed order of evaluation, and compilers differ.
            const float ry = rng.Uniform(3, 6), rx = rng.Uniform(5, 10);
            const float y = rng.Uniform(500, 590), x = rng.Uniform(0, kW);
            c.Ellipse(x, y, rx, ry, Hex(0xF6E8E0));
        }
        break;
    case 1: // slope road with houses
        Sky(c, p, 340, seed);
        Hills(c, 360, 120, 260, p.land, seed, Mix(p.land, p.light, 0.3f));
        Houses(c, 0, 800, 380, 1.4f, p, seed);
        c.Polygon({{300, 600}, {380, 380}, {440, 380}, {620, 600}}, Mix(Hex(0x9A9A9A), p.shade, 0.3f));
        break;
    case 2: Street(c, p, seed); break;
    case 3: Cape(c, p, seed, true, p.night); break;
    case 4: Library(c, p, seed); break;
    case 5: // school ground
        Sky(c, p, 320, seed);
        c.RoundRect(120, 180, 680, 330, 2, Mix(Hex(0xEFEAE0), p.shade, p.night ? 0.6f : 0.1f));
        for (int k = 0; k < 12; ++k) {
            c.RoundRect(140 + k * 45.0f, 200, 170 + k * 45.0f, 230, 1, p.night ? p.light : Hex(0x7D9AB8));
            c.RoundRect(140 + k * 45.0f, 260, 170 + k * 45.0f, 290, 1, p.night ? Hex(0x4A5A7A) : Hex(0x7D9AB8));
        }
        c.VerticalGradient(0, 330, kW, kH,
                           {{0, Mix(Hex(0xC9A27A), p.shade, 0.2f)}, {1, Mix(Hex(0xA97F55), p.shade, 0.3f)}});
        Tree(c, 80, 360, 200, Hex(0x5E9A48), Hex(0xF9C6D6), true, seed);
        Tree(c, 730, 350, 170, Hex(0x5E9A48), Hex(0xF9C6D6), true, seed + 1);
        break;
    case 6: Station(c, p, seed); break;
    case 7:  // harbour
    case 13: // fishing port
        Sky(c, p, 330, seed);
        Sea(c, p, 330, seed);
        Houses(c, 0, 800, 330, 0.7f, p, seed);
        for (int i = 0; i < 4; ++i) {
            Boat(c, 120 + i * 180 + rng.Uniform(-30, 30), 420 + i % 2 * 60, 50 + i * 6,
                 i % 2 ? Hex(0xD9463A) : Hex(0x3A6AB8));
        }
        c.RoundRect(0, 520, 420, 560, 2, Mix(Hex(0x9A8A7A), p.shade, 0.3f));
        break;
    case 8: // hill and a big tree
        Sky(c, p, 420, seed);
        Hills(c, 440, 80, 300, p.land_far, seed + 5, Mix(p.land_far, p.sky.back().color, 0.3f));
        Hills(c, 520, 60, 220, p.land, seed, Mix(p.land, p.light, 0.25f));
        Tree(c, 560, 470, 260, Hex(0x4E8A40), Hex(0xF9C6D6), false, seed);
        break;
    case 9: // flower bed
        Sky(c, p, 280, seed);
        Hills(c, 300, 40, 200, p.land_far, seed, p.land_far);
        c.VerticalGradient(0, 300, kW, kH, {{0, p.land}, {1, Mix(p.land, Hex(0x000000), 0.4f)}});
        Flowers(c, 300, p, seed, 160);
        c.Blur(0, 0, kW, 330, 3);
        break;
    case 10: // sea wall
        Sky(c, p, 320, seed);
        Sea(c, p, 320, seed, 460);
        c.Polygon({{0, 460}, {800, 430}, {800, 600}, {0, 600}}, Mix(Hex(0xB8B2A8), p.shade, 0.2f));
        c.Polygon({{0, 460}, {800, 430}, {800, 445}, {0, 476}}, Mix(Hex(0xDCD6CC), p.shade, 0.1f));
        break;
    case 11: // shrine
        Sky(c, p, 400, seed);
        Hills(c, 420, 120, 160, Mix(p.land, Hex(0x000000), 0.3f), seed, p.land);
        Torii(c, 400, 560, 300);
        c.Polygon({{330, 600}, {370, 420}, {430, 420}, {470, 600}}, Mix(Hex(0xBDB3A3), p.shade, 0.3f));
        break;
    case 12: // cherry trees along a road
        Sky(c, p, 360, seed);
        c.Polygon({{250, 600}, {390, 360}, {410, 360}, {550, 600}}, Mix(Hex(0xA8A29A), p.shade, 0.2f));
        c.VerticalGradient(0, 360, 390, kH, {{0, p.land}, {1, Mix(p.land, Hex(0x000000), 0.3f)}});
        for (int k = 0; k < 5; ++k) {
            const float s = 300 - k * 50;
            Tree(c, 160 - k * 10 + k * 40, 600 - k * 50, s, Hex(0xF6BFD0), Hex(0xF9D4E0), true, seed + k);
            Tree(c, 640 + k * 10 - k * 40, 600 - k * 50, s, Hex(0xF6BFD0), Hex(0xF9D4E0), true, seed + 10 + k);
        }
        Petals(c, seed, 120, 0.9f);
        break;
    case 14: // rooftop
        Sky(c, p, 560, seed);
        for (int k = 0; k <= 20; ++k) {
            c.Line(k * 40.0f, 430, k * 40.0f, 600, 3, Hex(0x5A6A5A));
        }
        c.Line(0, 430, 800, 430, 5, Hex(0x5A6A5A));
        c.Line(0, 515, 800, 515, 3, Hex(0x5A6A5A));
        break;
    default: // railway crossing
        Sky(c, p, 380, seed);
        Hills(c, 400, 50, 200, p.land, seed, Mix(p.land, p.light, 0.3f));
        c.Polygon({{0, 520}, {800, 480}, {800, 520}, {0, 560}}, Hex(0x6A6058));
        c.Line(0, 526, 800, 488, 3, Hex(0xC0C0C0));
        c.Line(0, 548, 800, 510, 3, Hex(0xC0C0C0));
        c.RoundRect(590, 250, 602, 520, 2, Hex(0x3A3A3A));
        c.Polygon({{530, 270}, {540, 262}, {662, 330}, {652, 338}}, Hex(0xF0D040));
        c.Polygon({{662, 270}, {652, 262}, {530, 330}, {540, 338}}, Hex(0xF0D040));
        c.Circle(580, 360, 12, Hex(0xD9463A));
        c.Circle(612, 360, 12, Hex(0xD9463A));
        break;
    }
}

std::uint32_t SeedOf(const PictureRecipe& r) {
    return 0xC0FFEEu ^ (static_cast<std::uint32_t>(r.number) * 2654435761u);
}

const std::string& Arg(const PictureRecipe& r, std::size_t i) {
    if (i >= r.args.size()) {
        throw std::runtime_error("picture " + std::to_string(r.number) + " (" + r.recipe + ") needs more arguments");
    }
    return r.args[i];
}

Canvas Background(const PictureRecipe& r) {
    Canvas c(kW, kH);
    const std::string& kind = Arg(r, 0);
    const std::uint32_t seed = SeedOf(r);
    if (kind == "black") {
        c.VerticalGradient(0, 0, kW, kH, {{0, Hex(0x000000)}, {1, Hex(0x000000)}});
    } else if (kind == "morning-sky") {
        const Palette p = PaletteFor(kMorning);
        Sky(c, p, 450, seed);
        Sea(c, p, 450, seed);
        Houses(c, 0, 300, 452, 0.5f, p, seed);
        Petals(c, seed, 40, 0.8f);
    } else if (kind == "station") {
        Station(c, PaletteFor(kNoon), seed);
    } else if (kind == "classroom") {
        Classroom(c, PaletteFor(kNoon), seed);
    } else if (kind == "seaside-evening") {
        const Palette p = PaletteFor(kEvening);
        Sky(c, p, 320, seed);
        Sea(c, p, 320, seed, 470);
        c.Polygon({{0, 470}, {800, 440}, {800, 600}, {0, 600}}, Hex(0x5A4E5E));
        c.Polygon({{0, 470}, {800, 440}, {800, 452}, {0, 484}}, Hex(0x8A7A86));
        for (int k = 0; k < 4; ++k) {
            const float x = 80 + k * 220.0f;
            c.RoundRect(x, 260 - k * 5.0f, x + 6, 470 - k * 8.0f, 2, Hex(0x3A3240));
            c.Glow(x + 3, 262 - k * 5.0f, 40, Hex(0xFFD9A0), 0.5f);
        }
    } else if (kind == "library") {
        Library(c, PaletteFor(kNoon), seed);
    } else if (kind == "cape") {
        Cape(c, PaletteFor(kNoon), seed, true, false);
    } else if (kind == "night-sea") {
        Cape(c, PaletteFor(kNight), seed, true, false);
    } else if (kind == "shopping-street") {
        Street(c, PaletteFor(kNoon), seed);
    } else if (kind == "festival") {
        const Palette p = PaletteFor(kNight);
        Cape(c, p, seed, true, true);
        c.Polygon({{0, 600}, {0, 420}, {300, 470}, {520, 600}}, Hex(0x2A2236));
        Lanterns(c, 420, 500, seed, 1.0f);
    } else if (kind == "minato-room") {
        Room(c, PaletteFor(kNight), seed);
    } else {
        throw std::runtime_error("unknown background '" + kind + "'");
    }
    return c;
}

Canvas RealCg(const PictureRecipe& r) {
    Canvas c(kW, kH);
    const std::string& kind = Arg(r, 0);
    const std::uint32_t seed = SeedOf(r);
    if (kind == "station-welcome") {
        Station(c, PaletteFor(kMorning), seed);
        DrawFigure(c, "haruka", "smile", 420, 90, 1.15f);
        c.Line(530, 420, 600, 250, 34, Hex(0xF6F7FB)); // a raised, waving arm
        c.Circle(604, 238, 22, Hex(0xFBE3D2));
        Petals(c, seed, 70, 0.9f);
        c.Glow(180, 200, 300, Hex(0xFFF4D6), 0.3f);
    } else if (kind == "cape-photo") {
        const bool sunset = Arg(r, 1) == "sunset";
        const Palette p = PaletteFor(sunset ? kEvening : kNoon);
        Cape(c, p, seed, true, false);
        DrawFigure(c, "minato", "smile", 190, 200, 0.75f);
        if (sunset) {
            c.Grade(Hex(0xFFB080), 0.35f, 1.0f);
        }
        // Viewfinder corners: the picture as Minato's camera sees it.
        for (int cx : {40, 760}) {
            for (int cy : {40, 560}) {
                const float dx = cx < 400 ? 40.0f : -40.0f, dy = cy < 300 ? 40.0f : -40.0f;
                c.Line(cx, cy, cx + dx, cy, 4, Hex(0xFFFFFF), 0.85f);
                c.Line(cx, cy, cx, cy + dy, 4, Hex(0xFFFFFF), 0.85f);
            }
        }
    } else if (kind == "radio-booth") {
        RadioBooth(c, PaletteFor(kNoon), seed);
        DrawFigure(c, "haruka", "smile", 400, 60, 1.0f);
        c.Line(400, 600, 400, 470, 8, Hex(0x2A2A2E));
        c.Ellipse(400, 450, 30, 42, Hex(0x3A3A42));
        for (int k = -2; k <= 2; ++k) {
            c.Line(374, 450 + k * 12.0f, 426, 450 + k * 12.0f, 2, Hex(0x6A6A72));
        }
    } else if (kind == "library-diary") {
        Library(c, PaletteFor(kNoon), seed);
        DrawFigure(c, "chiaki", "smile", 560, 60, 0.9f);
        c.Polygon({{120, 600}, {160, 430}, {400, 410}, {640, 430}, {680, 600}}, Hex(0xEDE3C8));
        c.Line(400, 410, 400, 600, 3, Hex(0xB8A888));
        for (int k = 0; k < 7; ++k) {
            c.Line(190, 460 + k * 18.0f, 380, 452 + k * 18.0f, 2, Hex(0x6A5A48), 0.6f);
            c.Line(420, 452 + k * 18.0f, 610, 460 + k * 18.0f, 2, Hex(0x6A5A48), 0.6f);
        }
        c.Glow(400, 300, 380, Hex(0xFFF2D0), 0.25f);
    } else if (kind == "lighthouse") {
        const bool lit = Arg(r, 1) == "lit";
        const Palette p = PaletteFor(kNight);
        Sky(c, p, 420, seed);
        Sea(c, p, 420, seed);
        c.Polygon({{0, 600}, {0, 520}, {300, 470}, {560, 480}, {800, 540}, {800, 600}}, Hex(0x10142A));
        Lighthouse(c, 400, 490, 380, p, lit);
        for (int k = 0; k < 3; ++k) {
            const float x = 250 + k * 40.0f;
            c.Circle(x, 520, 9, Hex(0x05070F));
            c.RoundRect(x - 10, 528, x + 10, 575, 6, Hex(0x05070F));
        }
    } else if (kind == "festival") {
        const bool fireworks = Arg(r, 0) == "festival" && Arg(r, 1) == "fireworks";
        const Palette p = PaletteFor(kNight);
        Sky(c, p, 380, seed);
        Sea(c, p, 380, seed);
        Lighthouse(c, 700, 400, 200, p, true);
        if (fireworks) {
            Fireworks(c, 260, 150, 110, Hex(0xFF7A9A), seed);
            Fireworks(c, 520, 110, 80, Hex(0x7AD0FF), seed + 1);
            Fireworks(c, 400, 240, 60, Hex(0xFFE07A), seed + 2);
        }
        c.Polygon({{0, 600}, {0, 380}, {400, 430}, {800, 470}, {800, 600}}, Hex(0x2A2236));
        Lanterns(c, 380, 450, seed, 1.2f);
        DrawFigure(c, "haruka", "smile", 300, 260, 0.62f);
        DrawFigure(c, "minato", "smile", 500, 250, 0.64f);
    } else {
        throw std::runtime_error("unknown event picture '" + kind + "'");
    }
    Vignette(c, 0.35f);
    return c;
}

} // namespace

Canvas PaintPhoto(int number, int cell_index, int variant) {
    Canvas c(kW, kH);
    const std::uint32_t seed = 0x5EA5u + static_cast<std::uint32_t>(cell_index) * 7919u;
    const PhotoSubject subject = PhotoSubjectOf(cell_index, variant);
    Outdoor(c, subject.place, PaletteFor(subject.time), seed);
    // Later variants of a cell are the same place at another hour, a little closer in.
    if (variant > 0) {
        c.Grade(variant % 2 ? Hex(0xFFE0C0) : Hex(0xC0D8FF), 0.15f, 1.0f);
    }
    Vignette(c, 0.45f);
    Grain(c, 0xF11Au + static_cast<std::uint32_t>(number), 10.0f);
    return c;
}

Canvas PaintScenery(const PictureRecipe& recipe, const PaintContext&) {
    if (recipe.recipe == "background") {
        return Background(recipe);
    }
    if (recipe.recipe == "cg") {
        return RealCg(recipe);
    }
    throw std::runtime_error("picture " + std::to_string(recipe.number) + ": unknown recipe '" + recipe.recipe + "'");
}

} // namespace hk::demo
