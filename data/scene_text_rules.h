// The rules both directions of the scene text share: which string list an operand refers to,
// which lists merge repeated texts, the operand defaults, the spelling of line ends, and what
// reads as a name or a variable. Only scene_text_assembler.cpp and scene_text_disassembler.cpp
// include this.
#pragma once

#include "data/script_format.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace hk::scene_text {

// The four string lists in payload order, as directives ("labels") and single lines ("label").
inline constexpr const char* kListNames[4] = {"labels", "jumps", "voices", "messages"};
inline constexpr const char* kListItem[4] = {"label", "jump", "voice", "message"};

// Which string list an operand kind refers to, or -1.
int ListOf(OperandKind kind);
// Label names identify labels, so writing a name twice means the same line. Every other inline
// text adds a line of its own (two identical messages are still two messages with their own
// read-marks).
bool ListDeduplicates(int list);
// The value of an operand the text leaves out.
std::int16_t DefaultOperand(OperandKind kind);
const char* LineEndName(LineEnd end);
std::optional<LineEnd> ParseLineEnd(std::string_view name);
bool IsIdentStart(unsigned char c);
bool IsIdentChar(unsigned char c);
// "s12", "g-3", "gs7": a variable operand, not a name.
bool LooksLikeVariable(std::string_view word);

} // namespace hk::scene_text
