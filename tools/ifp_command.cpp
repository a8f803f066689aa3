// harukaze-tool ifp: lists, extracts and packs the archive container of SCR.IFP and GRP.IFP.
// Extract writes every part to its own file plus a manifest; pack reads such a manifest back, so
// an archive this tool wrote comes back byte for byte.
#include "tools/commands.h"

#include "data/ifp_archive.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hk::tool {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage = "usage: harukaze-tool ifp list FILE\n"
                               "       harukaze-tool ifp extract FILE DIR\n"
                               "       harukaze-tool ifp pack OUT MANIFEST\n"
                               "\n"
                               "Read and write the archive files of the game (SCR.IFP, GRP.IFP).\n"
                               "Run 'harukaze-tool ifp SUBCOMMAND --help' for details.\n";

constexpr const char* kListHelp =
    "usage: harukaze-tool ifp list FILE\n"
    "\n"
    "Prints one line per existing entry of the archive FILE (entries whose type A is 0 do not\n"
    "exist and are left out):\n"
    "\n"
    "  entry typeA typeB offset lengthA lengthB contents\n"
    "\n"
    "Part A lies at the offset, part B directly after it. Known types: 11 BMP, 12 PNG, 13 JPEG\n"
    "(pictures in GRP.IFP, type B being the mask), 21 scene (SCR.IFP). An entry whose parts reach\n"
    "past the end of the file is listed with the word DAMAGED and the reason.\n"
    "Lines starting with '#' are headings and totals.\n";

constexpr const char* kExtractHelp =
    "usage: harukaze-tool ifp extract FILE DIR\n"
    "\n"
    "Writes every part of every existing entry of the archive FILE into DIR (created when\n"
    "missing), as NNNN.a.EXT and NNNN.b.EXT (NNNN the entry number, EXT from the type: bmp, png,\n"
    "jpg, scene or bin), and writes DIR/manifest.txt listing them in the order of the archive, so\n"
    "that 'ifp pack' rebuilds the archive. Part B gets a file when its type or length is not 0.\n"
    "A damaged entry stops the extraction before any file is written.\n";

constexpr const char* kPackHelp =
    "usage: harukaze-tool ifp pack OUT MANIFEST\n"
    "\n"
    "Builds the archive OUT from the parts a manifest lists. The manifest is a text file:\n"
    "\n"
    "  # a comment: '#' starts a comment anywhere a word can start\n"
    "  header 00112233445566778899aabbccddeeff\n"
    "  1 21 0 0001.a.scene\n"
    "  7 11 11 0007.a.bmp 0007.b.bmp\n"
    "\n"
    "'header' (optional, at most once) gives the 16 header bytes as 32 hex digits; without it\n"
    "the header is zero. Every other line is one entry, \"number typeA typeB fileA [fileB]\":\n"
    "number 0..2047 (each once), type A 1..65535, type B 0..65535, the file of part A and,\n"
    "optionally, the file of part B (no file: part B is empty). File names are relative to the\n"
    "manifest's directory and contain no spaces. Parts are stored in the order of the lines.\n"
    "OUT is replaced only when the whole archive was written.\n";

bool WantsHelp(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            return true;
        }
    }
    return false;
}

int UsageError(const std::string& message, const char* usage) {
    std::fprintf(stderr, "harukaze-tool ifp: %s\n\n%s", message.c_str(), usage);
    return 2;
}

// Checks the argument count and refuses options; returns -1 when the arguments are fine.
int CheckArguments(int argc, char** argv, int wanted, const char* usage) {
    for (int i = 0; i < argc; ++i) {
        if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return UsageError(std::string("unknown option '") + argv[i] + "'", usage);
        }
    }
    if (argc != wanted) {
        return UsageError(argc < wanted ? "missing arguments" : "too many arguments", usage);
    }
    return -1;
}

const char* TypeName(std::uint16_t type) {
    switch (type) {
    case 11: return "BMP";
    case 12: return "PNG";
    case 13: return "JPEG";
    case 21: return "scene";
    default: return nullptr;
    }
}

const char* Extension(std::uint16_t type) {
    switch (type) {
    case 11: return "bmp";
    case 12: return "png";
    case 13: return "jpg";
    case 21: return "scene";
    default: return "bin";
    }
}

std::string Describe(const IfpEntry& entry) {
    auto kind = [](std::uint16_t type) {
        const char* name = TypeName(type);
        return name != nullptr ? std::string(name) : "type " + std::to_string(type);
    };
    std::string text = kind(entry.type_a);
    if (entry.type_a == 11 || entry.type_a == 12 || entry.type_a == 13) {
        text += " picture";
    }
    if (entry.type_b != 0 || entry.length_b != 0) {
        text += entry.type_b == 0 ? ", part B without a type" : ", " + kind(entry.type_b) + " mask";
    }
    return text;
}

struct Listed {
    int number;
    IfpEntry entry;
};

