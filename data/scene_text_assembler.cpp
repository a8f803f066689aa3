// Assembly: a scene text (UTF-8) into its payload. Declarations come first, then statements;
// inline texts are appended to their lists, names are resolved within the scene, and every
// mistake is reported with the source and the line.
#include "data/scene_text.h"
#include "data/scene_text_rules.h"
#include "data/shift_jis.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>

namespace hk {

using namespace scene_text;

namespace {

struct Token {
    enum Kind { Word, String, Comma, Colon, Equals } kind;
    std::string text; // Word: as written; String: the Shift-JIS bytes
};

class Assembler {
public:
    Assembler(std::string_view source) : m_source(source) {}

    ScenePayload Run(std::string_view text) {
        // Declarations come first whatever their place, so inline texts append after them.
        std::vector<std::pair<int, std::string_view>> lines;
        int number = 0;
        std::size_t pos = 0;
        while (pos <= text.size()) {
            const std::size_t stop = text.find('\n', pos);
            std::string_view line =
                text.substr(pos, stop == std::string_view::npos ? std::string_view::npos : stop - pos);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            lines.emplace_back(++number, line);
            if (stop == std::string_view::npos) {
                break;
            }
            pos = stop + 1;
        }
        for (const auto& [n, line] : lines) {
            m_line = n;
            auto tokens = Tokenize(line);
            if (!tokens.empty() && tokens[0].kind == Token::Word && tokens[0].text.starts_with(".")) {
                Directive(tokens);
            }
        }
        for (const auto& [n, line] : lines) {
            m_line = n;
            auto tokens = Tokenize(line);
            if (tokens.empty() || (tokens[0].kind == Token::Word && tokens[0].text.starts_with("."))) {
                continue;
            }
            Statement(tokens);
        }
        return Finish();
    }

private:
    [[noreturn]] void Fail(const std::string& message) const {
        throw SceneTextError(std::string(m_source) + ":" + std::to_string(m_line) + ": " + message);
    }

    std::vector<Token> Tokenize(std::string_view line) {
        std::vector<Token> tokens;
        std::size_t i = 0;
        while (i < line.size()) {
            const char c = line[i];
            if (c == ' ' || c == '\t') {
                ++i;
            } else if (c == ';') {
                break;
            } else if (c == ',') {
                tokens.push_back({Token::Comma, ","});
                ++i;
            } else if (c == ':') {
                tokens.push_back({Token::Colon, ":"});
                ++i;
            } else if (c == '=') {
                tokens.push_back({Token::Equals, "="});
                ++i;
            } else if (c == '"') {
                tokens.push_back({Token::String, ParseString(line, i)});
            } else {
                const std::size_t start = i;
                while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != ',' && line[i] != ':' &&
                       line[i] != '=' && line[i] != ';' && line[i] != '"') {
                    ++i;
                }
                tokens.push_back({Token::Word, std::string(line.substr(start, i - start))});
            }
        }
        return tokens;
    }

    // Reads a quoted string starting at line[i] == '"'; returns its Shift-JIS bytes.
    std::string ParseString(std::string_view line, std::size_t& i) {
        std::string sjis;
        std::string pending; // UTF-8 not yet converted
        auto flush = [&] {
            if (pending.empty()) {
                return;
            }
            try {
                sjis += Utf8ToSjis(pending);
            } catch (const std::runtime_error& e) {
                Fail(std::string("text cannot be written in Shift-JIS: ") + e.what());
            }
            pending.clear();
        };
        ++i;
        while (true) {
            if (i >= line.size()) {
                Fail("string has no closing quote");
            }
            const char c = line[i];
            if (c == '"') {
                ++i;
                break;
            }
            if (c != '\\') {
                pending += c;
                ++i;
                continue;
            }
            if (i + 1 >= line.size()) {
                Fail("string ends in a lone backslash");
            }
            const char e = line[i + 1];
            if (e == '\\' || e == '"') {
                pending += e;
                i += 2;
            } else if (e == 'x') {
                unsigned value = 0;
                const char* first = line.data() + i + 2;
                const char* last = line.data() + std::min(line.size(), i + 4);
                const auto [ptr, ec] = std::from_chars(first, last, value, 16);
                if (ec != std::errc() || ptr != last || last - first != 2) {
                    Fail("\\x needs two hexadecimal digits");
                }
                flush();
                sjis += static_cast<char>(value);
                i += 4;
            } else {
                Fail(std::string("unknown escape \\") + e + " (use \\\\, \\\" or \\xHH)");
            }
        }
        flush();
        return sjis;
    }

