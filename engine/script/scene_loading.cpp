// Scene loading: the index of "SCR.IFP", ReadScript, and the places a game starts from. A scene is
// parsed whole and checked before anything of the loaded one is replaced, so a refused scene
// leaves the machine as it was (apart from the error it reports).
#include "engine/script/script_error.h"
#include "engine/script/script_machine.h"

#include <algorithm>
#include <optional>

namespace hk {

namespace {

constexpr const char* kScenarioArchive = "SCR.IFP";
constexpr int kTitleScene = 1;

} // namespace

void ScriptMachine::ReadSceneIndex() {
    m_files.ReadAt(kScenarioArchive, kIfpIndexOffset, m_scene_index.data(), m_scene_index.size());
}

void ScriptMachine::ClearSceneLists() {
    m_scene.label_names.clear();
    m_scene.jump_names.clear();
    m_scene.message_texts.clear();
    m_scene.voice_list.clear();
}

void ScriptMachine::ReadScript(int scene) {
    // 1. The archive must be there even when the number names no scene.
    if (!m_files.Exists(kScenarioArchive)) {
        throw FileError(std::string("cannot open \"") + kScenarioArchive + "\": the file does not exist");
    }
    // Numbers outside 0..2047 lie outside the index: no scene.
    const IfpEntry entry = ParseIfpEntry(m_scene_index, scene);
    std::optional<ScenePayload> payload;
    if (entry.type_a == kSceneEntryType) {
        const std::vector<std::uint8_t> bytes = ReadIfpPartA(m_files, kScenarioArchive, entry, scene);
        payload = ParseScenePayload(bytes, scene);
    }

    // 2.
    m_scene.label_names.clear();
    m_scene.jump_names.clear();
    m_scene.voice_list.clear();
    m_scene.message_texts.clear();
    // 3.
    if (payload) {
        m_game.CurrentScene = static_cast<std::int16_t>(scene);
        // Records past the new code keep what earlier scenes left there.
        std::uint8_t* code = m_scene.code.data();
        for (const ScriptInstruction& ins : payload->code) {
            EncodeInstruction(ins, code);
            code += kInstructionSize;
        }
        std::copy(payload->code_tail.begin(), payload->code_tail.end(), code);
        m_scene.label_names = payload->Block(SceneBlock::Labels).Texts();
        m_scene.jump_names = payload->Block(SceneBlock::Jumps).Texts();
        m_scene.voice_list = payload->Block(SceneBlock::Voices).Texts();
        m_scene.message_texts = payload->Block(SceneBlock::Messages).Texts();
    }
    // 5-6. The sentinel ends the copy; a "--END--" line inside the block ends it early.
    std::vector<std::string>& list = m_scene.voice_list;
    list.emplace_back(kVoiceListEnd);
    for (std::size_t i = 0; i < list.size() && i < m_scene.voice_names.size() && list[i] != kVoiceListEnd; ++i) {
        m_scene.voice_names[i] = list[i];
    }
}

void ScriptMachine::Begin(int scene) {
    ReadScript(scene);
    m_game.ReturnDepth = 0;
    m_game.ScriptStep = -1;
    m_game.CurrentScene = static_cast<std::int16_t>(scene);
}

void ScriptMachine::GoToTitleCommand() {
    ReadScript(kTitleScene);
    m_game.ScriptStep = -1;
    for (int step = 0; step < static_cast<int>(kScriptCodeRecords); ++step) {
        const ScriptInstruction ins = ScriptRecord(step);
        if (ins.opcode == static_cast<std::uint8_t>(Opcode::OP_END)) {
            break;
        }
        if (ins.opcode == static_cast<std::uint8_t>(Opcode::OP_SYSTEM) &&
            ins.operand1 == static_cast<std::int16_t>(SystemCommand::SYS_TITLE)) {
            m_game.ScriptStep = step - 1;
            break;
        }
    }
}

ScriptMachine::Snapshot ScriptMachine::TakeSnapshot() const {
    return Snapshot{m_scene, m_scene_index, m_replay};
}

void ScriptMachine::Restore(const Snapshot& snapshot) {
    m_scene = snapshot.scene;
    m_scene_index = snapshot.scene_index;
    m_replay = snapshot.replay;
}

} // namespace hk