// The existing entries in the order their parts lie in the file. At one offset, empty entries
// come before the one with bytes, which is how the writer lays them out.
std::vector<Listed> EntriesInFileOrder(const IfpIndex& index) {
    std::vector<Listed> entries;
    for (int n = 0; n < kIfpEntryCount; ++n) {
        const IfpEntry entry = index.Entry(n);
        if (entry.Exists()) {
            entries.push_back({n, entry});
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Listed& x, const Listed& y) {
        const bool x_has_bytes = x.entry.length_a != 0 || x.entry.length_b != 0;
        const bool y_has_bytes = y.entry.length_a != 0 || y.entry.length_b != 0;
        if (x.entry.offset != y.entry.offset) {
            return x.entry.offset < y.entry.offset;
        }
        return !x_has_bytes && y_has_bytes;
    });
    return entries;
}

int List(int argc, char** argv) {
    if (WantsHelp(argc, argv)) {
        std::fputs(kListHelp, stdout);
        return 0;
    }
    if (const int status = CheckArguments(argc, argv, 1, kListHelp); status >= 0) {
        return status;
    }
    IfpArchive archive(argv[0]);
    const IfpIndex index = archive.ReadIndex();
    std::printf("#entry typeA typeB     offset    lengthA    lengthB  contents\n");
    int count = 0;
    int damaged = 0;
    for (int n = 0; n < kIfpEntryCount; ++n) {
        const IfpEntry entry = index.Entry(n);
        if (!entry.Exists()) {
            continue;
        }
        ++count;
        std::string contents = Describe(entry);
        try {
            archive.CheckEntry(entry, n);
        } catch (const std::runtime_error& e) {
            ++damaged;
            contents += "  DAMAGED: ";
            contents += e.what();
        }
        std::printf("%6d %5u %5u %10u %10u %10u  %s\n", n, entry.type_a, entry.type_b, entry.offset, entry.length_a,
                    entry.length_b, contents.c_str());
    }
    std::printf("# %d entries, %d damaged, file size %llu bytes\n", count, damaged,
                static_cast<unsigned long long>(archive.FileSize()));
    return 0;
}

void WriteWholeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        throw std::runtime_error("cannot create \"" + path.string() + "\": " + std::strerror(errno));
    }
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
        throw std::runtime_error("cannot write \"" + path.string() + "\": " + std::strerror(errno));
    }
}

std::string HexHeader(const IfpHeader& header) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t b : header) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 15]);
    }
    return hex;
}

std::string PartFileName(int number, char part, std::uint16_t type) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d.%c.%s", number, part, Extension(type));
    return buffer;
}

int Extract(int argc, char** argv) {
    if (WantsHelp(argc, argv)) {
        std::fputs(kExtractHelp, stdout);
        return 0;
    }
    if (const int status = CheckArguments(argc, argv, 2, kExtractHelp); status >= 0) {
        return status;
    }
    IfpArchive archive(argv[0]);
    const fs::path dir = argv[1];
    const IfpHeader header = archive.ReadHeader();
    const IfpIndex index = archive.ReadIndex();
    const std::vector<Listed> entries = EntriesInFileOrder(index);
    for (const Listed& listed : entries) {
        archive.CheckEntry(listed.entry, listed.number);
    }

    // Whether pack will give this very file back: parts packed without gaps after the index,
    // each once, and no leftovers in the entries of missing items.
    std::uint64_t position = kIfpPayloadOffset;
    bool reproducible = true;
    for (const Listed& listed : entries) {
        reproducible = reproducible && listed.entry.offset == position;
        position += std::uint64_t{listed.entry.length_a} + listed.entry.length_b;
    }
    reproducible = reproducible && position == archive.FileSize();
    for (int n = 0; n < kIfpEntryCount; ++n) {
        const IfpEntry entry = index.Entry(n);
        reproducible = reproducible && (entry.Exists() || entry == IfpEntry{});
    }

    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir)) {
        throw std::runtime_error("cannot create the directory \"" + dir.string() + "\"" +
                                 (ec ? ": " + ec.message() : std::string()));
    }
    std::ostringstream manifest;
    manifest << "# Parts of " << fs::path(argv[0]).filename().string()
             << ", written by harukaze-tool ifp extract. Rebuild with: harukaze-tool ifp pack OUT manifest.txt\n"
             << "# number typeA typeB fileA [fileB]\n"
             << "header " << HexHeader(header) << "\n";
    for (const Listed& listed : entries) {
        const IfpEntry& entry = listed.entry;
        const IfpParts parts = archive.ReadParts(entry, listed.number);
        const std::string name_a = PartFileName(listed.number, 'a', entry.type_a);
        WriteWholeFile(dir / name_a, parts.a);
        manifest << listed.number << ' ' << entry.type_a << ' ' << entry.type_b << ' ' << name_a;
        if (entry.type_b != 0 || entry.length_b != 0) {
            const std::string name_b = PartFileName(listed.number, 'b', entry.type_b);
            WriteWholeFile(dir / name_b, parts.b);
            manifest << ' ' << name_b;
        }
        manifest << '\n';
    }
    const std::string text = manifest.str();
    WriteWholeFile(dir / "manifest.txt", std::vector<std::uint8_t>(text.begin(), text.end()));
    std::printf("extracted %zu entries to %s\n", entries.size(), dir.string().c_str());
    if (!reproducible) {
        std::fprintf(stderr, "note: this archive has gaps, shared parts or leftover index bytes; packing the "
                             "manifest gives an archive with the same entries but not the same bytes\n");
    }
    return 0;
}

