// The interface pictures: message window frame and reveal rule, the full-screen choice sheet,
// the in-game parts sheet (floating window and wait icon), the title, album and music-room
// screens with their highlight sheets, the album pages and the six wipe rules. Every picture
// is drawn so that the engine's fixed hit areas and copy rectangles land on what they show.
#include "tools/demo_pictures.h"
#include "tools/demo_text.h"

#include <numbers>
#include <stdexcept>

namespace hk::demo {

namespace {

constexpr int kW = 800, kH = 600;
constexpr float kPi = std::numbers::pi_v<float>;
// The colour the engine treats as "not there" in the wait icon, the album frame and the
// floating window's outline: pixels of exactly this colour are skipped.
constexpr Rgb kKey = {255, 0, 255};

const Rgb kInk = Hex(0x1E2A4A);

// Sets pixels whose coverage is below one half to the key colour exactly and the rest to their
// painted colour fully, so no edge pixel mixes with the key (a mixed pixel would show as a
// purple fringe where the key is cut out).
void HardenAgainstKey(Canvas& c, int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (c.Coverage(x, y) < 0.5f) {
                c.Set(x, y, kKey);
            }
        }
    }
}

// A canvas whose coverage is reset, so shapes drawn next report their own coverage.
Canvas KeyCanvas(int w, int h) {
    Canvas c(w, h, kKey);
    c.FillCoverage(0.0f);
    return c;
}

// --- the message window ------------------------------------------------------------------------

Canvas MessageRule() {
    // Rule values per text line k (1..3): 106 (k - 1) plus up to 80 from left to right. The
    // reveal runs 85 levels per line through a 64-level soft edge, so each line sweeps in from
    // the left while the one before it finishes.
    Canvas c(kW, 176);
    for (int y = 0; y < 176; ++y) {
        const int line = y < 90 ? 0 : y < 118 ? 1 : 2;
        for (int x = 0; x < kW; ++x) {
            const float v = 106.0f * line + 80.0f * x / (kW - 1);
            c.Set(x, y, {v, v, v});
        }
    }
    return c;
}

void WindowPanel(Canvas& c, float x0, float y0, float x1, float y1, float opacity) {
    const float top = y0, bottom = y1;
    c.Fill(
        x0, y0, x1, y1, [=](float x, float y) { return SdRoundRect(x, y, x0, y0, x1, y1, 14); },
        [=](float, float y) { return Mix(Hex(0x27355E), Hex(0x101733), Clamp01((y - top) / (bottom - top))); },
        opacity);
    // A thin light border just inside the edge.
    c.FillSolid(
        x0, y0, x1, y1,
        [=](float x, float y) { return std::abs(SdRoundRect(x, y, x0 + 4, y0 + 4, x1 - 4, y1 - 4, 11)) - 1.0f; },
        Hex(0xC8DAF5), 0.9f);
}

void Petal(Canvas& c, float x, float y, float size, float angle, Rgb color, float opacity) {
    for (int k = 0; k < 5; ++k) {
        const float a = angle + k * 2 * kPi / 5;
        c.Ellipse(x + std::cos(a) * size * 0.55f, y + std::sin(a) * size * 0.55f, size * 0.45f, size * 0.45f, color,
                  opacity);
    }
    c.Circle(x, y, size * 0.22f, Hex(0xFFE3A0), opacity);
}

Canvas MessageFrame() {
    Canvas c(kW, 176, Hex(0x101733));
    WindowPanel(c, 8, 6, 792, 172, 0.78f);
    Petal(c, 770, 24, 12, 0.3f, Hex(0xF6B6C8), 1.0f);
    Petal(c, 748, 16, 7, 1.1f, Hex(0xF9CCD8), 1.0f);
    return c;
}

Canvas ChoiceSheet(const Interface& words) {
    Canvas c(kW, kH, Hex(0x0C1126));
    c.FillCoverage(0.0f);
    c.Fill(
        0, 0, kW, kH, [](float, float) { return -10.0f; },
        [](float, float y) { return Mix(Hex(0x1A2450), Hex(0x0A0E22), y / kH); }, 0.45f);
    WindowPanel(c, 90, 28, 710, 572, 0.75f);
    DrawLabel(c, words.Text("choice.heading"), 400, 2, {.size = 20, .top = Hex(0xFFFFFF), .bottom = Hex(0xD8E4FF)},
              Align::Center);
    Petal(c, 690, 50, 14, 0.2f, Hex(0xF6B6C8), 1.0f);
    return c;
}

