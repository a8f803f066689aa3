// harukaze-tool run: plays a game directory headless from an input script. The command line,
// the input commands and the state file are a fixed interface that outside tests rely on: add
// to them, never change them.
#include "tools/commands.h"

#include "data/save_folder.h"
#include "data/unicode.h"
#include "engine/engine.h"
#include "engine/input/gamepad_map.h"
#include "gfx/png_writer.h"
#include "platform/headless/headless_session.h"
#include "platform/headless/state_json.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace hk::tool {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRunUsage =
    "usage: harukaze-tool run --game DIR --input FILE [--out DIR] [--audio-out FILE.wav] [--quiet]\n"
    "                         [--save-dir DIR] [--no-audio-device]\n"
    "\n"
    "Plays the game in DIR headless (virtual clock, scripted input) and follows the input script\n"
    "(FILE, or - for standard input). Exit status: 0 the script ran to its end, 1 the game\n"
    "reported an error, 2 a bad command line or input script.\n"
    "\n"
    "The save files live in the game's DIR, or in --save-dir's DIR; when the game's DIR cannot be\n"
    "written, in $XDG_DATA_HOME/harukaze/NAME-HASH (~/.local/share/...), as in the window build.\n"
    "\n"
    "--no-audio-device plays as on a machine whose sound output cannot be opened (a silent game).\n";

struct Command {
    int line = 0;
    std::vector<std::string> words;
    std::string rest; // the text after the first two words (dialog save TEXT)
};

struct ScriptError {
    int line;
    std::string message;
};

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

std::optional<Key> ParseKey(const std::string& name) {
    static const std::map<std::string, Key> kKeys = {
        {"Return", Key::Return}, {"Space", Key::Space}, {"Control", Key::Control}, {"Shift", Key::Shift},
        {"Up", Key::Up},         {"Down", Key::Down},   {"PageUp", Key::PageUp},   {"PageDown", Key::PageDown},
        {"F1", Key::F1},         {"F2", Key::F2},       {"Left", Key::Left},       {"Right", Key::Right},
        {"Escape", Key::Escape},
    };
    const auto it = kKeys.find(name);
    if (it == kKeys.end())
        return std::nullopt;
    return it->second;
}

int ParseInt(const Command& cmd, std::size_t index) {
    if (index >= cmd.words.size())
        throw ScriptError{cmd.line, "'" + cmd.words[0] + "' needs more arguments"};
    const std::string& text = cmd.words[index];
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < -1000000000L || value > 1000000000L)
        throw ScriptError{cmd.line, "'" + text + "' is not a number"};
    return static_cast<int>(value);
}

void ExpectCount(const Command& cmd, std::size_t min, std::size_t max) {
    if (cmd.words.size() < min || cmd.words.size() > max)
        throw ScriptError{cmd.line, "wrong number of arguments for '" + cmd.words[0] + "'"};
}