// Reads a whole decimal number in [low, high].
bool ParseNumber(std::string_view word, long low, long high, long& value) {
    const char* end = word.data() + word.size();
    const auto result = std::from_chars(word.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && value >= low && value <= high;
}

bool ParseHeader(std::string_view hex, IfpHeader& header) {
    if (hex.size() != 2 * header.size()) {
        return false;
    }
    for (std::size_t i = 0; i < header.size(); ++i) {
        unsigned value = 0;
        const auto result = std::from_chars(hex.data() + 2 * i, hex.data() + 2 * i + 2, value, 16);
        if (result.ec != std::errc() || result.ptr != hex.data() + 2 * i + 2) {
            return false;
        }
        header[i] = static_cast<std::uint8_t>(value);
    }
    return true;
}

std::vector<std::uint8_t> ReadPartFile(const fs::path& path, const std::string& where) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        throw std::runtime_error(where + ": no such file \"" + path.string() + "\"");
    }
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kIfpMaxValue) {
        throw std::runtime_error(where + ": \"" + path.string() + "\" " +
                                 (ec ? "cannot be read: " + ec.message() : "is 2 GiB or larger"));
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in || in.gcount() != static_cast<std::streamsize>(bytes.size())) {
        throw std::runtime_error(where + ": cannot read \"" + path.string() + "\"");
    }
    return bytes;
}

int Pack(int argc, char** argv) {
    if (WantsHelp(argc, argv)) {
        std::fputs(kPackHelp, stdout);
        return 0;
    }
    if (const int status = CheckArguments(argc, argv, 2, kPackHelp); status >= 0) {
        return status;
    }
    const fs::path out = argv[0];
    const fs::path manifest_path = argv[1];
    std::ifstream manifest(manifest_path);
    if (!manifest) {
        throw std::runtime_error("cannot open the manifest \"" + manifest_path.string() +
                                 "\": " + std::strerror(errno));
    }
    const fs::path base = manifest_path.parent_path();
    IfpWriter writer;
    bool have_header = false;
    std::string line;
    for (int line_number = 1; std::getline(manifest, line); ++line_number) {
        const std::string where = manifest_path.string() + ":" + std::to_string(line_number);
        std::vector<std::string> words;
        std::istringstream stream(line);
        for (std::string word; stream >> word;) {
            if (word.front() == '#') {
                break;
            }
            words.push_back(word);
        }
        if (words.empty()) {
            continue;
        }
        if (words[0] == "header") {
            IfpHeader header{};
            if (words.size() != 2 || !ParseHeader(words[1], header)) {
                throw std::runtime_error(where + ": 'header' wants 32 hex digits (16 bytes)");
            }
            if (have_header) {
                throw std::runtime_error(where + ": a second 'header' line");
            }
            have_header = true;
            writer.SetHeader(header);
            continue;
        }
        if (words.size() != 4 && words.size() != 5) {
            throw std::runtime_error(where + ": expected \"number typeA typeB fileA [fileB]\"");
        }
        long number = 0;
        long type_a = 0;
        long type_b = 0;
        if (!ParseNumber(words[0], 0, kIfpEntryCount - 1, number)) {
            throw std::runtime_error(where + ": entry number '" + words[0] + "' is not in 0..2047");
        }
        if (!ParseNumber(words[1], 1, 65535, type_a)) {
            throw std::runtime_error(where + ": type A '" + words[1] + "' is not in 1..65535");
        }
        if (!ParseNumber(words[2], 0, 65535, type_b)) {
            throw std::runtime_error(where + ": type B '" + words[2] + "' is not in 0..65535");
        }
        std::vector<std::uint8_t> part_a = ReadPartFile(base / words[3], where);
        std::vector<std::uint8_t> part_b;
        if (words.size() == 5) {
            part_b = ReadPartFile(base / words[4], where);
        }
        try {
            writer.Add(static_cast<int>(number), static_cast<std::uint16_t>(type_a), std::move(part_a),
                       static_cast<std::uint16_t>(type_b), std::move(part_b));
        } catch (const std::logic_error& e) {
            throw std::runtime_error(where + ": " + e.what());
        }
    }
    if (manifest.bad()) {
        throw std::runtime_error("cannot read the manifest \"" + manifest_path.string() + "\"");
    }
    writer.WriteTo(out);
    std::printf("packed %zu entries into %s\n", writer.Items().size(), out.string().c_str());
    return 0;
}

} // namespace

int RunIfp(int argc, char** argv) {
    if (argc < 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string_view sub = argv[0];
    if (sub == "--help" || sub == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (sub == "list") {
        return List(argc - 1, argv + 1);
    }
    if (sub == "extract") {
        return Extract(argc - 1, argv + 1);
    }
    if (sub == "pack") {
        return Pack(argc - 1, argv + 1);
    }
    return UsageError("unknown sub-command '" + std::string(sub) + "'", kUsage);
}

} // namespace hk::tool
