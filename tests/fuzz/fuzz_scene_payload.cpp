// Scene payloads of "SCR.IFP": the parser, the text form round trip, and ReadScript through the
// archive index with damaged entries.
//
// Input: one mode byte; (mode bit 0) twelve bytes replacing the type, offset and lengths of
// scene 1's index entry; (mode bit 1) the scene number to load; then the payload.
#include "fuzz_game.h"

#include "data/ifp_archive.h"
#include "data/scene_text.h"

#include <cstdio>
#include <cstdlib>

using namespace hk;

namespace {

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

void CheckRoundTrips(std::span<const std::uint8_t> payload) {
    ScenePayload parsed;
    try {
        parsed = ParseScenePayload(payload, 1);
    } catch (const SceneFormatError&) {
        return; // refused with a message: fine
    }
    if (BuildScenePayload(parsed) != std::vector<std::uint8_t>(payload.begin(), payload.end()))
        Finding("a payload the parser accepts does not build back to the same bytes");
    // The text form authors edit must give back the very same scene.
    std::string text;
    try {
        text = DisassembleScene(parsed, 1);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        Finding("an accepted scene has no text form");
    }
    ScenePayload again;
    try {
        again = AssembleScene(text, "fuzz");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        Finding("the text form of a scene does not assemble");
    }
    if (!(again == parsed))
        Finding("the text form of a scene assembles to a different scene");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::FuzzSession game;
    static const bool started = game.Start();
    if (!started)
        Finding("the base game does not start");

    fuzz::ByteReader in({data, size});
    const std::uint8_t mode = in.Byte();
    std::uint8_t entry_patch[12] = {};
    if (mode & 1)
        for (auto& b : entry_patch)
            b = in.Byte();
    // Mode bit 1: a scene number of the script's choosing (signed 16-bit, often outside the index).
    const int scene = (mode & 2) ? static_cast<std::int16_t>(in.U16()) : 1;
    const auto payload = in.Rest();
    CheckRoundTrips(payload);

    std::vector<std::uint8_t> archive = fuzz::ScenarioArchiveBytes(payload);
    if (mode & 1) {
        // type A (2 bytes), offset, length A, length B of entry 1 (index offset 16 + 16).
        archive[32] = entry_patch[0];
        archive[33] = entry_patch[1];
        for (int i = 0; i < 10; ++i)
            archive[36 + i] = entry_patch[2 + i];
    }
    game.files->Put("SCR.IFP", archive);
    EngineState& state = game.session->State();
    ScriptMachine& script = game.session->TheEngine().Script();
    script.ReadSceneIndex();

    state.Game.CurrentScene = 2;
    const auto labels_before = script.LabelNames();
    const auto messages_before = script.MessageTexts();
    try {
        script.ReadScript(scene);
    } catch (const std::exception&) {
        // A refused scene leaves the loaded one as it was.
        if (state.Game.CurrentScene != 2 || script.LabelNames() != labels_before ||
            script.MessageTexts() != messages_before)
            Finding("a refused scene changed the loaded one");
        return 0;
    }
    if (script.VoiceList().empty() || script.VoiceList().back() != kVoiceListEnd)
        Finding("the voice list lost its end marker");
    return 0;
}
