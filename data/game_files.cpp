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

// The full path the player is shown, in the brackets of the game's messages.
std::string Named(const fs::path& path) {
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    if (ec)
        full = path;
    return "「" + full.lexically_normal().string() + "」";
}

// What the system said, in the player's words.
std::string ReasonForPlayer(int err) {
    switch (err) {
    case EACCES:
    case EPERM: return "許可がありません";
    case EROFS: return "読み込み専用の場所です";
    case ENOSPC: return "ディスクに空きがありません";
    case EDQUOT: return "使ってよい容量を超えています";
    case ENOENT: return "見つかりません";
    case ENOTDIR: return "途中のフォルダがありません";
    case EISDIR: return "フォルダになっています";
    case EIO: return "ディスクの読み書きに失敗しました";
    case ENAMETOOLONG: return "名前が長すぎます";
    case EMFILE:
    case ENFILE: return "開いているファイルが多すぎます";
    default: return "システムのエラー " + std::to_string(err);
    }
}

enum class Access : std::uint8_t { Read, Write };

std::string AdviceForPlayer(Access access, int err, const fs::path& path) {
    if (access == Access::Write) {
        if (err == ENOSPC || err == EDQUOT)
            return "ディスクの空きを増やしてから、もう一度試してください。";
        if (err == EACCES || err == EPERM || err == EROFS)
            return "フォルダ" + Named(path.parent_path()) +
                   "に書き込めるようにするか、書き込めるフォルダを「harukaze --save-dir フォルダ」で指定して、"
                   "ゲームを起動し直してください。";
        return "ディスクとフォルダ" + Named(path.parent_path()) + "の状態を確かめてから、もう一度試してください。";
    }
    if (err == ENOENT || err == ENOTDIR)
        return "ゲームのファイルが元のディスクのとおりにそろっているか確かめてください。";
    if (err == EACCES || err == EPERM)
        return "このファイルを読めるように、持ち主と許可を確かめてください。";
    return "ディスクの状態を確かめ、ファイルを元のディスクから写し直してください。";
}

