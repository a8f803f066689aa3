// The opcode families of the script machine: what each instruction means, and what it asks of the
// host. Instructions that would leave the engine's tables are refused with a ScriptError before
// they change anything.
#include "engine/script/script_error.h"
#include "engine/script/script_machine.h"

#include <algorithm>

namespace hk {

namespace {

constexpr int kMaxReturnStep = 32767;
constexpr int kDefaultFadeMs = 500;
constexpr int kFirstWipeRule = 41;
constexpr int kLastWipeRule = 46;
constexpr int kDefaultWipeStrength = 4;
constexpr int kMaxWipeStrength = 8;
constexpr int kTitleScene = 1;

std::int16_t Wrap16(std::int32_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}

template <typename List> const std::string& ListLine(const List& list, int index, const char* name) {
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) {
        throw ScriptError(std::string(name) + " has no line " + std::to_string(index) + " (the scene has " +
                          std::to_string(list.size()) + ")");
    }
    return list[static_cast<std::size_t>(index)];
}

} // namespace

bool ScriptMachine::ExecuteLayers(Opcode op, const Operands& o) {
    if (op == Opcode::OP_BG) {
        m_host.SetBackground(o.op1);
    } else if (o.op1 == 0) {
        m_host.ClearCharacters();
    } else if (o.op1 == 1 || o.op1 == 2) {
        m_host.SetCharacter(o.op1, o.op2, o.op3);
    }
    return true;
}

bool ScriptMachine::ExecuteEffect(const Operands& o) {
    m_host.ComposeScene();
    if (o.op1 == 1) {
        m_host.StartFade(o.op2 != 0 ? o.op2 : kDefaultFadeMs);
        return false;
    }
    if (o.op1 >= kFirstWipeRule && o.op1 <= kLastWipeRule) {
        const int strength = o.op3 == 0 ? kDefaultWipeStrength : o.op3 < 0 ? 1 : std::min<int>(o.op3, kMaxWipeStrength);
        m_host.StartWipe(o.op1, o.op2, strength);
        return false;
    }
    return true; // composed, shown by a later transition or message
}

bool ScriptMachine::ExecuteSound(Opcode op, const Operands& o) {
    if (op == Opcode::OP_BGM) {
        m_host.PlayBGM(o.op1, o.op2);
    } else {
        m_host.PlaySE(o.op1, o.op2, o.op3);
    }
    return true;
}

bool ScriptMachine::Jump(std::string name, std::int16_t scene) {
    if (scene != 0) {
        ReadScript(scene);
    }
    m_game.ScriptStep = GetLabelStep(name);
    return false;
}

bool ScriptMachine::ExecuteFlow(Opcode op, const Operands& o) {
    switch (op) {
    case Opcode::OP_JUMP: return Jump(ListLine(m_scene.jump_names, o.op1, "JumpNames"), o.op2);
    case Opcode::OP_CALL: {
        // Everything is checked before the call is recorded, so a refused call changes nothing.
        std::string name = ListLine(m_scene.jump_names, o.op1, "JumpNames");
        if (m_game.ReturnDepth < 0 || m_game.ReturnDepth >= kReturnTableSize) {
            throw ScriptError("call nested " + std::to_string(m_game.ReturnDepth + 1) + " deep; at most " +
                              std::to_string(kReturnTableSize) + " calls can be open");
        }
        if (m_game.ScriptStep > kMaxReturnStep) {
            throw ScriptError("a call at step " + std::to_string(m_game.ScriptStep) +
                              " cannot be returned to (calls must lie at steps 0..32767)");
        }
        ++m_game.ReturnDepth;
        m_game.ReturnTable[m_game.ReturnDepth - 1] =
            ReturnEntry{m_game.CurrentScene, static_cast<std::int16_t>(m_game.ScriptStep)};
        return Jump(std::move(name), o.op2);
    }
    case Opcode::OP_RETURN: {
        if (m_game.ReturnDepth < 1) {
            return true;
        }
        if (m_game.ReturnDepth > kReturnTableSize) {
            throw ScriptError("ReturnDepth " + std::to_string(m_game.ReturnDepth) + " is beyond the " +
                              std::to_string(kReturnTableSize) + " entries of the return table");
        }
        const ReturnEntry entry = m_game.ReturnTable[m_game.ReturnDepth - 1];
        m_game.CurrentScene = entry.Scene;
        m_game.ScriptStep = entry.Step;
        --m_game.ReturnDepth;
        ReadScript(m_game.CurrentScene);
        return false;
    }
    default: return true; // OP_LABEL marks a place and does nothing
    }
}

bool ScriptMachine::ExecuteArithmetic(Opcode op, const ScriptInstruction& ins, const Operands& o) {
    std::int32_t result = 0;
    switch (op) {
    case Opcode::OP_LET: result = o.op2; break;
    case Opcode::OP_ADD: result = o.op2 + o.op3; break;
    case Opcode::OP_SUB: result = o.op2 - o.op3; break;
    case Opcode::OP_MUL: result = o.op2 * o.op3; break;
    case Opcode::OP_DIV: result = o.op3 == 0 ? 0 : o.op2 / o.op3; break;
    default: result = o.op3 == 0 ? 0 : o.op2 % o.op3; break;
    }
    // Operand 1 as stored names the destination; its two flag bits pick the bank(s). Both banks
    // are checked before either is written.
    const int dest = ins.operand1;
    const bool to_scenario = ins.flags & kOp1Scenario;
    const bool to_system = ins.flags & kOp1System;
    if (to_scenario) {
        ScenarioVar(dest);
    }
    if (to_system) {
        SystemVar(dest);
    }
    if (to_scenario) {
        SetScenarioVar(dest, Wrap16(result));
    }
    if (to_system) {
        SetSystemVar(dest, Wrap16(result));
    }
    return true;
}

