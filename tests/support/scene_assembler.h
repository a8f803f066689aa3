// Scenes for tests, written in the same text form authors use (docs/script-format.md) and
// assembled by the same code as `harukaze-tool scr asm`.
#pragma once

#include "data/script_format.h"
#include "support/archive_builder.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace hk::test {

// The payload bytes of a scene text; a mistake in the text throws SceneTextError.
std::vector<std::uint8_t> AssembleScenePayload(std::string_view text);

// Adds scene `number` (type 21) assembled from `text` to an archive.
ArchiveBuilder& AddScene(ArchiveBuilder& archive, int number, std::string_view text);

// A scenario archive from scene texts: ScenarioArchive({{1, "..."}, {2, "..."}}).
struct SceneSource {
    int number;
    std::string_view text;
};
ArchiveBuilder ScenarioArchive(std::initializer_list<SceneSource> scenes);

} // namespace hk::test