// A failed system call on `path`: the English for reports and the player's Japanese.
FileError Failure(const std::string& english, Access access, const fs::path& path, int err) {
    return FileError(english + ": " + std::strerror(err),
                     Named(path) + (access == Access::Read ? "を読み込めませんでした" : "に書き込めませんでした") +
                         "（" + ReasonForPlayer(err) + "）。\n" + AdviceForPlayer(access, err, path));
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

bool IsSaveFileName(std::string_view name) {
    constexpr std::string_view kStem = "save", kExtension = ".dat";
    constexpr std::size_t kDigitsAt = kStem.size(), kExtensionAt = kDigitsAt + 2;
    if (name.size() < kExtensionAt + kExtension.size())
        return false;
    if (!EqualsIgnoreCase(name.substr(0, kStem.size()), kStem) ||
        !EqualsIgnoreCase(name.substr(kExtensionAt, kExtension.size()), kExtension))
        return false;
    for (std::size_t i = kDigitsAt; i < kExtensionAt; ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    const std::string_view rest = name.substr(kExtensionAt + kExtension.size());
    return rest.empty() || (rest.front() == '.' && rest.find_first_of("/\\") == std::string_view::npos);
}

std::string ByteCountForPlayer(std::uint64_t bytes) {
    std::string digits = std::to_string(bytes);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits + " バイト";
}

GameFiles::GameFiles(fs::path root) : m_root(root), m_save_root(std::move(root)) {}

fs::path GameFiles::FullPath(std::string_view game_path) const {
    std::error_code ec;
    const fs::path path = Resolve(game_path);
    const fs::path full = fs::absolute(path, ec);
    return (ec ? path : full).lexically_normal();
}

fs::path GameFiles::Resolve(std::string_view game_path) const {
    std::string text(game_path);
    std::replace(text.begin(), text.end(), '\\', '/');
    const auto refused = [&] {
        return FileError(
            "refused path outside the game directory: " + std::string(game_path),
            "ゲームのデータが、ゲームのフォルダ" + Named(m_root) + "の外のファイル「" + std::string(game_path) +
                "」を求めたため、読み書きしませんでした。\nゲームのファイルが元のディスクのとおりか確かめてください。");
    };
    if (text.empty())
        throw FileError("empty file name", "ゲームのデータが名前のないファイルを求めました。\nゲームのフォルダ" +
                                               Named(m_root) + "のファイルが元のディスクのとおりか確かめてください。");
    if (text.front() == '/' || (text.size() > 1 && text[1] == ':'))
        throw refused();

    fs::path result = IsSaveFileName(text) ? m_save_root : m_root;
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
            throw refused();
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
        throw Failure("cannot open " + Describe(path) + " for reading", Access::Read, path, errno);
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        throw Failure("cannot read the size of " + Describe(path), Access::Read, path, errno);
    const std::uint64_t file_size = static_cast<std::uint64_t>(st.st_size);
    if (offset > file_size || size > file_size - offset)
        throw FileError("cannot read " + std::to_string(size) + " bytes at offset " + std::to_string(offset) + " of " +
                            Describe(path) + ": the file has only " + std::to_string(file_size) + " bytes",
                        Named(path) + "が途中で切れています（" + ByteCountForPlayer(file_size) +
                            "しかありません）。\nファイルを元のディスクから写し直してください。");
    auto* out = static_cast<std::uint8_t*>(dest);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(file.fd, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Failure("cannot read " + Describe(path), Access::Read, path, errno);
        if (n == 0)
            throw FileError("cannot read " + Describe(path) + ": unexpected end of file",
                            Named(path) + "が読んでいる途中で短くなりました。\nほかのプログラムがこのファイルを"
                                          "書き換えていないか確かめてから、もう一度試してください。");
        done += static_cast<std::size_t>(n);
    }
}

void GameFiles::ReadExact(std::string_view game_path, void* dest, std::size_t size) const {
    ReadAt(game_path, 0, dest, size);
}

void GameFiles::ReadWhole(std::string_view game_path, void* dest, std::size_t size) const {
    const StoredEntry entry = Inspect(game_path);
    const fs::path path = Resolve(game_path);
    // A record the player can bring back from the copy the last write kept beside it.
    const std::string restore = "ゲームを閉じてから、同じフォルダにある前回の控え" + Named(fs::path(path) += ".bak") +
                                "を" + Named(path) + "に写すと、ひとつ前の記録に戻せます（控えがあるときだけ）。";
    if (entry.kind == StoredEntry::Kind::Missing)
        throw FileError("cannot open " + Describe(path) + " for reading: no such file",
                        Named(path) + "が見つかりませんでした。\n" + restore);
    if (entry.kind == StoredEntry::Kind::Other)
        throw FileError("cannot read " + Describe(path) + ": it is not a file",
                        Named(path) + "がファイルではなく、フォルダなどになっているため読み込めません。\n" +
                            "それを別の名前に変えるか、" + restore);
    if (entry.size != size)
        throw FileError("cannot read " + Describe(path) + ": the file has " + std::to_string(entry.size) +
                            " bytes, not the " + std::to_string(size) + " of a whole record (it is damaged)",
                        Named(path) + "は壊れています（大きさが " + ByteCountForPlayer(entry.size) + "で、正しい " +
                            ByteCountForPlayer(size) + "と違います）。\n" + restore);
    ReadExact(game_path, dest, size);
}

std::vector<std::uint8_t> GameFiles::ReadAll(std::string_view game_path, std::size_t max_size) const {
    const fs::path path = Resolve(game_path);
    const auto size = FileSize(game_path);
    if (!size)
        throw FileError("cannot open " + Describe(path) + " for reading: no such file",
                        Named(path) + "が見つかりませんでした。\n" + AdviceForPlayer(Access::Read, ENOENT, path));
    if (*size > max_size)
        throw FileError("refused to read " + Describe(path) + ": " + std::to_string(*size) +
                            " bytes is more than the " + std::to_string(max_size) + " allowed",
                        Named(path) + "は大きすぎるため読み込みませんでした（" + ByteCountForPlayer(*size) +
                            "、上限は " + ByteCountForPlayer(max_size) +
                            "）。\nファイルを元のディスクから写し直してください。");
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
        if (n < 0)
            throw Failure("cannot write " + Describe(path), Access::Write, path, errno);
        if (n == 0)
            throw FileError("cannot write " + Describe(path) + ": nothing written",
                            Named(path) + "に書き込めませんでした。\n" + AdviceForPlayer(Access::Write, EIO, path));
        done += static_cast<std::size_t>(n);
    }
}

void GameFiles::WriteNewFile(const fs::path& path, const void* data, std::size_t size, const fs::path& named) {
    Fd file{::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    if (file.fd < 0)
        throw Failure("cannot create " + Describe(named), Access::Write, named, errno);
    try {
        WriteAll(file.fd, data, size, named);
        if (::fsync(file.fd) != 0)
            throw Failure("cannot write " + Describe(named), Access::Write, named, errno);
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(path.c_str());
        throw Failure("cannot write " + Describe(named), Access::Write, named, err);
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
        const int err = errno;
        ::unlink(temp.c_str());
        throw Failure("cannot replace " + Describe(path), Access::Write, path, err);
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
#if HARUKAZE_HAVE_RENAMEAT2
        int moved = ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE);
        if (moved != 0 && (errno == EINVAL || errno == ENOSYS))
            moved = ::rename(path.c_str(), aside.c_str()); // no such flag here; the name was free
#else
        // A C library without renameat2: the name was free a moment ago.
        int moved = ::rename(path.c_str(), aside.c_str());
#endif
        if (moved == 0)
            return aside.filename().string();
        if (errno == EEXIST)
            continue;
        throw Failure("cannot move " + Describe(path) + " aside to " + Describe(aside), Access::Write, aside, errno);
    }
    throw FileError("cannot move " + Describe(path) + " aside: every name up to \"" + path.filename().string() +
                        std::string(suffix) + "-" + std::to_string(kMaxNames) + "\" is taken",
                    Named(path) + "を別の名前で残せませんでした（「" + path.filename().string() + std::string(suffix) +
                        "-" + std::to_string(kMaxNames) + "」までの名前がすべて使われています）。\n" + "要らない「" +
                        std::string(suffix) + "」のファイルを消してから、もう一度起動してください。");
}

std::optional<std::time_t> GameFiles::ModificationTime(std::string_view game_path) const {
    struct stat st {};
    const fs::path path = Resolve(game_path);
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return st.st_mtime;
}

} // namespace hk
