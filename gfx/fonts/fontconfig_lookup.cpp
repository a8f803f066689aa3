// Face lookup through fontconfig: the game's Gothic faces are aliases of the installed Japanese
// Gothic families, and fontconfig's choice must have Japanese characters.
#include "gfx/font_lookup.h"

#include <mutex>

#include <fontconfig/fontconfig.h>

namespace hk {

namespace {

// The game names Microsoft's Gothic faces. IPAGothic and IPAPGothic (Debian: fonts-ipafont-gothic)
// have the same advance widths; the other families are later choices on systems without them.
constexpr const char kFontAliases[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <alias binding="same">
    <family>ＭＳ ゴシック</family>
    <prefer><family>IPAGothic</family><family>IPAexGothic</family><family>Noto Sans Mono CJK JP</family>
      <family>VL Gothic</family><family>TakaoGothic</family></prefer>
  </alias>
  <alias binding="same">
    <family>MS Gothic</family>
    <prefer><family>IPAGothic</family><family>IPAexGothic</family><family>Noto Sans Mono CJK JP</family>
      <family>VL Gothic</family><family>TakaoGothic</family></prefer>
  </alias>
  <alias binding="same">
    <family>ＭＳ Ｐゴシック</family>
    <prefer><family>IPAPGothic</family><family>IPAexGothic</family><family>Noto Sans CJK JP</family>
      <family>VL PGothic</family><family>TakaoPGothic</family></prefer>
  </alias>
  <alias binding="same">
    <family>MS PGothic</family>
    <prefer><family>IPAPGothic</family><family>IPAexGothic</family><family>Noto Sans CJK JP</family>
      <family>VL PGothic</family><family>TakaoPGothic</family></prefer>
  </alias>
</fontconfig>
)";

constexpr const char kFontPackage[] = "fonts-ipafont-gothic";

bool HasJapanese(FcPattern* font) {
    FcCharSet* chars = nullptr;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &chars) != FcResultMatch || !chars)
        return false;
    // Hiragana, katakana and a common kanji.
    return FcCharSetHasChar(chars, 0x3042) && FcCharSetHasChar(chars, 0x30A2) && FcCharSetHasChar(chars, 0x6F22);
}

} // namespace

void InstallFontAliases() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!FcInit())
            throw FontError("fontconfig could not be initialised");
        FcConfig* config = FcConfigGetCurrent();
        if (!config || !FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kFontAliases), FcTrue))
            throw FontError("the font aliases could not be loaded into fontconfig");
    });
}

ResolvedFace LookUpFace(const std::string& name) {
    InstallFontAliases();

    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        throw FontError("fontconfig could not create a pattern for font \"" + name + "\"");
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    // The game's text is Japanese: among fonts that do not know the name, prefer one that has it.
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);

    ResolvedFace face;
    bool usable = false;
    if (match) {
        FcChar8* file = nullptr;
        FcChar8* family = nullptr;
        int index = 0;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file && HasJapanese(match)) {
            face.file = reinterpret_cast<const char*>(file);
            if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family)
                face.family = reinterpret_cast<const char*>(family);
            if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch)
                face.index = index;
            usable = true;
        }
        FcPatternDestroy(match);
    }
    if (!usable)
        throw FontError("font \"" + name +
                        "\" not found: no installed font with Japanese characters stands for it (install the "
                        "package " +
                        kFontPackage + ", which provides IPAGothic and IPAPGothic)");
    return face;
}

} // namespace hk