    std::optional<long long> ParseNumber(std::string_view word) const {
        bool negative = false;
        if (word.starts_with("-")) {
            negative = true;
            word.remove_prefix(1);
        }
        int base = 10;
        if (word.starts_with("0x") || word.starts_with("0X")) {
            base = 16;
            word.remove_prefix(2);
        }
        long long value = 0;
        const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value, base);
        if (word.empty() || ec != std::errc() || ptr != word.data() + word.size()) {
            return std::nullopt;
        }
        return negative ? -value : value;
    }

    long long Number(const Token& token, long long low, long long high, const char* what) {
        const auto value = token.kind == Token::Word ? ParseNumber(token.text) : std::nullopt;
        if (!value) {
            Fail(std::string(what) + " must be a number, not '" + token.text + "'");
        }
        if (*value < low || *value > high) {
            Fail(std::string(what) + " " + std::to_string(*value) + " is outside " + std::to_string(low) + ".." +
                 std::to_string(high));
        }
        return *value;
    }

    std::int16_t Operand16(long long value) {
        // Values from 32768 to 65535 (0x8000..0xFFFF) are taken as 16-bit patterns.
        if (value < -32768 || value > 0xFFFF) {
            Fail("operand " + std::to_string(value) + " does not fit in 16 bits");
        }
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    }

