// `harukaze-tool scr`: disassembling an archive and assembling it again gives the same file, byte
// for byte, whatever its scenes, entries and layout hold.
#include "data/ifp_archive.h"
#include "data/scene_text.h"
#include "data/script_format.h"
#include "support/scene_assembler.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace hk::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Result {
    int status = -1;
    std::string output;
};

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

Result RunScr(const std::string& arguments) {
    const std::string command = Quote(HARUKAZE_TOOL_PATH) + " scr " + arguments + " 2>&1";
    Result result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return result;
    }
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
        result.output.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// An archive laid out by hand: payloads wherever the test puts them.
class RawArchive {
public:
    RawArchive() : m_bytes(kIfpPayloadOffset, 0) {}

    void Header(std::string_view bytes) { std::copy(bytes.begin(), bytes.end(), m_bytes.begin()); }

    void Entry(int n, const IfpEntry& entry) {
        const auto raw = EncodeIfpEntry(entry);
        std::copy(raw.begin(), raw.end(), m_bytes.begin() + kIfpIndexOffset + n * kIfpEntrySize);
    }

    // Puts the parts at `offset` (grows the file) and records the entry.
    void Item(int n, std::uint16_t type_a, const Bytes& a, std::uint32_t offset, std::uint16_t type_b = 0,
              const Bytes& b = {}) {
        Put(offset, a);
        Put(offset + static_cast<std::uint32_t>(a.size()), b);
        Entry(n, IfpEntry{type_a, type_b, offset, static_cast<std::uint32_t>(a.size()),
                          static_cast<std::uint32_t>(b.size())});
    }

    void Put(std::uint32_t offset, const Bytes& data) {
        if (m_bytes.size() < offset + data.size()) {
            m_bytes.resize(offset + data.size(), 0);
        }
        std::copy(data.begin(), data.end(), m_bytes.begin() + offset);
    }

    std::uint32_t End() const { return static_cast<std::uint32_t>(m_bytes.size()); }
    const Bytes& Data() const { return m_bytes; }

private:
    Bytes m_bytes;
};

// Every opcode, known or not, with every flags byte, and operands that reach into the lists.
Bytes EveryOpcodeAndFlagsScene() {
    ScenePayload p;
    for (int code = 0; code < 256; ++code) {
        for (int flags = 0; flags < 256; ++flags) {
            p.code.push_back(ScriptInstruction{static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(flags),
                                               static_cast<std::int16_t>(flags % 4 - 1),
                                               static_cast<std::int16_t>(code % 3 - 1),
                                               static_cast<std::int16_t>(-32768 + flags)});
        }
    }
    p.Block(SceneBlock::Labels) = SplitTextBlock("start\r\nloop\r\n");
    p.Block(SceneBlock::Jumps) = SplitTextBlock("loop\nstart");
    p.Block(SceneBlock::Voices) = SplitTextBlock("v\x95\x5C\r\nv2\r");
    p.Block(SceneBlock::Messages) = SplitTextBlock("\x95\x5C\x8E\xA6\r\n\x83\x5C\x81\x5B\nthird\r");
    return BuildScenePayload(p);
}

// Text blocks mixing CR, LF and CR LF, Shift-JIS with 0x5C trail bytes, a NUL tail, and the
// rarer bytes of a payload: scene header, a partial record, negative lengths, trailing bytes.
Bytes OddScene() {
    Bytes out = {'H', 'K', 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    auto put32 = [&out](std::int32_t v) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
        }
    };
    const Bytes code = {0x60, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0x4E, 0x01};
    put32(static_cast<std::int32_t>(code.size()));
    out.insert(out.end(), code.begin(), code.end());
    put32(-4); // labels: none
    const std::string jumps = "a\rb\nc\r\nd";
    put32(static_cast<std::int32_t>(jumps.size()));
    out.insert(out.end(), jumps.begin(), jumps.end());
    put32(0);
    static const char kMessages[] = "\x95\x5C\x8E\xA6\\n\r\n\x83\x5C\x81\x5B\0tail\r\n";
    const std::string messages(kMessages, sizeof kMessages - 1);
    put32(static_cast<std::int32_t>(messages.size()));
    out.insert(out.end(), messages.begin(), messages.end());
    out.push_back(0xEE);
    return out;
}

class ScrTool : public ::testing::Test {
protected:
    // disasm, then asm into a new file; returns the new file's bytes.
    Bytes RoundTrip(const Bytes& archive) {
        WriteFileBytes(m_dir / "SCR.IFP", archive);
        const Result disasm =
            RunScr("disasm " + Quote((m_dir / "SCR.IFP").string()) + " " + Quote((m_dir / "src").string()));
        EXPECT_EQ(disasm.status, 0) << disasm.output;
        m_disasm_output = disasm.output;
        const Result assembled =
            RunScr("asm " + Quote((m_dir / "src").string()) + " " + Quote((m_dir / "OUT.IFP").string()));
        EXPECT_EQ(assembled.status, 0) << assembled.output;
        return ReadFileBytes(m_dir / "OUT.IFP");
    }

    std::string ReadText(const std::string& name) {
        const Bytes bytes = ReadFileBytes(m_dir / "src" / name);
        return std::string(bytes.begin(), bytes.end());
    }

    TempDir m_dir;
    std::string m_disasm_output;
};

