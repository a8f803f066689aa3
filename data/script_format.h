// The scenario bytecode: the 8-byte instruction record, the one opcode table, and the scene
// payload of "SCR.IFP" (a 12-byte header, the code block and four Shift-JIS text blocks).
//
// The opcode table below is the only list of opcodes in the program: the interpreter's dispatch,
// `harukaze-tool scr` and the debug output are all generated from it, so they cannot drift apart.
// This file knows nothing about executing instructions; it only describes and (de)serialises them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hk {

// One instruction of a scene's code block, as stored (little-endian).
//   offset  size  field
//        0  u8    opcode
//        1  u8    flags (operand indirection, see OperandFlag)
//        2  i16   operand 1
//        4  i16   operand 2
//        6  i16   operand 3
struct ScriptInstruction {
    std::uint8_t opcode = 0;
    std::uint8_t flags = 0;
    std::int16_t operand1 = 0;
    std::int16_t operand2 = 0;
    std::int16_t operand3 = 0;

    std::int16_t Operand(int index) const { return index == 0 ? operand1 : index == 1 ? operand2 : operand3; }
    void SetOperand(int index, std::int16_t value) {
        (index == 0 ? operand1 : index == 1 ? operand2 : operand3) = value;
    }
    friend bool operator==(const ScriptInstruction&, const ScriptInstruction&) = default;
};

static_assert(sizeof(ScriptInstruction) == 8);
static_assert(offsetof(ScriptInstruction, opcode) == 0);
static_assert(offsetof(ScriptInstruction, flags) == 1);
static_assert(offsetof(ScriptInstruction, operand1) == 2);
static_assert(offsetof(ScriptInstruction, operand2) == 4);
static_assert(offsetof(ScriptInstruction, operand3) == 6);

inline constexpr std::size_t kInstructionSize = 8;
inline constexpr std::size_t kScriptCodeRecords = 65536;                            // ScriptCode
inline constexpr std::size_t kMaxCodeBytes = kScriptCodeRecords * kInstructionSize; // 524,288
inline constexpr std::size_t kVoiceNameCount = 10000;                               // VoiceNames
inline constexpr std::size_t kSceneHeaderSize = 12;
inline constexpr int kSceneEntryType = 21; // type A of a scene in the archive index
inline constexpr const char* kVoiceListEnd = "--END--";

// Decodes record `index` of a code block; the caller checks the range.
ScriptInstruction DecodeInstruction(const std::uint8_t* record);
void EncodeInstruction(const ScriptInstruction& instruction, std::uint8_t* record);

// Operand flag bits. Pass 1 (scenario bank) runs completely before pass 2 (system bank), so an
// operand with both bits set reads SystemVars[ScenarioVars[n]]. Bits 6 and 7 mean nothing but are
// kept as stored.
enum OperandFlag : std::uint8_t {
    kOp1Scenario = 0x01,
    kOp1System = 0x02,
    kOp2Scenario = 0x04,
    kOp2System = 0x08,
    kOp3Scenario = 0x10,
    kOp3System = 0x20,
};
// The two flag bits of operand `index` (0..2): scenario bit, system bit.
constexpr std::uint8_t ScenarioFlag(int index) {
    return static_cast<std::uint8_t>(0x01 << (2 * index));
}
constexpr std::uint8_t SystemFlag(int index) {
    return static_cast<std::uint8_t>(0x02 << (2 * index));
}
inline constexpr std::uint8_t kUnusedFlagBits = 0xC0;

// What an operand means, for the text form and the debug output.
enum class OperandKind : std::uint8_t {
    None,       // not used by the opcode (kept as stored)
    Number,     // a plain value
    Dest,       // arithmetic destination: the stored index; flag bits 0/1 pick the bank(s)
    Label,      // index into LabelNames
    JumpName,   // index into JumpNames
    Scene,      // scene number, 0 = stay in the loaded scene
    Message,    // index into MessageTexts (also the message number of the read-marks)
    Voice,      // index into VoiceNames, -1 = no voice
    Block,      // conditional block number
    SysCommand, // OP_SYSTEM sub-command
};

// How the interpreter goes on after the opcode, as documented for authors. Several opcodes end
// the tick or not depending on their operands (`Varies`); the interpreter decides those itself.
enum class OpcodeFlow : std::uint8_t { Continue, EndTick, Varies };

