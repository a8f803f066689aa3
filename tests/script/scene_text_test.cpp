// The text form as authors write it: what a hand-written scene assembles to, the mistakes it
// reports, and that disassembly reproduces scenes exactly, whatever their bytes.
#include "data/scene_text.h"
#include "data/shift_jis.h"

#include <gtest/gtest.h>

#include <random>

namespace hk {
namespace {

ScriptInstruction Ins(Opcode op, std::int16_t a = 0, std::int16_t b = 0, std::int16_t c = 0, std::uint8_t flags = 0) {
    return ScriptInstruction{static_cast<std::uint8_t>(op), flags, a, b, c};
}

std::string ErrorOf(std::string_view text) {
    try {
        AssembleScene(text, "x.txt");
    } catch (const SceneTextError& e) {
        return e.what();
    }
    return "";
}

TEST(SceneText, HandWrittenSceneAssemblesToRecordsAndLists) {
    const ScenePayload p = AssembleScene(R"(; a small scene
start:
    bg 101
    message "「こんにちは」", "yuki_001"
    message "表示"            ; no voice: -1
    let s5, 7
    add gs6, s5, -1
    if_lt 2, s5, 0x10
    endif 2
    system random, 6
    jump start, 3
    call "sub one"
    jump start
    op 0x99 1, g2 bits=0xC0
    end
)",
                                         "scene.txt");
    const std::vector<ScriptInstruction> expected = {
        Ins(Opcode::OP_LABEL, 0),
        Ins(Opcode::OP_BG, 101),
        Ins(Opcode::OP_MESSAGE, 0, 0),
        Ins(Opcode::OP_MESSAGE, 1, -1),
        Ins(Opcode::OP_LET, 5, 7, 0, 0x01),
        Ins(Opcode::OP_ADD, 6, 5, -1, 0x03 | 0x04),
        Ins(Opcode::OP_IF_LT, 2, 5, 16, 0x04),
        Ins(Opcode::OP_ENDIF, 2),
        Ins(Opcode::OP_SYSTEM, 777, 6),
        Ins(Opcode::OP_JUMP, 0, 3),
        Ins(Opcode::OP_CALL, 1, 0),
        Ins(Opcode::OP_JUMP, 2, 0), // every jump adds its own line
        ScriptInstruction{0x99, 0xC8, 1, 2, 0},
        Ins(Opcode::OP_END),
    };
    EXPECT_EQ(p.code, expected);
    EXPECT_EQ(p.Block(SceneBlock::Labels).Texts(), (std::vector<std::string>{"start"}));
    EXPECT_EQ(p.Block(SceneBlock::Jumps).Texts(), (std::vector<std::string>{"start", "sub one", "start"}));
    EXPECT_EQ(p.Block(SceneBlock::Voices).Texts(), (std::vector<std::string>{"yuki_001"}));
    EXPECT_EQ(p.Block(SceneBlock::Messages).Texts(),
              (std::vector<std::string>{Utf8ToSjis("「こんにちは」"), "\x95\x5C\x8E\xA6"}));
    // Written by hand, every line ends in CR LF.
    EXPECT_EQ(p.Block(SceneBlock::Messages).Bytes(), Utf8ToSjis("「こんにちは」") + "\r\n\x95\x5C\x8E\xA6\r\n");
}

TEST(SceneText, LabelsAreOneLinePerNameAndNumbersIndexDirectly) {
    const ScenePayload p = AssembleScene("a:\nb:\na:\nlabel \"b\"\nlabel 7\nmessage 3\n.message \"declared\"\n"
                                         "message \"inline\"\n",
                                         "t");
    EXPECT_EQ(p.Block(SceneBlock::Labels).Texts(), (std::vector<std::string>{"a", "b"}));
    ASSERT_EQ(p.code.size(), 7u);
    EXPECT_EQ(p.code[2].operand1, 0);
    EXPECT_EQ(p.code[3].operand1, 1);
    EXPECT_EQ(p.code[4].operand1, 7);
    EXPECT_EQ(p.code[5].operand1, 3);
    // Declared lines come first wherever they are written.
    EXPECT_EQ(p.Block(SceneBlock::Messages).Texts(), (std::vector<std::string>{"declared", "inline"}));
    EXPECT_EQ(p.code[6].operand1, 1);

    // A byte order mark and CR LF line ends, as Windows editors save files.
    EXPECT_EQ(AssembleScene("\xEF\xBB\xBF; note\r\n    bg 3\r\n", "t").code,
              (std::vector<ScriptInstruction>{Ins(Opcode::OP_BG, 3)}));
}

TEST(SceneText, MistakesNameTheLine) {
    EXPECT_EQ(ErrorOf("bg 1\nfly 3\n"), "x.txt:2: unknown instruction 'fly'");
    EXPECT_NE(ErrorOf("message \"open\n").find("x.txt:1: string has no closing quote"), std::string::npos);
    EXPECT_NE(ErrorOf("\n\nbg 70000\n").find("x.txt:3: operand 70000 does not fit"), std::string::npos);
    EXPECT_NE(ErrorOf("bg \"text\"\n").find("x.txt:1: operand 1 of bg is a number"), std::string::npos);
    EXPECT_NE(ErrorOf("message \"\xF0\x9F\x98\x80\"\n").find("x.txt:1: text cannot be written in Shift-JIS"),
              std::string::npos);
    EXPECT_NE(ErrorOf("char 1 2\n").find("separated by commas"), std::string::npos);
    EXPECT_NE(ErrorOf("bg 1, 2, 3, 4\n").find("at most three"), std::string::npos);
    EXPECT_NE(ErrorOf("system warp\n").find("unknown system command 'warp'"), std::string::npos);
    EXPECT_NE(ErrorOf("let s1, 2 bits=0x01\n").find("unused flag bits"), std::string::npos);
    EXPECT_NE(ErrorOf(".header 01 02\n").find("12 bytes"), std::string::npos);
    EXPECT_NE(ErrorOf("message \"a\\q\"\n").find("unknown escape"), std::string::npos);
    EXPECT_NE(ErrorOf(".frobnicate\n").find("unknown directive"), std::string::npos);
}

// Shift-JIS lines that are awkward in text: trail bytes 0x5C, characters with two codes,
// invalid bytes, quotes, backslashes, semicolons and control bytes.
const std::vector<std::string> kAwkwardLines = {
    "start",
    "\x95\x5C\x83\x5C\x94\x5C", // 表ソ能: trail byte 0x5C
    "a\"b\\c;d",
    "",
    "\ttab\x7F",
    "\x80\xFD\xFF raw",
    "end lead \x81",
    "\xB1\xB2\xB3",             // half-width katakana
    "\xED\x40\xFA\x5C\x87\x90", // NEC and IBM codes of the same characters
    "--END--",
    "name with spaces",
    "s12", // looks like a variable
};

std::string RandomLine(std::mt19937& rng) {
    return kAwkwardLines[rng() % kAwkwardLines.size()];
}

TextBlock RandomBlock(std::mt19937& rng, bool tidy) {
    TextBlock block;
    const int lines = static_cast<int>(rng() % 6);
    for (int i = 0; i < lines; ++i) {
        const LineEnd ends[] = {LineEnd::CRLF, LineEnd::LF, LineEnd::CR};
        block.lines.push_back({RandomLine(rng), tidy ? LineEnd::CRLF : ends[rng() % 3]});
    }
    if (!block.lines.empty() && rng() % 3 == 0) {
        block.lines.back().end = LineEnd::None;
    }
    if (rng() % 4 == 0) {
        block.tail = std::string("\0", 1) + (rng() % 2 ? "after" : "");
    }
    if (block.lines.empty() && block.tail.empty() && rng() % 2) {
        block.empty_length = -static_cast<std::int32_t>(rng() % 5);
    }
    // Keep only blocks that read back as written (an empty last line without an end cannot).
    if (SplitTextBlock(block.Bytes()).lines != block.lines) {
        block.lines.clear();
    }
    return block;
}

TEST(SceneText, DisassemblyRebuildsRandomScenesExactly) {
    std::mt19937 rng(2024);
    std::vector<std::uint8_t> codes;
    for (const OpcodeInfo& info : AllOpcodes()) {
        codes.push_back(info.code);
    }
    codes.insert(codes.end(), {0x00, 0x12, 0x4D, 0xFE});
    for (int round = 0; round < 200; ++round) {
        ScenePayload p;
        const bool tidy = round % 2 == 0;
        for (TextBlock& block : p.blocks) {
            block = RandomBlock(rng, tidy);
        }
        const int count = static_cast<int>(rng() % 40);
        for (int i = 0; i < count; ++i) {
            ScriptInstruction ins;
            ins.opcode = codes[rng() % codes.size()];
            ins.flags = rng() % 3 == 0 ? static_cast<std::uint8_t>(rng()) : 0;
            for (int k = 0; k < 3; ++k) {
                const int choice = static_cast<int>(rng() % 4);
                ins.SetOperand(k, static_cast<std::int16_t>(choice == 0   ? static_cast<int>(rng() % 6)
                                                            : choice == 1 ? -1
                                                            : choice == 2 ? 0
                                                                          : static_cast<std::int16_t>(rng())));
            }
            p.code.push_back(ins);
        }
        if (rng() % 5 == 0) {
            p.code_tail = std::string("\x01\x02\x03", 1 + rng() % 3);
        }
        if (rng() % 5 == 0) {
            p.header[rng() % 12] = static_cast<std::uint8_t>(rng());
        }
        if (rng() % 5 == 0) {
            p.trailing.assign(1, '\xAA');
        }
        if (p.code.empty() && p.code_tail.empty() && rng() % 2) {
            p.code_empty_length = -16;
        }
        const std::string text = DisassembleScene(p, round);
        EXPECT_EQ(AssembleScene(text, "round"), p) << text;
    }
}

TEST(SceneText, OrdinaryScenesDisassembleWithTextsInline) {
    const std::string source = "start:\n"
                               "    message \"\xE8\xA1\xA8\xE7\xA4\xBA\", \"v01\"\n" // 表示
                               "    if_eq 1, s2, 3\n"
                               "        message \"yes\"\n"
                               "    endif 1\n"
                               "    jump start\n"
                               "    end\n";
    const ScenePayload p = AssembleScene(source, "s");
    const std::string text = DisassembleScene(p, 4);
    EXPECT_NE(text.find(source), std::string::npos) << text;
    EXPECT_EQ(text.find(".message"), std::string::npos);
}

} // namespace
} // namespace hk
