#include "data/ifp_archive.h"

#include "data/game_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace hk {
namespace {

std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void WriteU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void WriteU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

std::string Name(const std::filesystem::path& path) {
    return "archive \"" + path.string() + "\"";
}

std::string EntryName(const std::filesystem::path& path, long long number) {
    return Name(path) + ", entry " + std::to_string(number);
}

} // namespace

IfpEntry ParseIfpEntry(std::span<const std::uint8_t> index, long long number) {
    if (number < 0 || number >= kIfpEntryCount) {
        return {};
    }
    const std::size_t at = static_cast<std::size_t>(number) * kIfpEntrySize;
    if (index.size() < at + kIfpEntrySize) {
        return {};
    }
    const std::uint8_t* p = index.data() + at;
    return IfpEntry{ReadU16(p), ReadU16(p + 2), ReadU32(p + 4), ReadU32(p + 8), ReadU32(p + 12)};
}

std::array<std::uint8_t, kIfpEntrySize> EncodeIfpEntry(const IfpEntry& entry) {
    std::array<std::uint8_t, kIfpEntrySize> bytes{};
    WriteU16(bytes.data(), entry.type_a);
    WriteU16(bytes.data() + 2, entry.type_b);
    WriteU32(bytes.data() + 4, entry.offset);
    WriteU32(bytes.data() + 8, entry.length_a);
    WriteU32(bytes.data() + 12, entry.length_b);
    return bytes;
}

IfpIndex::IfpIndex(std::span<const std::uint8_t, kIfpIndexSize> bytes) {
    std::memcpy(m_bytes.data(), bytes.data(), kIfpIndexSize);
}

IfpArchive::IfpArchive(std::filesystem::path path) : m_path(std::move(path)) {
    std::error_code ec;
    const auto status = std::filesystem::status(m_path, ec);
    if (ec || !std::filesystem::exists(status)) {
        throw std::runtime_error("cannot open " + Name(m_path) + ": no such file");
    }
    if (!std::filesystem::is_regular_file(status)) {
        throw std::runtime_error("cannot open " + Name(m_path) + ": not a regular file");
    }
    m_file.open(m_path, std::ios::binary);
    if (!m_file) {
        throw std::runtime_error("cannot open " + Name(m_path) + ": " + std::strerror(errno));
    }
    m_file.seekg(0, std::ios::end);
    const auto end = m_file.tellg();
    if (end < 0) {
        throw std::runtime_error("cannot read the size of " + Name(m_path));
    }
    m_size = static_cast<std::uint64_t>(end);
    if (m_size < kIfpPayloadOffset) {
        throw std::runtime_error(Name(m_path) + " is damaged: " + std::to_string(m_size) +
                                 " bytes is too short for its header and index (" + std::to_string(kIfpPayloadOffset) +
                                 " bytes)");
    }
}

IfpHeader IfpArchive::ReadHeader() {
    IfpHeader header{};
    const auto bytes = ReadRange(0, kIfpHeaderSize, -1, "header");
    std::memcpy(header.data(), bytes.data(), header.size());
    return header;
}

IfpIndex IfpArchive::ReadIndex() {
    const auto bytes = ReadRange(kIfpIndexOffset, kIfpIndexSize, -1, "index");
    return IfpIndex(std::span<const std::uint8_t, kIfpIndexSize>(bytes.data(), kIfpIndexSize));
}

void CheckIfpEntry(const IfpEntry& entry, long long number, std::uint64_t file_size, std::string_view archive_name) {
    auto fail = [&](const std::string& why) {
        throw std::runtime_error("archive \"" + std::string(archive_name) + "\", entry " + std::to_string(number) +
                                 ": " + why);
    };
    if (entry.length_a > kIfpMaxValue) {
        fail("length of part A (" + std::to_string(entry.length_a) + ") is not below 2^31");
    }
    if (entry.length_b > kIfpMaxValue) {
        fail("length of part B (" + std::to_string(entry.length_b) + ") is not below 2^31");
    }
    if (entry.length_a == 0 && entry.length_b == 0) {
        return;
    }
    if (entry.offset > kIfpMaxValue) {
        fail("offset " + std::to_string(entry.offset) + " is not below 2^31");
    }
    // 64-bit sums: three values below 2^31 cannot overflow.
    const std::uint64_t end = std::uint64_t{entry.offset} + entry.length_a + entry.length_b;
    if (end > file_size) {
        fail("parts at offset " + std::to_string(entry.offset) + " (" + std::to_string(entry.length_a) + " + " +
             std::to_string(entry.length_b) + " bytes) reach past the end of the file (" + std::to_string(file_size) +
             " bytes)");
    }
}

