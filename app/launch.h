// What the program does before the game's loop starts and after it ends, apart from the loop: the
// game folder it plays (entered as the current directory, which the engine reads), the folder of
// its save files and the main window's remembered look.
#pragma once

#include "data/game_files.h"
#include "platform/qt/launch_options.h"
#include "platform/qt/user_settings.h"

#include <functional>

namespace hk {

class MainWindowView;

// Makes the game folder the current directory: the one named on the command line, else the first
// that holds the game of the current directory, the one played last and ~/harukaze, else the one
// the player chooses. A folder that holds the game is remembered for the next start. False (with
// a message on standard error) when there is none to play: the player gave up on the chooser, or
// the folder cannot be entered. `before_chooser` runs just before the chooser opens (the chooser
// reads the font list, which the caller may still be preparing).
bool EnterGameFolder(const LaunchOptions& options, UserSettings& settings,
                     const std::function<void()>& before_chooser = {});

// Decides where the save files of the game in the current directory live (the game folder, the
// folder of --save-dir, or the user's data folder when the game folder cannot be written) and
// points `files` there. Returns what the player is to be told about it (empty: nothing). Throws
// FileError when the saves have nowhere to go.
std::string UseSaveFolder(const LaunchOptions& options, GameFiles& files);

// Gives the main window, not yet shown, its remembered size, place and filter, or those of the
// command line. True when it is to be shown maximised.
bool PrepareMainWindow(MainWindowView& view, const LaunchOptions& options, const UserSettings& settings);

// Remembers the main window's size, place and filter for the next start.
void RememberMainWindow(const MainWindowView& view, UserSettings& settings);

} // namespace hk
