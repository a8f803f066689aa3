// The faces found as files in one folder, as a build without fontconfig finds them.
#include "gfx/font_lookup.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

class FontFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("HARUKAZE_FONT_DIR", m_dir.Path().c_str(), 1); }
    void TearDown() override { ::unsetenv("HARUKAZE_FONT_DIR"); }
    // A stand-in font file: the lookup only finds files, FreeType reads them later.
    void Put(const char* name) { WriteFileBytes(m_dir / name, {0, 1, 0, 0}); }

    TempDir m_dir;
};

TEST_F(FontFolderTest, GameFacesAndTheirLatinNamesReachTheIpaFiles) {
    Put("ipag.ttf");
    Put("ipagp.ttf");
    for (const char* name : {"ＭＳ ゴシック", "MS Gothic", "IPAGothic", "a face nobody has"}) {
        const ResolvedFace face = LookUpFace(name);
        EXPECT_EQ(face.family, "IPAGothic") << name;
        EXPECT_EQ(fs::path(face.file), m_dir / "ipag.ttf") << name;
        EXPECT_EQ(face.index, 0);
    }
    for (const char* name : {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic"}) {
        const ResolvedFace face = LookUpFace(name);
        EXPECT_EQ(face.family, "IPAPGothic") << name;
        EXPECT_EQ(fs::path(face.file), m_dir / "ipagp.ttf") << name;
    }
}

TEST_F(FontFolderTest, AMissingFileNamesTheFaceTheFolderAndTheFile) {
    Put("ipag.ttf");
    fs::create_directory(m_dir / "ipagp.ttf"); // a folder of that name is no font
    EXPECT_EQ(LookUpFace("MS Gothic").family, "IPAGothic");
    try {
        LookUpFace("ＭＳ Ｐゴシック");
        FAIL() << "a face without its file was found";
    } catch (const FontError& error) {
        const std::string what = error.what();
        EXPECT_NE(what.find("\"ＭＳ Ｐゴシック\""), std::string::npos) << what;
        EXPECT_NE(what.find(m_dir.Path().string()), std::string::npos) << what;
        EXPECT_NE(what.find("ipagp.ttf"), std::string::npos) << what;
    }
}

TEST_F(FontFolderTest, WithoutTheVariableTheBuildsFolderIsUsed) {
    ::unsetenv("HARUKAZE_FONT_DIR");
    const fs::path system_folder = "/usr/share/fonts/opentype/ipafont-gothic";
    if (!fs::exists(system_folder / "ipag.ttf"))
        GTEST_SKIP() << "needs the IPA Gothic fonts installed";
    EXPECT_EQ(fs::path(LookUpFace("MS Gothic").file), system_folder / "ipag.ttf");
}

} // namespace
} // namespace hk::test