// Checks a command's form before anything runs, so a typo fails at once with its line number.
void Validate(const Command& cmd) {
    const std::string& verb = cmd.words[0];
    if (verb == "ticks" || verb == "ms") {
        ExpectCount(cmd, 2, 2);
        if (ParseInt(cmd, 1) < 0)
            throw ScriptError{cmd.line, "negative count"};
    } else if (verb == "until-task") {
        if (cmd.words.size() != 2 && !(cmd.words.size() == 4 && cmd.words[2] == "max-ms"))
            throw ScriptError{cmd.line, "usage: until-task NAME [max-ms N]"};
        if (!ParseTaskCode(cmd.words[1]))
            throw ScriptError{cmd.line, "unknown task '" + cmd.words[1] + "'"};
        if (cmd.words.size() == 4 && ParseInt(cmd, 3) < 0)
            throw ScriptError{cmd.line, "negative limit"};
    } else if (verb == "until-scene") {
        if (cmd.words.size() != 2 && !(cmd.words.size() == 4 && cmd.words[2] == "max-ms"))
            throw ScriptError{cmd.line, "usage: until-scene N [max-ms N]"};
        if (ParseInt(cmd, 1) < 0)
            throw ScriptError{cmd.line, "negative scene number"};
        if (cmd.words.size() == 4 && ParseInt(cmd, 3) < 0)
            throw ScriptError{cmd.line, "negative limit"};
    } else if (verb == "move" || verb == "move-float" || verb == "click" || verb == "click-float" || verb == "rclick") {
        ExpectCount(cmd, 3, 3);
        ParseInt(cmd, 1);
        ParseInt(cmd, 2);
    } else if (verb == "key") {
        ExpectCount(cmd, 3, 3);
        if (!ParseKey(cmd.words[1]) || (cmd.words[2] != "down" && cmd.words[2] != "up"))
            throw ScriptError{cmd.line, "usage: key NAME down|up"};
    } else if (verb == "press") {
        ExpectCount(cmd, 2, 2);
        if (!ParseKey(cmd.words[1]))
            throw ScriptError{cmd.line, "unknown key '" + cmd.words[1] + "'"};
    } else if (verb == "pad") {
        ExpectCount(cmd, 3, 3);
        if (!PadButtonNamed(cmd.words[1]) || (cmd.words[2] != "down" && cmd.words[2] != "up"))
            throw ScriptError{cmd.line, "usage: pad BUTTON down|up (A, B, X, Y, Back, Guide, Start, LeftStick, "
                                        "RightStick, LeftShoulder, RightShoulder, DPadUp, DPadDown, DPadLeft, "
                                        "DPadRight)"};
    } else if (verb == "pad-axis") {
        ExpectCount(cmd, 3, 3);
        const int value = ParseInt(cmd, 2);
        if (!PadAxisNamed(cmd.words[1]) || value < -32768 || value > 32767)
            throw ScriptError{cmd.line, "usage: pad-axis AXIS VALUE (LeftX, LeftY, RightX, RightY, TriggerLeft, "
                                        "TriggerRight; -32768..32767)"};
    } else if (verb == "wheel" || verb == "wheel-float") {
        ExpectCount(cmd, 2, 2);
        if (cmd.words[1] != "up" && cmd.words[1] != "down")
            throw ScriptError{cmd.line, "usage: " + verb + " up|down"};
    } else if (verb == "menu") {
        ExpectCount(cmd, 2, 64);
    } else if (verb == "menu-caption") {
        ExpectCount(cmd, 2, 2);
    } else if (verb == "dialog") {
        if (cmd.words.size() < 2 || (cmd.words[1] != "ok" && cmd.words[1] != "cancel" && cmd.words[1] != "save") ||
            (cmd.words[1] != "save" && cmd.words.size() != 2))
            throw ScriptError{cmd.line, "usage: dialog ok|cancel|save TEXT"};
    } else if (verb == "config") {
        if (cmd.words.size() < 2 || (cmd.words.back() != "back" && cmd.words.back() != "close"))
            throw ScriptError{cmd.line, "usage: config FIELD=VALUE ... back|close"};
        static const char* kFields[] = {"EffectsOn", "FullScreen",  "TextSpeed", "AutoDelay",
                                        "BgmVolume", "VoiceVolume", "SeVolume"};
        for (std::size_t i = 1; i + 1 < cmd.words.size(); ++i) {
            const std::string& w = cmd.words[i];
            const auto eq = w.find('=');
            bool known = false;
            for (const char* f : kFields)
                known = known || (eq != std::string::npos && w.substr(0, eq) == f);
            if (!known)
                throw ScriptError{cmd.line, "unknown setting '" + w + "'"};
            Command value{cmd.line, {"config", w.substr(eq + 1)}, {}};
            ParseInt(value, 1);
        }
    } else if (verb == "debug-button") {
        ExpectCount(cmd, 2, 2);
        if (const int n = ParseInt(cmd, 1); n < 1 || n > 5)
            throw ScriptError{cmd.line, "the debug window has buttons 1 to 5"};
    } else if (verb == "close" || verb == "expect-error") {
        ExpectCount(cmd, 1, 1);
    } else if (verb == "screenshot" || verb == "screenshot-float" || verb == "state") {
        ExpectCount(cmd, 2, 2);
    } else {
        throw ScriptError{cmd.line, "unknown command '" + verb + "'"};
    }
}

std::vector<Command> ParseScript(std::istream& in) {
    std::vector<Command> commands;
    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
        ++line;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        const auto first = text.find_first_not_of(" \t");
        if (first == std::string::npos || text[first] == '#')
            continue;
        Command cmd{line, SplitWords(text), {}};
        // "dialog save TEXT": TEXT is the rest of the line after "save" and one blank.
        const auto save = text.find("save", first);
        if (cmd.words.size() >= 2 && cmd.words[0] == "dialog" && cmd.words[1] == "save" && save != std::string::npos)
            cmd.rest = save + 5 <= text.size() ? text.substr(save + 5) : std::string();
        Validate(cmd);
        commands.push_back(std::move(cmd));
    }
    return commands;
}