void IfpArchive::CheckEntry(const IfpEntry& entry, long long number) const {
    CheckIfpEntry(entry, number, m_size, m_path.string());
}

std::vector<std::uint8_t> IfpArchive::ReadPartA(const IfpEntry& entry, long long number) {
    IfpEntry only_a = entry;
    only_a.length_b = 0;
    CheckEntry(only_a, number);
    return ReadRange(entry.offset, entry.length_a, number, "part A");
}

std::vector<std::uint8_t> IfpArchive::ReadPartB(const IfpEntry& entry, long long number) {
    CheckEntry(entry, number);
    return ReadRange(std::uint64_t{entry.offset} + entry.length_a, entry.length_b, number, "part B");
}

IfpParts IfpArchive::ReadParts(const IfpEntry& entry, long long number) {
    CheckEntry(entry, number);
    IfpParts parts;
    parts.a = ReadRange(entry.offset, entry.length_a, number, "part A");
    parts.b = ReadRange(std::uint64_t{entry.offset} + entry.length_a, entry.length_b, number, "part B");
    return parts;
}

std::vector<std::uint8_t> IfpArchive::ReadRange(std::uint64_t offset, std::uint32_t length, long long number,
                                                const char* what) {
    auto where = [&] { return number < 0 ? Name(m_path) : EntryName(m_path, number); };
    if (length == 0) {
        return {};
    }
    // Callers have checked the range against m_size; this guards the allocation all the same.
    if (offset > m_size || length > m_size - offset) {
        throw std::runtime_error(where() + ": " + what + " lies past the end of the file");
    }
    std::vector<std::uint8_t> bytes(length);
    m_file.clear();
    m_file.seekg(static_cast<std::streamoff>(offset));
    m_file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
    if (!m_file || m_file.gcount() != static_cast<std::streamsize>(length)) {
        // The file shrank after it was opened, or the device failed.
        m_file.clear();
        throw std::runtime_error(where() + ": cannot read " + what + " (" + std::to_string(length) +
                                 " bytes at offset " + std::to_string(offset) + ")");
    }
    return bytes;
}

IfpIndex ReadIfpIndex(const std::filesystem::path& path) {
    IfpArchive archive(path);
    return archive.ReadIndex();
}

namespace {

std::uint64_t GameArchiveSize(const GameFiles& files, std::string_view archive) {
    const auto size = files.FileSize(archive);
    if (!size) {
        throw FileError("cannot open archive \"" + std::string(archive) + "\": no such file");
    }
    return *size;
}

std::vector<std::uint8_t> ReadGameRange(const GameFiles& files, std::string_view archive, std::uint64_t offset,
                                        std::uint32_t length) {
    std::vector<std::uint8_t> bytes(length);
    if (length > 0) {
        files.ReadAt(archive, offset, bytes.data(), bytes.size());
    }
    return bytes;
}

} // namespace

IfpIndex ReadIfpIndex(const GameFiles& files, std::string_view archive) {
    const std::uint64_t size = GameArchiveSize(files, archive);
    if (size < kIfpPayloadOffset) {
        throw std::runtime_error("archive \"" + std::string(archive) + "\" is damaged: " + std::to_string(size) +
                                 " bytes is too short for its header and index (" + std::to_string(kIfpPayloadOffset) +
                                 " bytes)");
    }
    IfpIndex index;
    files.ReadAt(archive, kIfpIndexOffset, index.Bytes().data(), kIfpIndexSize);
    return index;
}

