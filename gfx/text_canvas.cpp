#include "gfx/text_canvas.h"

#include "data/unicode.h"
#include "gfx/font_lookup.h"
#include "gfx/pixel_ops_kernels.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <unordered_map>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

namespace hk {

namespace {

// Heights beyond this many pixels are refused: a glyph's bitmap grows with its square.
constexpr int kMaxFontHeight = 2048;
// The glyph caches are emptied when they pass this size (checked between calls).
constexpr std::size_t kMaxCachedGlyphBytes = 32u << 20;
constexpr std::size_t kMaxSizedFaces = 64;

int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long q = (p >= 0 ? p + c / 2 : p - c / 2) / c; // rounds half away from zero
    return static_cast<int>(q);
}

struct Glyph {
    int advance = 0; // whole pixels
    int left = 0;    // bitmap offset from the pen position
    int top = 0;     // bitmap top above the baseline
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> coverage; // width * rows, 0..255
};

struct SizedFace {
    FT_Face face = nullptr;
    FontMetrics metrics;
    bool bold = false;
    bool italic = false;
    std::unordered_map<char32_t, Glyph> glyphs;

    ~SizedFace() {
        if (face)
            FT_Done_Face(face);
    }
};

using SizedKey = std::tuple<std::string, int, int, bool, bool>; // file, index, height, bold, italic

class TextEngine {
public:
    static TextEngine& Get() {
        static TextEngine engine;
        return engine;
    }

    std::mutex& Mutex() { return m_mutex; }

    const ResolvedFace& Resolve(const std::string& name);
    SizedFace& Sized(const Font& font);
    const Glyph& GlyphOf(SizedFace& sized, char32_t ch);
    // Called at the start of each public call, never while glyph references are held.
    void TrimCaches();

private:
    TextEngine() {
        if (FT_Init_FreeType(&m_library) != 0)
            throw FontError("FreeType could not be initialised");
    }
    ~TextEngine() {
        m_sized.clear();
        FT_Done_FreeType(m_library);
    }

    std::mutex m_mutex;
    FT_Library m_library = nullptr;
    std::map<std::string, ResolvedFace> m_resolved;
    std::map<SizedKey, std::unique_ptr<SizedFace>> m_sized;
    std::size_t m_glyph_bytes = 0;
};

const ResolvedFace& TextEngine::Resolve(const std::string& name) {
    if (auto it = m_resolved.find(name); it != m_resolved.end())
        return it->second;
    ResolvedFace face = LookUpFace(name);
    return m_resolved.emplace(name, std::move(face)).first->second;
}

SizedFace& TextEngine::Sized(const Font& font) {
    const int height = font.height == 0 ? -16 : font.height;
    if (height > kMaxFontHeight || height < -kMaxFontHeight)
        throw FontError("font \"" + font.face + "\": height " + std::to_string(font.height) +
                        " is out of range (at most " + std::to_string(kMaxFontHeight) + " pixels)");
    const ResolvedFace& resolved = Resolve(font.face);
    SizedKey key{resolved.file, resolved.index, height, font.bold, font.italic};
    if (auto it = m_sized.find(key); it != m_sized.end())
        return *it->second;

    auto sized = std::make_unique<SizedFace>();
    if (FT_New_Face(m_library, resolved.file.c_str(), resolved.index, &sized->face) != 0)
        throw FontError("font \"" + font.face + "\": FreeType cannot open " + resolved.file);
    FT_Face face = sized->face;
    if (!FT_IS_SCALABLE(face))
        throw FontError("font \"" + font.face + "\": " + resolved.file + " is not a scalable font");

    // The cell is the typographic ascent plus descent. For the Gothic faces this is exactly the
    // em square, as it is for the faces the game was laid out with, so a cell height of 24 gives
    // 24-pixel characters on a 24-pixel line.
    double ascender = face->ascender;
    double descender = -face->descender;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->version != 0xFFFF && os2->sTypoAscender - os2->sTypoDescender > 0) {
        ascender = os2->sTypoAscender;
        descender = -os2->sTypoDescender;
    }
    if (ascender + descender <= 0) {
        ascender = face->units_per_EM * 0.88;
        descender = face->units_per_EM * 0.12;
    }
    const double units = ascender + descender;
    FontMetrics& m = sized->metrics;
    if (height > 0) {
        m.em = height * face->units_per_EM / units;
        m.ascent = static_cast<int>(std::lround(height * ascender / units));
        m.descent = height - m.ascent;
    } else {
        m.em = -height;
        m.ascent = static_cast<int>(std::lround(m.em * ascender / face->units_per_EM));
        m.descent = static_cast<int>(std::lround(m.em * descender / face->units_per_EM));
    }
    m.cell_height = m.ascent + m.descent;
    const FT_F26Dot6 em26 = std::max<FT_F26Dot6>(64, std::lround(m.em * 64));
    if (FT_Set_Char_Size(face, 0, em26, 72, 72) != 0)
        throw FontError("font \"" + font.face + "\": FreeType cannot set height " + std::to_string(font.height));
    sized->bold = font.bold;
    sized->italic = font.italic;
    return *m_sized.emplace(std::move(key), std::move(sized)).first->second;
}

