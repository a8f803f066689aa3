#include "data/script_format.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace hk {

namespace {

constexpr OpcodeInfo kOpcodes[] = {
#define HK_OPCODE_INFO(code, name, mnemonic, k1, k2, k3, flow, text)                                                   \
    {code, #name, mnemonic, {OperandKind::k1, OperandKind::k2, OperandKind::k3}, OpcodeFlow::flow, text},
    HK_SCRIPT_OPCODES(HK_OPCODE_INFO)
#undef HK_OPCODE_INFO
};

constexpr SystemCommandInfo kSystemCommands[] = {
#define HK_SYSCMD_INFO(number, name, mnemonic, text) {number, #name, mnemonic, text},
    HK_SYSTEM_COMMANDS(HK_SYSCMD_INFO)
#undef HK_SYSCMD_INFO
};

constexpr bool OpcodesSorted() {
    for (std::size_t i = 1; i < std::size(kOpcodes); ++i) {
        if (kOpcodes[i - 1].code >= kOpcodes[i].code) {
            return false;
        }
    }
    return true;
}
static_assert(OpcodesSorted(), "opcode table must be in code order without duplicates");

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::int32_t ReadI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

void AppendI32(std::vector<std::uint8_t>& out, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 24));
}

const char* BlockName(std::size_t block) {
    static const char* const kNames[] = {"label block", "jump block", "voice block", "message block"};
    return kNames[block];
}

// Reads the payload front to back; every read checks what is really there first.
class PayloadReader {
public:
    PayloadReader(std::span<const std::uint8_t> data, int scene) : m_data(data), m_scene(scene) {}

    std::int32_t Length(const char* what) {
        if (m_data.size() - m_pos < 4) {
            Fail(std::string("payload ends before the length of the ") + what);
        }
        const std::int32_t value = ReadI32(m_data.data() + m_pos);
        m_pos += 4;
        return value;
    }

    std::span<const std::uint8_t> Bytes(std::size_t count, const char* what) {
        if (m_data.size() - m_pos < count) {
            Fail(std::string("the ") + what + " claims " + std::to_string(count) + " bytes but only " +
                 std::to_string(m_data.size() - m_pos) + " remain");
        }
        auto part = m_data.subspan(m_pos, count);
        m_pos += count;
        return part;
    }

    std::span<const std::uint8_t> Rest() { return Bytes(m_data.size() - m_pos, "rest"); }

    [[noreturn]] void Fail(const std::string& problem) const {
        throw SceneFormatError("SCR.IFP scene " + std::to_string(m_scene) + ": " + problem);
    }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
    int m_scene;
};

const char* LineEndBytes(LineEnd end) {
    switch (end) {
    case LineEnd::None: return "";
    case LineEnd::CR: return "\r";
    case LineEnd::LF: return "\n";
    case LineEnd::CRLF: return "\r\n";
    }
    return "";
}

} // namespace

ScriptInstruction DecodeInstruction(const std::uint8_t* record) {
    ScriptInstruction ins;
    ins.opcode = record[0];
    ins.flags = record[1];
    ins.operand1 = static_cast<std::int16_t>(record[2] | record[3] << 8);
    ins.operand2 = static_cast<std::int16_t>(record[4] | record[5] << 8);
    ins.operand3 = static_cast<std::int16_t>(record[6] | record[7] << 8);
    return ins;
}

void EncodeInstruction(const ScriptInstruction& ins, std::uint8_t* record) {
    record[0] = ins.opcode;
    record[1] = ins.flags;
    for (int i = 0; i < 3; ++i) {
        const auto v = static_cast<std::uint16_t>(ins.Operand(i));
        record[2 + 2 * i] = static_cast<std::uint8_t>(v);
        record[3 + 2 * i] = static_cast<std::uint8_t>(v >> 8);
    }
}

std::span<const OpcodeInfo> AllOpcodes() {
    return kOpcodes;
}

