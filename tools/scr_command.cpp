// `harukaze-tool scr`: turns a scene archive into one text file per scene plus a layout file, and
// back. The layout file ("archive.txt") keeps whatever a scene text cannot: the archive header,
// entries that are not scenes, where each payload sits and any bytes between payloads, so that
// `scr asm` rebuilds an unchanged archive byte for byte. Edited scenes simply move the payloads
// after them.
#include "tools/commands.h"

#include "data/ifp_archive.h"
#include "data/scene_text.h"
#include "data/script_format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace hk::tool {

namespace {

namespace fs = std::filesystem;

constexpr const char* kLayoutFile = "archive.txt";
constexpr const char* kUsage = "usage: harukaze-tool scr disasm SCR.IFP DIR\n"
                               "       harukaze-tool scr asm DIR SCR.IFP\n"
                               "\n"
                               "disasm writes one text file per scene (sceneNNNN.txt) and the layout file\n"
                               "archive.txt into DIR; asm builds the archive from them. Without archive.txt, asm\n"
                               "takes every sceneNNNN.txt in DIR. The text form is described in\n"
                               "docs/script-format.md.\n";

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot open \"" + path.string() + "\" for reading");
    }
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::streamoff>(in.tellg());
    if (size < 0 || static_cast<std::uint64_t>(size) > kIfpMaxValue) {
        throw std::runtime_error("\"" + path.string() + "\" is larger than an archive can be");
    }
    in.seekg(0);
    Bytes data(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(data.data()), size)) {
        throw std::runtime_error("cannot read \"" + path.string() + "\"");
    }
    return data;
}

void WriteFile(const fs::path& path, const void* data, std::size_t size) {
    const fs::path temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size)) || !out.flush()) {
            std::error_code ec;
            fs::remove(temp, ec);
            throw std::runtime_error("cannot write \"" + path.string() + "\"");
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw std::runtime_error("cannot write \"" + path.string() + "\": " + ec.message());
    }
}

void WriteFile(const fs::path& path, const std::string& text) {
    WriteFile(path, text.data(), text.size());
}

std::string Number4(int n) {
    char buffer[16]; // room for any int, though scene numbers have four digits
    std::snprintf(buffer, sizeof buffer, "%04d", n);
    return buffer;
}

std::string HexByte(std::uint8_t b) {
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, "%02X", b);
    return buffer;
}

// ---------------------------------------------------------------------------------------------
// disasm

