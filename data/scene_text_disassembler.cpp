// Disassembly: a scene payload into its text form, written so that assembling it gives the very
// same bytes (every list line, line end and stray byte is spelled out when it differs from what
// the assembler would make by default).
#include "data/scene_text.h"
#include "data/scene_text_rules.h"
#include "data/shift_jis.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace hk {

using namespace scene_text;

namespace {

std::string Hex2(unsigned char b) {
    static const char kHex[] = "0123456789ABCDEF";
    return {kHex[b >> 4], kHex[b & 15]};
}

std::string HexBytes(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        if (!out.empty()) {
            out += ' ';
        }
        out += Hex2(static_cast<unsigned char>(c));
    }
    return out;
}

bool IsAsciiControl(unsigned char b) {
    return b < 0x20 || b == 0x7F;
}

// Shift-JIS bytes as a quoted UTF-8 string. Characters that do not survive the trip to UTF-8 and
// back unchanged (invalid bytes, characters with two codes) are written as \xHH escapes.
std::string QuoteSjis(std::string_view sjis) {
    std::string out = "\"";
    auto append_escaped_utf8 = [&out](std::string_view utf8) {
        for (char c : utf8) {
            const auto b = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                out += '\\';
                out += c;
            } else if (IsAsciiControl(b)) {
                out += "\\x" + Hex2(b);
            } else {
                out += c;
            }
        }
    };
    const std::string whole = SjisToUtf8(sjis);
    std::string back;
    try {
        back = Utf8ToSjis(whole);
    } catch (const std::runtime_error&) {
        back.clear();
    }
    if (back == sjis) {
        append_escaped_utf8(whole);
        return out + '"';
    }
    std::size_t i = 0;
    while (i < sjis.size()) {
        const auto b = static_cast<unsigned char>(sjis[i]);
        const std::size_t len =
            IsSjisLeadByte(b) && i + 1 < sjis.size() && IsSjisTrailByte(static_cast<unsigned char>(sjis[i + 1])) ? 2
                                                                                                                 : 1;
        const std::string_view chunk = sjis.substr(i, len);
        std::string utf8 = SjisToUtf8(chunk);
        bool exact = false;
        try {
            exact = Utf8ToSjis(utf8) == chunk;
        } catch (const std::runtime_error&) {
            exact = false;
        }
        if (exact) {
            append_escaped_utf8(utf8);
        } else {
            for (char c : chunk) {
                out += "\\x" + Hex2(static_cast<unsigned char>(c));
            }
        }
        i += len;
    }
    return out + '"';
}

std::string NameText(std::string_view sjis) {
    const std::string utf8 = SjisToUtf8(sjis);
    bool bare =
        !utf8.empty() && IsIdentStart(static_cast<unsigned char>(utf8[0])) && !LooksLikeVariable(utf8) &&
        std::all_of(utf8.begin(), utf8.end(), [](char c) { return IsIdentChar(static_cast<unsigned char>(c)); });
    if (bare) {
        try {
            bare = Utf8ToSjis(utf8) == sjis;
        } catch (const std::runtime_error&) {
            bare = false;
        }
    }
    return bare ? utf8 : QuoteSjis(sjis);
}

std::string OperandPrefix(std::uint8_t flags, int index) {
    const bool scenario = flags & ScenarioFlag(index);
    const bool system = flags & SystemFlag(index);
    return scenario && system ? "gs" : system ? "g" : scenario ? "s" : "";
}

// How the text form writes references into one string list.
struct ListPlan {
    bool declared = false; // the lines are written as declarations; references by number
    LineEnd eol = LineEnd::CRLF;
    std::optional<LineEnd> last_eol;
    std::vector<bool> inline_ref; // per instruction operand (index = 3 * step + operand)
};

bool IsPlainListOperand(const ScriptInstruction& ins, int k, int list) {
    const OpcodeInfo* info = FindOpcode(ins.opcode);
    return info && ListOf(info->operands[k]) == list && (ins.flags & (ScenarioFlag(k) | SystemFlag(k))) == 0;
}