// --- the in-game parts sheet: floating window and wait icon -------------------------------------

void FloatingWindow(Canvas& sheet, const Interface& words) {
    Canvas strip = KeyCanvas(kW, 176);
    strip.Fill(
        4, 4, 796, 172, [](float x, float y) { return SdRoundRect(x, y, 4, 4, 796, 172, 18); },
        [](float, float y) { return Mix(Hex(0x2C3C6A), Hex(0x121A38), y / 176.0f); });
    HardenAgainstKey(strip, 0, 0, kW, 176);
    strip.FillSolid(
        4, 4, 796, 172, [](float x, float y) { return std::abs(SdRoundRect(x, y, 9, 9, 791, 167, 14)) - 1.0f; },
        Hex(0xC8DAF5), 0.9f);
    // The text area (where clicks advance); the rim outside it is where the window is dragged.
    strip.RoundRect(13, 29, 786, 162, 8, Hex(0x0E1530), 0.55f);
    DrawLabel(strip, words.Text("game.title"), 24, 7,
              {.size = 16, .top = Hex(0xFFE6F0), .bottom = Hex(0xF6B6C8), .outline_width = 1.5f, .shadow = 0});
    Petal(strip, 770, 16, 9, 0.4f, Hex(0xF6B6C8), 1.0f);
    sheet.Paste(strip, 0, 424);
}

void WaitIcons(Canvas& sheet) {
    for (int f = 0; f < 8; ++f) {
        Canvas cell = KeyCanvas(32, 32);
        const float bounce = 2.5f * std::sin(f * 2 * kPi / 8);
        const float angle = f * 2 * kPi / 40;
        // A dark rim first, so the hard edge against the key reads as a clean outline.
        for (int k = 0; k < 5; ++k) {
            const float a = angle + k * 2 * kPi / 5;
            cell.Circle(16 + std::cos(a) * 6.5f, 17 + bounce + std::sin(a) * 6.5f, 6.5f, Hex(0x3A1E2E));
        }
        for (int k = 0; k < 5; ++k) {
            const float a = angle + k * 2 * kPi / 5;
            cell.Circle(16 + std::cos(a) * 6.5f, 17 + bounce + std::sin(a) * 6.5f, 5.0f, Hex(0xF7B4C8));
        }
        cell.Circle(16, 17 + bounce, 3.0f, Hex(0xFFE08A));
        HardenAgainstKey(cell, 0, 0, 32, 32);
        sheet.Paste(cell, 32 * f, 32);
    }
}

Canvas Parts(const Interface& words) {
    Canvas c(kW, kH, Hex(0x202840));
    WaitIcons(c);
    FloatingWindow(c, words);
    return c;
}

// --- menus: title, album menu, music room ---------------------------------------------------

struct Entry {
    int x, y, w, h;
    std::string text;
};

LabelStyle MenuStyle(bool highlighted, int size = 22) {
    LabelStyle s;
    s.size = size;
    s.top = highlighted ? Hex(0xFFF6C8) : Hex(0xFFFFFF);
    s.bottom = highlighted ? Hex(0xFFC6D8) : Hex(0xD8E6FF);
    s.outline = highlighted ? Hex(0x7A2E4E) : kInk;
    s.outline_width = 2.5f;
    return s;
}

// Draws entries in their normal or highlighted look. A highlight fills its whole rectangle, so
// the copy of that rectangle onto the normal picture shows no seam.
void DrawEntries(Canvas& c, const std::vector<Entry>& entries, bool highlighted, Align align, int size = 22) {
    for (const Entry& e : entries) {
        if (highlighted) {
            const float x0 = e.x, y0 = e.y, x1 = e.x + e.w, y1 = e.y + e.h;
            c.Fill(
                x0, y0, x1, y1, [=](float x, float y) { return SdRoundRect(x, y, x0, y0, x1, y1, 0.5f); },
                [=](float x, float) {
                    const float t = std::abs((x - x0) / (x1 - x0) - 0.5f) * 2;
                    return Mix(Hex(0xF58BB0), Hex(0x8A5AB8), t * t);
                },
                0.55f);
            c.Line(x0 + 4, y1 - 3, x1 - 4, y1 - 3, 2, Hex(0xFFF2C0), 0.9f);
        }
        const LabelStyle style = MenuStyle(highlighted, size);
        const int ty = e.y + (e.h - size) / 2 - 2;
        if (align == Align::Center) {
            DrawLabel(c, e.text, e.x + e.w / 2.0f, ty, style, Align::Center);
        } else {
            DrawLabel(c, e.text, e.x + 6, ty, style, Align::Left);
        }
    }
}