int Disassemble(const fs::path& archive_path, const fs::path& dir) {
    const Bytes file = ReadFile(archive_path);
    if (file.size() < kIfpPayloadOffset) {
        throw std::runtime_error("\"" + archive_path.string() + "\" is " + std::to_string(file.size()) +
                                 " bytes, too short for an archive header and index (" +
                                 std::to_string(kIfpPayloadOffset) + " bytes)");
    }
    fs::create_directories(dir);
    const IfpIndex index(std::span<const std::uint8_t, kIfpIndexSize>(file.data() + kIfpIndexOffset, kIfpIndexSize));

    std::string layout = "; Layout of " + archive_path.filename().string() +
                         " for harukaze-tool scr asm. Each scene is the text file named on its line.\n";
    if (std::any_of(file.begin(), file.begin() + kIfpHeaderSize, [](std::uint8_t b) { return b != 0; })) {
        layout += "header";
        for (std::size_t i = 0; i < kIfpHeaderSize; ++i) {
            layout += " " + HexByte(file[i]);
        }
        layout += "\n";
    }

    std::uint64_t next = kIfpPayloadOffset; // where asm puts a payload that names no offset
    std::vector<std::pair<std::uint64_t, std::uint64_t>> covered;
    int scenes = 0;
    for (int n = 0; n < kIfpEntryCount; ++n) {
        const IfpEntry e = index.Entry(n);
        if (e == IfpEntry{}) {
            continue;
        }
        bool fits = true;
        try {
            CheckIfpEntry(e, n, file.size(), archive_path.string());
        } catch (const std::runtime_error&) {
            fits = false;
        }
        // Parts that would lie in the header or index are nonsense; keep only the fields then.
        if (e.offset < kIfpPayloadOffset && e.length_a + static_cast<std::uint64_t>(e.length_b) != 0) {
            fits = false;
        }
        if (!fits || e.type_a == 0) {
            // Nothing to keep but the index fields themselves.
            layout += "index " + std::to_string(n) + " " + std::to_string(e.type_a) + " " + std::to_string(e.type_b) +
                      " " + std::to_string(e.offset) + " " + std::to_string(e.length_a) + " " +
                      std::to_string(e.length_b) + "\n";
            continue;
        }
        const std::uint8_t* part_a = file.data() + e.offset;
        std::string line;
        if (e.type_a == kSceneEntryType) {
            const std::string name = "scene" + Number4(n) + ".txt";
            try {
                const ScenePayload payload = ParseScenePayload(std::span(part_a, e.length_a), n);
                const std::string text = DisassembleScene(payload, n);
                if (BuildScenePayload(payload) != Bytes(part_a, part_a + e.length_a)) {
                    throw SceneFormatError("scene " + std::to_string(n) + " does not rebuild to its bytes");
                }
                WriteFile(dir / name, text);
                line = "scene " + std::to_string(n) + " " + name;
                ++scenes;
            } catch (const std::runtime_error& error) {
                std::fprintf(stderr, "warning: %s; kept as raw bytes\n", error.what());
            }
        }
        if (line.empty()) {
            const std::string name = "entry" + Number4(n) + ".a.bin";
            WriteFile(dir / name, part_a, e.length_a);
            line = "entry " + std::to_string(n) + " " + std::to_string(e.type_a) + " " + name;
        }
        if (e.type_b != 0) {
            line += " typeb " + std::to_string(e.type_b);
        }
        if (e.length_b != 0) {
            const std::string name = "entry" + Number4(n) + ".b.bin";
            WriteFile(dir / name, part_a + e.length_a, e.length_b);
            line += " partb " + name;
        }
        if (e.offset != next) {
            line += " offset " + std::to_string(e.offset);
        }
        const std::uint64_t end = static_cast<std::uint64_t>(e.offset) + e.length_a + e.length_b;
        next = std::max(next, end);
        covered.emplace_back(e.offset, end);
        layout += line + "\n";
    }

    // Bytes no payload claims (gaps between payloads, anything after the last one).
    std::sort(covered.begin(), covered.end());
    std::uint64_t pos = kIfpPayloadOffset;
    auto add_fill = [&](std::uint64_t from, std::uint64_t to) {
        if (from >= to) {
            return;
        }
        if (std::all_of(file.begin() + static_cast<std::ptrdiff_t>(from),
                        file.begin() + static_cast<std::ptrdiff_t>(to), [](std::uint8_t b) { return b == 0; })) {
            layout += "zeros " + std::to_string(from) + " " + std::to_string(to - from) + "\n";
        } else {
            const std::string name = "fill" + std::to_string(from) + ".bin";
            WriteFile(dir / name, file.data() + from, static_cast<std::size_t>(to - from));
            layout += "fill " + std::to_string(from) + " " + name + "\n";
        }
    };
    for (const auto& [from, to] : covered) {
        add_fill(pos, std::min<std::uint64_t>(from, file.size()));
        pos = std::max(pos, to);
    }
    add_fill(pos, file.size());
    WriteFile(dir / kLayoutFile, layout);
    std::printf("%d scenes written to %s\n", scenes, dir.string().c_str());
    return 0;
}

// ---------------------------------------------------------------------------------------------
// asm

// The archive being built, with a check that no two pieces disagree about a byte.
class ArchiveImage {
public:
    ArchiveImage() : m_bytes(kIfpPayloadOffset, 0), m_written(kIfpPayloadOffset, false) {}

    void Put(std::uint64_t offset, const std::uint8_t* data, std::size_t size, const std::string& what) {
        if (offset + size > kIfpMaxValue) {
            throw std::runtime_error(what + " would end past the 2 GiB an archive can address");
        }
        const std::size_t end = static_cast<std::size_t>(offset) + size;
        if (m_bytes.size() < end) {
            m_bytes.resize(end, 0);
            m_written.resize(end, false);
        }
        for (std::size_t i = 0; i < size; ++i) {
            const std::size_t at = static_cast<std::size_t>(offset) + i;
            if (m_written[at] && m_bytes[at] != data[i]) {
                throw std::runtime_error(what + " overlaps other data at offset " + std::to_string(at) +
                                         " (remove its offset to let it move)");
            }
            m_bytes[at] = data[i];
            m_written[at] = true;
        }
    }

