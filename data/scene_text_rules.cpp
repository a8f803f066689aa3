#include "data/scene_text_rules.h"

#include <algorithm>
#include <cctype>

namespace hk::scene_text {

int ListOf(OperandKind kind) {
    switch (kind) {
    case OperandKind::Label: return 0;
    case OperandKind::JumpName: return 1;
    case OperandKind::Voice: return 2;
    case OperandKind::Message: return 3;
    default: return -1;
    }
}

bool ListDeduplicates(int list) {
    return list == 0;
}

std::int16_t DefaultOperand(OperandKind kind) {
    return kind == OperandKind::Voice ? -1 : 0;
}

const char* LineEndName(LineEnd end) {
    switch (end) {
    case LineEnd::None: return "none";
    case LineEnd::CR: return "cr";
    case LineEnd::LF: return "lf";
    case LineEnd::CRLF: return "crlf";
    }
    return "crlf";
}

std::optional<LineEnd> ParseLineEnd(std::string_view name) {
    for (LineEnd end : {LineEnd::None, LineEnd::CR, LineEnd::LF, LineEnd::CRLF}) {
        if (name == LineEndName(end)) {
            return end;
        }
    }
    return std::nullopt;
}

bool IsIdentStart(unsigned char c) {
    return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool IsIdentChar(unsigned char c) {
    return std::isalnum(c) || c == '_' || c >= 0x80;
}

bool LooksLikeVariable(std::string_view word) {
    std::string_view rest = word;
    if (rest.starts_with("gs")) {
        rest.remove_prefix(2);
    } else if (rest.starts_with("s") || rest.starts_with("g")) {
        rest.remove_prefix(1);
    } else {
        return false;
    }
    if (rest.starts_with("-")) {
        rest.remove_prefix(1);
    }
    return !rest.empty() &&
           std::all_of(rest.begin(), rest.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

} // namespace hk::scene_text
