#include "data/save_folder.h"

#include "data/game_files.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hk {

namespace fs = std::filesystem;

namespace {

// Save00.dat (the system file) and the thirty slots, each with the copy kept beside it.
constexpr int kLastSaveFile = 30;
// Far above any record the game writes: a larger file is not a save file worth copying.
constexpr std::size_t kLargestSaveFile = 16u << 20;
constexpr std::size_t kLongestFolderName = 64;

std::vector<std::string> SaveFileNames() {
    std::vector<std::string> names;
    for (int n = 0; n <= kLastSaveFile; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "Save%02d.dat", n);
        names.emplace_back(name);
        names.emplace_back(std::string(name) + ".bak");
    }
    return names;
}

std::string Named(const fs::path& path) {
    return "「" + path.string() + "」";
}

fs::path Absolute(const fs::path& path) {
    std::error_code ec;
    fs::path full = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec)
        full = fs::absolute(path, ec);
    return full.lexically_normal();
}

bool HoldsSaveFiles(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (IsSaveFileName(it->path().filename().string()))
            return true;
    return false;
}

// The file's modification time goes with it: the save menus show it as the slot's date.
void KeepModificationTime(const fs::path& from, const fs::path& to) {
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0)
        return;
    const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, to.c_str(), times.data(), 0);
}

// Copies the game folder's save files that the save folder lacks; the names that could not be
// copied are returned.
std::vector<std::string> CopySaveFiles(const fs::path& game_folder, const fs::path& save_folder,
                                       std::vector<std::string>& copied) {
    const GameFiles from(game_folder);
    GameFiles to(save_folder);
    std::vector<std::string> not_copied;
    for (const std::string& name : SaveFileNames()) {
        const StoredEntry source = from.Inspect(name);
        if (source.kind != StoredEntry::Kind::File || to.Inspect(name).kind != StoredEntry::Kind::Missing)
            continue;
        try {
            const std::vector<std::uint8_t> bytes = from.ReadAll(name, kLargestSaveFile);
            to.WriteAtomic(name, bytes.data(), bytes.size());
            KeepModificationTime(from.Resolve(name), to.Resolve(name));
            copied.push_back(name);
        } catch (const FileError& error) {
            std::fprintf(stderr, "harukaze: warning: save file not copied: %s\n", error.what());
            not_copied.push_back(from.Resolve(name).filename().string());
        }
    }
    return not_copied;
}

std::string SaveFolderTrouble(const fs::path& folder, const fs::path& game_folder, const std::string& reason) {
    return "セーブデータを置くフォルダ" + Named(folder) + "を用意できませんでした（" + reason +
           "）。\nゲームのフォルダ" + Named(game_folder) +
           "には書き込めないため、セーブデータはほかのフォルダに置きます。書き込めるフォルダを"
           "「harukaze --save-dir フォルダ」で指定して、ゲームを起動し直してください。";
}

} // namespace

DataHome DataHome::FromEnvironment() {
    DataHome home;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        home.xdg_data_home = xdg;
    if (const char* env_home = std::getenv("HOME"); env_home && *env_home)
        home.home = env_home;
    else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir)
        home.home = user->pw_dir;
    return home;
}

bool FolderWritable(const fs::path& folder) {
    const fs::path probe = folder / (".harukaze-write-check-" + std::to_string(::getpid()));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

std::string SaveFolderName(const fs::path& absolute_game_folder) {
    // FNV-1a over the whole path: stable from run to run and from build to build.
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : absolute_game_folder.string()) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    std::string name;
    for (const unsigned char c : absolute_game_folder.filename().string()) {
        const bool safe = c >= 0x80 || std::isalnum(c) || c == '-' || c == '_' || c == '.';
        name.push_back(safe ? static_cast<char>(c) : '_');
    }
    name.erase(0, name.find_first_not_of('.')); // never a hidden folder, never "." or ".."
    if (name.size() > kLongestFolderName) {
        std::size_t cut = kLongestFolderName;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut; // not inside a UTF-8 character
        name.resize(cut);
    }
    if (name.empty())
        name = "game";
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%08x", static_cast<unsigned>((hash >> 32) ^ (hash & 0xFFFFFFFFu)));
    return name + suffix;
}

fs::path DataSaveFolder(const fs::path& absolute_game_folder, const DataHome& home) {
    fs::path base;
    if (home.xdg_data_home && fs::path(*home.xdg_data_home).is_absolute())
        base = *home.xdg_data_home;
    else if (home.home && fs::path(*home.home).is_absolute())
        base = fs::path(*home.home) / ".local" / "share";
    else
        throw FileError("no folder for the save files: neither XDG_DATA_HOME nor HOME is set",
                        SaveFolderTrouble("$XDG_DATA_HOME/harukaze", absolute_game_folder,
                                          "XDG_DATA_HOME も HOME も決まっていません"));
    return (base / "harukaze" / SaveFolderName(absolute_game_folder)).lexically_normal();
}

SaveFolder PrepareSaveFolder(const fs::path& game_folder, const std::optional<fs::path>& asked, const DataHome& home) {
    const fs::path game = Absolute(game_folder);
    SaveFolder saves;
    if (asked) {
        saves.folder = Absolute(*asked);
        saves.chosen_by_player = true;
    } else if (FolderWritable(game)) {
        saves.folder = game;
        return saves;
    } else {
        saves.folder = DataSaveFolder(game, home);
    }
    if (saves.folder == game)
        return saves;
    saves.away_from_game = true;

    std::error_code ec;
    fs::create_directories(saves.folder, ec);
    if (ec)
        throw FileError("cannot create the save folder \"" + saves.folder.string() + "\": " + ec.message(),
                        SaveFolderTrouble(saves.folder, game, "作れません: " + ec.message()));
    if (!FolderWritable(saves.folder))
        throw FileError("cannot write in the save folder \"" + saves.folder.string() + "\"",
                        SaveFolderTrouble(saves.folder, game, "書き込めません"));
    saves.first_use = !HoldsSaveFiles(saves.folder);
    if (saves.first_use) {
        const std::vector<std::string> not_copied = CopySaveFiles(game, saves.folder, saves.copied);
        saves.not_copied = not_copied;
    }
    return saves;
}

std::string SaveFolderNotice(const SaveFolder& saves, const fs::path& game_folder) {
    if (!saves.away_from_game || !saves.first_use || (saves.chosen_by_player && saves.not_copied.empty()))
        return {};
    const fs::path game = Absolute(game_folder);
    std::string text;
    if (saves.chosen_by_player)
        text = "セーブデータは指定のフォルダ" + Named(saves.folder) + "に置きます。\n";
    else
        text = "ゲームのフォルダ" + Named(game) +
               "には書き込めないため、セーブデータ（設定と進み具合、30 のセーブスロット）は次のフォルダに置きます。\n" +
               Named(saves.folder) + "\n";
    if (!saves.copied.empty())
        text += "ゲームのフォルダにあったセーブデータ（" + std::to_string(saves.copied.size()) +
                " 個のファイル）をそこへ写しました。ゲームのフォルダのファイルは元のまま残り、書き換えられません。\n";
    if (!saves.not_copied.empty()) {
        text += "次のファイルは読めなかったため写せませんでした:";
        for (const std::string& name : saves.not_copied)
            text += " 「" + name + "」";
        text += "\n読めるようにしてから、そのフォルダへご自分で写してください。\n";
    }
    if (!saves.chosen_by_player)
        text +=
            "セーブデータを控えるときや、ほかのコンピューターへ移すときは、このフォルダのファイルを写してください。";
    return text;
}

} // namespace hk
