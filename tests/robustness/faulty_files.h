// A game directory on disk whose file layer can be made to fail the way players' disks do: full
// after a number of bytes, writing only a little per call, read-only, losing a file between two
// operations (even between the check that it is there and its read), or the process killed in
// the middle of a write. It replaces GameFiles under the engine (HeadlessSession takes it), so
// the engine's own code meets the faults.
#pragma once

#include "data/game_files.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <unistd.h>

namespace hk::test {

class FaultyFiles final : public GameFiles {
public:
    using GameFiles::GameFiles;

    // The disk fills up after this many more bytes have been written (nullopt: never).
    std::optional<std::size_t> space_left;
    // Each write call stores at most this many bytes (0: no limit), as a pipe or NFS may.
    std::size_t write_chunk = 0;
    // Creating or replacing any file fails as on a read-only file system.
    bool read_only = false;
    // Reads of these game paths fail with an I/O error.
    std::set<std::string> unreadable;

    // These game paths are removed from the disk right after a check finds them there, as when
    // the player deletes a file between the engine's look and its read.
    std::set<std::string> vanish_after_check;

    // The process ends at once (as if killed) after this step of a write, or after this many
    // bytes of the new file have been written; a test runs the write in a child process.
    std::optional<WriteStep> crash_after_step;
    std::optional<std::size_t> crash_after_bytes;
    static constexpr int kCrashedStatus = 77;

    int writes_attempted = 0;

    bool Exists(std::string_view game_path) const override {
        const bool found = GameFiles::Exists(game_path);
        if (found && vanish_after_check.count(std::string(game_path))) {
            std::error_code ignored;
            std::filesystem::remove(Resolve(game_path), ignored);
        }
        return found;
    }

    void WriteAtomic(std::string_view game_path, const void* data, std::size_t size) override {
        ++writes_attempted;
        RefuseWhenReadOnly("create", game_path);
        GameFiles::WriteAtomic(game_path, data, size);
    }

    void WriteKeepingCopy(std::string_view game_path, const void* data, std::size_t size,
                          RecordTest usable = nullptr) override {
        ++writes_attempted;
        RefuseWhenReadOnly("create", game_path);
        GameFiles::WriteKeepingCopy(game_path, data, size, usable);
    }

    std::string MoveAside(std::string_view game_path, std::string_view suffix) override {
        ++writes_attempted;
        RefuseWhenReadOnly("move aside", game_path);
        const std::string moved = GameFiles::MoveAside(game_path, suffix);
        // A bad place on the disk goes with the file, not with its old name.
        if (unreadable.erase(std::string(game_path)))
            unreadable.insert(moved);
        return moved;
    }

    void ReadAt(std::string_view game_path, std::uint64_t offset, void* dest, std::size_t size) const override {
        if (unreadable.count(std::string(game_path)))
            throw FileError("cannot read \"" + Resolve(game_path).string() + "\": " + std::strerror(EIO));
        GameFiles::ReadAt(game_path, offset, dest, size);
    }

protected:
    void Reached(WriteStep step) override {
        if (crash_after_step == step)
            ::_exit(kCrashedStatus);
    }

    void WriteAll(int fd, const void* data, std::size_t size, const std::filesystem::path& path) override {
        const auto* in = static_cast<const std::uint8_t*>(data);
        std::size_t done = 0;
        while (done < size) {
            std::size_t n = size - done;
            if (write_chunk != 0)
                n = std::min(n, write_chunk);
            if (space_left) {
                if (*space_left == 0)
                    throw FileError("cannot write \"" + path.string() + "\": " + std::strerror(ENOSPC));
                n = std::min(n, *space_left);
            }
            if (crash_after_bytes)
                n = std::min(n, *crash_after_bytes - std::min(*crash_after_bytes, done));
            if (crash_after_bytes && n == 0)
                ::_exit(kCrashedStatus);
            const ssize_t written = ::write(fd, in + done, n);
            if (written <= 0)
                throw FileError("cannot write \"" + path.string() + "\": " + std::strerror(errno));
            done += static_cast<std::size_t>(written);
            if (space_left)
                *space_left -= static_cast<std::size_t>(written);
        }
    }

private:
    void RefuseWhenReadOnly(const char* what, std::string_view game_path) const {
        if (read_only)
            throw FileError(std::string("cannot ") + what + " \"" + Resolve(game_path).string() +
                            "\": " + std::strerror(EROFS));
    }
};

} // namespace hk::test
