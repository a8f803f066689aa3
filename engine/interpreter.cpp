// TaskScript: runs the loaded scene's instructions back to back until one hands control to
// another task, changes scene or waits. Every opcode of the table in data/script_format.h has its
// case below (the compiler checks that none is missing); codes outside the table are skipped.
//
// Instructions that would leave the engine's tables are refused with a ScriptError naming scene,
// step, opcode and the bad value, before they change anything.
#include "engine/instruction_budget.h"
#include "engine/script_error.h"

#include "data/shift_jis.h"

namespace hk {

namespace {

// A scene whose condition loops back to instruction 0 forever would never give the tick back;
// after this many instructions the tick ends and the next one goes on from the same point.
constexpr int kInstructionBudget = 1'000'000;
// Loading a picture or a sound file, or drawing a transition, costs the budget this much, so a
// scene that loops over them gives the tick back after 100 of them (milliseconds each) and not
// after a million. Scenes that mean it load a few before they wait.
constexpr int kHeavyInstructionCost = 10'000;
int g_instruction_budget = kInstructionBudget;
long long g_budgets_spent = 0;
constexpr int kMaxStep = static_cast<int>(kScriptCodeRecords) - 1;
constexpr int kMaxReturnStep = 32767;

std::int16_t Wrap16(std::int32_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}

int BudgetCost(Opcode op) {
    switch (op) {
    case Opcode::OP_BG:
    case Opcode::OP_CHAR:
    case Opcode::OP_EFFECT:
    case Opcode::OP_BGM:
    case Opcode::OP_SE: return kHeavyInstructionCost;
    default: return 1;
    }
}

bool IsArithmetic(Opcode op) {
    return op == Opcode::OP_LET || op == Opcode::OP_ADD || op == Opcode::OP_SUB || op == Opcode::OP_MUL ||
           op == Opcode::OP_DIV || op == Opcode::OP_MOD;
}

template <typename List> const std::string& ListLine(const List& list, int index, const char* name) {
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) {
        throw ScriptError(std::string(name) + " has no line " + std::to_string(index) + " (the scene has " +
                          std::to_string(list.size()) + ")");
    }
    return list[static_cast<std::size_t>(index)];
}

} // namespace

int InstructionBudget() { return g_instruction_budget; }

void SetInstructionBudget(int instructions) { g_instruction_budget = instructions < 1 ? 1 : instructions; }

long long InstructionBudgetsSpent() { return g_budgets_spent; }

void TForm1::TaskScript() {
    EngineState& s = m_state;
    GameData& game = s.Game;
    for (int budget = g_instruction_budget; budget > 0;) {
        // 1. Fetch.
        if (game.ScriptStep < -1 || game.ScriptStep >= kMaxStep) {
            throw ScriptError("SCR.IFP scene " + std::to_string(game.CurrentScene) + ", step " +
                              std::to_string(static_cast<long long>(game.ScriptStep) + 1) +
                              ": execution ran past the last of the 65536 instructions (the scene has no "
                              "end-of-scene instruction)");
        }
        ++game.ScriptStep;
        const ScriptInstruction ins = ScriptRecord(game.ScriptStep);
        const OpcodeInfo* info = FindOpcode(ins.opcode);
        if (!info) {
            --budget;
            continue; // not an opcode of the engine: skipped
        }
        budget -= BudgetCost(static_cast<Opcode>(ins.opcode));
        const int scene = game.CurrentScene;
        const int step = game.ScriptStep;
        try {
            if (!ExecuteInstruction(ins)) {
                return;
            }
        } catch (const ScriptError& error) {
            throw ScriptError("SCR.IFP scene " + std::to_string(scene) + ", step " + std::to_string(step) + ", " +
                              std::string(info->name) + ": " + error.what());
        }
    }
    ++g_budgets_spent;
}

