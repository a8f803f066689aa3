// TaskScript's loop: fetch, resolve the operands, dispatch to the opcode's family, until an
// instruction ends the tick or the budget is spent. Every opcode of the table in
// data/script_format.h has its case in Execute (the compiler checks that none is missing); codes
// outside the table are skipped.
#include "engine/script/script_error.h"
#include "engine/script/script_machine.h"

namespace hk {

namespace {

constexpr int kMaxStep = static_cast<int>(kScriptCodeRecords) - 1;

int BudgetCost(Opcode op) {
    switch (op) {
    case Opcode::OP_BG:
    case Opcode::OP_CHAR:
    case Opcode::OP_EFFECT:
    case Opcode::OP_BGM:
    case Opcode::OP_SE: return ScriptMachine::kHeavyInstructionCost;
    default: return 1;
    }
}

bool IsArithmetic(Opcode op) {
    return op == Opcode::OP_LET || op == Opcode::OP_ADD || op == Opcode::OP_SUB || op == Opcode::OP_MUL ||
           op == Opcode::OP_DIV || op == Opcode::OP_MOD;
}

} // namespace

ScriptMachine::ScriptMachine(ScriptHost& host, GameFiles& files, GameData& game, SystemData& system)
    : m_host(host), m_files(files), m_game(game), m_system(system) {}

void ScriptMachine::SetInstructionBudget(int instructions) {
    m_budget = instructions < 1 ? 1 : instructions;
}

void ScriptMachine::Run() {
    for (int budget = m_budget; budget > 0;) {
        if (m_game.ScriptStep < -1 || m_game.ScriptStep >= kMaxStep) {
            throw ScriptError("SCR.IFP scene " + std::to_string(m_game.CurrentScene) + ", step " +
                              std::to_string(static_cast<long long>(m_game.ScriptStep) + 1) +
                              ": execution ran past the last of the 65536 instructions (the scene has no "
                              "end-of-scene instruction)");
        }
        ++m_game.ScriptStep;
        const ScriptInstruction ins = ScriptRecord(m_game.ScriptStep);
        const OpcodeInfo* info = FindOpcode(ins.opcode);
        if (!info) {
            --budget;
            continue; // not an opcode of the engine: skipped
        }
        budget -= BudgetCost(static_cast<Opcode>(ins.opcode));
        const int scene = m_game.CurrentScene;
        const int step = m_game.ScriptStep;
        try {
            if (!Execute(ins)) {
                return;
            }
        } catch (const ScriptError& error) {
            throw ScriptError("SCR.IFP scene " + std::to_string(scene) + ", step " + std::to_string(step) + ", " +
                              std::string(info->name) + ": " + error.what());
        }
    }
    ++m_budgets_spent;
}

ScriptMachine::Operands ScriptMachine::ResolveOperands(const ScriptInstruction& ins) const {
    // Two passes: the scenario bank for all three operands, then the system bank, so an operand
    // with both bits reads SystemVars[ScenarioVars[n]]. Operand 1 of the arithmetic opcodes names
    // the destination and is never read, so it is not resolved (resolving it could only refuse
    // a valid instruction).
    std::int16_t ops[3] = {ins.operand1, ins.operand2, ins.operand3};
    const int first = IsArithmetic(static_cast<Opcode>(ins.opcode)) ? 1 : 0;
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
    return Operands{ops[0], ops[1], ops[2]};
}

bool ScriptMachine::Execute(const ScriptInstruction& ins) {
    const auto op = static_cast<Opcode>(ins.opcode);
    const Operands o = ResolveOperands(ins);
    switch (op) {
    case Opcode::OP_BG:
    case Opcode::OP_CHAR: return ExecuteLayers(op, o);
    case Opcode::OP_EFFECT: return ExecuteEffect(o);
    case Opcode::OP_BGM:
    case Opcode::OP_SE: return ExecuteSound(op, o);
    case Opcode::OP_JUMP:
    case Opcode::OP_CALL:
    case Opcode::OP_LABEL:
    case Opcode::OP_RETURN: return ExecuteFlow(op, o);
    case Opcode::OP_LET:
    case Opcode::OP_ADD:
    case Opcode::OP_SUB:
    case Opcode::OP_MUL:
    case Opcode::OP_DIV:
    case Opcode::OP_MOD: return ExecuteArithmetic(op, ins, o);
    case Opcode::OP_MESSAGE:
    case Opcode::OP_SELECT:
    case Opcode::OP_SELECT2: return ExecuteText(op, o);
    case Opcode::OP_IF_EQ:
    case Opcode::OP_IF_NE:
    case Opcode::OP_IF_LT:
    case Opcode::OP_IF_GT:
    case Opcode::OP_ELSE:
    case Opcode::OP_ENDIF: return ExecuteCondition(op, o);
    case Opcode::OP_WAIT: return ExecuteWait(o);
    case Opcode::OP_SYSTEM: return ExecuteSystem(o.op1, o.op2);
    case Opcode::OP_END: return ExecuteEndOfScene();
    }
    return true;
}

} // namespace hk
