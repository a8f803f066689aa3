#include "app/launch.h"

#include "data/save_folder.h"
#include "platform/qt/game_folder.h"
#include "platform/qt/main_window_view.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

namespace hk {

namespace fs = std::filesystem;

bool EnterGameFolder(const LaunchOptions& options, UserSettings& settings,
                     const std::function<void()>& before_chooser) {
    std::error_code error;
    fs::path folder;
    if (options.game_folder) {
        folder = *options.game_folder;
    } else {
        const fs::path home = QDir::homePath().toStdString();
        const auto remembered = settings.GameFolder();
        const auto found = FindGameFolder({fs::current_path(error), remembered, home / "harukaze"});
        if (found) {
            folder = *found;
        } else {
            const bool remembered_exists = remembered && fs::is_directory(*remembered, error);
            if (before_chooser)
                before_chooser();
            const auto chosen = ChooseGameFolder(nullptr, remembered_exists ? *remembered : home);
            if (!chosen) {
                std::fputs("harukaze: no game folder was chosen\n", stderr);
                return false;
            }
            folder = *chosen;
        }
    }
    fs::current_path(folder, error);
    if (error) {
        std::fprintf(stderr, "harukaze: cannot enter the game folder '%s': %s\n", folder.c_str(),
                     error.message().c_str());
        return false;
    }
    // A folder without the game is played all the same (the game then says what is missing), but
    // not remembered.
    if (HoldsGameArchives(".")) {
        const fs::path here = fs::current_path(error);
        if (!error) {
            settings.SetGameFolder(here);
            settings.Sync(); // kept even if the game should not end well
        }
    }
    return true;
}

std::string UseSaveFolder(const LaunchOptions& options, GameFiles& files) {
    std::optional<fs::path> asked;
    if (options.save_dir)
        asked = fs::path(*options.save_dir);
    const SaveFolder saves = PrepareSaveFolder(files.Root(), asked, DataHome::FromEnvironment());
    if (saves.away_from_game) {
        files.SetSaveRoot(saves.folder);
        std::fprintf(stderr, "harukaze: the save files are in \"%s\"\n", saves.folder.c_str());
    }
    return SaveFolderNotice(saves, files.Root());
}

bool PrepareMainWindow(MainWindowView& view, const LaunchOptions& options, const UserSettings& settings) {
    WindowMemory memory = settings.Window();
    if (options.scale) {
        memory.scale = options.scale;
        memory.maximized = false;
    }
    if (options.smooth)
        memory.smooth = *options.smooth;
    RestoreWindow(view, memory);
    return memory.maximized;
}

void RememberMainWindow(const MainWindowView& view, UserSettings& settings) {
    // Wayland does not tell a program where its window is, nor let it choose: no place to keep.
    const bool places_known = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    settings.SetWindow(CaptureWindow(view, places_known));
    settings.Sync();
}

} // namespace hk