bool ScriptMachine::ExecuteText(Opcode op, const Operands& o) {
    if (op == Opcode::OP_MESSAGE && o.op1 < 0) {
        throw ScriptError("message number " + std::to_string(o.op1) + " is below 0");
    }
    const std::string& text = ListLine(m_scene.message_texts, o.op1, "MessageTexts");
    if (op == Opcode::OP_SELECT) {
        m_host.ShowChoice(o.op1, o.op2, text);
        return false;
    }
    if (op == Opcode::OP_SELECT2) {
        m_host.ShowFullScreenChoice(o.op1, o.op2, text);
        return false;
    }
    if (o.op2 != -1 && (o.op2 < 0 || o.op2 >= static_cast<int>(m_scene.voice_names.size()))) {
        throw ScriptError("voice " + std::to_string(o.op2) + " is outside -1..9999");
    }
    ScriptMessage message;
    message.number = o.op1;
    message.voice = o.op2;
    message.text = text;
    if (o.op2 != -1) {
        message.voice_name = m_scene.voice_names[static_cast<std::size_t>(o.op2)];
    }
    // Read-message skip asks whether the message was read before this showing marks it.
    message.already_read = CheckKidoku(o.op1);
    SetKidoku(o.op1);
    m_host.ShowMessage(message);
    return false;
}

bool ScriptMachine::ExecuteCondition(Opcode op, const Operands& o) {
    bool enter = true;
    switch (op) {
    case Opcode::OP_IF_EQ: enter = o.op2 == o.op3; break;
    case Opcode::OP_IF_NE: enter = o.op2 != o.op3; break;
    case Opcode::OP_IF_LT: enter = o.op2 < o.op3; break;
    case Opcode::OP_IF_GT: enter = o.op2 > o.op3; break;
    case Opcode::OP_ELSE: enter = false; break; // the end of a then-part skips the else-part
    default: break;                             // OP_ENDIF marks the end of a block
    }
    if (!enter) {
        m_game.ScriptStep = GetElseStep(o.op1);
    }
    return true;
}

bool ScriptMachine::ExecuteWait(const Operands& o) {
    if (o.op1 < 0) {
        return true;
    }
    if (o.op1 == 0) {
        m_host.HandOver(TaskCode::TASK_WAIT_KEY);
    } else {
        m_host.WaitFor(o.op1);
    }
    return false;
}

bool ScriptMachine::ExecuteSystem(std::int16_t command, std::int16_t argument) {
    if (!FindSystemCommand(command)) {
        return true;
    }
    switch (static_cast<SystemCommand>(command)) {
    case SystemCommand::SYS_TITLE:
        m_replay.game_playing = 0;
        m_replay.menu_return_step = m_game.ScriptStep;
        m_host.HandOver(TaskCode::TASK_DISP_TITLE_MENU);
        return false;
    case SystemCommand::SYS_CURSOR: m_host.SetCursorShown(argument != 0); return true;
    case SystemCommand::SYS_AUXFLAG: m_host.SetAuxFlag(argument != 0); return true;
    case SystemCommand::SYS_CONTEXTMENU: m_host.SetContextMenuOn(argument != 0); return true;
    case SystemCommand::SYS_FLOATWINDOW: m_host.ShowFloatWindow(argument != 0); return true;
    case SystemCommand::SYS_RANDOM:
        if (argument >= 0) {
            // op2 = 0 gives 0 but still steps the generator, like any other draw.
            const std::uint32_t r = m_host.DrawRandom(static_cast<std::uint32_t>(argument));
            SetScenarioVar(1, static_cast<std::int16_t>(r));
        }
        return true;
    }
    return true;
}

bool ScriptMachine::ExecuteEndOfScene() {
    if (m_replay.game_playing) {
        m_game.ScriptStep = -1;
        m_host.HandOver(TaskCode::TASK_SCRIPT);
        return false;
    }
    // A replay of the scene album: the next queued scene, or back to the album.
    ++m_replay.index;
    const bool in_table = m_replay.index >= 1 && m_replay.index <= kSceneTableSize;
    const int next = in_table ? m_replay.table[static_cast<std::size_t>(m_replay.index)] : 0;
    if (next != 0) {
        m_host.PlayBGM(0, 0);
        ReadScript(next);
        m_game.ScriptStep = -1;
        m_host.HandOver(TaskCode::TASK_SCRIPT);
        return false;
    }
    m_host.LeaveReplay();
    ReadScript(kTitleScene);
    m_game.ScriptStep = m_replay.menu_return_step;
    ClearSceneTable();
    m_host.HandOver(TaskCode::TASK_DISP_SC_ALBUM_MENU);
    return false;
}

} // namespace hk
