// Engine: the game's frame tick and task dispatch, and the game flow between its parts. It owns
// the parts (the script machine, the stage, the message window, the picture menus, the save
// store, the input, the sound cues and the game commands, each in its own folder under engine/, and
// the debug window) and the wiring objects through which each part reaches the others, and keeps
// what is the whole game's: start-up and closing, the frame tick and the tasks. It talks to
// the outside world only through Platform (engine/host.h) and reads and writes files only through
// GameFiles, so the same object runs in the window build, in `harukaze-tool run` and in the
// tests. docs/glossary.md maps the parts and the game's own names.
//
// The implementation is split by subsystem into engine/*.cpp; each section below names its file.
// Everything here runs on the GUI thread.
#pragma once

#include "core/engine_error.h"
#include "data/game_files.h"
#include "engine/command_wiring.h"
#include "engine/commands/game_commands.h"
#include "engine/debug_panel.h"
#include "engine/engine_state.h"
#include "engine/frame_timer.h"
#include "engine/host.h"
#include "engine/idle_deadline.h"
#include "engine/input/input_state.h"
#include "engine/menu_wiring.h"
#include "engine/menus/picture_menus.h"
#include "engine/message/message_window.h"
#include "engine/message/window_shape.h"
#include "engine/message_wiring.h"
#include "engine/saves/save_store.h"
#include "engine/screen_layout.h"
#include "engine/script/script_machine.h"
#include "engine/script_wiring.h"
#include "engine/sound/sound_cues.h"
#include "engine/stage/stage.h"
#include "engine/stage_wiring.h"
#include "gfx/bitmap.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace hk {

class Engine final : public PlatformEvents {
    // First members: the forms, the script machine, the stage and the message window below keep
    // references into it.
    EngineState m_state;
    // The hosts of the script machine, the stage and the message window: each forwards to the
    // owners and the state that carry out what its owner asks (engine/*_wiring.cpp). They come
    // before the owners that keep references to them.
    ScriptWiring m_script_wiring;
    StageWiring m_stage_wiring;
    MessageWiring m_message_wiring;
    ScriptMachine m_script;
    Stage m_stage;
    MessageWindow m_message;

public:
    Engine(Platform& platform, GameFiles& files);
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    EngineState& State() { return m_state; }
    const EngineState& State() const { return m_state; }

    // ---- Start-up and shutdown (engine/startup.cpp) ----
    // Runs the whole start-up. Returns false when it failed; the error has been reported and
    // the frame timer stays disabled (the window stays inert).
    bool FormCreate();
    // The close question; true when the player confirmed.
    bool FormCloseQuery();
    // After a confirmed close: writes the system file, leaves full screen.
    void FormClose();
    // Releases the sound objects. Also run by the destructor if not run before.
    void FormDestroy();
    // Asks to close as the window's close box does: question, then FormClose when confirmed.
    // Returns true when the game has closed.
    bool RequestClose();
    bool Closed() const { return m_closed; }

    // ---- Frame tick and tasks (engine/frame_tick.cpp) ----
    // Called from idle processing: runs one tick when the frame timer is due. True if it ran.
    bool PollFrameTimer();
    bool FrameTimerEnabled() const { return m_frame_timer.Enabled(); }
    // Milliseconds until the frame timer is due (0 = now); meaningful only while it is enabled.
    std::uint32_t MsUntilFrameTimer(std::uint32_t now) const { return m_frame_timer.MsUntilDue(now); }
    void SetFrameTimerEnabled(bool enabled);
    void FrameTick();
    // The shell's own tasks: TASK_INIT, TASK_WAIT and TASK_WAIT_KEY.
    void TaskInit();
    void Wait();
    void WaitKey();
    TaskCode Task() const { return m_state.Task; }
    // The one door for task changes: a handler hands over by calling this, and the new task runs
    // from the next tick on. The return task, when given, is where the menus' fade goes on to.
    void SetTask(TaskCode task, std::optional<TaskCode> return_task = std::nullopt);
    // After a tick: until when nothing changes without input (engine/idle_deadline.cpp).
    IdleDeadline NextDeadline();