std::vector<Entry> MenuColumn(const Interface& words, const char* const keys[4]) {
    return {{640, 370, 130, 40, words.Text(keys[0])},
            {640, 410, 130, 40, words.Text(keys[1])},
            {640, 450, 130, 40, words.Text(keys[2])},
            {640, 490, 130, 41, words.Text(keys[3])}};
}

Canvas TitleBackdrop(const Interface& words) {
    Canvas c(kW, kH);
    c.VerticalGradient(0, 0, kW, 380, {{0, Hex(0x5E9AD6)}, {0.55f, Hex(0xA9D2EE)}, {1, Hex(0xFBE6D4)}});
    for (int y = 0; y < 330; ++y) {
        for (int x = 0; x < kW; ++x) {
            const float n = Fbm(x / 190.0f, y / 60.0f, 77, 4);
            const float a = SmoothStep(0.55f, 0.75f, n) * (1 - std::abs(y / 330.0f - 0.5f) * 1.4f);
            if (a > 0) {
                c.Blend(x, y, Hex(0xFFFFFF), a * 0.8f);
            }
        }
    }
    c.Glow(150, 120, 300, Hex(0xFFF6DC), 0.5f);
    c.VerticalGradient(0, 380, kW, kH, {{0, Hex(0x8CC6E4)}, {1, Hex(0x25628E)}});
    Rng rng(91);
    for (int i = 0; i < 220; ++i) {
        const float y = 380 + std::pow(rng.Uniform(0, 1), 1.5f) * 220, x = rng.Uniform(0, kW);
        c.Line(x, y, x + 8 + (y - 380) * 0.2f, y, 1.5f, Hex(0xFFFFFF), 0.3f);
    }
    // The cape and its lighthouse on the left.
    c.Polygon({{0, 600}, {0, 330}, {60, 320}, {170, 350}, {260, 420}, {330, 600}}, Hex(0x567E4A));
    c.Polygon({{0, 340}, {60, 330}, {170, 360}, {250, 420}, {200, 430}, {90, 380}, {0, 380}}, Hex(0x7FA866));
    // Tower: white with red bands.
    c.Polygon({{88, 330}, {102, 160}, {128, 160}, {142, 330}}, Hex(0xF6F2EA));
    c.Polygon({{95, 255}, {99, 220}, {131, 220}, {135, 255}}, Hex(0xD24A40));
    c.Polygon({{91, 305}, {93, 285}, {137, 285}, {139, 305}}, Hex(0xD24A40));
    c.RoundRect(98, 132, 132, 160, 3, Hex(0xBFD8EE));
    c.Polygon({{94, 132}, {115, 112}, {136, 132}}, Hex(0xD24A40));
    // Drifting petals.
    for (int i = 0; i < 60; ++i) {
        // The draws are made one by one, last argument first, as the pictures were first painted: a
        // call's arguments have no fixed order of evaluation, and compilers differ in it.
        const float opacity = rng.Uniform(0.5f, 0.95f), angle = rng.Uniform(0, 6), size = rng.Uniform(3, 8);
        const float y = rng.Uniform(0, kH), x = rng.Uniform(0, kW);
        Petal(c, x, y, size, angle, Hex(0xF9C6D6), opacity);
    }
    // The title lettering.
    LabelStyle big;
    big.size = 72;
    big.top = Hex(0xFFFFFF);
    big.bottom = Hex(0xFFD6E4);
    big.outline = Hex(0x3A4E86);
    big.outline_width = 4.0f;
    big.shadow = 0.45f;
    DrawLabel(c, words.Text("game.title"), 470, 120, big, Align::Center);
    LabelStyle sub;
    sub.size = 22;
    sub.top = Hex(0x2E4A86);
    sub.bottom = Hex(0x2E4A86);
    sub.outline = Hex(0xFFFFFF);
    sub.outline_width = 2.0f;
    sub.shadow = 0;
    DrawLabel(c, words.Text("game.subtitle"), 470, 210, sub, Align::Center);
    // A soft plate behind the menu column.
    c.RoundRect(626, 358, 784, 542, 16, Hex(0x1E2A4A), 0.35f, 2);
    return c;
}