class Runner {
public:
    Runner(fs::path game, fs::path out, bool quiet) : m_session(game), m_out(std::move(out)), m_quiet(quiet) {
        // One pad, read through the same map as the window build's pads.
        m_pad.on_key = [this](Key key, bool down) { m_session.Platform().SetPadKeyDown(key, down); };
        m_pad.on_action = [this](PadAction action) {
            HeadlessPlatform& platform = m_session.Platform();
            if (action == PadAction::GameMenu) {
                // A right click at the pointer.
                platform.QueueMouseDown(WindowId::Main, MouseButton::Right,
                                        platform.ScreenToClient(WindowId::Main, platform.CursorPos()));
                return;
            }
            // The automatic advance: the game menu's command, when the menu is there to give it.
            const Menu* menu = platform.AttachedMenu();
            const MenuItem* item = menu ? FindMenuItem(menu->items, "ItemMsgAuto") : nullptr;
            if (item && item->enabled)
                platform.QueueMenu({"ItemMsgAuto"});
        };
    }

    void SetWavOutput(const fs::path& path) { m_session.Platform().SetWavOutput(path); }
    // The save files live in that folder when it is not the game's; the player is told as the
    // game starts when there is something to tell.
    void UseSaveFolder(const SaveFolder& saves) {
        if (!saves.away_from_game)
            return;
        m_session.Files().SetSaveRoot(saves.folder);
        if (const std::string notice = SaveFolderNotice(saves, "."); !notice.empty())
            m_session.Platform().ShowMessage(notice);
    }
    void SetAudioDeviceMissing() { m_session.Platform().SetAudioDeviceMissing(true); }

    int Run(const std::vector<Command>& commands) {
        for (const Command& cmd : commands) {
            m_line = cmd.line;
            const std::string& verb = cmd.words[0];
            if (verb == "expect-error") {
                m_expect_error = true;
                continue;
            }
            if (verb == "dialog" || verb == "config") {
                Queue(cmd);
                continue;
            }
            if (!m_started) {
                m_started = true;
                if (!m_session.Start() && !CheckErrors())
                    return 1;
            }
            if (int status = Execute(cmd); status >= 0)
                return status;
            if (!m_session.Platform().ScriptFault().empty())
                return Fault(m_session.Platform().ScriptFault());
            if (!CheckErrors())
                return 1;
            if (m_session.Closed())
                return 0;
        }
        if (m_session.Platform().PendingDialogAnswers() != 0)
            return Fault("a queued dialog answer was never used");
        return 0;
    }

private:
    // Prints the messages the game showed and the errors it reported; false when the run must
    // stop (a message never stops it).
    bool CheckErrors() {
        for (const std::string& message : m_session.Platform().TakeMessages())
            std::fprintf(stderr, "notice: %s\n", message.c_str());
        bool ok = true;
        for (const std::string& error : m_session.Platform().TakeErrors()) {
            std::fprintf(stderr, "error: %s\n", error.c_str());
            ok = ok && m_expect_error;
        }
        return ok;
    }

    int Fault(const std::string& message) {
        std::fprintf(stderr, "harukaze-tool run: line %d: %s\n", m_line, message.c_str());
        return 2;
    }

    void Queue(const Command& cmd) {
        HeadlessPlatform::DialogAnswer answer;
        if (cmd.words[0] == "dialog") {
            if (cmd.words[1] == "save") {
                answer.kind = HeadlessPlatform::DialogAnswer::Kind::Comment;
                answer.ok = true;
                answer.comment = Utf8ToUtf16(cmd.rest);
            } else {
                // "dialog cancel" answers whichever dialog opens next with its cancel button.
                answer.kind = HeadlessPlatform::DialogAnswer::Kind::Query;
                answer.ok = cmd.words[1] == "ok";
                answer.any_kind = cmd.words[1] == "cancel";
            }
        } else {
            answer.kind = HeadlessPlatform::DialogAnswer::Kind::Config;
            answer.config_back = cmd.words.back() == "back";
            for (std::size_t i = 1; i + 1 < cmd.words.size(); ++i) {
                const std::string& w = cmd.words[i];
                const auto eq = w.find('=');
                answer.config_fields.emplace_back(w.substr(0, eq), std::stoi(w.substr(eq + 1)));
            }
        }
        m_session.Platform().QueueDialogAnswer(std::move(answer));
    }