ListPlan PlanList(const ScenePayload& payload, int list) {
    const TextBlock& block = payload.blocks[list];
    ListPlan plan;
    plan.inline_ref.assign(payload.code.size() * 3, false);

    // Line ends: one style for all lines but the last, which may differ.
    const auto& lines = block.lines;
    bool uniform = true;
    if (lines.size() >= 2) {
        plan.eol = lines[0].end;
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            uniform = uniform && lines[i].end == plan.eol;
        }
    }
    if (!lines.empty() && lines.back().end != plan.eol) {
        plan.last_eol = lines.back().end;
    }

    // Rebuild the list the way the assembler would from inline references, and see whether it
    // comes out as the real list.
    std::vector<std::string> built;
    std::unordered_map<std::string, std::size_t> first_index;
    for (std::size_t step = 0; step < payload.code.size(); ++step) {
        const ScriptInstruction& ins = payload.code[step];
        for (int k = 0; k < 3; ++k) {
            if (!IsPlainListOperand(ins, k, list)) {
                continue;
            }
            const int i = ins.Operand(k);
            if (i < 0 || static_cast<std::size_t>(i) >= lines.size()) {
                continue;
            }
            const std::string& text = lines[static_cast<std::size_t>(i)].text;
            bool use = false;
            if (ListDeduplicates(list)) {
                const auto it = first_index.find(text);
                if (it != first_index.end()) {
                    use = it->second == static_cast<std::size_t>(i);
                } else if (static_cast<std::size_t>(i) == built.size()) {
                    use = true;
                    first_index.emplace(text, built.size());
                    built.push_back(text);
                }
            } else if (static_cast<std::size_t>(i) == built.size()) {
                use = true;
                built.push_back(text);
            }
            plan.inline_ref[step * 3 + static_cast<std::size_t>(k)] = use;
        }
    }
    plan.declared = !uniform || built != block.Texts();
    if (plan.declared) {
        std::fill(plan.inline_ref.begin(), plan.inline_ref.end(), false);
    }
    return plan;
}

std::string FormatOperand(const ScenePayload& payload, const std::array<ListPlan, 4>& plans, std::size_t step, int k) {
    const ScriptInstruction& ins = payload.code[step];
    const OpcodeInfo* info = FindOpcode(ins.opcode);
    const std::int16_t value = ins.Operand(k);
    const std::string prefix = OperandPrefix(ins.flags, k);
    if (!prefix.empty() || !info) {
        return prefix + std::to_string(value);
    }
    const OperandKind kind = info->operands[k];
    const int list = ListOf(kind);
    if (list >= 0 && plans[list].inline_ref[step * 3 + static_cast<std::size_t>(k)]) {
        const std::string& text = payload.blocks[list].lines[static_cast<std::size_t>(value)].text;
        return list <= 1 ? NameText(text) : QuoteSjis(text);
    }
    if (kind == OperandKind::SysCommand) {
        if (const SystemCommandInfo* sys = FindSystemCommand(value)) {
            return std::string(sys->mnemonic);
        }
    }
    return std::to_string(value);
}

// The text of a numbered reference, as a comment beside the instruction.
std::string ReferenceComment(const ScenePayload& payload, const ScriptInstruction& ins) {
    const OpcodeInfo* info = FindOpcode(ins.opcode);
    if (!info) {
        return {};
    }
    std::string comment;
    for (int k = 0; k < 3; ++k) {
        const int list = ListOf(info->operands[k]);
        const int i = ins.Operand(k);
        if (list < 0 || (ins.flags & (ScenarioFlag(k) | SystemFlag(k))) || i < 0 ||
            static_cast<std::size_t>(i) >= payload.blocks[list].lines.size()) {
            continue;
        }
        comment += comment.empty() ? "  ; " : ", ";
        comment += SjisToUtf8(payload.blocks[list].lines[static_cast<std::size_t>(i)].text);
    }
    // A comment ends at the line's end; keep control bytes out of it.
    std::replace_if(
        comment.begin(), comment.end(), [](char c) { return IsAsciiControl(static_cast<unsigned char>(c)); }, ' ');
    return comment;
}

std::string FormatInstruction(const ScenePayload& payload, const std::array<ListPlan, 4>& plans, std::size_t step,
                              std::size_t depth) {
    const ScriptInstruction& ins = payload.code[step];
    const OpcodeInfo* info = FindOpcode(ins.opcode);
    std::uint8_t extra_bits = ins.flags & kUnusedFlagBits;

    // A label definition reads best as "name:".
    if (info && ins.opcode == static_cast<std::uint8_t>(Opcode::OP_LABEL) && ins.flags == 0 && ins.operand2 == 0 &&
        ins.operand3 == 0 && plans[0].inline_ref[step * 3]) {
        return NameText(payload.blocks[0].lines[static_cast<std::size_t>(ins.operand1)].text) + ":";
    }

    std::string line(4 * (std::min<std::size_t>(depth, 8) + 1), ' ');
    int count = 3;
    if (info) {
        line += info->mnemonic;
        // Leave out trailing operands that hold their default; the first used one stays.
        while (count > 0) {
            const int k = count - 1;
            const bool flagged = ins.flags & (ScenarioFlag(k) | SystemFlag(k));
            if (flagged || ins.Operand(k) != DefaultOperand(info->operands[k]) ||
                (k == 0 && info->operands[k] != OperandKind::None)) {
                break;
            }
            --count;
        }
    } else {
        line += "op 0x" + Hex2(ins.opcode);
        while (count > 0 && ins.Operand(count - 1) == 0 &&
               !(ins.flags & (ScenarioFlag(count - 1) | SystemFlag(count - 1)))) {
            --count;
        }
    }
    for (int k = 0; k < count; ++k) {
        line += k == 0 ? " " : ", ";
        line += FormatOperand(payload, plans, step, k);
    }
    if (extra_bits) {
        line += " bits=0x" + Hex2(extra_bits);
    }
    bool any_numbered = false;
    for (int k = 0; k < 3 && info; ++k) {
        const int list = ListOf(info->operands[k]);
        const int i = ins.Operand(k);
        any_numbered =
            any_numbered || (list >= 0 && i >= 0 && static_cast<std::size_t>(i) < payload.blocks[list].lines.size() &&
                             !plans[list].inline_ref[step * 3 + static_cast<std::size_t>(k)]);
    }
    if (any_numbered) {
        line += ReferenceComment(payload, ins);
    }
    return line;
}

} // namespace