// A collage of photos for the album menu.
Canvas AlbumBackdrop(const Interface& words, const PaintContext& context) {
    Canvas c(kW, kH);
    c.VerticalGradient(0, 0, kW, kH, {{0, Hex(0xF3E6D3)}, {1, Hex(0xD9C3A5)}});
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const float n = Fbm(x / 90.0f, y / 90.0f, 12, 3) - 0.5f;
            const Rgb v = c.Get(x, y);
            c.Set(x, y, {v.r + n * 18, v.g + n * 16, v.b + n * 12});
        }
    }
    Rng rng(2024);
    // The pictures drawn as real scenes come first, then the photos in album order.
    std::vector<const Canvas*> shown;
    for (const PictureRecipe& r : context.book->recipes) {
        if (r.recipe == "cg" && context.thumbnails.contains(r.number)) {
            shown.push_back(&context.thumbnails.at(r.number));
        }
    }
    for (const CgPlace& place : CgPlaces(context.book->album)) {
        if (context.thumbnails.contains(place.number)) {
            shown.push_back(&context.thumbnails.at(place.number));
        }
    }
    int i = 0;
    for (const Canvas* picture : shown) {
        const Canvas& thumb = *picture;
        if (i >= 9) {
            break;
        }
        const float x = 40 + (i % 3) * 185 + rng.Uniform(-10, 10), y = 60 + (i / 3) * 160 + rng.Uniform(-8, 8);
        c.RoundRect(x + 5, y + 6, x + 175, y + 143, 3, Hex(0x000000), 0.25f, 4);
        c.RoundRect(x, y, x + 170, y + 137, 2, Hex(0xFFFDF7));
        c.Paste(thumb, static_cast<int>(x) + 10, static_cast<int>(y) + 10);
        ++i;
    }
    DrawLabel(
        c, words.Text("album.heading"), 30, 12,
        {.size = 34, .top = Hex(0xFFFFFF), .bottom = Hex(0xFFE0EA), .outline = Hex(0x7A4E3A), .outline_width = 3});
    c.RoundRect(626, 358, 784, 542, 16, Hex(0x3A2A1E), 0.45f, 2);
    return c;
}

Canvas MusicBackdrop(const Interface& words) {
    Canvas c(kW, kH);
    c.VerticalGradient(0, 0, kW, kH, {{0, Hex(0x141C3E)}, {0.6f, Hex(0x2E2A5E)}, {1, Hex(0x5A3E6E)}});
    Rng rng(5);
    for (int i = 0; i < 150; ++i) {
        // The draws are made one by one, last argument first, as the pictures were first painted: a
        // call's arguments have no fixed order of evaluation, and compilers differ in it.
        const float opacity = rng.Uniform(0.2f, 0.8f), r = rng.Uniform(0.5f, 1.5f);
        const float y = rng.Uniform(0, kH), x = rng.Uniform(0, kW);
        c.Circle(x, y, r, Hex(0xFFFFFF), opacity);
    }
    // Staff lines sweeping across, and a few notes.
    for (int k = 0; k < 5; ++k) {
        for (int x = 0; x < kW; x += 2) {
            const float y = 60 + k * 12 + 40 * std::sin(x / 160.0f);
            c.Circle(static_cast<float>(x), y, 0.9f, Hex(0xBFC8F0), 0.35f);
        }
    }
    for (int k = 0; k < 6; ++k) {
        const float x = 560 + k * 38.0f, y = 96 + 30 * std::sin(k * 1.3f);
        c.Ellipse(x, y, 8, 6, Hex(0xF6B6C8), 0.8f);
        c.Line(x + 7, y, x + 7, y - 34, 2, Hex(0xF6B6C8), 0.8f);
    }
    DrawLabel(
        c, words.Text("music.heading"), 30, 20,
        {.size = 36, .top = Hex(0xFFFFFF), .bottom = Hex(0xC8D6FF), .outline = Hex(0x1A1A40), .outline_width = 3});
    // The record the tracks stand beside.
    c.Circle(640, 360, 120, Hex(0x101018));
    for (int r = 40; r < 118; r += 6) {
        c.FillSolid(
            520, 240, 760, 480, [r](float x, float y) { return std::abs(SdCircle(x, y, 640, 360, r)) - 0.6f; },
            Hex(0x3A3A4A), 0.6f);
    }
    c.Circle(640, 360, 36, Hex(0xF6B6C8));
    c.Circle(640, 360, 5, Hex(0x101018));
    return c;
}

