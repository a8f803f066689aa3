// The game directory as the engine sees it: every file the game reads or writes goes through
// GameFiles. Paths are written the way the game's data writes them ("Sound\M01.ogg",
// "VOICE\name.ogg", "Save00.dat"): relative, Windows separators, any letter case. GameFiles maps
// them onto real files under one root directory and refuses anything that would leave it. The
// save files ("SaveNN.dat" and the names kept beside them) live under a save root of their own,
// which is the game root unless the start-up moved them (data/save_folder.h).
//
// Writes are atomic (temporary file, flush, rename), so an interrupted write never leaves a short
// file; the save files' writes also keep the file they replace as "<name>.bak". Nothing is ever
// deleted: a damaged file is moved aside under a name of its own. Tests substitute a subclass to
// inject faults (disk full, short writes, vanished files, a crash at any step of a write).
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

// A failed file operation; the message (English, for reports) names the file and the operation.
// ForPlayer is the same in Japanese for the player: the file's full path, what went wrong and
// what to do; empty when the thrower had nothing better than the English.
class FileError : public std::runtime_error {
public:
    explicit FileError(const std::string& what, std::string for_player = {})
        : std::runtime_error(what), m_for_player(std::move(for_player)) {}
    const std::string& ForPlayer() const { return m_for_player; }

private:
    std::string m_for_player;
};

// Whether a name (one component, any letter case) is a save file or one kept beside it:
// "Save00.dat" .. "Save99.dat", alone or followed by a suffix (".bak", ".tmp", ".damaged-2").
bool IsSaveFileName(std::string_view name);

// "263,496 バイト": a byte count as the player reads it.
std::string ByteCountForPlayer(std::uint64_t bytes);

// What carries a name in the game directory.
struct StoredEntry {
    enum class Kind : std::uint8_t { Missing, File, Other } kind = Kind::Missing;
    std::uint64_t size = 0; // bytes of a File
};

class GameFiles {
public:
    // The steps of a replacing write, in order. A process that ends after any of them leaves the
    // old or the new file whole under the name (and the other, if kept, as the copy).
    enum class WriteStep : std::uint8_t {
        TempWritten,       // the new bytes are in "<name>.tmp", flushed and closed
        DamagedMovedAside, // what carried the name was no whole, usable file and has been moved aside
        CopyStaged,        // the replaced file is also "<name>.bak.tmp" (a hard link, or a copy)
        CopyKept,          // ... and now "<name>.bak"
        Replaced,          // "<name>.tmp" has been renamed over the name
    };
    static constexpr int kWriteStepCount = 5;

    // root: the game directory ("." is the process's current directory at each call); the save
    // files live there too until SetSaveRoot moves them.
    explicit GameFiles(std::filesystem::path root = ".");
    virtual ~GameFiles() = default;

    const std::filesystem::path& Root() const { return m_root; }
    // Where the save files are read and written (IsSaveFileName); nothing else goes there.
    const std::filesystem::path& SaveRoot() const { return m_save_root; }
    void SetSaveRoot(std::filesystem::path save_root) { m_save_root = std::move(save_root); }
    // The real path of a game path, absolute and without "." parts: what messages to the player
    // name. Throws FileError as Resolve does.
    std::filesystem::path FullPath(std::string_view game_path) const;

    // Maps a game path to a real path under the root (a save file's under the save root):
    // backslashes become separators and each component is matched case-insensitively when no
    // exact match exists. A path that is absolute or climbs out of the root ("..") throws
    // FileError. A missing file still maps (to the spelling given), so callers can create it.
    std::filesystem::path Resolve(std::string_view game_path) const;

    virtual bool Exists(std::string_view game_path) const;
    // Whether the name is free, a regular file (with its size), or taken by anything else (a
    // folder, a dangling link, an entry that cannot be looked at).
    virtual StoredEntry Inspect(std::string_view game_path) const;
    // Size in bytes, or nullopt when the file is missing.
    virtual std::optional<std::uint64_t> FileSize(std::string_view game_path) const;
    // Reads the first `size` bytes; a missing or shorter file throws FileError.
    virtual void ReadExact(std::string_view game_path, void* dest, std::size_t size) const;
    // Reads the whole file; files larger than max_size throw FileError without being read.
    virtual std::vector<std::uint8_t> ReadAll(std::string_view game_path, std::size_t max_size) const;
    // Reads `size` bytes at `offset`; a range past the end of the file throws FileError.
    virtual void ReadAt(std::string_view game_path, std::uint64_t offset, void* dest, std::size_t size) const;
    // Reads a record stored whole: the name must carry a regular file of exactly `size` bytes.
    // Anything else, or a failed read, throws FileError saying what is wrong; dest may then hold
    // part of the file.
    void ReadWhole(std::string_view game_path, void* dest, std::size_t size) const;
    // Replaces the file with exactly these bytes, atomically. On failure the old file is intact
    // and FileError is thrown.
    virtual void WriteAtomic(std::string_view game_path, const void* data, std::size_t size);
    // Whether the bytes of a file are a record the game can use (`size` is the file's).
    using RecordTest = bool (*)(const void* bytes, std::size_t size);
    // WriteAtomic that keeps what it replaces. A whole old file (a readable file of exactly
    // `size` bytes that passes `usable`, when given) becomes "<name>.bak", linked (or copied)
    // there before the rename, so a whole file carries the name at every moment; anything else at
    // the name is moved aside with MoveAside(".damaged") first, so the last good copy is never
    // replaced by it. A copy that cannot be kept does not stop the write.
    virtual void WriteKeepingCopy(std::string_view game_path, const void* data, std::size_t size,
                                  RecordTest usable = nullptr);
    // Renames whatever carries the name (a file or a folder) to "<name><suffix>", or to
    // "<name><suffix>-2", "-3", ... when that is taken; never replaces anything. Returns the name
    // it now has (its last component). Throws FileError when it cannot be moved.
    virtual std::string MoveAside(std::string_view game_path, std::string_view suffix);
    // Last modification time (seconds since the epoch), or nullopt when it cannot be read.
    virtual std::optional<std::time_t> ModificationTime(std::string_view game_path) const;

protected:
    // The low-level write used by WriteAtomic: writes all bytes to an open descriptor. Fault
    // injection overrides it.
    virtual void WriteAll(int fd, const void* data, std::size_t size, const std::filesystem::path& path);
    // Called after each step of a replacing write; fault injection may end the process here.
    virtual void Reached(WriteStep step) { (void)step; }

private:
    void Replace(std::string_view game_path, const void* data, std::size_t size, bool keep_copy, RecordTest usable);
    void KeepReplacedFile(std::string_view game_path, std::size_t size, RecordTest usable);
    // Writes a new file with these bytes, flushed and closed; removes it again on failure.
    // `named` is the file the message names.
    void WriteNewFile(const std::filesystem::path& path, const void* data, std::size_t size,
                      const std::filesystem::path& named);

    std::filesystem::path m_root;
    std::filesystem::path m_save_root;
};

} // namespace hk
