// The interpreter's fixed tables: the two variable banks, the call stack, the replay queue and
// the read-marks, and the searches for labels and block markers in the loaded code. None of them
// grows, and nothing here reads or writes outside them.
#include "engine/script/script_error.h"
#include "engine/script/script_machine.h"

#include <algorithm>

namespace hk {

namespace {

constexpr std::uint8_t kOpLabel = static_cast<std::uint8_t>(Opcode::OP_LABEL);
constexpr std::uint8_t kOpElse = static_cast<std::uint8_t>(Opcode::OP_ELSE);
constexpr std::uint8_t kOpEndif = static_cast<std::uint8_t>(Opcode::OP_ENDIF);
constexpr std::uint8_t kOpEnd = static_cast<std::uint8_t>(Opcode::OP_END);
constexpr int kMaxTarget = 32767;     // steps are stored in 16 bits
constexpr int kSceneTableUsable = 95; // entries 96..100 stay 0, so a replay always meets an end
constexpr int kReadMarkScenes = 15;   // scenes 0..14 have read-marks

} // namespace

ScriptInstruction ScriptMachine::ScriptRecord(int step) const {
    return DecodeInstruction(m_scene.code.data() + static_cast<std::size_t>(step) * kInstructionSize);
}

void ScriptMachine::ClearScenarioFlg() {
    std::fill(std::begin(m_game.ScenarioVars), std::end(m_game.ScenarioVars), 0);
}

void ScriptMachine::ClearReturnTbl() {
    for (ReturnEntry& entry : m_game.ReturnTable) {
        entry = ReturnEntry{0, 0};
    }
    m_game.ReturnDepth = 0;
}

namespace {

[[noreturn]] void BadVariable(const char* bank, int index) {
    throw ScriptError(std::string(bank) + " index " + std::to_string(index) + " is outside 1..512");
}

} // namespace

std::int16_t ScriptMachine::ScenarioVar(int index) const {
    if (index < 1 || index > kVariableCount) {
        BadVariable("ScenarioVars", index);
    }
    return m_game.ScenarioVars[index - 1];
}

std::int16_t ScriptMachine::SystemVar(int index) const {
    if (index < 1 || index > kVariableCount) {
        BadVariable("SystemVars", index);
    }
    return m_system.SystemVars[index - 1];
}

void ScriptMachine::SetScenarioVar(int index, std::int16_t value) {
    if (index < 1 || index > kVariableCount) {
        BadVariable("ScenarioVars", index);
    }
    m_game.ScenarioVars[index - 1] = value;
}

void ScriptMachine::SetSystemVar(int index, std::int16_t value) {
    if (index < 1 || index > kVariableCount) {
        BadVariable("SystemVars", index);
    }
    m_system.SystemVars[index - 1] = value;
}

std::int16_t ScriptMachine::GetLabelStep(std::string_view name) const {
    const auto& names = m_scene.label_names;
    const auto found = std::find(names.begin(), names.end(), name);
    const long long label = found == names.end() ? -1 : found - names.begin();
    for (int step = 0; step < static_cast<int>(kScriptCodeRecords); ++step) {
        const ScriptInstruction ins = ScriptRecord(step);
        if (ins.opcode == kOpLabel && ins.operand1 == label) {
            if (step > kMaxTarget) {
                throw ScriptError("the label \"" + std::string(name) + "\" is at step " + std::to_string(step) +
                                  ", beyond the 32767 steps a jump can reach");
            }
            return static_cast<std::int16_t>(step);
        }
        if (ins.opcode == kOpEnd) {
            return -1;
        }
    }
    throw ScriptError("the search for the label \"" + std::string(name) +
                      "\" ran past the last instruction: the scene has no end-of-scene instruction");
}

std::int16_t ScriptMachine::GetElseStep(std::int16_t block) const {
    for (long long step = static_cast<long long>(m_game.ScriptStep) + 1;
         step < static_cast<long long>(kScriptCodeRecords); ++step) {
        if (step < 0) {
            continue;
        }
        const ScriptInstruction ins = ScriptRecord(static_cast<int>(step));
        if ((ins.opcode == kOpElse || ins.opcode == kOpEndif) && ins.operand1 == block) {
            if (step > kMaxTarget) {
                throw ScriptError("the marker of block " + std::to_string(block) + " is at step " +
                                  std::to_string(step) + ", beyond the 32767 steps a condition can reach");
            }
            return static_cast<std::int16_t>(step);
        }
        if (ins.opcode == kOpEnd) {
            return -1;
        }
    }
    throw ScriptError("the search for the marker of block " + std::to_string(block) +
                      " ran past the last instruction: the scene has no end-of-scene instruction");
}

int ScriptMachine::AddSceneTbl(int scene) {
    auto& table = m_replay.table;
    for (int i = 1; i <= kSceneTableUsable; ++i) {
        if (table[i] == scene) {
            return -1;
        }
        if (table[i] == 0) {
            table[i] = scene;
            return i;
        }
    }
    return 0;
}

int ScriptMachine::GetSceneTbl(int scene) const {
    for (int i = 1; i <= kSceneTableUsable; ++i) {
        if (m_replay.table[i] == scene) {
            return i;
        }
    }
    return -1;
}

void ScriptMachine::ClearSceneTable() {
    m_replay.table.fill(0);
}

void ScriptMachine::BeginReplay() {
    ClearReturnTbl();
    m_replay.index = 1;
    ReadScript(m_replay.table[1]);
    m_game.ScriptStep = -1;
    m_replay.game_playing = 0;
}

namespace {

// The byte and bit of a message's read-mark, or nullptr when the scene keeps none.
std::uint8_t* ReadMarkByte(SystemData& system, int scene, int msg) {
    if (scene < 0 || scene >= kReadMarkScenes) {
        return nullptr;
    }
    if (msg < 0 || msg / 8 >= kReadMarkBlockBytes) {
        throw ScriptError("message number " + std::to_string(msg) + " has no read-mark (0..131071)");
    }
    return &system.ReadMarks[scene][msg / 8];
}

} // namespace

bool ScriptMachine::CheckKidoku(int msg) const {
    const std::uint8_t* byte = ReadMarkByte(m_system, m_game.CurrentScene, msg);
    return byte && ((*byte >> (msg % 8)) & 1) != 0;
}

void ScriptMachine::SetKidoku(int msg) {
    if (std::uint8_t* byte = ReadMarkByte(m_system, m_game.CurrentScene, msg)) {
        *byte = static_cast<std::uint8_t>(*byte | (1u << (msg % 8)));
    }
}

} // namespace hk