bool TForm1::ExecuteInstruction(const ScriptInstruction& ins) {
    EngineState& s = m_state;
    GameData& game = s.Game;
    const auto op = static_cast<Opcode>(ins.opcode);

    // 2. Operands, resolved in two passes: the scenario bank for all three, then the system bank.
    // Operand 1 of the arithmetic opcodes names the destination and is never read, so it is not
    // resolved (resolving it could only refuse a valid instruction).
    std::int16_t ops[3] = {ins.operand1, ins.operand2, ins.operand3};
    const int first = IsArithmetic(op) ? 1 : 0;
    for (int k = first; k < 3; ++k) {
        if (ins.flags & ScenarioFlag(k)) {
            ops[k] = ScenarioVar(ops[k]);
        }
    }
    for (int k = first; k < 3; ++k) {
        if (ins.flags & SystemFlag(k)) {
            ops[k] = SystemVar(ops[k]);
        }
    }
    const std::int16_t op1 = ops[0], op2 = ops[1], op3 = ops[2];

    auto store = [&](std::int32_t result) {
        const int dest = ins.operand1;
        const bool to_scenario = ins.flags & kFlagOp1Scenario;
        const bool to_system = ins.flags & kFlagOp1System;
        // Both banks are checked before either is written.
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
    };
    auto skip_block_unless = [&](bool condition) {
        if (!condition) {
            game.ScriptStep = GetElseStep(op1);
        }
        return true;
    };
    // The name is a copy: loading the target scene replaces the list it came from.
    auto jump = [&](std::string name) {
        if (op2 != 0) {
            ReadScript(op2);
        }
        game.ScriptStep = GetLabelStep(name);
        return false;
    };
    auto show_choice_common = [&](bool full_screen) {
        const std::string& text = ListLine(s.MessageTexts, op1, "MessageTexts");
        s.MsgNumber = op1;
        s.VoiceNumber = op2;
        s.MsgIsChoice = 1;
        s.SkipNow = s.SkipMode = s.ReadSkipMode = s.AutoMode = 0;
        if (full_screen) {
            MakeSelect2(SjisToUtf32(text));
        } else {
            MakeSelect(SjisToUtf32(text));
        }
    };

    switch (op) {
    case Opcode::OP_BG:
        ClearBitmap(0);
        game.LayerGraphic[0] = op1;
        if (op1 != 0) {
            ReadGraphic(0, op1, 0);
        }
        return true;

    case Opcode::OP_CHAR:
        if (op1 == 0) {
            ClearBitmap(1);
            ClearBitmap(2);
        } else if (op1 == 1 || op1 == 2) {
            ClearBitmap(op1);
            game.LayerGraphic[op1] = op2;
            game.LayerPlacement[op1 - 1] = op3;
            if (op2 != 0) {
                ReadGraphic(op1, op2, op3);
            }
        }
        return true;

    case Opcode::OP_EFFECT: {
        ScreenBuffer.Assign(SceneImage);
        CreateMakeBMP();
        EffectStateData& effect = s.EffectState;
        const auto now = static_cast<std::int32_t>(m_platform.TickCount());
        if (op1 == 1) {
            SetTask(TaskCode::TASK_EFFECT_01);
            effect.FirstTick = 0;
            effect.StartTime = now;
            effect.Duration = op2 != 0 ? op2 : 500;
            effect.EndTime = effect.StartTime + effect.Duration;
            return false;
        }
        if (op1 >= 41 && op1 <= 46) {
            SetTask(TaskCode::TASK_EFFECT_11);
            effect.FirstTick = 0;
            effect.Graphic = op1;
            effect.Strength = op3 == 0 ? 4 : op3 < 0 ? 1 : op3 > 8 ? 8 : op3;
            effect.Duration = op2;
            effect.StartTime = now;
            effect.EndTime = effect.StartTime + effect.Duration;
            return false;
        }
        return true; // composed, shown by a later transition or message
    }

    case Opcode::OP_BGM:
        PlayBGM(op1, op2);
        return true;

    case Opcode::OP_SE:
        PlaySE(op1, op2, op3);
        return true;

    case Opcode::OP_JUMP:
        return jump(ListLine(s.JumpNames, op1, "JumpNames"));

    case Opcode::OP_CALL: {
        // Everything is checked before the call is recorded, so a refused call changes nothing.
        const std::string name = ListLine(s.JumpNames, op1, "JumpNames");
        if (game.ReturnDepth < 0 || game.ReturnDepth >= kReturnTableSize) {
            throw ScriptError("call nested " + std::to_string(game.ReturnDepth + 1) + " deep; at most " +
                              std::to_string(kReturnTableSize) + " calls can be open");
        }
        if (game.ScriptStep > kMaxReturnStep) {
            throw ScriptError("a call at step " + std::to_string(game.ScriptStep) +
                              " cannot be returned to (calls must lie at steps 0..32767)");
        }
        ++game.ReturnDepth;
        game.ReturnTable[game.ReturnDepth - 1] =
            ReturnEntry{game.CurrentScene, static_cast<std::int16_t>(game.ScriptStep)};
        return jump(name);
    }

    case Opcode::OP_LABEL:
        return true;

    case Opcode::OP_RETURN: {
        if (game.ReturnDepth < 1) {
            return true;
        }
        if (game.ReturnDepth > kReturnTableSize) {
            throw ScriptError("ReturnDepth " + std::to_string(game.ReturnDepth) + " is beyond the " +
                              std::to_string(kReturnTableSize) + " entries of the return table");
        }
        const ReturnEntry entry = game.ReturnTable[game.ReturnDepth - 1];
        game.CurrentScene = entry.Scene;
        game.ScriptStep = entry.Step;
        --game.ReturnDepth;
        ReadScript(game.CurrentScene);
        return false;
    }

    case Opcode::OP_LET:
        return store(op2);
    case Opcode::OP_ADD:
        return store(op2 + op3);
    case Opcode::OP_SUB:
        return store(op2 - op3);
    case Opcode::OP_MUL:
        return store(op2 * op3);
    case Opcode::OP_DIV:
        return store(op3 == 0 ? 0 : op2 / op3);
    case Opcode::OP_MOD:
        return store(op3 == 0 ? 0 : op2 % op3);

    case Opcode::OP_MESSAGE: {
        if (op1 < 0) {
            throw ScriptError("message number " + std::to_string(op1) + " is below 0");
        }
        const std::string& text = ListLine(s.MessageTexts, op1, "MessageTexts");
        if (op2 != -1 && (op2 < 0 || op2 >= static_cast<int>(s.VoiceNames.size()))) {
            throw ScriptError("voice " + std::to_string(op2) + " is outside -1..9999");
        }
        s.MsgNumber = op1;
        s.VoiceNumber = op2;
        s.MsgIsChoice = 0;
        if (s.ReadSkipMode) {
            s.SkipNow = CheckKidoku(s.MsgNumber) ? 1 : 0;
            s.ReadSkipMode = s.SkipNow;
        }
        SetKidoku(s.MsgNumber);
        if (!s.SkipNow) {
            if (s.VoiceNumber == -1) {
                StopVoice();
            } else {
                PlayVoice("VOICE\\" + SjisToUtf8(s.VoiceNames[static_cast<std::size_t>(s.VoiceNumber)]) + ".ogg");
            }
        }
        MakeMessage(SjisToUtf32(text));
        s.MsgWindowVisible = 1;
        s.LogViewing = 0;
        SetTask(TaskCode::TASK_DISP_MESSAGE);
        s.RevealLevel = 0;
        if (MsgFloatChecked() && !m_platform.IsWindowVisible(WindowId::Float)) {
            m_platform.ShowWindow(WindowId::Float, true);
        }
        return false;
    }

    case Opcode::OP_SELECT: {
        show_choice_common(false);
        if (MsgTextImage.HasImage()) {
            if (MsgFloatChecked()) {
                TABitmap& window = m_platform.ClientSurface(WindowId::Float);
                window.CopyRect(0, 0, MsgTextImage, 0, 0, 800, 176);
                m_platform.Invalidate(WindowId::Float);
            } else {
                ScreenBuffer.CopyRect(0, 424, MsgTextImage, 0, 0, 800, 176);
                TABitmap& window = m_platform.ClientSurface(WindowId::Main);
                window.CopyRect(0, 424, MsgTextImage, 0, 0, 800, 176);
                m_platform.Invalidate(WindowId::Main);
            }
        }
        SetTask(TaskCode::TASK_WAIT_SELECT);
        return false;
    }

    case Opcode::OP_SELECT2:
        show_choice_common(true);
        ScreenBuffer.Assign(SceneImage);
        s.Select2Visible = 1;
        SetTask(TaskCode::TASK_WAIT_SELECT2);
        m_platform.ShowWindow(WindowId::Float, false);
        return false;

    case Opcode::OP_IF_EQ:
        return skip_block_unless(op2 == op3);
    case Opcode::OP_IF_NE:
        return skip_block_unless(op2 != op3);
    case Opcode::OP_IF_LT:
        return skip_block_unless(op2 < op3);
    case Opcode::OP_IF_GT:
        return skip_block_unless(op2 > op3);
    case Opcode::OP_ELSE:
        game.ScriptStep = GetElseStep(op1);
        return true;
    case Opcode::OP_ENDIF:
        return true;

    case Opcode::OP_WAIT:
        if (op1 < 0) {
            return true;
        }
        if (op1 == 0) {
            SetTask(TaskCode::TASK_WAIT_KEY);
        } else {
            s.WaitUntil = m_platform.TickCount() + static_cast<std::uint32_t>(op1);
            SetTask(TaskCode::TASK_WAIT);
        }
        return false;

    case Opcode::OP_SYSTEM:
        return ExecuteSystemCommand(op1, op2);

    case Opcode::OP_END:
        ExecuteEndOfScene();
        return false;
    }
    return true;
}

