// The sample game's pictures, painted from the recipes in demo/pictures.txt and the captions in
// demo/interface.txt: interface sheets, wipe rules, album pages, backgrounds, characters with
// masks, and the event pictures (CGs) of the album.
#pragma once

#include "tools/demo_paint.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace hk::demo {

enum class FileFormat : std::uint8_t { Bmp = 11, Png = 12, Jpeg = 13 };

// One line of demo/pictures.txt: "NUMBER FORMAT RECIPE [ARGUMENTS...]".
struct PictureRecipe {
    int number = 0;
    FileFormat format = FileFormat::Png;
    std::string recipe;
    std::vector<std::string> args;
};

// The album layouts the pictures must follow: 8 pages x 12 cells; a CG cell lists its variants
// (empty = no cell), a scene cell its replay scene (0 = none).
struct AlbumLayout {
    std::array<std::array<std::vector<int>, 12>, 8> cg;
    std::array<std::array<int, 12>, 8> scenes{};
};

// Captions and other words of demo/interface.txt ("key text"), and the cast's voice pitches.
struct Interface {
    std::map<std::string, std::string> text; // UTF-8
    std::map<std::u32string, double> cast_pitch;
    std::vector<std::string> places; // photo subjects of the generated CGs
    std::vector<std::string> times;

    // The caption for `key`; throws naming the key when the file lacks it.
    const std::string& Text(const std::string& key) const;
};

struct PictureBook {
    std::vector<PictureRecipe> recipes;
    AlbumLayout album;
    FileFormat variant_format = FileFormat::Jpeg;
};

// Parsers; both throw std::runtime_error "source:line: message" on a mistake.
PictureBook ParsePictureRecipes(std::string_view text, std::string_view source);
Interface ParseInterface(std::string_view text, std::string_view source);

// A finished graphic for GRP.IFP: colour part and optional mask part, encoded.
struct GraphicFile {
    int number = 0;
    FileFormat format = FileFormat::Png;
    FileFormat mask_format = FileFormat::Png;
    std::vector<std::uint8_t> colour;
    std::vector<std::uint8_t> mask; // empty = no mask
};

// Everything the painters may need besides their own recipe.
struct PaintContext {
    const PictureBook* book = nullptr;
    const Interface* words = nullptr;
    std::vector<std::string> track_titles;    // music room, tracks 1..10
    std::map<int, Canvas> thumbnails;         // 150 x 113 thumbnails by graphic number
    std::map<int, int> replay_picture;        // scene-album scene -> graphic shown
    std::map<int, std::string> replay_titles; // scene-album scene -> caption
    std::vector<Canvas> page_bases;           // album page backdrop: normal and highlighted buttons
};

// Paints the album page backdrops once into the context (the pages and the parts sheet share them).
void PreparePageBases(PaintContext& context);

// What a generated photo shows: one of 16 places at one of 4 times of day. The variants of a
// cell are the same place at different hours; cells run through the places in a different
// order in each block of 16, so neighbouring pages do not repeat each other.
struct PhotoSubject {
    int place, time;
};
PhotoSubject PhotoSubjectOf(int cell_index, int variant);
// The title of a generated photo (place and time of day), e.g. "海辺の朝".
std::string PhotoTitle(const Interface& words, int cell_index, int variant);
// The title of the memory a CG shows: "memory.<graphic>" of interface.txt when there is one
// (the pictures drawn as real scenes), otherwise the photo's title.
std::string MemoryTitle(const Interface& words, int graphic, int cell_index, int variant);

// The CG numbers in album order and, for each, its page (0-based), cell (0-based) and variant.
struct CgPlace {
    int number, page, cell, variant;
};
std::vector<CgPlace> CgPlaces(const AlbumLayout& album);

// Painters. Each returns the encoded graphic; the scene pictures also hand back their canvas so
// the album pages can show them as thumbnails.
Canvas PaintScenery(const PictureRecipe& recipe, const PaintContext& context);
Canvas PaintPhoto(int number, int cell_index, int variant);
void PaintCharacter(const PictureRecipe& recipe, Canvas& canvas);
// A character bust at (cx, oy) with scale s (1 = the size of the character pictures).
void DrawFigure(Canvas& canvas, const std::string& who, const std::string& expression, float cx, float oy, float s);
GraphicFile PaintInterface(const PictureRecipe& recipe, const PaintContext& context);

GraphicFile Encode(int number, FileFormat format, const Canvas& colour, const Canvas* mask_source);

} // namespace hk::demo
