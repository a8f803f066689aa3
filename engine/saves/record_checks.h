// Whether a record read from a save file is one the game itself could have written. The files
// carry no checksum, so this looks only at what every write of the game keeps within fixed
// bounds: the settings the dialog stores, the 0/1 flags, the bytes nothing ever fills. What the
// scenario may set to anything (variables, scene and step, graphic and music numbers, the marks
// of messages read) is never judged, so a real save always passes.
#pragma once

#include "core/records.h"

#include <cstddef>
#include <string>

namespace hk {

// Empty when the game could have written `data`; otherwise the first thing found wrong, in
// Japanese for the player ("メッセージ速度が 7 で、1～3 の範囲を外れていました").
std::string SystemDataProblem(const SystemData& data);
std::string GameDataProblem(const GameData& data);

// The same tests over raw file bytes, as GameFiles asks before it keeps a replaced file as the
// copy: false for any other size.
bool IsSoundSystemFile(const void* bytes, std::size_t size);
bool IsSoundSlotFile(const void* bytes, std::size_t size);

} // namespace hk