bool TForm1::ExecuteSystemCommand(std::int16_t command, std::int16_t argument) {
    EngineState& s = m_state;
    if (!FindSystemCommand(command)) {
        return true;
    }
    switch (static_cast<SystemCommand>(command)) {
    case SystemCommand::SYS_TITLE:
        s.GamePlaying = 0;
        s.MenuReturnStep = s.Game.ScriptStep;
        SetTask(TaskCode::TASK_DISP_TITLE_MENU);
        return false;
    case SystemCommand::SYS_CURSOR:
        s.Game.CursorShown = argument != 0 ? 1 : 0;
        m_platform.SetCursorVisible(argument != 0);
        return true;
    case SystemCommand::SYS_AUXFLAG:
        s.Game.AuxFlag = argument != 0 ? 1 : 0;
        return true;
    case SystemCommand::SYS_CONTEXTMENU:
        s.Game.ContextMenuOn = argument != 0 ? 1 : 0;
        return true;
    case SystemCommand::SYS_FLOATWINDOW:
        if (MsgFloatChecked()) {
            m_platform.ShowWindow(WindowId::Float, argument != 0);
        }
        return true;
    case SystemCommand::SYS_RANDOM:
        if (argument >= 0) {
            // op2 = 0 gives 0 but still steps the generator, like any other draw.
            const std::uint32_t r = s.Random.Random(static_cast<std::uint32_t>(argument));
            SetScenarioVar(1, static_cast<std::int16_t>(r));
        }
        return true;
    }
    return true;
}

void TForm1::ExecuteEndOfScene() {
    EngineState& s = m_state;
    if (s.GamePlaying) {
        s.Game.ScriptStep = -1;
        SetTask(TaskCode::TASK_SCRIPT);
        return;
    }
    // A replay of the scene album: the next queued scene, or back to the album.
    ++s.SceneTableIndex;
    const bool in_table = s.SceneTableIndex >= 1 && s.SceneTableIndex <= kSceneTableSize;
    const int next = in_table ? s.SceneTable[static_cast<std::size_t>(s.SceneTableIndex)] : 0;
    if (next != 0) {
        PlayBGM(0, 0);
        ReadScript(next);
        s.Game.ScriptStep = -1;
        SetTask(TaskCode::TASK_SCRIPT);
        return;
    }
    m_platform.ShowWindow(WindowId::Float, false);
    m_msg_float_checked = false;
    PlayBGM(9, 1);
    ReadScript(1);
    s.Game.ScriptStep = s.MenuReturnStep;
    std::fill(s.SceneTable.begin() + 1, s.SceneTable.end(), 0);
    SetTask(TaskCode::TASK_DISP_SC_ALBUM_MENU);
}

} // namespace hk
