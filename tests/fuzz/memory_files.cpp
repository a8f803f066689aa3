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

void MemoryFiles::PutFolder(std::string_view game_path, std::span<const std::uint8_t> bytes) {
    Put(game_path, bytes);
    m_folders.insert(Key(game_path));
}

void MemoryFiles::MarkUnreadable(std::string_view game_path) {
    m_unreadable.insert(Key(game_path));
}

void MemoryFiles::Remove(std::string_view game_path) {
    const std::string key = Key(game_path);
    m_files.erase(key);
    m_folders.erase(key);
    m_unreadable.erase(key);
}

const std::vector<std::uint8_t>* MemoryFiles::Find(std::string_view game_path) const {
    const auto it = m_files.find(Key(game_path));
    return it == m_files.end() ? nullptr : &it->second;
}

const std::vector<std::uint8_t>& MemoryFiles::Get(std::string_view game_path) const {
    const auto* file = Find(game_path);
    if (!file || IsFolder(game_path))
        throw FileError("cannot open \"" + std::string(game_path) + "\" for reading: no such file");
    if (m_unreadable.count(Key(game_path)))
        throw FileError("cannot read \"" + std::string(game_path) + "\": Input/output error");
    return *file;
}

StoredEntry MemoryFiles::Inspect(std::string_view game_path) const {
    const auto* file = Find(game_path);
    if (!file)
        return {};
    if (IsFolder(game_path))
        return {StoredEntry::Kind::Other, 0};
    return {StoredEntry::Kind::File, file->size()};
}

bool MemoryFiles::Exists(std::string_view game_path) const {
    return Find(game_path) != nullptr && !IsFolder(game_path);
}

std::optional<std::uint64_t> MemoryFiles::FileSize(std::string_view game_path) const {
    const auto* file = Find(game_path);
    if (!file || IsFolder(game_path))
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
    if (IsFolder(game_path))
        throw FileError("cannot replace \"" + std::string(game_path) + "\": Is a directory");
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const std::string key = Key(game_path);
    m_files[key].assign(bytes, bytes + size);
    m_unreadable.erase(key);
}

void MemoryFiles::WriteKeepingCopy(std::string_view game_path, const void* data, std::size_t size, RecordTest usable) {
    const StoredEntry old = Inspect(game_path);
    const bool whole = old.kind == StoredEntry::Kind::File && old.size == size && !m_unreadable.count(Key(game_path)) &&
                       (usable == nullptr || usable(Find(game_path)->data(), size));
    const std::string copy = std::string(game_path) + ".bak";
    if (whole && !IsFolder(copy)) {
        Put(copy, *Find(game_path));
        m_unreadable.erase(Key(copy));
    } else if (!whole && old.kind != StoredEntry::Kind::Missing) {
        MoveAside(game_path, ".damaged");
    }
    WriteAtomic(game_path, data, size);
}

std::string MemoryFiles::MoveAside(std::string_view game_path, std::string_view suffix) {
    const std::string from = Key(game_path);
    if (!m_files.count(from))
        throw FileError("cannot move \"" + std::string(game_path) + "\" aside: no such file");
    for (int n = 1;; ++n) {
        std::string name = std::string(game_path) + std::string(suffix);
        if (n > 1)
            name += "-" + std::to_string(n);
        const std::string to = Key(name);
        if (m_files.count(to))
            continue;
        m_files[to] = std::move(m_files[from]);
        m_files.erase(from);
        if (m_folders.erase(from))
            m_folders.insert(to);
        if (m_unreadable.erase(from))
            m_unreadable.insert(to);
        return name;
    }
}

std::optional<std::time_t> MemoryFiles::ModificationTime(std::string_view game_path) const {
    if (!Find(game_path))
        return std::nullopt;
    return std::time_t{1078661100}; // a fixed time keeps runs repeatable
}

} // namespace hk::fuzz