    std::string HexArgument(const std::vector<Token>& tokens, std::size_t from) {
        std::string bytes;
        for (std::size_t i = from; i < tokens.size(); ++i) {
            const std::string& word = tokens[i].text;
            unsigned value = 0;
            const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value, 16);
            if (tokens[i].kind != Token::Word || word.size() != 2 || ec != std::errc() ||
                ptr != word.data() + word.size()) {
                Fail("'" + word + "' is not a byte in two hexadecimal digits");
            }
            bytes += static_cast<char>(value);
        }
        return bytes;
    }

    int ListByName(std::string_view name) const {
        for (int l = 0; l < 4; ++l) {
            if (name == kListNames[l]) {
                return l;
            }
        }
        return -1;
    }

    void Directive(const std::vector<Token>& t) {
        const std::string_view name = std::string_view(t[0].text).substr(1);
        if (name == "header") {
            const std::string bytes = HexArgument(t, 1);
            if (bytes.size() != kSceneHeaderSize) {
                Fail(".header needs exactly 12 bytes");
            }
            std::copy(bytes.begin(), bytes.end(), m_payload.header.begin());
            return;
        }
        if (name == "code-tail") {
            m_payload.code_tail = HexArgument(t, 1);
            if (m_payload.code_tail.size() >= kInstructionSize) {
                Fail(".code-tail holds fewer than 8 bytes");
            }
            return;
        }
        if (name == "code-length") {
            NeedArguments(t, 1);
            m_payload.code_empty_length = static_cast<std::int32_t>(Number(t[1], INT32_MIN, 0, ".code-length"));
            return;
        }
        if (name == "trailing") {
            m_payload.trailing = HexArgument(t, 1);
            return;
        }
        for (int l = 0; l < 4; ++l) {
            if (name == kListItem[l]) {
                if (t.size() < 2 || t.size() > 3 || t[1].kind != Token::String) {
                    Fail(std::string(".") + kListItem[l] + " needs a quoted text and may end with a line end");
                }
                std::optional<LineEnd> end;
                if (t.size() == 3) {
                    end = ParseLineEnd(t[2].text);
                    if (!end) {
                        Fail("line end must be crlf, lf, cr or none");
                    }
                }
                m_lists[l].push_back({t[1].text, end});
                return;
            }
        }
        const std::size_t dash = name.find('-');
        const int list = dash == std::string_view::npos ? -1 : ListByName(name.substr(0, dash));
        const std::string_view what = dash == std::string_view::npos ? "" : name.substr(dash + 1);
        if (list >= 0 && (what == "eol" || what == "last-eol")) {
            NeedArguments(t, 1);
            const auto end = ParseLineEnd(t[1].text);
            if (!end || (what == "eol" && *end == LineEnd::None)) {
                Fail(what == "eol" ? "line end must be crlf, lf or cr" : "line end must be crlf, lf, cr or none");
            }
            if (what == "eol") {
                m_eol[list] = *end;
            } else {
                m_last_eol[list] = *end;
            }
            return;
        }
        if (list >= 0 && what == "tail") {
            m_payload.blocks[list].tail = HexArgument(t, 1);
            return;
        }
        if (list >= 0 && what == "length") {
            NeedArguments(t, 1);
            m_payload.blocks[list].empty_length = static_cast<std::int32_t>(Number(t[1], INT32_MIN, 0, "length"));
            return;
        }
        Fail("unknown directive '" + t[0].text + "'");
    }

    void NeedArguments(const std::vector<Token>& t, std::size_t count) {
        if (t.size() != count + 1) {
            Fail(t[0].text + " takes " + std::to_string(count) + " argument" + (count == 1 ? "" : "s"));
        }
    }

    // Index of a text in a list: label names are looked up, other texts always add a line.
    std::int16_t ListIndex(int list, const std::string& text) {
        auto& lines = m_lists[list];
        if (ListDeduplicates(list)) {
            for (std::size_t i = 0; i < lines.size(); ++i) {
                if (lines[i].text == text) {
                    return static_cast<std::int16_t>(i);
                }
            }
        }
        if (lines.size() > 32767) {
            Fail(std::string("more than 32768 ") + kListNames[list] + " lines");
        }
        lines.push_back({text, std::nullopt});
        return static_cast<std::int16_t>(lines.size() - 1);
    }

    void Statement(const std::vector<Token>& t) {
        // "name:" defines a label.
        if (t.size() == 2 && t[1].kind == Token::Colon && (t[0].kind == Token::String || t[0].kind == Token::Word)) {
            if (t[0].kind == Token::Word && !IsName(t[0].text)) {
                Fail("'" + t[0].text + "' cannot be a label name; quote it");
            }
            ScriptInstruction ins;
            ins.opcode = static_cast<std::uint8_t>(Opcode::OP_LABEL);
            ins.operand1 = ListIndex(0, t[0].kind == Token::Word ? ToSjis(t[0].text) : t[0].text);
            Emit(ins);
            return;
        }
        if (t[0].kind != Token::Word) {
            Fail("a line starts with an instruction, a label (name:) or a directive (.name)");
        }
        ScriptInstruction ins;
        const OpcodeInfo* info = nullptr;
        std::size_t i = 1;
        if (t[0].text == "op") {
            if (t.size() < 2) {
                Fail("op needs the opcode number");
            }
            ins.opcode = static_cast<std::uint8_t>(Number(t[1], 0, 255, "opcode"));
            info = FindOpcode(ins.opcode);
            i = 2;
        } else {
            info = FindOpcodeByName(t[0].text);
            if (!info) {
                Fail("unknown instruction '" + t[0].text + "'");
            }
            ins.opcode = info->code;
        }
        for (int k = 0; k < 3; ++k) {
            ins.SetOperand(k, info ? DefaultOperand(info->operands[k]) : 0);
        }
        int k = 0;
        while (i < t.size()) {
            if (t[i].kind == Token::Word && t[i].text == "bits" && i + 1 < t.size() && t[i + 1].kind == Token::Equals) {
                if (i + 3 != t.size()) {
                    Fail("bits=... comes last");
                }
                const long long bits = Number(t[i + 2], 0, 255, "bits");
                if (bits & ~kUnusedFlagBits) {
                    Fail("bits= sets only the unused flag bits 0x40 and 0x80; write s/g before an operand");
                }
                ins.flags |= static_cast<std::uint8_t>(bits);
                break;
            }
            if (k > 0) {
                if (t[i].kind != Token::Comma) {
                    Fail("operands are separated by commas");
                }
                if (++i >= t.size()) {
                    Fail("operand missing after ','");
                }
            }
            if (k == 3) {
                Fail("an instruction has at most three operands");
            }
            Operand(ins, info, k, t[i]);
            ++k;
            ++i;
        }
        Emit(ins);
    }

    bool IsName(std::string_view word) const {
        return !word.empty() && IsIdentStart(static_cast<unsigned char>(word[0])) && !LooksLikeVariable(word) &&
               std::all_of(word.begin(), word.end(), [](char c) { return IsIdentChar(static_cast<unsigned char>(c)); });
    }

    std::string ToSjis(const std::string& utf8) {
        try {
            return Utf8ToSjis(utf8);
        } catch (const std::runtime_error& e) {
            Fail(std::string("name cannot be written in Shift-JIS: ") + e.what());
        }
    }

    void Operand(ScriptInstruction& ins, const OpcodeInfo* info, int k, const Token& token) {
        const OperandKind kind = info ? info->operands[k] : OperandKind::Number;
        const int list = ListOf(kind);
        if (token.kind == Token::String) {
            if (list < 0) {
                Fail("operand " + std::to_string(k + 1) + " of " + std::string(info ? info->mnemonic : "op") +
                     " is a number, not a text");
            }
            ins.SetOperand(k, ListIndex(list, token.text));
            return;
        }
        if (token.kind != Token::Word) {
            Fail("operand " + std::to_string(k + 1) + " missing");
        }
        const std::string& word = token.text;
        if (LooksLikeVariable(word)) {
            const bool both = word.starts_with("gs");
            const std::size_t skip = both ? 2 : 1;
            ins.flags |= both || word[0] == 's' ? ScenarioFlag(k) : 0;
            ins.flags |= both || word[0] == 'g' ? SystemFlag(k) : 0;
            const auto value = ParseNumber(std::string_view(word).substr(skip));
            ins.SetOperand(k, Operand16(*value));
            return;
        }
        if (const auto value = ParseNumber(word)) {
            ins.SetOperand(k, Operand16(*value));
            return;
        }
        if (kind == OperandKind::SysCommand) {
            if (const SystemCommandInfo* sys = FindSystemCommandByName(word)) {
                ins.SetOperand(k, sys->number);
                return;
            }
            Fail("unknown system command '" + word + "'");
        }
        if ((list == 0 || list == 1) && IsName(word)) {
            ins.SetOperand(k, ListIndex(list, ToSjis(word)));
            return;
        }
        Fail("operand " + std::to_string(k + 1) + ": '" + word + "' is not a number" +
             (list >= 0 ? " or a quoted text" : ""));
    }

    void Emit(const ScriptInstruction& ins) {
        if (m_payload.code.size() >= kScriptCodeRecords) {
            Fail("a scene holds at most 65536 instructions");
        }
        m_payload.code.push_back(ins);
    }

    ScenePayload Finish() {
        m_line = 0;
        for (int l = 0; l < 4; ++l) {
            TextBlock& block = m_payload.blocks[l];
            const LineEnd last = m_last_eol[l].value_or(m_eol[l]);
            for (std::size_t i = 0; i < m_lists[l].size(); ++i) {
                const bool is_last = i + 1 == m_lists[l].size();
                block.lines.push_back({m_lists[l][i].text, m_lists[l][i].end.value_or(is_last ? last : m_eol[l])});
            }
        }
        if (VoiceNameCount(m_payload.Block(SceneBlock::Voices)) > kVoiceNameCount) {
            Fail("more than 10000 voice names");
        }
        return m_payload;
    }

    struct PendingLine {
        std::string text;
        std::optional<LineEnd> end;
    };

    std::string_view m_source;
    int m_line = 0;
    ScenePayload m_payload;
    std::array<std::vector<PendingLine>, 4> m_lists;
    std::array<LineEnd, 4> m_eol{LineEnd::CRLF, LineEnd::CRLF, LineEnd::CRLF, LineEnd::CRLF};
    std::array<std::optional<LineEnd>, 4> m_last_eol;
};

} // namespace

ScenePayload AssembleScene(std::string_view text, std::string_view source) {
    // Editors on Windows like to start UTF-8 files with a byte order mark.
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    return Assembler(source).Run(text);
}

} // namespace hk
