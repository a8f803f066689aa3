#include "data/game_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hk {

namespace fs = std::filesystem;

namespace {

std::string Describe(const fs::path& path) {
    std::string quoted = path.string();
    quoted.insert(quoted.begin(), '"');
    quoted.push_back('"');
    return quoted;
}

std::string ErrnoText() {
    return std::strerror(errno);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
        if (ca < 0x80 && cb < 0x80) {
            if (std::tolower(ca) != std::tolower(cb))
                return false;
        } else if (ca != cb) {
            return false;
        }
    }
    return true;
}

// Closes a descriptor on every path out of a scope.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

GameFiles::GameFiles(fs::path root) : m_root(std::move(root)) {}

fs::path GameFiles::Resolve(std::string_view game_path) const {
    std::string text(game_path);
    std::replace(text.begin(), text.end(), '\\', '/');
    if (text.empty())
        throw FileError("empty file name");
    if (text.front() == '/' || (text.size() > 1 && text[1] == ':'))
        throw FileError("refused path outside the game directory: " + std::string(game_path));

    fs::path result = m_root;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view part(text.data() + start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            throw FileError("refused path outside the game directory: " + std::string(game_path));
        fs::path exact = result / fs::path(std::string(part));
        std::error_code ec;
        if (!fs::exists(exact, ec)) {
            // The game's data was written on a case-insensitive file system: look for another
            // spelling of this component before giving up.
            for (fs::directory_iterator it(result, ec), end_it; !ec && it != end_it; it.increment(ec)) {
                const std::string name = it->path().filename().string();
                if (EqualsIgnoreCase(name, part)) {
                    exact = it->path();
                    break;
                }
            }
        }
        result = exact;
    }
    return result;
}

StoredEntry GameFiles::Inspect(std::string_view game_path) const {
    const fs::path path = Resolve(game_path);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISREG(st.st_mode))
            return {StoredEntry::Kind::File, static_cast<std::uint64_t>(st.st_size)};
        return {StoredEntry::Kind::Other, 0};
    }
    if ((errno == ENOENT || errno == ENOTDIR) && ::lstat(path.c_str(), &st) != 0)
        return {};
    // A link to nowhere, or an entry the system will not show us: the name is taken all the same.
    return {StoredEntry::Kind::Other, 0};
}

bool GameFiles::Exists(std::string_view game_path) const {
    std::error_code ec;
    return fs::is_regular_file(Resolve(game_path), ec);
}

std::optional<std::uint64_t> GameFiles::FileSize(std::string_view game_path) const {
    std::error_code ec;
    const auto size = fs::file_size(Resolve(game_path), ec);
    if (ec)
        return std::nullopt;
    return size;
}

void GameFiles::ReadAt(std::string_view game_path, std::uint64_t offset, void* dest, std::size_t size) const {
    const fs::path path = Resolve(game_path);
    Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        throw FileError("cannot open " + Describe(path) + " for reading: " + ErrnoText());
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        throw FileError("cannot read the size of " + Describe(path) + ": " + ErrnoText());
    const std::uint64_t file_size = static_cast<std::uint64_t>(st.st_size);
    if (offset > file_size || size > file_size - offset)
        throw FileError("cannot read " + std::to_string(size) + " bytes at offset " + std::to_string(offset) + " of " +
                        Describe(path) + ": the file has only " + std::to_string(file_size) + " bytes");
    auto* out = static_cast<std::uint8_t*>(dest);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(file.fd, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw FileError("cannot read " + Describe(path) + ": " + (n < 0 ? ErrnoText() : "unexpected end of file"));
        done += static_cast<std::size_t>(n);
    }
}

void GameFiles::ReadExact(std::string_view game_path, void* dest, std::size_t size) const {
    ReadAt(game_path, 0, dest, size);
}

void GameFiles::ReadWhole(std::string_view game_path, void* dest, std::size_t size) const {
    const StoredEntry entry = Inspect(game_path);
    if (entry.kind == StoredEntry::Kind::Missing)
        throw FileError("cannot open " + Describe(Resolve(game_path)) + " for reading: no such file");
    if (entry.kind == StoredEntry::Kind::Other)
        throw FileError("cannot read " + Describe(Resolve(game_path)) + ": it is not a file");
    if (entry.size != size)
        throw FileError("cannot read " + Describe(Resolve(game_path)) + ": the file has " + std::to_string(entry.size) +
                        " bytes, not the " + std::to_string(size) + " of a whole record (it is damaged)");
    ReadExact(game_path, dest, size);
}

std::vector<std::uint8_t> GameFiles::ReadAll(std::string_view game_path, std::size_t max_size) const {
    const fs::path path = Resolve(game_path);
    const auto size = FileSize(game_path);
    if (!size)
        throw FileError("cannot open " + Describe(path) + " for reading: no such file");
    if (*size > max_size)
        throw FileError("refused to read " + Describe(path) + ": " + std::to_string(*size) +
                        " bytes is more than the " + std::to_string(max_size) + " allowed");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(*size));
    ReadAt(game_path, 0, bytes.data(), bytes.size());
    return bytes;
}