const OpcodeInfo* FindOpcode(std::uint8_t code) {
    // The interpreter looks up every instruction it runs: one slot per code.
    static const auto by_code = [] {
        std::array<const OpcodeInfo*, 256> table{};
        for (const OpcodeInfo& info : kOpcodes) {
            if (!table[info.code]) {
                table[info.code] = &info;
            }
        }
        return table;
    }();
    return by_code[code];
}

const OpcodeInfo* FindOpcodeByName(std::string_view name) {
    for (const OpcodeInfo& info : kOpcodes) {
        if (EqualsNoCase(info.mnemonic, name) || EqualsNoCase(info.name, name)) {
            return &info;
        }
    }
    return nullptr;
}

std::span<const SystemCommandInfo> AllSystemCommands() {
    return kSystemCommands;
}

const SystemCommandInfo* FindSystemCommand(std::int16_t number) {
    for (const SystemCommandInfo& info : kSystemCommands) {
        if (info.number == number) {
            return &info;
        }
    }
    return nullptr;
}

const SystemCommandInfo* FindSystemCommandByName(std::string_view name) {
    for (const SystemCommandInfo& info : kSystemCommands) {
        if (EqualsNoCase(info.mnemonic, name) || EqualsNoCase(info.name, name)) {
            return &info;
        }
    }
    return nullptr;
}

std::string OpcodeName(std::uint8_t code) {
    if (const OpcodeInfo* info = FindOpcode(code)) {
        return std::string(info->name);
    }
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("0x") + kHex[code >> 4] + kHex[code & 15];
}

std::vector<std::string> TextBlock::Texts() const {
    std::vector<std::string> texts;
    texts.reserve(lines.size());
    for (const TextLine& line : lines) {
        texts.push_back(line.text);
    }
    return texts;
}

std::string TextBlock::Bytes() const {
    std::string bytes;
    for (const TextLine& line : lines) {
        bytes += line.text;
        bytes += LineEndBytes(line.end);
    }
    bytes += tail;
    return bytes;
}

TextBlock SplitTextBlock(std::string_view bytes) {
    TextBlock block;
    const std::size_t nul = bytes.find('\0');
    const std::string_view text = bytes.substr(0, nul);
    if (nul != std::string_view::npos) {
        block.tail = std::string(bytes.substr(nul));
    }
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t stop = text.find_first_of("\r\n", pos);
        if (stop == std::string_view::npos) {
            block.lines.push_back({std::string(text.substr(pos)), LineEnd::None});
            break;
        }
        TextLine line{std::string(text.substr(pos, stop - pos)), LineEnd::LF};
        if (text[stop] == '\r') {
            const bool crlf = stop + 1 < text.size() && text[stop + 1] == '\n';
            line.end = crlf ? LineEnd::CRLF : LineEnd::CR;
            pos = stop + (crlf ? 2 : 1);
        } else {
            pos = stop + 1;
        }
        block.lines.push_back(std::move(line));
    }
    return block;
}

std::size_t VoiceNameCount(const TextBlock& voices) {
    std::size_t count = 0;
    while (count < voices.lines.size() && voices.lines[count].text != kVoiceListEnd) {
        ++count;
    }
    return count;
}

