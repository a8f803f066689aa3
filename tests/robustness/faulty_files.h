// A game directory on disk whose file layer can be made to fail the way players' disks do: full
// after a number of bytes, writing only a little per call, read-only, or losing a file between
// two operations (even between the check that it is there and its read). It replaces GameFiles
// under the engine (HeadlessSession takes it), so the engine's own code meets the faults.
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
        if (read_only)
            throw FileError("cannot create \"" + Resolve(game_path).string() + "\": " + std::strerror(EROFS));
        GameFiles::WriteAtomic(game_path, data, size);
    }

    void ReadAt(std::string_view game_path, std::uint64_t offset, void* dest, std::size_t size) const override {
        if (unreadable.count(std::string(game_path)))
            throw FileError("cannot read \"" + Resolve(game_path).string() + "\": " + std::strerror(EIO));
        GameFiles::ReadAt(game_path, offset, dest, size);
    }

protected:
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
            const ssize_t written = ::write(fd, in + done, n);
            if (written <= 0)
                throw FileError("cannot write \"" + path.string() + "\": " + std::strerror(errno));
            done += static_cast<std::size_t>(written);
            if (space_left)
                *space_left -= static_cast<std::size_t>(written);
        }
    }
};

} // namespace hk::test