// The opcode table. X(code, enum name, mnemonic, operand kinds 1..3, flow, one-line description).
#define HK_SCRIPT_OPCODES(X)                                                                                           \
    X(0x10, OP_BG, "bg", Number, None, None, Continue, "load graphic op1 as the background (0 = clear)")               \
    X(0x11, OP_CHAR, "char", Number, Number, Number, Continue,                                                         \
      "character layer op1 (0 = clear both): graphic op2, placement op3")                                              \
    X(0x20, OP_EFFECT, "effect", Number, Number, Number, Varies,                                                       \
      "show the new picture: op1 1 = cross-fade, 41..46 = rule wipe; op2 ms, op3 strength")                            \
    X(0x30, OP_BGM, "bgm", Number, Number, Number, Continue, "music op1 (0 = stop all sound), op2 loop")               \
    X(0x31, OP_SE, "se", Number, Number, Number, Continue, "effect channel op1: sound op2 (0 = stop), op3 1 = loop")   \
    X(0x40, OP_JUMP, "jump", JumpName, Scene, None, EndTick, "go to label JumpNames[op1] in scene op2 (0 = this)")     \
    X(0x41, OP_CALL, "call", JumpName, Scene, None, EndTick, "as jump, remembering where to return")                   \
    X(0x4E, OP_LABEL, "label", Label, None, None, Continue, "label LabelNames[op1]")                                   \
    X(0x4F, OP_RETURN, "return", None, None, None, Varies, "return after the last call")                               \
    X(0x50, OP_LET, "let", Dest, Number, None, Continue, "dest := op2")                                                \
    X(0x51, OP_ADD, "add", Dest, Number, Number, Continue, "dest := op2 + op3")                                        \
    X(0x52, OP_SUB, "sub", Dest, Number, Number, Continue, "dest := op2 - op3")                                        \
    X(0x53, OP_MUL, "mul", Dest, Number, Number, Continue, "dest := op2 * op3")                                        \
    X(0x54, OP_DIV, "div", Dest, Number, Number, Continue, "dest := op2 / op3 (0 when op3 = 0)")                       \
    X(0x55, OP_MOD, "mod", Dest, Number, Number, Continue, "dest := op2 mod op3 (0 when op3 = 0)")                     \
    X(0x60, OP_MESSAGE, "message", Message, Voice, None, EndTick, "show MessageTexts[op1] with voice op2")             \
    X(0x68, OP_SELECT, "select", Message, Number, None, EndTick, "choice in the message window")                       \
    X(0x69, OP_SELECT2, "select2", Message, Number, None, EndTick, "full-screen choice")                               \
    X(0x70, OP_IF_EQ, "if_eq", Block, Number, Number, Continue, "enter block op1 if op2 = op3")                        \
    X(0x71, OP_IF_NE, "if_ne", Block, Number, Number, Continue, "enter block op1 if op2 <> op3")                       \
    X(0x72, OP_IF_LT, "if_lt", Block, Number, Number, Continue, "enter block op1 if op2 < op3")                        \
    X(0x73, OP_IF_GT, "if_gt", Block, Number, Number, Continue, "enter block op1 if op2 > op3")                        \
    X(0x7E, OP_ELSE, "else", Block, None, None, Continue, "end of the then-part of block op1")                         \
    X(0x7F, OP_ENDIF, "endif", Block, None, None, Continue, "end of block op1")                                        \
    X(0x80, OP_WAIT, "wait", Number, None, None, Varies, "wait op1 ms (0 = for a key, negative = not at all)")         \
    X(0x88, OP_SYSTEM, "system", SysCommand, Number, None, Varies, "system sub-command op1 with argument op2")         \
    X(0xFF, OP_END, "end", None, None, None, EndTick, "end of scene")

enum class Opcode : std::uint8_t {
#define HK_OPCODE_ENUM(code, name, mnemonic, k1, k2, k3, flow, text) name = code,
    HK_SCRIPT_OPCODES(HK_OPCODE_ENUM)
#undef HK_OPCODE_ENUM
};

struct OpcodeInfo {
    std::uint8_t code;
    std::string_view name;     // "OP_MESSAGE", for the debug output
    std::string_view mnemonic; // "message", for the text form
    std::array<OperandKind, 3> operands;
    OpcodeFlow flow;
    std::string_view description;
};

// Every opcode of the table, in code order.
std::span<const OpcodeInfo> AllOpcodes();
// The entry for a code, or nullptr for a code the engine does not know (it skips those).
const OpcodeInfo* FindOpcode(std::uint8_t code);
// By mnemonic ("message") or name ("OP_MESSAGE"), case-insensitive.
const OpcodeInfo* FindOpcodeByName(std::string_view name);