std::vector<Entry> MusicEntries(const PaintContext& context, const Interface& words) {
    static const int kRect[10][4] = {{200, 100, 150, 40}, {200, 150, 100, 40}, {200, 190, 130, 40}, {210, 240, 110, 40},
                                     {220, 280, 160, 40}, {240, 320, 130, 40}, {260, 370, 100, 40}, {270, 410, 110, 40},
                                     {290, 450, 110, 40}, {330, 490, 200, 40}};
    std::vector<Entry> entries;
    for (int i = 0; i < 10; ++i) {
        const std::string title =
            i < static_cast<int>(context.track_titles.size()) ? context.track_titles[i] : std::to_string(i + 1);
        entries.push_back({kRect[i][0], kRect[i][1], kRect[i][2], kRect[i][3], title});
    }
    entries.push_back({0, 560, 120, 40, words.Text("page.back")});
    return entries;
}

void TrackNumbers(Canvas& c, const std::vector<Entry>& entries) {
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        std::string n = std::to_string(i + 1);
        if (n.size() < 2)
            n.insert(n.begin(), '0');
        DrawLabel(c, n, entries[i].x - 8, entries[i].y + 11,
                  {.size = 16,
                   .top = Hex(0xF6B6C8),
                   .bottom = Hex(0xF6B6C8),
                   .outline = Hex(0x1A1A40),
                   .outline_width = 1.5f,
                   .shadow = 0},
                  Align::Right);
    }
}

// --- album pages -------------------------------------------------------------------------------

const std::vector<Entry> PageButtons(const Interface& words) {
    return {{20, 560, 80, 30, words.Text("page.back")},
            {330, 560, 60, 30, words.Text("page.prev")},
            {390, 560, 60, 30, words.Text("page.next")}};
}

// The part of every album page that does not depend on the page (the button row included), so
// the highlight sheet and the pages agree wherever the engine copies a button.
Canvas PageBase(const Interface& words, bool highlighted_buttons) {
    Canvas c(kW, kH);
    c.VerticalGradient(0, 0, kW, kH, {{0, Hex(0x2E3A5E)}, {1, Hex(0x1A2240)}});
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const float n = Fbm(x / 120.0f, y / 120.0f, 31, 3) - 0.5f;
            const Rgb v = c.Get(x, y);
            c.Set(x, y, {v.r + n * 14, v.g + n * 14, v.b + n * 18});
        }
    }
    c.RoundRect(8, 64, 486, 556, 10, Hex(0x0E1428), 0.45f, 2);
    c.RoundRect(500, 64, 792, 556, 10, Hex(0x0E1428), 0.3f, 2);
    c.RoundRect(14, 556, 456, 596, 8, Hex(0x0E1428), 0.5f, 2);
    DrawEntries(c, PageButtons(words), highlighted_buttons, Align::Center, 18);
    return c;
}

void CellFrame(Canvas& c, int cell, const Canvas* thumbnail, const std::string& caption) {
    const int x = 19 + 153 * (cell % 3), y = 76 + 120 * (cell / 3);
    if (thumbnail == nullptr) {
        c.RoundRect(x, y, x + 150, y + 113, 4, Hex(0x000000), 0.25f);
        c.FillSolid(
            x, y, x + 150, y + 113,
            [=](float px, float py) { return std::abs(SdRoundRect(px, py, x + 3, y + 3, x + 147, y + 110, 4)) - 0.8f; },
            Hex(0x8A96B8), 0.6f);
        return;
    }
    c.RoundRect(x + 3, y + 4, x + 153, y + 117, 3, Hex(0x000000), 0.4f, 3);
    c.Paste(*thumbnail, x, y);
    if (!caption.empty()) {
        c.RoundRect(x, y + 93, x + 150, y + 113, 0, Hex(0x0E1428), 0.55f);
        DrawLabel(c, caption, x + 146, y + 95, {.size = 14, .outline_width = 1.5f, .shadow = 0}, Align::Right);
    }
}

