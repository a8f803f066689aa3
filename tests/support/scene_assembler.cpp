#include "support/scene_assembler.h"

#include "data/scene_text.h"

namespace hk::test {

std::vector<std::uint8_t> AssembleScenePayload(std::string_view text) {
    return BuildScenePayload(AssembleScene(text, "test scene"));
}

ArchiveBuilder& AddScene(ArchiveBuilder& archive, int number, std::string_view text) {
    return archive.Add(number, kSceneEntryType, AssembleScenePayload(text));
}

ArchiveBuilder ScenarioArchive(std::initializer_list<SceneSource> scenes) {
    ArchiveBuilder archive;
    for (const SceneSource& scene : scenes) {
        AddScene(archive, scene.number, scene.text);
    }
    return archive;
}

} // namespace hk::test
