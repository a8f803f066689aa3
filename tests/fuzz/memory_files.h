// A game directory held in memory, for the fuzz harnesses: the engine reads and writes its
// archives, sound files and save files through GameFiles, so a harness can hand it any bytes
// without touching the disk. Names are matched the way the game spells them: backslashes and
// slashes alike, any letter case.
#pragma once

#include "data/game_files.h"

#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hk::fuzz {

class MemoryFiles final : public GameFiles {
public:
    MemoryFiles() : GameFiles("/nonexistent-memory-game") {}

    void Put(std::string_view game_path, std::span<const std::uint8_t> bytes);
    // A folder carries the name; its bytes stand for what it holds.
    void PutFolder(std::string_view game_path, std::span<const std::uint8_t> bytes);
    // Reads of this file fail, as on a failing disk (the mark moves with the file).
    void MarkUnreadable(std::string_view game_path);
    void Remove(std::string_view game_path);
    void Clear() {
        m_files.clear();
        m_folders.clear();
        m_unreadable.clear();
    }
    const std::vector<std::uint8_t>* Find(std::string_view game_path) const;
    bool IsFolder(std::string_view game_path) const { return m_folders.count(Key(game_path)) != 0; }
    // Every name in the directory (lower case), with its bytes.
    const std::map<std::string, std::vector<std::uint8_t>>& Entries() const { return m_files; }

    StoredEntry Inspect(std::string_view game_path) const override;
    bool Exists(std::string_view game_path) const override;
    std::optional<std::uint64_t> FileSize(std::string_view game_path) const override;
    void ReadExact(std::string_view game_path, void* dest, std::size_t size) const override;
    std::vector<std::uint8_t> ReadAll(std::string_view game_path, std::size_t max_size) const override;
    void ReadAt(std::string_view game_path, std::uint64_t offset, void* dest, std::size_t size) const override;
    void WriteAtomic(std::string_view game_path, const void* data, std::size_t size) override;
    void WriteKeepingCopy(std::string_view game_path, const void* data, std::size_t size,
                          RecordTest usable = nullptr) override;
    std::string MoveAside(std::string_view game_path, std::string_view suffix) override;
    std::optional<std::time_t> ModificationTime(std::string_view game_path) const override;

private:
    static std::string Key(std::string_view game_path);
    const std::vector<std::uint8_t>& Get(std::string_view game_path) const;

    std::map<std::string, std::vector<std::uint8_t>> m_files;
    std::set<std::string> m_folders;
    std::set<std::string> m_unreadable;
};

} // namespace hk::fuzz
