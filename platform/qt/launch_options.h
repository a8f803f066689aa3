// The command line of the window build:
//     harukaze [--scale S] [--smooth | --sharp] [--save-dir DIR] [GAME_FOLDER]
//     harukaze --help | --version
// Parsing only; what the options do is main()'s and the window's business. No Qt here.
#pragma once

#include "platform/qt/window_scale.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace hk {

struct LaunchOptions {
    bool help = false;
    bool version = false;
    std::optional<std::string> game_folder;
    std::optional<std::string> save_dir; // where the save files live instead of the game folder
    std::optional<WindowScale> scale;
    std::optional<bool> smooth; // --smooth or --sharp, the last one given
};

// The usage text printed by --help and after a bad command line.
extern const char* const kLaunchUsage;

// The arguments after the program's name. On a bad command line: the message saying what is wrong.
std::variant<LaunchOptions, std::string> ParseLaunchOptions(const std::vector<std::string>& args);

} // namespace hk
