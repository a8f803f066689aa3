// The archive container of "SCR.IFP" and "GRP.IFP": a 16-byte header nobody reads, an index of
// 2048 entries of 16 bytes (entry n describes item n), then the payloads. Each entry names up to
// two parts stored back to back. This file reads indexes and payloads, checking every offset and
// length against the real file before anything is allocated, and writes whole archives.
// It knows nothing about what the parts contain (scenes, pictures).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hk {

class GameFiles;

inline constexpr std::size_t kIfpHeaderSize = 16;
inline constexpr int kIfpEntryCount = 2048;
inline constexpr std::size_t kIfpEntrySize = 16;
inline constexpr std::size_t kIfpIndexSize = kIfpEntryCount * kIfpEntrySize;        // 32768
inline constexpr std::uint64_t kIfpIndexOffset = kIfpHeaderSize;                    // 16
inline constexpr std::uint64_t kIfpPayloadOffset = kIfpIndexOffset + kIfpIndexSize; // 32784
// Offsets and lengths are 32-bit fields whose values stay below 2^31.
inline constexpr std::uint32_t kIfpMaxValue = 0x7FFFFFFF;

using IfpHeader = std::array<std::uint8_t, kIfpHeaderSize>;

// One index entry. type_a 0 means the item does not exist; part B starts at offset + length_a.
struct IfpEntry {
    std::uint16_t type_a = 0;
    std::uint16_t type_b = 0;
    std::uint32_t offset = 0;
    std::uint32_t length_a = 0;
    std::uint32_t length_b = 0;

    bool Exists() const { return type_a != 0; }
    bool operator==(const IfpEntry&) const = default;
};

// Entry `number` of a raw index (little-endian, 16 bytes per entry). A number outside 0..2047, or
// one whose 16 bytes lie beyond the given bytes, gives the empty entry (type 0: no item).
IfpEntry ParseIfpEntry(std::span<const std::uint8_t> index, long long number);

// The 16 index bytes of an entry, as stored.
std::array<std::uint8_t, kIfpEntrySize> EncodeIfpEntry(const IfpEntry& entry);

// The whole index as it sits in the file: 32768 raw bytes, with typed access to its entries.
class IfpIndex {
public:
    IfpIndex() { m_bytes.fill(0); }
    explicit IfpIndex(std::span<const std::uint8_t, kIfpIndexSize> bytes);

    // Entry n; numbers outside 0..2047 give the empty entry.
    IfpEntry Entry(long long number) const { return ParseIfpEntry(m_bytes, number); }
    const std::array<std::uint8_t, kIfpIndexSize>& Bytes() const { return m_bytes; }
    std::array<std::uint8_t, kIfpIndexSize>& Bytes() { return m_bytes; }

private:
    std::array<std::uint8_t, kIfpIndexSize> m_bytes;
};

// Both parts of an entry.
struct IfpParts {
    std::vector<std::uint8_t> a;
    std::vector<std::uint8_t> b;
};

// An archive file opened for reading. Opening checks that the file holds a whole index; reads of
// parts check offset and lengths against the file's size and throw std::runtime_error naming the
// archive and the entry number when they do not fit. Not for use from two threads at once.
class IfpArchive {
public:
    explicit IfpArchive(std::filesystem::path path);

    const std::filesystem::path& Path() const { return m_path; }
    std::uint64_t FileSize() const { return m_size; }

    IfpHeader ReadHeader();
    IfpIndex ReadIndex();

    // Payloads of an entry taken from an index held elsewhere (the engine keeps its indexes in
    // memory); `number` is only used to name the entry in error messages. A part of length 0
    // reads as empty wherever its offset points.
    std::vector<std::uint8_t> ReadPartA(const IfpEntry& entry, long long number);
    std::vector<std::uint8_t> ReadPartB(const IfpEntry& entry, long long number);
    IfpParts ReadParts(const IfpEntry& entry, long long number);

    // Throws the error a read of this entry would give; does nothing when both parts fit.
    void CheckEntry(const IfpEntry& entry, long long number) const;

private:
    std::vector<std::uint8_t> ReadRange(std::uint64_t offset, std::uint32_t length, long long number, const char* what);

    std::filesystem::path m_path;
    std::ifstream m_file;
    std::uint64_t m_size = 0;
};

// Throws std::runtime_error naming `archive_name` and the entry number unless both parts of the
// entry lie inside a file of `file_size` bytes with offset and lengths below 2^31. Parts of
// length 0 are always fine.
void CheckIfpEntry(const IfpEntry& entry, long long number, std::uint64_t file_size, std::string_view archive_name);

// Reads the index of the archive at `path`.
IfpIndex ReadIfpIndex(const std::filesystem::path& path);

// The same reads through the game directory (`archive` is a game path such as "SCR.IFP"), for
// the engine, which opens its archives anew for every read.
IfpIndex ReadIfpIndex(const GameFiles& files, std::string_view archive);
std::vector<std::uint8_t> ReadIfpPartA(const GameFiles& files, std::string_view archive, const IfpEntry& entry,
                                       long long number);
std::vector<std::uint8_t> ReadIfpPartB(const GameFiles& files, std::string_view archive, const IfpEntry& entry,
                                       long long number);
IfpParts ReadIfpParts(const GameFiles& files, std::string_view archive, const IfpEntry& entry, long long number);

// Builds an archive from entries. Parts are packed directly after the index in the order the
// entries were added; items not added stay empty (type 0).
class IfpWriter {
public:
    struct Item {
        int number = 0;
        std::uint16_t type_a = 0;
        std::uint16_t type_b = 0;
        std::vector<std::uint8_t> part_a;
        std::vector<std::uint8_t> part_b;
    };

    // The 16 header bytes to write (all zero unless set).
    void SetHeader(const IfpHeader& header) { m_header = header; }

    // Adds item `number` (0..2047, each once) with type_a not 0; throws std::invalid_argument
    // otherwise.
    void Add(int number, std::uint16_t type_a, std::vector<std::uint8_t> part_a, std::uint16_t type_b = 0,
             std::vector<std::uint8_t> part_b = {});

    const std::vector<Item>& Items() const { return m_items; }

    // The whole archive; throws std::length_error when it would pass the 2^31 limit of offsets.
    std::vector<std::uint8_t> Bytes() const;

    // Writes the archive to `path` through a temporary file beside it, so a failed write never
    // leaves a short archive behind.
    void WriteTo(const std::filesystem::path& path) const;

private:
    IfpHeader m_header{};
    std::vector<Item> m_items;
    std::array<bool, kIfpEntryCount> m_used{};
};

} // namespace hk