Canvas AlbumPage(const PictureRecipe& r, const PaintContext& context, bool scenes) {
    const Interface& words = *context.words;
    if (r.args.size() != 1) {
        throw std::runtime_error("album page " + std::to_string(r.number) + " needs its page number");
    }
    const int page = std::stoi(r.args[0]) - 1;
    if (page < 0 || page > 7) {
        throw std::runtime_error("album page " + std::to_string(r.number) + ": page must be 1..8");
    }
    Canvas c = context.page_bases.size() == 2 ? context.page_bases[0] : PageBase(words, false);
    DrawLabel(c, words.Text(scenes ? "scene.heading" : "cg.heading"), 24, 14,
              {.size = 32, .top = Hex(0xFFFFFF), .bottom = Hex(0xD8E4FF), .outline = kInk, .outline_width = 3});
    DrawLabel(c, std::to_string(page + 1) + " / 8", 470, 24,
              {.size = 24, .top = Hex(0xF6B6C8), .bottom = Hex(0xF6B6C8), .outline = kInk}, Align::Right);
    for (int cell = 0; cell < 12; ++cell) {
        const auto& variants = context.book->album.cg[page][cell];
        const int scene = context.book->album.scenes[page][cell];
        if (scenes ? scene == 0 : variants.empty()) {
            CellFrame(c, cell, nullptr, "");
            continue;
        }
        // Scene cells show the picture of the CG cell at the same place: each memory of the scene
        // album is the moment of that photo.
        const int picture = scenes ? context.replay_picture.at(scene) : variants.front();
        const auto thumb = context.thumbnails.find(picture);
        if (thumb == context.thumbnails.end()) {
            throw std::runtime_error("album page " + std::to_string(r.number) + ": no thumbnail of graphic " +
                                     std::to_string(picture));
        }
        const std::string caption = scenes                ? "No." + std::to_string(scene)
                                    : variants.size() > 1 ? std::to_string(variants.size()) + "枚"
                                                          : "";
        CellFrame(c, cell, &thumb->second, caption);
    }
    // The right-hand side: what the page holds.
    int y = 90;
    for (int cell = 0; cell < 12 && y < 540; ++cell) {
        const int global = page * 12 + cell;
        const int scene = context.book->album.scenes[page][cell];
        if (scenes ? scene == 0 : context.book->album.cg[page][cell].empty()) {
            continue;
        }
        const std::string text = scenes ? context.replay_titles.at(scene)
                                        : MemoryTitle(words, context.book->album.cg[page][cell].front(), global, 0);
        DrawLabel(c, std::to_string(cell + 1) + ". " + text, 520, y,
                  {.size = 17,
                   .top = Hex(0xE8EEFF),
                   .bottom = Hex(0xC8D2F0),
                   .outline = kInk,
                   .outline_width = 1.5f,
                   .shadow = 0});
        y += 37;
    }
    return c;
}

Canvas AlbumParts(const PaintContext& context) {
    const Interface& words = *context.words;
    Canvas c = context.page_bases.size() == 2 ? context.page_bases[1] : PageBase(words, true);
    // The lock tile, 150 x 113 at (10, 10).
    c.Fill(
        10, 10, 160, 123, [](float x, float y) { return SdRoundRect(x, y, 10, 10, 160, 123, 1); },
        [](float x, float y) { return Mix(Hex(0x4A5478), Hex(0x242A44), Clamp01((x + y - 20) / 260.0f)); });
    for (int k = -8; k < 16; ++k) {
        c.Line(10 + k * 14.0f, 123, 10 + k * 14.0f + 113, 10, 1, Hex(0xFFFFFF), 0.05f);
    }
    c.FillSolid(
        70, 36, 100, 70, [](float x, float y) { return std::abs(SdRoundRect(x, y, 74, 40, 96, 70, 10)) - 3.0f; },
        Hex(0xC8D2F0));
    c.RoundRect(66, 56, 104, 86, 4, Hex(0xC8D2F0));
    c.Circle(85, 68, 4, Hex(0x242A44));
    c.RoundRect(83, 68, 87, 78, 1, Hex(0x242A44));
    DrawLabel(c, words.Text("page.locked"), 85, 92,
              {.size = 16, .top = Hex(0xC8D2F0), .bottom = Hex(0xA8B2D0), .outline_width = 0, .shadow = 0},
              Align::Center);
    // The highlight frame, 160 x 120 at (170, 10): a bright rim with the key colour inside.
    Canvas frame = KeyCanvas(160, 120);
    frame.FillSolid(
        0, 0, 160, 120, [](float x, float y) { return -SdRoundRect(x, y, 4, 4, 154, 115, 3); }, Hex(0xFFD86A));
    frame.FillSolid(
        0, 0, 160, 120, [](float x, float y) { return std::abs(SdRoundRect(x, y, 0, 0, 160, 120, 6)) - 1.5f; },
        Hex(0xFFFFFF));
    HardenAgainstKey(frame, 0, 0, 160, 120);
    c.Paste(frame, 170, 10);
    return c;
}