    fs::path OutPath(const std::string& name) const {
        const fs::path p(name);
        return p.is_absolute() ? p : m_out / p;
    }

    // Runs one command; returns an exit status to stop with, or -1 to go on.
    int Execute(const Command& cmd) {
        HeadlessPlatform& platform = m_session.Platform();
        const std::string& verb = cmd.words[0];
        if (verb == "ticks") {
            m_session.Ticks(ParseInt(cmd, 1));
        } else if (verb == "ms") {
            m_session.RunMs(static_cast<std::uint32_t>(ParseInt(cmd, 1)));
        } else if (verb == "until-task") {
            const TaskCode code = *ParseTaskCode(cmd.words[1]);
            const std::uint32_t limit = cmd.words.size() == 4 ? static_cast<std::uint32_t>(ParseInt(cmd, 3)) : 60000;
            if (!m_session.UntilTask(code, limit) && !m_session.Closed()) {
                CheckErrors();
                std::fprintf(stderr, "error: until-task timed out\n");
                return 1;
            }
        } else if (verb == "until-scene") {
            // Runs until the script has entered scene N (by a jump, a call or a return), e.g. to
            // stop at a branch's end without counting its messages.
            const int scene = ParseInt(cmd, 1);
            const std::uint32_t limit = cmd.words.size() == 4 ? static_cast<std::uint32_t>(ParseInt(cmd, 3)) : 60000;
            const std::uint32_t start = platform.TickCount();
            while (m_session.State().Game.CurrentScene != scene && !m_session.Closed()) {
                if (platform.TickCount() - start >= limit) {
                    CheckErrors();
                    std::fprintf(stderr, "error: until-scene timed out (in scene %d)\n",
                                 static_cast<int>(m_session.State().Game.CurrentScene));
                    return 1;
                }
                m_session.Step();
            }
        } else if (verb == "move" || verb == "move-float") {
            platform.MoveCursorToClient(verb == "move" ? WindowId::Main : WindowId::Float,
                                        Point{ParseInt(cmd, 1), ParseInt(cmd, 2)});
        } else if (verb == "click" || verb == "click-float" || verb == "rclick") {
            const WindowId window = verb == "click-float" ? WindowId::Float : WindowId::Main;
            const Point p{ParseInt(cmd, 1), ParseInt(cmd, 2)};
            platform.MoveCursorToClient(window, p);
            platform.QueueMouseDown(window, verb == "rclick" ? MouseButton::Right : MouseButton::Left, p);
            m_session.Tick();
        } else if (verb == "key") {
            platform.SetKeyDown(*ParseKey(cmd.words[1]), cmd.words[2] == "down");
            m_session.Tick();
        } else if (verb == "press") {
            const Key key = *ParseKey(cmd.words[1]);
            platform.SetKeyDown(key, true);
            m_session.Tick();
            platform.SetKeyDown(key, false);
        } else if (verb == "pad") {
            m_pad.Button(0, *PadButtonNamed(cmd.words[1]), cmd.words[2] == "down");
            m_session.Tick();
        } else if (verb == "pad-axis") {
            m_pad.Axis(0, *PadAxisNamed(cmd.words[1]), ParseInt(cmd, 2));
            m_session.Tick();
        } else if (verb == "wheel" || verb == "wheel-float") {
            platform.QueueWheel(verb == "wheel" ? WindowId::Main : WindowId::Float, cmd.words[1] == "up");
            m_session.Tick();
        } else if (verb == "menu") {
            platform.QueueMenu(std::vector<std::string>(cmd.words.begin() + 1, cmd.words.end()));
            m_session.Tick();
        } else if (verb == "menu-caption") {
            return MenuCaption(cmd.words[1]);
        } else if (verb == "debug-button") {
            platform.PressDebugButton(ParseInt(cmd, 1));
            m_session.Tick();
        } else if (verb == "close") {
            platform.QueueClose();
            m_session.Tick();
        } else if (verb == "screenshot" || verb == "screenshot-float") {
            WritePng(platform.ClientSurface(verb == "screenshot" ? WindowId::Main : WindowId::Float),
                     OutPath(cmd.words[1]).string());
        } else if (verb == "state") {
            const fs::path path = OutPath(cmd.words[1]);
            std::ofstream out(path, std::ios::binary);
            out << EngineStateJson(m_session.TheEngine(), platform);
            if (!out)
                throw std::runtime_error("cannot write \"" + path.string() + "\"");
        }
        return -1;
    }

