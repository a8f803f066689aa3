// Text on surfaces: fonts named as the game names them ("ＭＳ ゴシック", "ＭＳ Ｐゴシック"),
// resolved through fontconfig to an installed Japanese face and rasterised with FreeType, so the
// engine's text looks the same headless and in a window. Sizes follow the Windows convention;
// measurement sums advance widths as the game's layout expects; drawing is anti-aliased, one
// colour, clear background, and deterministic. Rendered glyphs are cached per face, size and
// character. All functions may be called from any thread (one lock guards the caches).
#pragma once

#include "gfx/bitmap.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace hk {

// A font as the game describes one. height follows the Windows convention: positive = cell
// height in pixels (ascent + descent), negative = character (em) height, 0 = the default
// (12 points, i.e. -16).
struct Font {
    std::string face = "ＭＳ ゴシック"; // UTF-8
    int height = -16;
    bool bold = false;
    bool italic = false;
    Color color = kBlack; // 0x00BBGGRR

    // height = -round(points * 96 / 72): a size in points on a 96 dpi display.
    static Font FromPoints(std::string face, int points, Color color = kBlack);
    // The size in points, rounded; a cell height counts as a character height here.
    int Points() const;
    bool operator==(const Font&) const = default;
};

class FontError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Loads the aliases that map the game's face names (and their Latin spellings "MS Gothic",
// "MS PGothic") onto the installed Japanese Gothic faces into fontconfig's current
// configuration. Call once at start-up before any toolkit builds its fonts; later calls do
// nothing. Resolving a face calls it too.
void InstallFontAliases();

struct ResolvedFace {
    std::string family; // the installed family, e.g. "IPAGothic"
    std::string file;
    int index = 0;
};

// The installed face that stands for a face name. Throws FontError when fontconfig offers
// nothing with Japanese characters (naming the face and the package that provides one).
ResolvedFace ResolveFace(const std::string& face);

struct FontMetrics {
    int ascent = 0;  // pixels from the top of the cell to the baseline
    int descent = 0; // pixels below the baseline
    int cell_height = 0;
    double em = 0; // the pixel size glyphs are rendered at
};
FontMetrics GetFontMetrics(const Font& font);

struct TextSize {
    int cx = 0; // sum of the advance widths
    int cy = 0; // the cell height, also for an empty string
    bool operator==(const TextSize&) const = default;
};
TextSize TextExtent(const Font& font, std::u32string_view text);
TextSize TextExtent(const Font& font, std::string_view utf8);

// Draws text with the top of its cell at (x, y) in font.color over whatever is there, clipped
// to the surface. Coverage blends each colour byte as (old * (255 - a) + colour * a) / 255,
// rounded; the fourth byte is left alone. On a one-byte surface the blue of the colour is used.
void DrawText(Bitmap& surface, int x, int y, const Font& font, std::u32string_view text);
void DrawText(Bitmap& surface, int x, int y, const Font& font, std::string_view utf8);

} // namespace hk