    std::uint64_t End() const { return m_bytes.size(); }
    Bytes& Data() { return m_bytes; }

private:
    Bytes m_bytes;
    std::vector<bool> m_written;
};

struct LayoutLine {
    int line = 0;
    std::vector<std::string> words;
};

class LayoutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

long long ParseInt(const std::string& word, const std::string& where, long long low, long long high) {
    long long value = 0;
    const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || ptr != word.data() + word.size() || value < low || value > high) {
        throw LayoutError(where + ": '" + word + "' is not a number in " + std::to_string(low) + ".." +
                          std::to_string(high));
    }
    return value;
}

std::vector<LayoutLine> ReadLayout(const fs::path& dir) {
    std::vector<LayoutLine> lines;
    const fs::path path = dir / kLayoutFile;
    if (!fs::exists(path)) {
        // No layout: every sceneNNNN.txt of the directory, in number order.
        std::map<int, std::string> scenes;
        for (const auto& item : fs::directory_iterator(dir)) {
            const std::string name = item.path().filename().string();
            if (name.size() == 13 && name.starts_with("scene") && name.ends_with(".txt") &&
                std::all_of(name.begin() + 5, name.begin() + 9, [](char c) { return c >= '0' && c <= '9'; })) {
                scenes[std::stoi(name.substr(5, 4))] = name;
            }
        }
        if (scenes.empty()) {
            throw std::runtime_error("\"" + dir.string() + "\" has neither " + kLayoutFile +
                                     " nor sceneNNNN.txt files");
        }
        for (const auto& [n, name] : scenes) {
            lines.push_back({0, {"scene", std::to_string(n), name}});
        }
        return lines;
    }
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error("cannot open \"" + path.string() + "\"");
    }
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        if (const auto semicolon = text.find(';'); semicolon != std::string::npos) {
            text.erase(semicolon);
        }
        std::istringstream words(text);
        LayoutLine line{number, {}};
        for (std::string word; words >> word;) {
            line.words.push_back(word);
        }
        if (!line.words.empty()) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