    int MenuCaption(const std::string& name) {
        HeadlessPlatform& platform = m_session.Platform();
        Menu* menu = platform.OpenPopup() ? platform.OpenPopup() : platform.AttachedMenu();
        if (!menu)
            return Fault("no pop-up menu is attached to the main window");
        // Build the captions as opening the menu and the item's submenu would.
        m_session.TheEngine().OnMenuPopup(menu->name);
        for (MenuItem& item : menu->items)
            if (!item.items.empty() && FindMenuItem(item.items, name))
                m_session.TheEngine().OnMenuPopup(item.name);
        const MenuItem* item = FindMenuItem(menu->items, name);
        if (!item)
            return Fault("the menu has no item " + name);
        std::printf("%s\t%s\t%d\t%d\n", name.c_str(), item->caption.c_str(), item->enabled ? 1 : 0,
                    item->checked ? 1 : 0);
        std::fflush(stdout);
        return -1;
    }

    HeadlessSession m_session;
    fs::path m_out;
    bool m_quiet;
    bool m_started = false;
    bool m_expect_error = false;
    GamepadMap m_pad;
    int m_line = 0;
};

} // namespace

int RunRunner(int argc, char** argv) {
    std::string game, input, out, audio_out, save_dir;
    bool quiet = false, no_audio_device = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "harukaze-tool run: %s needs a value\n%s", arg.c_str(), kRunUsage);
                return false;
            }
            target = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kRunUsage, stdout);
            return 0;
        } else if (arg == "--game") {
            if (!value(game))
                return 2;
        } else if (arg == "--input") {
            if (!value(input))
                return 2;
        } else if (arg == "--out") {
            if (!value(out))
                return 2;
        } else if (arg == "--audio-out") {
            if (!value(audio_out))
                return 2;
        } else if (arg == "--save-dir") {
            if (!value(save_dir))
                return 2;
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--no-audio-device") {
            no_audio_device = true;
        } else {
            std::fprintf(stderr, "harukaze-tool run: unknown argument '%s'\n%s", arg.c_str(), kRunUsage);
            return 2;
        }
    }
    if (game.empty() || input.empty()) {
        std::fprintf(stderr, "harukaze-tool run: --game and --input are required\n%s", kRunUsage);
        return 2;
    }
    if (no_audio_device && !audio_out.empty()) {
        std::fprintf(stderr,
                     "harukaze-tool run: --audio-out records the audio device, which --no-audio-device takes away\n%s",
                     kRunUsage);
        return 2;
    }
    if (!fs::is_directory(game)) {
        std::fprintf(stderr, "harukaze-tool run: the game directory \"%s\" does not exist\n", game.c_str());
        return 2;
    }

    std::vector<Command> commands;
    try {
        if (input == "-") {
            commands = ParseScript(std::cin);
        } else {
            std::ifstream in(input);
            if (!in) {
                std::fprintf(stderr, "harukaze-tool run: cannot read the input script \"%s\"\n", input.c_str());
                return 2;
            }
            commands = ParseScript(in);
        }
    } catch (const ScriptError& e) {
        std::fprintf(stderr, "harukaze-tool run: line %d: %s\n", e.line, e.message.c_str());
        return 2;
    }

    std::error_code ec;
    const fs::path out_dir = fs::absolute(out.empty() ? fs::current_path(ec) : fs::path(out), ec);
    const fs::path wav_path = audio_out.empty() ? fs::path() : fs::absolute(audio_out, ec);
    std::optional<fs::path> asked_save_dir;
    if (!save_dir.empty())
        asked_save_dir = fs::absolute(save_dir, ec);
    // The game runs with its directory as the current directory, as the window build does.
    if (::chdir(game.c_str()) != 0) {
        std::fprintf(stderr, "harukaze-tool run: cannot enter the game directory \"%s\"\n", game.c_str());
        return 2;
    }
    try {
        Runner runner(".", out_dir, quiet);
        if (!wav_path.empty())
            runner.SetWavOutput(wav_path);
        if (no_audio_device)
            runner.SetAudioDeviceMissing();
        try {
            runner.UseSaveFolder(PrepareSaveFolder(".", asked_save_dir, DataHome::FromEnvironment()));
        } catch (const FileError& error) {
            std::fprintf(stderr, "error: %s\n", error.what());
            return 1;
        }
        return runner.Run(commands);
    } catch (const ScriptError& e) {
        std::fprintf(stderr, "harukaze-tool run: line %d: %s\n", e.line, e.message.c_str());
        return 2;
    }
}

} // namespace hk::tool
