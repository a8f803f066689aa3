// The text canvas: the game's face names reach the installed Gothic faces (for us and for any
// toolkit asking fontconfig), heights follow the Windows convention, measurement adds advance
// widths, and drawing is clipped, deterministic and leaves the fourth byte alone.
#include "gfx/text_canvas.h"

#include <gtest/gtest.h>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace hk {
namespace {

const std::string kGothic = "ＭＳ ゴシック";
const std::string kPGothic = "ＭＳ Ｐゴシック";

Font Gothic(int height, Color color = kBlack) {
    Font f;
    f.face = kGothic;
    f.height = height;
    f.color = color;
    return f;
}

// What fontconfig itself answers for a family name, as a toolkit building its fonts would ask.
std::string FontconfigFamilyFor(const std::string& name) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string family;
    FcChar8* value = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &value) == FcResultMatch)
        family = reinterpret_cast<const char*>(value);
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return family;
}

TEST(FontResolution, GameFaceNamesReachTheIpaGothicFaces) {
    InstallFontAliases();
    EXPECT_EQ(ResolveFace(kGothic).family, "IPAGothic");
    EXPECT_EQ(ResolveFace("MS Gothic").family, "IPAGothic");
    EXPECT_EQ(ResolveFace(kPGothic).family, "IPAPGothic");
    EXPECT_EQ(ResolveFace("MS PGothic").family, "IPAPGothic");
    EXPECT_FALSE(ResolveFace(kGothic).file.empty());

    // The aliases live in fontconfig's current configuration, so a toolkit sees them too.
    EXPECT_EQ(FontconfigFamilyFor("MS Gothic"), "IPAGothic");
    EXPECT_EQ(FontconfigFamilyFor(kPGothic), "IPAPGothic");

    // A face nobody has still gets a font that can show Japanese text.
    EXPECT_FALSE(ResolveFace("Face That Does Not Exist").file.empty());
}

// In a child process, fontconfig is reloaded with only the Latin DejaVu faces: a face must then be
// refused with a message that names it and the package to install, not drawn with a font that
// shows boxes for every Japanese character.
TEST(FontResolutionDeathTest, NoJapaneseFaceGivesAClearError) {
    const std::filesystem::path dejavu = "/usr/share/fonts/truetype/dejavu";
    if (!std::filesystem::exists(dejavu))
        GTEST_SKIP() << "needs the DejaVu fonts as the only Latin set";
    const std::filesystem::path conf = std::filesystem::temp_directory_path() / "harukaze-latin-only-fonts.conf";
    std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<fontconfig><dir>" << dejavu.string() << "</dir><cachedir>"
                        << (std::filesystem::temp_directory_path() / "harukaze-fc-cache").string()
                        << "</cachedir></fontconfig>\n";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("FONTCONFIG_FILE", conf.c_str(), 1);
            FcInitReinitialize();
            try {
                ResolveFace("ＭＳ ゴシック");
                std::fprintf(stderr, "resolved anyway\n");
                std::exit(1);
            } catch (const FontError& e) {
                std::fprintf(stderr, "%s\n", e.what());
                std::exit(0);
            }
        },
        testing::ExitedWithCode(0), "font \"ＭＳ ゴシック\" not found.*fonts-ipafont-gothic");
    std::filesystem::remove(conf);
}

TEST(FontMetrics, HeightsFollowTheWindowsConvention) {
    // The Gothic faces have no internal leading: cell height and character height agree.
    const FontMetrics cell = GetFontMetrics(Gothic(24));
    EXPECT_EQ(cell.cell_height, 24);
    EXPECT_EQ(cell.ascent + cell.descent, 24);
    EXPECT_NEAR(cell.em, 24.0, 0.01);
    EXPECT_GT(cell.ascent, cell.descent);
    EXPECT_EQ(GetFontMetrics(Gothic(-24)).cell_height, 24);
    EXPECT_EQ(GetFontMetrics(Gothic(48)).cell_height, 48);

    EXPECT_EQ(Font::FromPoints(kGothic, 9).height, -12);
    EXPECT_EQ(Font::FromPoints(kGothic, 12).height, -16);
    EXPECT_EQ(Gothic(-16).Points(), 12);
    EXPECT_EQ(Gothic(24).Points(), 18);
    EXPECT_EQ(Gothic(0).Points(), 12); // 0 is the default height

    try {
        GetFontMetrics(Gothic(100000));
        ADD_FAILURE() << "an absurd height was accepted";
    } catch (const FontError& e) {
        EXPECT_NE(std::string(e.what()).find(kGothic), std::string::npos) << e.what();
    }
}