int Assemble(const fs::path& dir, const fs::path& archive_path) {
    const std::vector<LayoutLine> layout = ReadLayout(dir);
    const std::string layout_name = (dir / kLayoutFile).string();
    ArchiveImage image;
    IfpIndex index;
    std::vector<bool> used(kIfpEntryCount, false);
    std::uint64_t next = kIfpPayloadOffset;
    std::vector<std::pair<std::uint64_t, Bytes>> fills;
    int scenes = 0;

    for (const LayoutLine& line : layout) {
        const std::string where = layout_name + ":" + std::to_string(line.line);
        const auto& w = line.words;
        auto need = [&](std::size_t count) {
            if (w.size() < count) {
                throw LayoutError(where + ": '" + w[0] + "' needs " + std::to_string(count - 1) + " values");
            }
        };
        if (w[0] == "header") {
            need(1 + kIfpHeaderSize);
            for (std::size_t i = 0; i < kIfpHeaderSize; ++i) {
                long long value = 0;
                const auto [ptr, ec] = std::from_chars(w[1 + i].data(), w[1 + i].data() + w[1 + i].size(), value, 16);
                if (ec != std::errc() || ptr != w[1 + i].data() + w[1 + i].size() || value < 0 || value > 255) {
                    throw LayoutError(where + ": header byte '" + w[1 + i] + "' is not two hexadecimal digits");
                }
                image.Data()[i] = static_cast<std::uint8_t>(value);
            }
            continue;
        }
        if (w[0] == "fill" || w[0] == "zeros") {
            need(3);
            const auto offset = static_cast<std::uint64_t>(ParseInt(w[1], where, kIfpPayloadOffset, kIfpMaxValue));
            Bytes bytes = w[0] == "fill" ? ReadFile(dir / w[2])
                                         : Bytes(static_cast<std::size_t>(ParseInt(w[2], where, 0, kIfpMaxValue)), 0);
            fills.emplace_back(offset, std::move(bytes));
            continue;
        }
        if (w[0] != "scene" && w[0] != "entry" && w[0] != "index") {
            throw LayoutError(where + ": unknown line '" + w[0] + "' (scene, entry, index, header, fill, zeros)");
        }
        need(2);
        const int n = static_cast<int>(ParseInt(w[1], where, 0, kIfpEntryCount - 1));
        if (used[n]) {
            throw LayoutError(where + ": entry " + std::to_string(n) + " is given twice");
        }
        used[n] = true;
        IfpEntry entry;
        if (w[0] == "index") {
            need(7);
            entry.type_a = static_cast<std::uint16_t>(ParseInt(w[2], where, 0, 65535));
            entry.type_b = static_cast<std::uint16_t>(ParseInt(w[3], where, 0, 65535));
            entry.offset = static_cast<std::uint32_t>(ParseInt(w[4], where, 0, 0xFFFFFFFF));
            entry.length_a = static_cast<std::uint32_t>(ParseInt(w[5], where, 0, 0xFFFFFFFF));
            entry.length_b = static_cast<std::uint32_t>(ParseInt(w[6], where, 0, 0xFFFFFFFF));
            const auto bytes = EncodeIfpEntry(entry);
            std::copy(bytes.begin(), bytes.end(), index.Bytes().begin() + n * kIfpEntrySize);
            continue;
        }
        Bytes part_a;
        std::size_t options = 3;
        if (w[0] == "scene") {
            need(3);
            entry.type_a = kSceneEntryType;
            const fs::path scene_path = dir / w[2];
            const Bytes text = ReadFile(scene_path);
            const ScenePayload payload = AssembleScene(
                std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), scene_path.string());
            part_a = BuildScenePayload(payload);
            ++scenes;
        } else {
            need(4);
            entry.type_a = static_cast<std::uint16_t>(ParseInt(w[2], where, 1, 65535));
            part_a = ReadFile(dir / w[3]);
            options = 4;
        }
        Bytes part_b;
        std::optional<std::uint64_t> offset;
        for (std::size_t i = options; i < w.size(); i += 2) {
            if (i + 1 >= w.size()) {
                throw LayoutError(where + ": '" + w[i] + "' needs a value");
            }
            if (w[i] == "typeb") {
                entry.type_b = static_cast<std::uint16_t>(ParseInt(w[i + 1], where, 0, 65535));
            } else if (w[i] == "partb") {
                part_b = ReadFile(dir / w[i + 1]);
            } else if (w[i] == "offset") {
                offset = static_cast<std::uint64_t>(ParseInt(w[i + 1], where, 0, kIfpMaxValue));
            } else {
                throw LayoutError(where + ": unknown option '" + w[i] + "' (typeb, partb, offset)");
            }
        }
        entry.offset = static_cast<std::uint32_t>(offset.value_or(next));
        entry.length_a = static_cast<std::uint32_t>(part_a.size());
        entry.length_b = static_cast<std::uint32_t>(part_b.size());
        if (entry.offset < kIfpPayloadOffset && !(part_a.empty() && part_b.empty())) {
            throw LayoutError(where + ": offset " + std::to_string(entry.offset) + " lies in the archive's index");
        }
        const std::string what = "entry " + std::to_string(n);
        image.Put(entry.offset, part_a.data(), part_a.size(), what);
        image.Put(static_cast<std::uint64_t>(entry.offset) + part_a.size(), part_b.data(), part_b.size(), what);
        next = std::max<std::uint64_t>(next, static_cast<std::uint64_t>(entry.offset) + part_a.size() + part_b.size());
        const auto bytes = EncodeIfpEntry(entry);
        std::copy(bytes.begin(), bytes.end(), index.Bytes().begin() + n * kIfpEntrySize);
    }
    for (const auto& [offset, bytes] : fills) {
        image.Put(offset, bytes.data(), bytes.size(), "fill at " + std::to_string(offset));
    }
    std::copy(index.Bytes().begin(), index.Bytes().end(), image.Data().begin() + kIfpIndexOffset);
    WriteFile(archive_path, image.Data().data(), image.Data().size());
    std::printf("%d scenes written to %s\n", scenes, archive_path.string().c_str());
    return 0;
}

} // namespace

int RunScr(int argc, char** argv) {
    if (argc >= 1 && (std::string_view(argv[0]) == "--help" || std::string_view(argv[0]) == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 3 || (std::string_view(argv[0]) != "disasm" && std::string_view(argv[0]) != "asm")) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (std::string_view(argv[0]) == "disasm") {
        return Disassemble(argv[1], argv[2]);
    }
    return Assemble(argv[1], argv[2]);
}

} // namespace hk::tool
