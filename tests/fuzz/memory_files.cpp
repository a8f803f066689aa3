#include "memory_files.h"

#include <algorithm>
#include <cstring>

namespace hk::fuzz {

std::string MemoryFiles::Key(std::string_view game_path) {
    std::string key(game_path);
    for (char& c : key) {
        if (c == '\\')
            c = '/';
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    if (key.empty() || key.front() == '/' || key.find("..") != std::string::npos)
        throw FileError("refused path outside the game directory: " + std::string(game_path));
    return key;
}

void MemoryFiles::Put(std::string_view game_path, std::span<const std::uint8_t> bytes) {
    m_files[Key(game_path)].assign(bytes.begin(), bytes.end());
}

void MemoryFiles::Remove(std::string_view game_path) { m_files.erase(Key(game_path)); }

const std::vector<std::uint8_t>* MemoryFiles::Find(std::string_view game_path) const {
    const auto it = m_files.find(Key(game_path));
    return it == m_files.end() ? nullptr : &it->second;
}

const std::vector<std::uint8_t>& MemoryFiles::Get(std::string_view game_path) const {
    const auto* file = Find(game_path);
    if (!file)
        throw FileError("cannot open \"" + std::string(game_path) + "\" for reading: no such file");
    return *file;
}

bool MemoryFiles::Exists(std::string_view game_path) const { return Find(game_path) != nullptr; }

std::optional<std::uint64_t> MemoryFiles::FileSize(std::string_view game_path) const {
    const auto* file = Find(game_path);
    if (!file)
        return std::nullopt;
    return file->size();
}

void MemoryFiles::ReadAt(std::string_view game_path, std::uint64_t offset, void* dest, std::size_t size) const {
    const auto& file = Get(game_path);
    if (offset > file.size() || size > file.size() - offset)
        throw FileError("cannot read " + std::to_string(size) + " bytes at offset " + std::to_string(offset) +
                        " of \"" + std::string(game_path) + "\"");
    if (size != 0)
        std::memcpy(dest, file.data() + offset, size);
}

void MemoryFiles::ReadExact(std::string_view game_path, void* dest, std::size_t size) const {
    ReadAt(game_path, 0, dest, size);
}

std::vector<std::uint8_t> MemoryFiles::ReadAll(std::string_view game_path, std::size_t max_size) const {
    const auto& file = Get(game_path);
    if (file.size() > max_size)
        throw FileError("refused to read \"" + std::string(game_path) + "\": too large");
    return file;
}

void MemoryFiles::WriteAtomic(std::string_view game_path, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    m_files[Key(game_path)].assign(bytes, bytes + size);
}

std::optional<std::time_t> MemoryFiles::ModificationTime(std::string_view game_path) const {
    if (!Find(game_path))
        return std::nullopt;
    return std::time_t{1078661100}; // a fixed time keeps runs repeatable
}

} // namespace hk::fuzz