ScenePayload ParseScenePayload(std::span<const std::uint8_t> data, int scene) {
    PayloadReader reader(data, scene);
    ScenePayload payload;
    if (data.size() < kSceneHeaderSize) {
        reader.Fail("payload ends inside the scene header (" + std::to_string(data.size()) + " bytes)");
    }
    const auto header = reader.Bytes(kSceneHeaderSize, "scene header");
    std::copy(header.begin(), header.end(), payload.header.begin());

    const std::int32_t code_length = reader.Length("code block");
    if (code_length > static_cast<std::int32_t>(kMaxCodeBytes)) {
        reader.Fail("code block of " + std::to_string(code_length) + " bytes is longer than the " +
                    std::to_string(kMaxCodeBytes) + " bytes a scene may hold");
    }
    if (code_length <= 0) {
        payload.code_empty_length = code_length;
    } else {
        const auto code = reader.Bytes(static_cast<std::size_t>(code_length), "code block");
        const std::size_t records = code.size() / kInstructionSize;
        payload.code.reserve(records);
        for (std::size_t i = 0; i < records; ++i) {
            payload.code.push_back(DecodeInstruction(code.data() + i * kInstructionSize));
        }
        const auto rest = code.subspan(records * kInstructionSize);
        payload.code_tail.assign(rest.begin(), rest.end());
    }

    for (std::size_t b = 0; b < payload.blocks.size(); ++b) {
        const std::int32_t length = reader.Length(BlockName(b));
        if (length <= 0) {
            payload.blocks[b].empty_length = length;
            continue;
        }
        const auto bytes = reader.Bytes(static_cast<std::size_t>(length), BlockName(b));
        payload.blocks[b] = SplitTextBlock(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    const std::size_t voices = VoiceNameCount(payload.Block(SceneBlock::Voices));
    if (voices > kVoiceNameCount) {
        reader.Fail("voice block has " + std::to_string(voices) + " names; at most " + std::to_string(kVoiceNameCount) +
                    " fit");
    }
    const auto rest = reader.Rest();
    payload.trailing.assign(rest.begin(), rest.end());
    return payload;
}

std::vector<std::uint8_t> BuildScenePayload(const ScenePayload& payload) {
    std::vector<std::uint8_t> out(payload.header.begin(), payload.header.end());
    const std::size_t code_bytes = payload.code.size() * kInstructionSize + payload.code_tail.size();
    if (code_bytes > kMaxCodeBytes) {
        throw SceneFormatError("scene code of " + std::to_string(code_bytes) + " bytes is longer than the " +
                               std::to_string(kMaxCodeBytes) + " bytes a scene may hold");
    }
    if (code_bytes == 0 && payload.code_empty_length > 0) {
        throw SceneFormatError("an empty code block cannot have the length " +
                               std::to_string(payload.code_empty_length));
    }
    AppendI32(out, code_bytes == 0 ? payload.code_empty_length : static_cast<std::int32_t>(code_bytes));
    const std::size_t code_start = out.size();
    out.resize(code_start + payload.code.size() * kInstructionSize);
    for (std::size_t i = 0; i < payload.code.size(); ++i) {
        EncodeInstruction(payload.code[i], out.data() + code_start + i * kInstructionSize);
    }
    out.insert(out.end(), payload.code_tail.begin(), payload.code_tail.end());

    for (std::size_t b = 0; b < payload.blocks.size(); ++b) {
        const TextBlock& block = payload.blocks[b];
        const std::string bytes = block.Bytes();
        if (bytes.size() > 0x7FFFFFFF) {
            throw SceneFormatError(std::string(BlockName(b)) + " is too long");
        }
        if (bytes.empty() && block.empty_length > 0) {
            throw SceneFormatError(std::string("an empty ") + BlockName(b) + " cannot have the length " +
                                   std::to_string(block.empty_length));
        }
        // The block must read back as the same lines: no terminator inside a line, none missing
        // before the last line, a tail that starts at a NUL.
        TextBlock reread = SplitTextBlock(bytes);
        reread.empty_length = block.empty_length;
        if (reread != block) {
            throw SceneFormatError(std::string(BlockName(b)) +
                                   ": its lines would not read back as written (a line holds CR, LF or NUL, a "
                                   "line other than the last has no line end, or the tail does not start with NUL)");
        }
        AppendI32(out, bytes.empty() ? block.empty_length : static_cast<std::int32_t>(bytes.size()));
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    out.insert(out.end(), payload.trailing.begin(), payload.trailing.end());
    return out;
}

} // namespace hk
