// Where the file of a face the game names is found. The build picks one way
// (HARUKAZE_FONT_LOOKUP): fontconfig on the desktop (gfx/fonts/fontconfig_lookup.cpp), or one
// folder of font files where there is no fontconfig (gfx/fonts/folder_lookup.cpp).
#pragma once

#include "gfx/text_canvas.h"

#include <string>

namespace hk {

// The font file that stands for face `name`, one with Japanese characters. Throws FontError
// naming the face when there is none.
ResolvedFace LookUpFace(const std::string& name);

} // namespace hk