TEST_F(ScrTool, RoundTripOfAnOrdinaryArchiveIsByteIdentical) {
    ArchiveBuilder archive = ScenarioArchive({
        {1, "start:\n    bg 10\n    message \"\xE8\xA1\xA8\", \"v1\"\n    system title\n    jump start\n    end\n"},
        {20, "    message \"second\"\n    end\n"},
    });
    archive.Add(3, kSceneEntryType, EveryOpcodeAndFlagsScene());
    archive.Add(4, kSceneEntryType, OddScene());
    const Bytes original = archive.Bytes();
    EXPECT_EQ(RoundTrip(original), original);
    // The first scene reads as it was written, with its message as UTF-8 text.
    EXPECT_NE(ReadText("scene0001.txt").find("    message \"\xE8\xA1\xA8\", \"v1\"\n    system title\n"),
              std::string::npos)
        << ReadText("scene0001.txt");
    // Every scene became text, none was kept as raw bytes.
    EXPECT_EQ(ReadText("archive.txt").find(".bin"), std::string::npos) << ReadText("archive.txt");
}

TEST_F(ScrTool, RoundTripKeepsAnyLayoutHeaderAndNonSceneEntries) {
    RawArchive raw;
    raw.Header("IFP archive\x01\x02\x03\x04\x05");
    const Bytes scene = AssembleScenePayload("    message \"x\"\n    end\n");
    // Payloads out of entry order, with gaps of zeros and of data between them.
    raw.Item(9, kSceneEntryType, scene, 40000);
    raw.Item(2, kSceneEntryType, OddScene(), 33000);
    raw.Item(5, 22, Bytes{1, 2, 3}, 39000, 7, Bytes{4, 5}); // not a scene, with a part B
    raw.Item(6, 21, Bytes{1, 2, 3}, 39100);                 // a damaged scene: kept raw
    raw.Item(7, 21, scene, 40000);                          // shares its payload with scene 9
    raw.Entry(8, IfpEntry{21, 0, 0x7FFFFF00, 100, 0});      // points past the end of the file
    raw.Entry(10, IfpEntry{0, 3, 1234, 0, 0});              // no item, but fields set
    raw.Put(39500, Bytes{0xDE, 0xAD});
    raw.Put(raw.End() + 10, Bytes{0xBE, 0xEF}); // bytes after the last payload
    const Bytes original = raw.Data();
    EXPECT_EQ(RoundTrip(original), original);
    EXPECT_NE(m_disasm_output.find("scene 6"), std::string::npos) << m_disasm_output;
}

TEST_F(ScrTool, AssemblesADirectoryOfScenesWithoutLayoutFile) {
    std::filesystem::create_directories(m_dir / "game");
    std::ofstream(m_dir / "game" / "scene0001.txt") << "    jump \"go\", 2\n    end\n";
    std::ofstream(m_dir / "game" / "scene0002.txt") << "go:\n    message \"hello\"\n    end\n";
    std::ofstream(m_dir / "game" / "notes.txt") << "not a scene";
    const Result result = RunScr("asm " + Quote((m_dir / "game").string()) + " " + Quote((m_dir / "SCR.IFP").string()));
    ASSERT_EQ(result.status, 0) << result.output;
    IfpArchive archive(m_dir / "SCR.IFP");
    const IfpIndex index = archive.ReadIndex();
    EXPECT_EQ(index.Entry(1).type_a, kSceneEntryType);
    EXPECT_EQ(index.Entry(2).type_a, kSceneEntryType);
    EXPECT_EQ(index.Entry(3).type_a, 0);
    const ScenePayload two = ParseScenePayload(archive.ReadPartA(index.Entry(2), 2), 2);
    EXPECT_EQ(two.Block(SceneBlock::Messages).Texts(), (std::vector<std::string>{"hello"}));
}

TEST_F(ScrTool, ReportsMistakesWithFileAndLine) {
    std::filesystem::create_directories(m_dir / "game");
    std::ofstream(m_dir / "game" / "scene0001.txt") << "    bg 1\n    jumpp x\n";
    const Result result = RunScr("asm " + Quote((m_dir / "game").string()) + " " + Quote((m_dir / "SCR.IFP").string()));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("scene0001.txt:2: unknown instruction 'jumpp'"), std::string::npos) << result.output;
    EXPECT_FALSE(std::filesystem::exists(m_dir / "SCR.IFP"));

    // A grown scene that keeps a fixed offset may not overwrite its neighbour.
    std::ofstream(m_dir / "game" / "scene0001.txt") << "    message \"a much longer message than before\"\n    end\n";
    std::ofstream(m_dir / "game" / "scene0002.txt") << "    end\n";
    std::ofstream(m_dir / "game" / "archive.txt") << "scene 2 scene0002.txt\nscene 1 scene0001.txt offset 32784\n";
    const Result overlap =
        RunScr("asm " + Quote((m_dir / "game").string()) + " " + Quote((m_dir / "SCR.IFP").string()));
    EXPECT_EQ(overlap.status, 1);
    EXPECT_NE(overlap.output.find("entry 1 overlaps"), std::string::npos) << overlap.output;

    EXPECT_EQ(RunScr("disasm").status, 2);
    const Result missing =
        RunScr("disasm " + Quote((m_dir / "none.ifp").string()) + " " + Quote((m_dir / "o").string()));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("none.ifp"), std::string::npos);
}

} // namespace
} // namespace hk::test
