// ReadScript: replaces the loaded scene with scene n of "SCR.IFP". A scene is parsed whole and
// checked before anything of the loaded one is replaced, so a refused scene leaves the engine
// as it was (apart from the error it reports).
#include "engine/script_error.h"

#include "data/ifp_archive.h"

#include <algorithm>
#include <optional>

namespace hk {

namespace {

constexpr const char* kScenarioArchive = "SCR.IFP";

} // namespace

void TForm1::ReadScript(int scene) {
    // 1. The archive must be there even when the number names no scene.
    if (!m_files.Exists(kScenarioArchive)) {
        throw FileError(std::string("cannot open \"") + kScenarioArchive + "\": the file does not exist");
    }
    // Numbers outside 0..2047 lie outside the index: no scene.
    const IfpEntry entry = ParseIfpEntry(m_state.ScrIndex, scene);
    std::optional<ScenePayload> payload;
    if (entry.type_a == kSceneEntryType) {
        const std::vector<std::uint8_t> bytes = ReadIfpPartA(m_files, kScenarioArchive, entry, scene);
        payload = ParseScenePayload(bytes, scene);
    }

    // 2.
    m_state.LabelNames.clear();
    m_state.JumpNames.clear();
    m_state.VoiceList.clear();
    m_state.MessageTexts.clear();
    // 3.
    if (payload) {
        m_state.Game.CurrentScene = static_cast<std::int16_t>(scene);
        // Records past the new code keep what earlier scenes left there.
        std::uint8_t* code = m_state.ScriptCode.data();
        for (const ScriptInstruction& ins : payload->code) {
            EncodeInstruction(ins, code);
            code += kInstructionSize;
        }
        std::copy(payload->code_tail.begin(), payload->code_tail.end(), code);
        m_state.LabelNames = payload->Block(SceneBlock::Labels).Texts();
        m_state.JumpNames = payload->Block(SceneBlock::Jumps).Texts();
        m_state.VoiceList = payload->Block(SceneBlock::Voices).Texts();
        m_state.MessageTexts = payload->Block(SceneBlock::Messages).Texts();
    }
    // 5-6. The sentinel ends the copy; a "--END--" line inside the block ends it early.
    m_state.VoiceList.emplace_back(kVoiceListEnd);
    for (std::size_t i = 0;
         i < m_state.VoiceList.size() && i < m_state.VoiceNames.size() && m_state.VoiceList[i] != kVoiceListEnd; ++i) {
        m_state.VoiceNames[i] = m_state.VoiceList[i];
    }
}

} // namespace hk
