// Face lookup without fontconfig: the faces are the IPA Gothic files in one folder, named by the
// environment variable HARUKAZE_FONT_DIR or else the folder the build was given
// (HARUKAZE_FONT_FOLDER). The game's Gothic faces and their Latin spellings map onto them as the
// desktop's aliases do; any other name gets IPAGothic, as fontconfig gives a face with Japanese.
#include "gfx/font_lookup.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

#ifndef HARUKAZE_FONT_FOLDER
#define HARUKAZE_FONT_FOLDER "/usr/share/fonts/opentype/ipafont-gothic"
#endif

namespace hk {

namespace {

struct FolderFace {
    std::string_view family;
    std::string_view file;
};

constexpr FolderFace kGothic{"IPAGothic", "ipag.ttf"};
constexpr FolderFace kProportionalGothic{"IPAPGothic", "ipagp.ttf"};

FolderFace FaceFor(std::string_view name) {
    for (std::string_view proportional : {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic"})
        if (name == proportional)
            return kProportionalGothic;
    return kGothic;
}

} // namespace

void InstallFontAliases() {
    // The aliases are the table above; there is no font configuration to load them into.
}

ResolvedFace LookUpFace(const std::string& name) {
    const char* from_environment = std::getenv("HARUKAZE_FONT_DIR");
    const std::filesystem::path folder =
        from_environment && *from_environment ? from_environment : HARUKAZE_FONT_FOLDER;
    const FolderFace face = FaceFor(name);
    const std::filesystem::path file = folder / face.file;
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        throw FontError("font \"" + name + "\" not found: the font folder \"" + folder.string() + "\" has no " +
                        std::string(face.file) + " (" + std::string(face.family) +
                        "); set HARUKAZE_FONT_DIR to the folder that holds the IPA Gothic fonts");
    return {std::string(face.family), file.string(), 0};
}

} // namespace hk
