// The scene payload codec and the opcode table: what the engine refuses to load, and that the
// parsed form rebuilds to the same bytes.
#include "data/scene_text.h"
#include "data/script_format.h"
#include "data/shift_jis.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace hk {
namespace {

using Bytes = std::vector<std::uint8_t>;

void PutI32(Bytes& out, std::int32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
    }
}

// header, code length + code, then four (length, bytes) blocks.
Bytes Payload(const Bytes& code, const std::array<std::string, 4>& blocks) {
    Bytes out(12, 0);
    PutI32(out, static_cast<std::int32_t>(code.size()));
    out.insert(out.end(), code.begin(), code.end());
    for (const std::string& block : blocks) {
        PutI32(out, static_cast<std::int32_t>(block.size()));
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

std::string RefusalOf(const Bytes& payload) {
    try {
        ParseScenePayload(payload, 7);
    } catch (const SceneFormatError& e) {
        return e.what();
    }
    return "";
}

TEST(ScenePayload, InstructionRecordIsLittleEndianWithSignedOperands) {
    const std::uint8_t record[8] = {0x51, 0x05, 0x05, 0x00, 0x30, 0x75, 0xFF, 0xFF}; // add s5, 30000, -1
    const ScriptInstruction ins = DecodeInstruction(record);
    EXPECT_EQ(ins.opcode, 0x51);
    EXPECT_EQ(ins.flags, 0x05);
    EXPECT_EQ(ins.operand1, 5);
    EXPECT_EQ(ins.operand2, 30000);
    EXPECT_EQ(ins.operand3, -1);
    std::uint8_t back[8] = {};
    EncodeInstruction(ins, back);
    EXPECT_EQ(0, std::memcmp(record, back, 8));
}

TEST(ScenePayload, ParsesBlocksAndKeepsEveryByteForRebuilding) {
    Bytes code(8 * 2 + 3, 0); // two records and three stray bytes
    code[0] = 0x60;
    code[8] = 0xFF;
    code[16] = 0xAB;
    const std::array<std::string, 4> blocks = {"start\r\nloop", "loop\n", std::string("v1\r\nv2\0junk", 11),
                                               "line1\rline2\r\n\r\nlast"};
    Bytes bytes = Payload(code, blocks);
    bytes[3] = 0x42;       // scene header bytes are kept as they are
    bytes.push_back(0x99); // and so is anything after the last block
    const ScenePayload p = ParseScenePayload(bytes, 3);
    ASSERT_EQ(p.code.size(), 2u);
    EXPECT_EQ(p.code[0].opcode, 0x60);
    EXPECT_EQ(p.code_tail, std::string("\xAB\0\0", 3));
    EXPECT_EQ(p.Block(SceneBlock::Labels).Texts(), (std::vector<std::string>{"start", "loop"}));
    EXPECT_EQ(p.Block(SceneBlock::Jumps).Texts(), (std::vector<std::string>{"loop"}));
    EXPECT_EQ(p.Block(SceneBlock::Voices).Texts(), (std::vector<std::string>{"v1", "v2"}));
    EXPECT_EQ(p.Block(SceneBlock::Voices).tail, std::string("\0junk", 5));
    EXPECT_EQ(p.Block(SceneBlock::Messages).Texts(), (std::vector<std::string>{"line1", "line2", "", "last"}));
    EXPECT_EQ(p.trailing, "\x99");
    EXPECT_EQ(BuildScenePayload(p), bytes);
}

TEST(ScenePayload, NonPositiveLengthsMeanEmptyAndAreKept) {
    Bytes bytes(12, 0);
    PutI32(bytes, -8); // code
    PutI32(bytes, 0);
    PutI32(bytes, -1);
    PutI32(bytes, -2147483647 - 1);
    PutI32(bytes, 0);
    const ScenePayload p = ParseScenePayload(bytes, 1);
    EXPECT_TRUE(p.code.empty());
    EXPECT_EQ(p.code_empty_length, -8);
    EXPECT_TRUE(p.blocks[1].lines.empty());
    EXPECT_EQ(BuildScenePayload(p), bytes);
}

TEST(ScenePayload, RefusesCodeBlocksLongerThanTheScriptCodeTable) {
    Bytes bytes(12, 0);
    PutI32(bytes, 524288 + 8);
    EXPECT_NE(RefusalOf(bytes).find("524288"), std::string::npos);
    // Exactly 65536 records is the largest scene.
    const Bytes largest = Payload(Bytes(524288, 0xFF), {});
    EXPECT_EQ(ParseScenePayload(largest, 1).code.size(), 65536u);
}

TEST(ScenePayload, RefusesMoreVoiceNamesThanVoiceNamesHolds) {
    std::string voices;
    for (int i = 0; i < 10001; ++i) {
        voices += 'v';
        voices += std::to_string(i);
        voices += "\r\n";
    }
    const std::string refusal = RefusalOf(Payload({}, {"", "", voices, ""}));
    EXPECT_NE(refusal.find("scene 7"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("10001"), std::string::npos) << refusal;
    // A "--END--" line stops the copy, so the lines after it do not count.
    EXPECT_EQ(RefusalOf(Payload({}, {"", "", "a\r\n--END--\r\n" + voices, ""})), "");
    std::string exactly;
    for (int i = 0; i < 10000; ++i) {
        exactly += "v\n";
    }
    EXPECT_EQ(RefusalOf(Payload({}, {"", "", exactly, ""})), "");
}

TEST(ScenePayload, RefusesPayloadsCutShortAndLengthsPastTheEnd) {
    const Bytes whole = Payload(Bytes(16, 0), {"a", "b", "c", "d"});
    // Every cut before the end falls before a length field or inside a block.
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const std::string refusal = RefusalOf(Bytes(whole.begin(), whole.begin() + static_cast<long>(size)));
        EXPECT_NE(refusal.find("SCR.IFP scene 7"), std::string::npos) << "cut at " << size << ": " << refusal;
    }
    EXPECT_NE(RefusalOf(Bytes(whole.begin(), whole.begin() + 16 + 16)).find("length of the label block"),
              std::string::npos);
    Bytes huge(12, 0);
    PutI32(huge, 0);
    PutI32(huge, 0x7FFFFFFF); // a label block of 2 GiB in a 24-byte payload
    EXPECT_NE(RefusalOf(huge).find("claims 2147483647 bytes"), std::string::npos);
}

TEST(ScenePayload, BuildRefusesBlocksThatWouldNotReadBack) {
    ScenePayload p;
    p.blocks[3].lines = {{"a\nb", LineEnd::CRLF}};
    EXPECT_THROW(BuildScenePayload(p), SceneFormatError);
    p.blocks[3].lines = {{"a", LineEnd::None}, {"b", LineEnd::CRLF}};
    EXPECT_THROW(BuildScenePayload(p), SceneFormatError);
    p.blocks[3].lines = {{"a", LineEnd::CR}, {"", LineEnd::LF}}; // would read back as one CR LF
    EXPECT_THROW(BuildScenePayload(p), SceneFormatError);
    p.blocks[3].lines = {{"a", LineEnd::CRLF}};
    p.blocks[3].tail = "x";
    EXPECT_THROW(BuildScenePayload(p), SceneFormatError);
}

TEST(ScenePayload, LineSplittingAgreesWithTheSharedSplitter) {
    std::mt19937 rng(5);
    const char alphabet[] = {'a', '\r', '\n', '\0', '\x95', '\x5C', ' '};
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        const int length = static_cast<int>(rng() % 12);
        for (int i = 0; i < length; ++i) {
            bytes += alphabet[rng() % sizeof alphabet];
        }
        const TextBlock block = SplitTextBlock(bytes);
        EXPECT_EQ(block.Texts(), SplitLines(bytes)) << "round " << round;
        EXPECT_EQ(block.Bytes(), bytes) << "round " << round;
    }
}

TEST(OpcodeTable, NamesAndMnemonicsFindEveryEntry) {
    for (const OpcodeInfo& info : AllOpcodes()) {
        EXPECT_EQ(FindOpcode(info.code), &info);
        EXPECT_EQ(FindOpcodeByName(info.name), &info);
        EXPECT_EQ(FindOpcodeByName(info.mnemonic), &info);
        EXPECT_EQ(OpcodeName(info.code), info.name);
    }
    EXPECT_EQ(AllOpcodes().size(), 27u);
    EXPECT_EQ(FindOpcode(0x12), nullptr);
    EXPECT_EQ(OpcodeName(0x12), "0x12");
    for (const SystemCommandInfo& sys : AllSystemCommands()) {
        EXPECT_EQ(FindSystemCommand(sys.number), &sys);
        EXPECT_EQ(FindSystemCommandByName(sys.mnemonic), &sys);
        EXPECT_EQ(FindSystemCommandByName(sys.name), &sys);
    }
    EXPECT_EQ(FindSystemCommand(102), nullptr);
}

} // namespace
} // namespace hk