std::string DisassembleScene(const ScenePayload& payload, int scene) {
    std::array<ListPlan, 4> plans;
    for (int l = 0; l < 4; ++l) {
        plans[l] = PlanList(payload, l);
    }

    std::string out = "; scene " + std::to_string(scene) + "\n";
    if (std::any_of(payload.header.begin(), payload.header.end(), [](std::uint8_t b) { return b != 0; })) {
        out += ".header " +
               HexBytes(std::string_view(reinterpret_cast<const char*>(payload.header.data()), payload.header.size())) +
               "\n";
    }
    if (!payload.code_tail.empty()) {
        out += ".code-tail " + HexBytes(payload.code_tail) + "\n";
    }
    if (payload.code.empty() && payload.code_tail.empty() && payload.code_empty_length != 0) {
        out += ".code-length " + std::to_string(payload.code_empty_length) + "\n";
    }
    if (!payload.trailing.empty()) {
        out += ".trailing " + HexBytes(payload.trailing) + "\n";
    }
    for (int l = 0; l < 4; ++l) {
        const TextBlock& block = payload.blocks[l];
        const ListPlan& plan = plans[l];
        const std::string list = kListNames[l];
        if (plan.eol != LineEnd::CRLF) {
            out += "." + list + "-eol " + LineEndName(plan.eol) + "\n";
        }
        if (plan.last_eol) {
            out += "." + list + "-last-eol " + LineEndName(*plan.last_eol) + "\n";
        }
        if (!block.tail.empty()) {
            out += "." + list + "-tail " + HexBytes(block.tail) + "\n";
        }
        if (block.lines.empty() && block.tail.empty() && block.empty_length != 0) {
            out += "." + list + "-length " + std::to_string(block.empty_length) + "\n";
        }
        if (plan.declared) {
            for (std::size_t i = 0; i < block.lines.size(); ++i) {
                const bool is_last = i + 1 == block.lines.size();
                const LineEnd expected = is_last ? plan.last_eol.value_or(plan.eol) : plan.eol;
                out += '.';
                out += kListItem[l];
                out += ' ';
                out += QuoteSjis(block.lines[i].text);
                if (block.lines[i].end != expected) {
                    out += std::string(" ") + LineEndName(block.lines[i].end);
                }
                out += "  ; " + std::to_string(i) + "\n";
            }
        }
    }
    out += "\n";
    // Conditional blocks are indented; only the block numbers pair markers, as in the engine.
    std::vector<std::int16_t> open_blocks;
    for (std::size_t step = 0; step < payload.code.size(); ++step) {
        const ScriptInstruction& ins = payload.code[step];
        const auto op = static_cast<Opcode>(ins.opcode);
        const bool plain = (ins.flags & (kOp1Scenario | kOp1System)) == 0;
        const bool closes = !open_blocks.empty() && open_blocks.back() == ins.operand1 &&
                            (op == Opcode::OP_ELSE || op == Opcode::OP_ENDIF);
        out += FormatInstruction(payload, plans, step, open_blocks.size() - (closes ? 1 : 0)) + "\n";
        if (op == Opcode::OP_ENDIF && closes) {
            open_blocks.pop_back();
        } else if (plain && (op == Opcode::OP_IF_EQ || op == Opcode::OP_IF_NE || op == Opcode::OP_IF_LT ||
                             op == Opcode::OP_IF_GT)) {
            open_blocks.push_back(ins.operand1);
        }
    }

    if (AssembleScene(out, "disassembly") != payload) {
        throw SceneFormatError("scene " + std::to_string(scene) + ": the text form does not rebuild the scene");
    }
    return out;
}

} // namespace hk
