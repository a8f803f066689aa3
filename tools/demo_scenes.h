// The sample game's scenes: the story scenes written by hand in demo/scenes/sceneNNNN.txt (the
// text form `harukaze-tool scr` reads), the short replay scenes of the scene album made from a
// template, and the voiced lines the voice generator needs.
#pragma once

#include "data/script_format.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace hk::demo {

struct Scene {
    int number = 0;
    ScenePayload payload;
};

// Assembles every demo/scenes/sceneNNNN.txt of `dir`, in number order. Throws with the file and
// line of a mistake.
std::vector<Scene> LoadSceneTexts(const std::filesystem::path& dir);

// A short replay scene for the scene album: it shows graphic `picture` with `caption` and ends.
std::string ReplaySceneText(int scene, int picture, int music, const std::string& caption_utf8);

// The archive bytes of SCR.IFP holding the scenes.
std::vector<std::uint8_t> BuildSceneArchive(const std::vector<Scene>& scenes);

// A voiced line: the voice file name (without "VOICE\" and ".ogg") and the message it belongs to.
struct VoicedLine {
    std::string name;    // as written in the scene, Shift-JIS (the demo uses ASCII names)
    std::u32string text; // the message, speaker name included
    std::u32string speaker;
};

// Every voice name used by a message, with the first message that uses it; sorted by name.
std::vector<VoicedLine> CollectVoicedLines(const std::vector<Scene>& scenes);

// Every graphic number the scenes load (bg, char) with the scene that loads it first.
std::map<int, int> GraphicsUsed(const std::vector<Scene>& scenes);

} // namespace hk::demo