std::vector<std::uint8_t> ReadIfpPartA(const GameFiles& files, std::string_view archive, const IfpEntry& entry,
                                       long long number) {
    IfpEntry only_a = entry;
    only_a.length_b = 0;
    CheckIfpEntry(only_a, number, GameArchiveSize(files, archive), archive);
    return ReadGameRange(files, archive, entry.offset, entry.length_a);
}

std::vector<std::uint8_t> ReadIfpPartB(const GameFiles& files, std::string_view archive, const IfpEntry& entry,
                                       long long number) {
    CheckIfpEntry(entry, number, GameArchiveSize(files, archive), archive);
    return ReadGameRange(files, archive, std::uint64_t{entry.offset} + entry.length_a, entry.length_b);
}

IfpParts ReadIfpParts(const GameFiles& files, std::string_view archive, const IfpEntry& entry, long long number) {
    CheckIfpEntry(entry, number, GameArchiveSize(files, archive), archive);
    IfpParts parts;
    parts.a = ReadGameRange(files, archive, entry.offset, entry.length_a);
    parts.b = ReadGameRange(files, archive, std::uint64_t{entry.offset} + entry.length_a, entry.length_b);
    return parts;
}

void IfpWriter::Add(int number, std::uint16_t type_a, std::vector<std::uint8_t> part_a, std::uint16_t type_b,
                    std::vector<std::uint8_t> part_b) {
    if (number < 0 || number >= kIfpEntryCount) {
        throw std::invalid_argument("archive entry number " + std::to_string(number) + " is outside 0..2047");
    }
    if (type_a == 0) {
        throw std::invalid_argument("archive entry " + std::to_string(number) +
                                    ": type A 0 would mark the entry as missing");
    }
    if (m_used[static_cast<std::size_t>(number)]) {
        throw std::invalid_argument("archive entry " + std::to_string(number) + " is added twice");
    }
    if (part_a.size() > kIfpMaxValue || part_b.size() > kIfpMaxValue) {
        throw std::length_error("archive entry " + std::to_string(number) + ": a part of 2^31 bytes or more");
    }
    m_used[static_cast<std::size_t>(number)] = true;
    m_items.push_back(Item{number, type_a, type_b, std::move(part_a), std::move(part_b)});
}

std::vector<std::uint8_t> IfpWriter::Bytes() const {
    std::uint64_t total = kIfpPayloadOffset;
    for (const Item& item : m_items) {
        total += item.part_a.size() + item.part_b.size();
    }
    if (total > std::uint64_t{kIfpMaxValue} + 1) {
        throw std::length_error("archive would be " + std::to_string(total) + " bytes; offsets must stay below 2^31");
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kIfpPayloadOffset));
    bytes.reserve(static_cast<std::size_t>(total));
    std::memcpy(bytes.data(), m_header.data(), kIfpHeaderSize);
    for (const Item& item : m_items) {
        const IfpEntry entry{item.type_a, item.type_b, static_cast<std::uint32_t>(bytes.size()),
                             static_cast<std::uint32_t>(item.part_a.size()),
                             static_cast<std::uint32_t>(item.part_b.size())};
        const auto encoded = EncodeIfpEntry(entry);
        std::memcpy(bytes.data() + kIfpIndexOffset + static_cast<std::size_t>(item.number) * kIfpEntrySize,
                    encoded.data(), encoded.size());
        bytes.insert(bytes.end(), item.part_a.begin(), item.part_a.end());
        bytes.insert(bytes.end(), item.part_b.begin(), item.part_b.end());
    }
    return bytes;
}

void IfpWriter::WriteTo(const std::filesystem::path& path) const {
    const std::vector<std::uint8_t> bytes = Bytes();
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw std::runtime_error("cannot create \"" + temporary.string() + "\": " + std::strerror(errno));
        }
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw std::runtime_error("cannot write " + Name(path) + ": " + std::strerror(errno));
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw std::runtime_error("cannot write " + Name(path) + ": " + ec.message());
    }
}

} // namespace hk