// --- wipe rules --------------------------------------------------------------------------------

Canvas Rule(const PictureRecipe& r) {
    if (r.args.size() != 1) {
        throw std::runtime_error("rule " + std::to_string(r.number) + " needs its kind");
    }
    const std::string& kind = r.args[0];
    Canvas c(kW, kH);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            float v = 0;
            const float dx = (x + 0.5f - kW / 2.0f) / (kW / 2.0f), dy = (y + 0.5f - kH / 2.0f) / (kH / 2.0f);
            if (kind == "left-to-right") {
                v = x / (kW - 1.0f);
            } else if (kind == "top-to-bottom") {
                v = y / (kH - 1.0f);
            } else if (kind == "radial") {
                v = std::hypot(dx * 4, dy * 3) / 5.0f;
            } else if (kind == "diamond") {
                v = (std::abs(dx) + std::abs(dy)) / 2.0f;
            } else if (kind == "blinds") {
                v = (y % 40) / 40.0f * 0.85f + x / (kW - 1.0f) * 0.15f;
            } else if (kind == "dissolve") {
                v = Hash01(4646, x / 2, y / 2);
            } else {
                throw std::runtime_error("rule " + std::to_string(r.number) + ": unknown kind '" + kind + "'");
            }
            const float g = Clamp01(v) * 255.0f;
            c.Set(x, y, {g, g, g});
        }
    }
    return c;
}

GraphicFile Plain(const PictureRecipe& r, const Canvas& c) {
    return Encode(r.number, r.format, c, nullptr);
}

GraphicFile Masked(const PictureRecipe& r, const Canvas& c) {
    return Encode(r.number, r.format, c, &c);
}

} // namespace

void PreparePageBases(PaintContext& context) {
    context.page_bases.clear();
    context.page_bases.push_back(PageBase(*context.words, false));
    context.page_bases.push_back(PageBase(*context.words, true));
}

GraphicFile PaintInterface(const PictureRecipe& r, const PaintContext& context) {
    const Interface& words = *context.words;
    static const char* const kTitle[4] = {"title.start", "title.load", "title.quit", "title.album"};
    static const char* const kAlbum[4] = {"album.cg", "album.scene", "album.music", "album.back"};
    const std::string& k = r.recipe;
    if (k == "message-rule") {
        return Plain(r, MessageRule());
    }
    if (k == "message-frame") {
        return Masked(r, MessageFrame());
    }
    if (k == "choice-sheet") {
        return Masked(r, ChoiceSheet(words));
    }
    if (k == "parts") {
        return Plain(r, Parts(words));
    }
    if (k == "title" || k == "title-highlight") {
        Canvas c = TitleBackdrop(words);
        DrawEntries(c, MenuColumn(words, kTitle), k == "title-highlight", Align::Center);
        return Plain(r, c);
    }
    if (k == "album-menu" || k == "album-menu-highlight") {
        Canvas c = AlbumBackdrop(words, context);
        DrawEntries(c, MenuColumn(words, kAlbum), k == "album-menu-highlight", Align::Center, 20);
        return Plain(r, c);
    }
    if (k == "music-room" || k == "music-room-highlight") {
        Canvas c = MusicBackdrop(words);
        const auto entries = MusicEntries(context, words);
        TrackNumbers(c, entries);
        DrawEntries(c, entries, k == "music-room-highlight", Align::Left, 20);
        return Plain(r, c);
    }
    if (k == "rule") {
        return Plain(r, Rule(r));
    }
    if (k == "album-parts") {
        return Plain(r, AlbumParts(context));
    }
    if (k == "cg-page" || k == "scene-page") {
        return Plain(r, AlbumPage(r, context, k == "scene-page"));
    }
    throw std::runtime_error("picture " + std::to_string(r.number) + ": unknown recipe '" + k + "'");
}

} // namespace hk::demo
