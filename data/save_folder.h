// Where the save files live. They stay in the game folder, beside the archives, as long as that
// folder can be written. A game folder that cannot be (read-only media, another user's folder, a
// system package) keeps its saves in the user's data folder instead,
// $XDG_DATA_HOME/harukaze/<name made from the game folder>/, and so does any folder the player
// names with --save-dir. Save files already in the game folder are copied there on the first start;
// the game folder is never written then.
//
// This decides the folder and makes it ready; GameFiles::SetSaveRoot puts it to use, and the
// caller shows the player the notice (once, on the first start there).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace hk {

// Where the user's data folder is: $XDG_DATA_HOME when it is an absolute path, else
// $HOME/.local/share.
struct DataHome {
    std::optional<std::string> xdg_data_home;
    std::optional<std::string> home;
    // The process's environment (the password database when HOME is unset).
    static DataHome FromEnvironment();
};

struct SaveFolder {
    std::filesystem::path folder;        // where the save files are read and written (absolute)
    bool away_from_game = false;         // not the game folder
    bool chosen_by_player = false;       // named on the command line
    bool first_use = false;              // held no save file before this start
    std::vector<std::string> copied;     // the save files copied from the game folder on this start
    std::vector<std::string> not_copied; // ... and those that could not be read (left where they are)
};

// Whether a new file can be made in the folder now (tried with a file made and removed again, so
// read-only mounts, immutable folders and access lists all count).
bool FolderWritable(const std::filesystem::path& folder);

// "harukaze-3f2a9c01": the folder's last name and a hash of its whole absolute path, so two games
// in folders of the same name never share saves. Only characters safe in any file name.
std::string SaveFolderName(const std::filesystem::path& absolute_game_folder);

// $XDG_DATA_HOME/harukaze/<SaveFolderName>.
std::filesystem::path DataSaveFolder(const std::filesystem::path& absolute_game_folder, const DataHome& home);

// Decides where the saves of the game in `game_folder` live: `asked` when given, the game folder
// when it can be written, the data folder otherwise. A folder away from the game is created when
// missing and receives copies of the game folder's save files when it holds none (a file it
// already holds is never replaced; the copies keep their modification times, which the save
// menus show). Throws FileError (with the player's Japanese) when that folder cannot be made or
// written.
SaveFolder PrepareSaveFolder(const std::filesystem::path& game_folder,
                             const std::optional<std::filesystem::path>& asked, const DataHome& home);

// What the player is told, in Japanese, on the first start with saves away from the game folder;
// empty when there is nothing to tell (the game folder, or a folder the player named).
std::string SaveFolderNotice(const SaveFolder& saves, const std::filesystem::path& game_folder);

} // namespace hk