// The sub-commands of OP_SYSTEM (operand 1). X(number, enum name, mnemonic, description).
#define HK_SYSTEM_COMMANDS(X)                                                                                          \
    X(101, SYS_TITLE, "title", "open the title menu")                                                                  \
    X(111, SYS_CURSOR, "cursor", "op2 0 hides the mouse cursor, otherwise shows it")                                   \
    X(121, SYS_AUXFLAG, "auxflag", "AuxFlag := op2 <> 0")                                                              \
    X(131, SYS_CONTEXTMENU, "contextmenu", "op2 <> 0 attaches the context menu while waiting")                         \
    X(141, SYS_FLOATWINDOW, "floatwindow", "op2 shows or hides the floating message window (when it is on)")           \
    X(777, SYS_RANDOM, "random", "ScenarioVars[1] := random number below op2")

enum class SystemCommand : std::int16_t {
#define HK_SYSCMD_ENUM(number, name, mnemonic, text) name = number,
    HK_SYSTEM_COMMANDS(HK_SYSCMD_ENUM)
#undef HK_SYSCMD_ENUM
};

struct SystemCommandInfo {
    std::int16_t number;
    std::string_view name;     // "SYS_TITLE"
    std::string_view mnemonic; // "title"
    std::string_view description;
};

std::span<const SystemCommandInfo> AllSystemCommands();
const SystemCommandInfo* FindSystemCommand(std::int16_t number);
// By mnemonic or name, case-insensitive.
const SystemCommandInfo* FindSystemCommandByName(std::string_view name);

// "OP_MESSAGE" for a known opcode, "0x5A" otherwise.
std::string OpcodeName(std::uint8_t code);

// How one line of a text block ended.
enum class LineEnd : std::uint8_t { None, CR, LF, CRLF };

struct TextLine {
    std::string text; // raw Shift-JIS bytes, without the terminator
    LineEnd end = LineEnd::CRLF;
    friend bool operator==(const TextLine&, const TextLine&) = default;
};

// One text block of a scene, kept so that it rebuilds to the very bytes it came from: the lines
// with their terminators, the bytes from a NUL on (which end the text), and the length field
// written when the block has no bytes (0, or a negative value some writer put there).
struct TextBlock {
    std::vector<TextLine> lines;
    std::string tail;
    std::int32_t empty_length = 0;

    // The lines as the engine's string lists see them.
    std::vector<std::string> Texts() const;
    // The block's bytes: each line and its terminator, then the tail.
    std::string Bytes() const;
    friend bool operator==(const TextBlock&, const TextBlock&) = default;
};

// Splits text bytes into lines at CR, LF or CR LF; a NUL byte ends the text (it and everything
// after it become the tail). The last line needs no terminator.
TextBlock SplitTextBlock(std::string_view bytes);

enum class SceneBlock : std::uint8_t { Labels = 0, Jumps = 1, Voices = 2, Messages = 3 };

// A scene payload (part A of a type-21 entry), parsed.
struct ScenePayload {
    std::array<std::uint8_t, kSceneHeaderSize> header{}; // not read by the engine
    std::vector<ScriptInstruction> code;
    std::string code_tail;              // bytes of a code length that is not a multiple of 8
    std::int32_t code_empty_length = 0; // length field written when the code block is empty
    std::array<TextBlock, 4> blocks;    // LabelNames, JumpNames, voice list, MessageTexts
    std::string trailing;               // bytes after the fourth block

    TextBlock& Block(SceneBlock b) { return blocks[static_cast<std::size_t>(b)]; }
    const TextBlock& Block(SceneBlock b) const { return blocks[static_cast<std::size_t>(b)]; }
    friend bool operator==(const ScenePayload&, const ScenePayload&) = default;
};

// A scene the engine must not load; the message names the scene and the problem.
class SceneFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses a scene payload. Refuses (SceneFormatError naming `scene`) a payload cut short before a
// length field or inside a block, a code block over 524,288 bytes and a voice list that would
// fill more than 10,000 voice names.
ScenePayload ParseScenePayload(std::span<const std::uint8_t> payload, int scene);
// Builds the payload bytes; ParseScenePayload(BuildScenePayload(p)) == p for every valid p.
std::vector<std::uint8_t> BuildScenePayload(const ScenePayload& payload);

// The voice names a scene puts into VoiceNames: its voice lines up to the first "--END--".
std::size_t VoiceNameCount(const TextBlock& voices);

} // namespace hk