const Glyph& TextEngine::GlyphOf(SizedFace& sized, char32_t ch) {
    if (auto it = sized.glyphs.find(ch); it != sized.glyphs.end())
        return it->second;
    Glyph glyph;
    FT_Face face = sized.face;
    // A character the face lacks is drawn as its missing-glyph shape, as the platform would.
    const FT_UInt index = FT_Get_Char_Index(face, ch);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0) {
        FT_GlyphSlot slot = face->glyph;
        if (sized.italic)
            FT_GlyphSlot_Oblique(slot);
        if (sized.bold)
            FT_GlyphSlot_Embolden(slot);
        glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) {
            const FT_Bitmap& bm = slot->bitmap;
            glyph.left = slot->bitmap_left;
            glyph.top = slot->bitmap_top;
            glyph.width = static_cast<int>(bm.width);
            glyph.rows = static_cast<int>(bm.rows);
            glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(glyph.rows));
            for (int row = 0; row < glyph.rows; ++row) {
                const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(row) * bm.pitch;
                std::uint8_t* dst = glyph.coverage.data() + static_cast<std::size_t>(row) * glyph.width;
                for (int col = 0; col < glyph.width; ++col) {
                    if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                        dst[col] = (src[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
                    else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.num_grays == 256)
                        dst[col] = src[col];
                    else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.num_grays > 1)
                        dst[col] = static_cast<std::uint8_t>(src[col] * 255 / (bm.num_grays - 1));
                    else
                        dst[col] = 0;
                }
            }
        }
    }
    m_glyph_bytes += glyph.coverage.size() + sizeof(Glyph);
    return sized.glyphs.emplace(ch, std::move(glyph)).first->second;
}

void TextEngine::TrimCaches() {
    if (m_glyph_bytes > kMaxCachedGlyphBytes) {
        for (auto& [key, sized] : m_sized)
            sized->glyphs.clear();
        m_glyph_bytes = 0;
    }
    if (m_sized.size() > kMaxSizedFaces) {
        m_sized.clear();
        m_glyph_bytes = 0;
    }
}

using BlendGrey8Row = decltype(pixel_ops::RowKernels::blend_grey8);

// On one byte per pixel (the smoothed text draws every line at twice the size on a one-byte
// scratch) each row goes to the pixel path's kernel, which blends as the four-byte loop here does.
template <int kBytes>
void BlendGlyph(Bitmap& surface, int gx, int gy, const Glyph& g, const std::uint8_t (&colour)[3],
                BlendGrey8Row blend_grey8) {
    const int x0 = std::max(gx, 0), y0 = std::max(gy, 0);
    const int x1 = std::min(gx + g.width, surface.Width()), y1 = std::min(gy + g.rows, surface.Height());
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* cov = g.coverage.data() + static_cast<std::size_t>(y - gy) * g.width;
        std::uint8_t* p = surface.Row(y) + static_cast<std::size_t>(x0) * kBytes;
        if constexpr (kBytes == 1) {
            blend_grey8(cov + (x0 - gx), p, x1 - x0, colour[0]);
            continue;
        }
        for (int x = x0; x < x1; ++x, p += kBytes) {
            const unsigned a = cov[x - gx];
            if (a == 0)
                continue;
            for (int c = 0; c < std::min(kBytes, 3); ++c)
                p[c] = static_cast<std::uint8_t>((p[c] * (255 - a) + colour[c] * a + 127) / 255);
        }
    }
}

} // namespace

Font Font::FromPoints(std::string face, int points, Color color) {
    Font font;
    font.face = std::move(face);
    font.height = -MulDiv(points, 96, 72);
    font.color = color;
    return font;
}

int Font::Points() const {
    const int h = height == 0 ? -16 : height;
    return MulDiv(h < 0 ? -h : h, 72, 96);
}

ResolvedFace ResolveFace(const std::string& face) {
    TextEngine& engine = TextEngine::Get();
    std::lock_guard lock(engine.Mutex());
    return engine.Resolve(face);
}

FontMetrics GetFontMetrics(const Font& font) {
    TextEngine& engine = TextEngine::Get();
    std::lock_guard lock(engine.Mutex());
    engine.TrimCaches();
    return engine.Sized(font).metrics;
}

TextSize TextExtent(const Font& font, std::u32string_view text) {
    TextEngine& engine = TextEngine::Get();
    std::lock_guard lock(engine.Mutex());
    engine.TrimCaches();
    SizedFace& sized = engine.Sized(font);
    long long width = 0;
    for (char32_t ch : text)
        width += engine.GlyphOf(sized, ch).advance;
    return {static_cast<int>(std::min<long long>(width, INT32_MAX)), sized.metrics.cell_height};
}

TextSize TextExtent(const Font& font, std::string_view utf8) {
    return TextExtent(font, Utf8ToUtf32(utf8));
}

void DrawText(Bitmap& surface, int x, int y, const Font& font, std::u32string_view text) {
    if (!surface.HasImage() || text.empty())
        return;
    TextEngine& engine = TextEngine::Get();
    std::lock_guard lock(engine.Mutex());
    engine.TrimCaches();
    SizedFace& sized = engine.Sized(font);
    const bool grey = surface.Format() == PixelFormat::Gray8;
    const BlendGrey8Row blend_grey8 = pixel_ops::ActiveKernels().blend_grey8;
    const std::uint8_t colour[3] = {ColorBlue(font.color), ColorGreen(font.color), ColorRed(font.color)};
    const int baseline = y + sized.metrics.ascent;
    long long pen = x;
    for (char32_t ch : text) {
        if (pen > surface.Width() + kMaxFontHeight)
            break;
        const Glyph& g = engine.GlyphOf(sized, ch);
        if (!g.coverage.empty() && pen + g.left < surface.Width() && pen + g.left + g.width > 0) {
            const int gx = static_cast<int>(pen) + g.left;
            if (grey)
                BlendGlyph<1>(surface, gx, baseline - g.top, g, colour, blend_grey8);
            else
                BlendGlyph<4>(surface, gx, baseline - g.top, g, colour, blend_grey8);
        }
        pen += g.advance;
    }
}

void DrawText(Bitmap& surface, int x, int y, const Font& font, std::string_view utf8) {
    DrawText(surface, x, y, font, std::u32string_view(Utf8ToUtf32(utf8)));
}

} // namespace hk
