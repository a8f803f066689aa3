// The game directory as the engine sees it: every file the game reads or writes goes through
// GameFiles. Paths are written the way the game's data writes them ("Sound\M01.ogg",
// "VOICE\name.ogg", "Save00.dat"): relative, Windows separators, any letter case. GameFiles maps
// them onto real files under one root directory and refuses anything that would leave it.
//
// Writes are atomic (temporary file, flush, rename), so an interrupted write never leaves a short
// file. Tests substitute a subclass to inject faults (disk full, short writes, vanished files).
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hk {

// A failed file operation; the message names the file and the operation.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class GameFiles {
public:
    // root: the game directory ("." is the process's current directory at each call).
    explicit GameFiles(std::filesystem::path root = ".");
    virtual ~GameFiles() = default;

    const std::filesystem::path& Root() const { return m_root; }

    // Maps a game path to a real path under the root: backslashes become separators and each
    // component is matched case-insensitively when no exact match exists. A path that is
    // absolute or climbs out of the root ("..") throws FileError. A missing file still maps
    // (to the spelling given), so callers can create it.
    std::filesystem::path Resolve(std::string_view game_path) const;

    virtual bool Exists(std::string_view game_path) const;
    // Size in bytes, or nullopt when the file is missing.
    virtual std::optional<std::uint64_t> FileSize(std::string_view game_path) const;
    // Reads the first `size` bytes; a missing or shorter file throws FileError.
    virtual void ReadExact(std::string_view game_path, void* dest, std::size_t size) const;
    // Reads the whole file; files larger than max_size throw FileError without being read.
    virtual std::vector<std::uint8_t> ReadAll(std::string_view game_path, std::size_t max_size) const;
    // Reads `size` bytes at `offset`; a range past the end of the file throws FileError.
    virtual void ReadAt(std::string_view game_path, std::uint64_t offset, void* dest, std::size_t size) const;
    // Replaces the file with exactly these bytes, atomically. On failure the old file is intact
    // and FileError is thrown.
    virtual void WriteAtomic(std::string_view game_path, const void* data, std::size_t size);
    // Last modification time (seconds since the epoch), or nullopt when it cannot be read.
    virtual std::optional<std::time_t> ModificationTime(std::string_view game_path) const;

protected:
    // The low-level write used by WriteAtomic: writes all bytes to an open descriptor. Fault
    // injection overrides it.
    virtual void WriteAll(int fd, const void* data, std::size_t size, const std::filesystem::path& path);

private:
    std::filesystem::path m_root;
};

} // namespace hk