TEST(TextExtent, SumsAdvanceWidthsAndReportsTheCellHeight) {
    const Font f = Gothic(24);
    EXPECT_EQ(TextExtent(f, U"あいう"), (TextSize{72, 24})); // full width = the em
    EXPECT_EQ(TextExtent(f, U"abc"), (TextSize{36, 24}));    // half width
    EXPECT_EQ(TextExtent(f, U"「あ」"), (TextSize{72, 24}));
    EXPECT_EQ(TextExtent(f, U""), (TextSize{0, 24}));
    EXPECT_EQ(TextExtent(f, "あいう"), TextExtent(f, U"あいう")); // UTF-8 overload
    EXPECT_EQ(TextExtent(Gothic(48), U"あい").cx, 96);

    // The proportional face gives narrow letters less room than wide ones.
    Font p = Gothic(24);
    p.face = kPGothic;
    EXPECT_LT(TextExtent(p, U"iiii").cx, TextExtent(p, U"WWWW").cx);
    Font bold = f;
    bold.bold = true;
    EXPECT_GE(TextExtent(bold, U"あいう").cx, 72);
}

// Bounds of the pixels whose colour differs from white.
struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    int count = 0;
};
Box InkBox(const Bitmap& s) {
    Box b;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (s.GetColor(x, y) != kWhite) {
                b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x), b.y1 = std::max(b.y1, y);
                ++b.count;
            }
    return b;
}

TEST(DrawText, InkStaysInsideTheCellAndTheFourthByteIsKept) {
    Bitmap s;
    s.SetSize(80, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x)
            s.Pixel(x, y)[3] = 77;
    DrawText(s, 10, 5, Gothic(24), U"あ漢");
    const Box b = InkBox(s);
    ASSERT_GT(b.count, 50);
    EXPECT_GE(b.x0, 10);
    EXPECT_LT(b.x1, 10 + 48);
    EXPECT_GE(b.y0, 5);
    EXPECT_LT(b.y1, 5 + 24);
    bool solid = false;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            ASSERT_EQ(s.Pixel(x, y)[3], 77);
            solid = solid || s.GetColor(x, y) == kBlack;
        }
    EXPECT_TRUE(solid) << "the strokes of 漢 should reach full coverage somewhere";

    // Coloured text only mixes the background with its colour.
    Bitmap red;
    red.SetSize(40, 30);
    red.Fill(kBlack);
    DrawText(red, 2, 2, Gothic(24, MakeColor(255, 0, 0)), U"あ");
    int reds = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const Color c = red.GetColor(x, y);
            ASSERT_EQ(c & 0xFFFF00, 0u);
            reds += c != 0;
        }
    EXPECT_GT(reds, 20);
}

TEST(DrawText, SameTextGivesTheSamePixelsAndClippingCutsCleanly) {
    Bitmap big, again, small;
    big.SetSize(100, 60);
    again.SetSize(100, 60);
    DrawText(big, 20, 10, Gothic(24), U"テスト");
    DrawText(again, 20, 10, Gothic(24), "テスト");
    for (int y = 0; y < 60; ++y)
        ASSERT_EQ(0, std::memcmp(big.Row(y), again.Row(y), 400)) << "row " << y;

    // The same text moved off the top-left corner: what remains equals the shifted picture.
    small.SetSize(30, 20);
    DrawText(small, -7, -3, Gothic(24), U"テスト");
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(small.GetColor(x, y), big.GetColor(x + 27, y + 13)) << x << "," << y;

    // Far outside, nothing happens; at the right edge the visible part still appears.
    Bitmap edge;
    edge.SetSize(30, 20);
    DrawText(edge, 5000, 5000, Gothic(24), U"テスト");
    DrawText(edge, -5000, 0, Gothic(24), U"テスト");
    EXPECT_EQ(InkBox(edge).count, 0);
    DrawText(edge, 20, 0, Gothic(24), U"テスト");
    EXPECT_GT(InkBox(edge).count, 0);
}

TEST(DrawText, OneByteSurfacesTakeTheBlueOfTheColour) {
    Bitmap grey, bgra;
    grey.SetSizeGray8(40, 30);
    grey.Fill(kWhite);
    bgra.SetSize(40, 30);
    DrawText(grey, 3, 3, Gothic(24, MakeColor(0, 0, 0)), U"あ");
    DrawText(bgra, 3, 3, Gothic(24, MakeColor(0, 0, 0)), U"あ");
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(*grey.Pixel(x, y), bgra.Pixel(x, y)[0]) << x << "," << y;
}

} // namespace
} // namespace hk