void GameFiles::WriteAll(int fd, const void* data, std::size_t size, const fs::path& path) {
    const auto* in = static_cast<const std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, in + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw FileError("cannot write " + Describe(path) + ": " + (n < 0 ? ErrnoText() : "nothing written"));
        done += static_cast<std::size_t>(n);
    }
}

void GameFiles::WriteNewFile(const fs::path& path, const void* data, std::size_t size, const fs::path& named) {
    Fd file{::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    if (file.fd < 0)
        throw FileError("cannot create " + Describe(named) + ": " + ErrnoText());
    try {
        WriteAll(file.fd, data, size, named);
        if (::fsync(file.fd) != 0)
            throw FileError("cannot write " + Describe(named) + ": " + ErrnoText());
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0) {
        const std::string reason = ErrnoText();
        ::unlink(path.c_str());
        throw FileError("cannot write " + Describe(named) + ": " + reason);
    }
}

void GameFiles::WriteAtomic(std::string_view game_path, const void* data, std::size_t size) {
    Replace(game_path, data, size, false, nullptr);
}

void GameFiles::WriteKeepingCopy(std::string_view game_path, const void* data, std::size_t size, RecordTest usable) {
    Replace(game_path, data, size, true, usable);
}

void GameFiles::Replace(std::string_view game_path, const void* data, std::size_t size, bool keep_copy,
                        RecordTest usable) {
    const fs::path path = Resolve(game_path);
    fs::path temp = path;
    temp += ".tmp";
    // The new bytes first: a full disk then fails the write before anything else has changed.
    WriteNewFile(temp, data, size, path);
    Reached(WriteStep::TempWritten);
    if (keep_copy) {
        try {
            KeepReplacedFile(game_path, size, usable);
        } catch (...) {
            ::unlink(temp.c_str());
            throw;
        }
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string reason = ErrnoText();
        ::unlink(temp.c_str());
        throw FileError("cannot replace " + Describe(path) + ": " + reason);
    }
    Reached(WriteStep::Replaced);
}

void GameFiles::KeepReplacedFile(std::string_view game_path, std::size_t size, RecordTest usable) {
    const StoredEntry old = Inspect(game_path);
    if (old.kind == StoredEntry::Kind::Missing)
        return;
    std::vector<std::uint8_t> bytes;
    bool whole = old.kind == StoredEntry::Kind::File && old.size == size;
    if (whole) {
        bytes.resize(size);
        try {
            ReadExact(game_path, bytes.data(), size);
        } catch (const FileError&) {
            whole = false;
        }
        whole = whole && (usable == nullptr || usable(bytes.data(), bytes.size()));
    }
    if (!whole) {
        // Not a copy worth keeping in place of the last good one, and not to be lost either.
        MoveAside(game_path, ".damaged");
        Reached(WriteStep::DamagedMovedAside);
        return;
    }
    // Staged under a temporary name and renamed, so the old copy stays whole until the new one
    // is. A hard link costs no writing; file systems without links get a copy of the bytes.
    const fs::path path = Resolve(game_path);
    const fs::path copy = Resolve(std::string(game_path) + ".bak");
    fs::path staged = copy;
    staged += ".tmp";
    ::unlink(staged.c_str());
    if (::link(path.c_str(), staged.c_str()) != 0) {
        try {
            WriteNewFile(staged, bytes.data(), bytes.size(), copy);
        } catch (const FileError&) {
            return; // the player's new data matters more than a copy of the old
        }
    }
    Reached(WriteStep::CopyStaged);
    if (::rename(staged.c_str(), copy.c_str()) == 0)
        Reached(WriteStep::CopyKept);
    // Left when the rename failed (the copy's name is a folder), or when both names already
    // were one file, which makes the rename do nothing.
    ::unlink(staged.c_str());
}

std::string GameFiles::MoveAside(std::string_view game_path, std::string_view suffix) {
    constexpr int kMaxNames = 999;
    const fs::path path = Resolve(game_path);
    for (int n = 1; n <= kMaxNames; ++n) {
        fs::path aside = path;
        aside += std::string(suffix);
        if (n > 1)
            aside += "-" + std::to_string(n);
        struct stat st {};
        if (::lstat(aside.c_str(), &st) == 0)
            continue;
        int moved = ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE);
        if (moved != 0 && (errno == EINVAL || errno == ENOSYS))
            moved = ::rename(path.c_str(), aside.c_str()); // no such flag here; the name was free
        if (moved == 0)
            return aside.filename().string();
        if (errno == EEXIST)
            continue;
        throw FileError("cannot move " + Describe(path) + " aside to " + Describe(aside) + ": " + ErrnoText());
    }
    throw FileError("cannot move " + Describe(path) + " aside: every name up to \"" + path.filename().string() +
                    std::string(suffix) + "-" + std::to_string(kMaxNames) + "\" is taken");
}

std::optional<std::time_t> GameFiles::ModificationTime(std::string_view game_path) const {
    struct stat st {};
    const fs::path path = Resolve(game_path);
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return st.st_mtime;
}

} // namespace hk
