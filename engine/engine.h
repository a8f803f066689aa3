// Engine: the game's frame tick and task dispatch, and the game flow between its parts. It owns
// the parts (the script machine, the stage, the message window, the picture menus, the save
// store, the input and the sound cues, each in its own folder under engine/) and the wiring
// objects through which each part reaches the others, and keeps what is the whole game's: start-up
// and closing, the game menu and its dialogs, saving and loading, the debug window. It talks to
// the outside world only through Platform (engine/host.h) and reads and writes files only through
// GameFiles, so the same object runs in the window build, in `harukaze-tool run` and in the
// tests. docs/glossary.md maps the parts and the game's own names.
//
// The implementation is split by subsystem into engine/*.cpp; each section below names its file.
// Everything here runs on the GUI thread.
#pragma once

#include "core/engine_error.h"
#include "data/game_files.h"
#include "engine/engine_state.h"
#include "engine/forms.h"
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
    void FormMouseDown(MouseButton button, Point client);
    void FormMouseWheelDown();
    void FormMouseWheelUp();

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
    void TaskScript() { m_script.Run(); }

    // ---- Pictures (engine/stage/; its host is engine/stage_wiring.cpp) ----
    // The layers, the scene, the screen buffer, picture loading and the transitions.
    Stage& TheStage() { return m_stage; }
    const Stage& TheStage() const { return m_stage; }
    // Window modes (engine/window_modes.cpp).
    void FullModeWin();
    void ReturnFullModeWin();

    // ---- The message window, its choices, log and floating window (engine/message/) ----
    // Its host is engine/message_wiring.cpp; the tick runs its tasks.
    MessageWindow& Message() { return m_message; }
    const MessageWindow& Message() const { return m_message; }
    // Check state of the context-menu item ItemMsgFloat (the floating window is wanted).
    bool MsgFloatChecked() const { return m_message.MsgFloatChecked(); }

    // ---- Title menu, albums and music room (engine/menus/; their host is engine/menu_wiring.cpp) ----
    PictureMenus& Menus() { return m_menus; }
    const PictureMenus& Menus() const { return m_menus; }

    // ---- Context menu and game commands (engine/context_menu.cpp) ----
    Menu ContextMenu;   // the main window's context menu during play
    Menu TitleLoadMenu; // the title screen's load menu
    MenuItem& MenuItemNamed(std::string_view name);
    // Attached while messages and choices wait (when ContextMenuOn is 1).
    void AttachContextMenu();
    void DetachContextMenu();
    void ContextMenuPopup();
    void ItemMsgSkipClick();
    void ItemMsgKidokuClick();
    void ItemMsgAutoClick();
    void ItemMsgClearClick();
    void ItemMsgFloatClick();
    void ItemTitleClick();
    void ItemCloseClick();

    // ---- Save and load menus (engine/save_load_menus.cpp) ----
    void ItemSaveClick();
    void ItemLoadClick();
    void TitleLoadMenuPopup();
    // Asks for the save comment, pre-filled from the slot the store last peeked at; true when the
    // player chose "セーブ".
    bool InputComment();
    void ItemSave1Click(int n);
    void ItemLoad1Click(int n);
    // TASK_RESTORE_GAME: rebuilds layers, music and scene from GameData, then fades in.
    void RestoreGame();

    // ---- Settings (engine/settings.cpp) ----
    void ItemOptionClick();
    void ConfigOkButtonClick();

    // ---- Sound (the cues are SoundCues'; the volumes come from the settings) ----
    SoundCues& Sound() { return m_sound; }
    const SoundCues& Sound() const { return m_sound; }
    // Music `number` (0 stops all sound), looping when loop is non-zero; the number, and the loop
    // flag of music that plays, are recorded in GameData.
    void PlayBGM(int number, int loop);
    // Effect channel kind 1 or 2: effect `number` (0 stops that channel), loop = 1 loops.
    void PlaySE(int kind, int number, int loop);
    // The end of a scene replayed from the album: back to the album's music, floating window off.
    void LeaveReplay();
    // The message window shows wait-icon frame `frame` (-1 = none) from `now`: notes when the
    // loop has to wake for it to change (engine/idle_deadline.cpp).
    void NoteWaitIcon(int frame, std::uint32_t now);

    // ---- Secondary forms ----
    QueryForm Query;
    CommentForm SaveComment;
    ConfigForm Config;
    DebugForm DebugWindow;
    bool DebugWindowVisible() const { return m_debug_visible; }
    // The debug window's buttons (engine/debug_window.cpp): "CG/SC SET", "CG/SC CLR",
    // "CG/SC RND", "変数表示", "ﾒｯｾｰｼﾞﾛｸﾞ".
    void UnlockAlbumsClick();
    void LockAlbumsClick();
    void ShuffleAlbumsClick();
    void ListVariablesClick();
    void ListMessageLogClick();

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
    void CreateSurfaces();
    void BuildMenus();
    void ConnectConfigForm();
    void BuildSlotCaptions(const std::string& prefix, bool load_menu);
    void ReadArchiveIndexes();
    void RunTask();
    void RefreshDebugLabels();
    // Sleeping between ticks (engine/idle_deadline.cpp).
    void NoteTickForIdle(TaskCode task_at_start, TaskCode task_run, bool latched);
    void NoteWaitIconShown(std::optional<std::uint32_t> frame_ends);
    // Frames after frame `frame` (0..7) until the wait icon looks different, 0 for never.
    int WaitIconFramesUntilChange(int frame);
    bool MessageWaitDeadline(IdleDeadline& deadline);
    // Hands an error to the platform: the player's Japanese (the error's own, or general words
    // naming the game folder) and the English detail.
    void ReportError(const std::exception& error);
    // The game folder's full path, as messages to the player name it.
    std::filesystem::path GameFolderForPlayer() const;

    Platform& m_platform;
    GameFiles& m_files;
    SaveStore m_saves;
    InputState m_input;
    SoundCues m_sound;
    bool m_closed = false;
    bool m_timer_usable = false; // start-up finished and no tick has failed since
    FrameTimer m_frame_timer;
    bool m_destroyed = false;
    bool m_debug_visible = false;
    std::uint64_t m_tick_serial = 0; // ticks that reached their task
    MenuWiring m_menu_wiring;
    PictureMenus m_menus;
    IdleWatch m_idle;
};

} // namespace hk