    // ---- Input (engine/input.cpp; the keys, clicks and pointer are InputState's) ----
    InputState& Input() { return m_input; }
    const InputState& Input() const { return m_input; }
    // Samples the input for this tick; the key that ends a skip is spent.
    void CheckKey();

    // ---- Save files (engine/saves/) ----
    // The system file and the thirty slot files; the records they hold are State().System and
    // State().Game.
    SaveStore& Saves() { return m_saves; }
    const SaveStore& Saves() const { return m_saves; }

    // ---- Scenario script (engine/script/) ----
    // The interpreter with the loaded scene, the replay queue and the read-marks; its host is
    // engine/script_wiring.cpp.
    ScriptMachine& Script() { return m_script; }
    const ScriptMachine& Script() const { return m_script; }

    // ---- Pictures (engine/stage/; its host is engine/stage_wiring.cpp) ----
    // The layers, the scene, the screen buffer, picture loading and the transitions.
    Stage& TheStage() { return m_stage; }
    const Stage& TheStage() const { return m_stage; }

    // ---- The message window, its choices, log and floating window (engine/message/) ----
    // Its host is engine/message_wiring.cpp; the tick runs its tasks.
    MessageWindow& Message() { return m_message; }
    const MessageWindow& Message() const { return m_message; }

    // ---- Title menu, albums and music room (engine/menus/; their host is engine/menu_wiring.cpp) ----
    PictureMenus& Menus() { return m_menus; }
    const PictureMenus& Menus() const { return m_menus; }

    // ---- The game menu, the title's load menu, their commands and dialogs (engine/commands/) ----
    // Its host is engine/command_wiring.cpp; saving, loading and the settings are there.
    GameCommands& Commands() { return m_commands; }
    const GameCommands& Commands() const { return m_commands; }

    // ---- Sound (the cues are SoundCues'; the volumes come from the settings) ----
    SoundCues& Sound() { return m_sound; }
    const SoundCues& Sound() const { return m_sound; }
    // The message window shows wait-icon frame `frame` (-1 = none) from `now`: notes when the
    // loop has to wake for it to change (engine/idle_deadline.cpp).
    void NoteWaitIcon(int frame, std::uint32_t now);

    // ---- The debug window (engine/debug_panel.cpp) ----
    DebugPanel& Debug() { return m_debug; }
    const DebugPanel& Debug() const { return m_debug; }

    // PlatformEvents
    void OnMouseDown(WindowId window, MouseButton button, Point p) override;
    void OnMouseWheel(WindowId window, bool up) override;
    void OnDelayTimer() override;
    void OnDelayTimerCatchUp(std::uint32_t firings) override;
    bool OnCloseQuery() override;
    void OnMenuPopup(std::string_view name) override;
    void OnMenuCommand(std::string_view name) override;
    void OnToggleFullScreen() override;
    void OnDebugButton(int button) override;

private:
    void ReadArchiveIndexes();
    void RunTask();
    // Hands an error to the platform: the player's Japanese (the error's own, or general words
    // naming the game folder) and the English detail.
    void ReportError(const std::exception& error);
    // The game folder's full path, as messages to the player name it.
    std::filesystem::path GameFolderForPlayer() const;

    Platform& m_platform;
    GameFiles& m_files;
    SaveStore m_saves;
    InputState m_input;
    DebugPanel m_debug;
    SoundCues m_sound;
    bool m_closed = false;
    bool m_timer_usable = false; // start-up finished and no tick has failed since
    FrameTimer m_frame_timer;
    bool m_destroyed = false;
    std::uint64_t m_tick_serial = 0; // ticks that reached their task
    MenuWiring m_menu_wiring;
    PictureMenus m_menus;
    IdleWatch m_idle;
    CommandWiring m_command_wiring;
    GameCommands m_commands;
};

} // namespace hk
