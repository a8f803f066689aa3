#include "fuzz_game.h"

#include "data/ifp_archive.h"
#include "data/scene_text.h"
#include "gfx/png_writer.h"

namespace hk::fuzz {

namespace {

constexpr const char* kIdleScene = "top:\n    wait 0\n    jump top\n";

std::vector<std::uint8_t> Assemble(std::string_view text) {
    return BuildScenePayload(AssembleScene(text, "fuzz"));
}

} // namespace

std::vector<std::uint8_t> SolidPng(int width, int height, std::uint32_t colour) {
    Bitmap picture;
    picture.SetSize(width, height);
    picture.Fill(Color{colour});
    return EncodePng(picture);
}

std::vector<std::uint8_t> ScenarioArchiveBytes(std::span<const std::uint8_t> scene1) {
    IfpWriter writer;
    if (scene1.empty())
        writer.Add(1, kSceneEntryType, Assemble(kIdleScene));
    else
        writer.Add(1, kSceneEntryType, std::vector<std::uint8_t>(scene1.begin(), scene1.end()));
    writer.Add(2, kSceneEntryType, Assemble("    let s1, 2\n    return\n    end\n"));
    writer.Add(3, 22, {1, 2, 3, 4}); // not a scene
    return writer.Bytes();
}

std::vector<std::uint8_t> GraphicsArchiveBytes() {
    IfpWriter writer;
    const auto white = SolidPng(8, 8, 0x00FFFFFF);
    const auto black = SolidPng(8, 8, 0x00000000);
    writer.Add(7, 12, SolidPng(16, 4, 0x00808080));
    writer.Add(8, 12, SolidPng(16, 4, 0x00203040), 12, white);
    writer.Add(9, 12, SolidPng(8, 8, 0x00102030), 12, white);
    writer.Add(10, 12, SolidPng(16, 16, 0x00405060));
    for (int n : {21, 22, 23, 24, 25, 26, 41, 42, 43, 44, 45, 46, 50, 51, 61})
        writer.Add(n, 12, SolidPng(4, 4, 0x00010203u * static_cast<std::uint32_t>(n)));
    writer.Add(100, 12, SolidPng(8, 6, 0x000000FF), 12, white);
    writer.Add(101, 12, SolidPng(6, 8, 0x0000FF00), 12, black);
    writer.Add(401, 12, SolidPng(4, 4, 0x00FF0000));
    return writer.Bytes();
}

std::vector<std::uint8_t> ScenePayloadWithCode(std::span<const std::uint8_t> code) {
    ScenePayload payload = AssembleScene("first:\nsecond:\n    jump first\n    jump second\n    jump third\n"
                                         "    message \"テスト\", \"v01\"\n    message \"選択肢１/選択肢２\"\n"
                                         "    end\n",
                                         "fuzz");
    payload.code.clear();
    payload.code_tail.clear();
    const std::size_t records = code.size() / kInstructionSize;
    for (std::size_t i = 0; i < records; ++i)
        payload.code.push_back(DecodeInstruction(code.data() + i * kInstructionSize));
    // Every scene of the game ends with an end-of-scene instruction.
    payload.code.push_back(ScriptInstruction{0xFF, 0, 0, 0, 0});
    return BuildScenePayload(payload);
}

FuzzSession::FuzzSession() {
    auto owned = std::make_unique<MemoryFiles>();
    files = owned.get();
    // Built once per process: encoding the pictures and assembling the scenes would otherwise
    // cost each fresh session more than its start-up.
    static const std::vector<std::uint8_t> scenario = ScenarioArchiveBytes();
    static const std::vector<std::uint8_t> graphics = GraphicsArchiveBytes();
    files->Put("SCR.IFP", scenario);
    files->Put("GRP.IFP", graphics);
    session = std::make_unique<HeadlessSession>(".", std::move(owned));
}

bool FuzzSession::Start() {
    const bool started = session->Start();
    session->Platform().TakeErrors();
    return started;
}

} // namespace hk::fuzz
