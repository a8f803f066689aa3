#include "platform/qt/launch_options.h"

#include <string_view>

namespace hk {

const char* const kLaunchUsage =
    "usage: harukaze [--scale S] [--smooth | --sharp] [--save-dir DIR] [GAME_FOLDER]\n"
    "       harukaze --help | --version\n"
    "\n"
    "Plays the game whose files (SCR.IFP, GRP.IFP, Sound/, VOICE/) are in GAME_FOLDER; its save\n"
    "files are written there too. Without GAME_FOLDER: the current directory when it holds the\n"
    "game, else the game folder played last time, else ~/harukaze, else a folder chooser asks for\n"
    "it. Only one copy runs at a time.\n"
    "\n"
    "When the game folder cannot be written (a read-only disc, another user's folder, a system\n"
    "package), the save files live in ~/.local/share/harukaze/NAME-HASH instead\n"
    "($XDG_DATA_HOME/harukaze/... when that is set); the save files already in the game folder are\n"
    "copied there on the first start, the game folder is never written, and the game says once\n"
    "where the saves are.\n"
    "\n"
    "  --save-dir DIR  keep the save files in DIR (made when missing) instead; the game folder's\n"
    "             save files are copied there when DIR holds none\n"
    "  --scale S  window size: 1, 1.5, 2 or 3 times 800x600 (any factor from 1 to 8), or fit,\n"
    "             the largest size the screen holds. Ctrl+Plus, Ctrl+Minus and Ctrl+0 change it\n"
    "             while the game runs, and the window's frame resizes it freely.\n"
    "  --smooth   draw the scaled picture smoothly (filtered)\n"
    "  --sharp    draw it with square pixels (nearest neighbour; the default)\n"
    "  --help     print this text\n"
    "  --version  print the version\n"
    "\n"
    "The game folder, the scale, the filter and the window's size and place are remembered in\n"
    "~/.config/harukaze/harukaze.conf; the game's own settings stay in its Save00.dat.\n";

std::variant<LaunchOptions, std::string> ParseLaunchOptions(const std::vector<std::string>& args) {
    LaunchOptions options;
    bool options_ended = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!options_ended && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                options_ended = true;
            } else if (arg == "--help" || arg == "-h") {
                options.help = true;
            } else if (arg == "--version") {
                options.version = true;
            } else if (arg == "--save-dir" || arg.starts_with("--save-dir=")) {
                std::string value;
                if (arg == "--save-dir") {
                    if (i + 1 == args.size())
                        return std::string("--save-dir needs a folder");
                    value = args[++i];
                } else {
                    value = arg.substr(std::string_view("--save-dir=").size());
                }
                if (value.empty())
                    return std::string("--save-dir needs a folder");
                options.save_dir = value;
            } else if (arg == "--smooth" || arg == "--sharp") {
                options.smooth = arg == "--smooth";
            } else if (arg == "--scale" || arg.starts_with("--scale=")) {
                std::string value;
                if (arg == "--scale") {
                    if (i + 1 == args.size())
                        return std::string("--scale needs a value (1, 1.5, 2, 3 or fit)");
                    value = args[++i];
                } else {
                    value = arg.substr(std::string_view("--scale=").size());
                }
                const auto scale = ParseWindowScale(value);
                if (!scale)
                    return "--scale '" + value + "' is not 1, 1.5, 2, 3, another factor from 1 to 8, or fit";
                options.scale = scale;
            } else {
                return "unknown argument '" + arg + "'";
            }
            continue;
        }
        if (options.game_folder)
            return "more than one game folder given ('" + *options.game_folder + "' and '" + arg + "')";
        options.game_folder = arg;
    }
    return options;
}

} // namespace hk
