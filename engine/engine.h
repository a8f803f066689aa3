// Engine: the game. It owns the engine state and the owners of its parts: the stage of pictures
// (engine/stage/), the save store (engine/saves/), the input (engine/input/), the sound cues
// (engine/sound/), the album book; it holds the message window's surfaces and implements every
// handler of the main form under its own name (FormCreate, FrameTick, TaskScript, DispMessage,
// ItemSave1Click, ...). It talks to the outside world only through Platform and reads and writes
// files only through GameFiles, so the same object runs in the window build, in `harukaze-tool run`
// and in the tests.
//
// The implementation is split by subsystem into engine/*.cpp; each section below names its file.
// Everything here runs on the GUI thread.
#pragma once

#include "data/game_files.h"
#include "engine/album_book.h"
#include "engine/engine_error.h"
#include "engine/engine_state.h"
#include "engine/forms.h"
#include "engine/frame_timer.h"
#include "engine/idle_deadline.h"
#include "engine/input/input_state.h"
#include "engine/saves/save_store.h"
#include "engine/screen_layout.h"
#include "engine/script/script_machine.h"
#include "engine/sound/sound_cues.h"
#include "engine/stage/stage.h"
#include "engine/window_shape.h"
#include "gfx/bitmap.h"
#include "platform/platform.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace hk {

struct MenuEntry;

class Engine final : public PlatformEvents, private ScriptHost, private StageHost {
    // First members: the forms, the script machine and the stage below keep references into it.
    EngineState m_state;
    ScriptMachine m_script;
    Stage m_stage;

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
    // The interpreter with the loaded scene, the replay queue and the read-marks; the form is its
    // host (the overrides below).
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

    // ---- Text and choices (engine/message_*.cpp, choices.cpp) ----
    // Lays a message out into MsgTextImage (one element per character).
    void MakeMessage(const std::u32string& text);
    // Lays a choice ("/"-separated) out: in the message window, or full screen.
    void MakeSelect(const std::u32string& text);
    void MakeFullScreenChoice(const std::u32string& text);
    // What both kinds of choice note when shown: its number and voice, and that skipping and
    // automatic advance stop.
    void NoteChoiceShown(int number, int voice);
    void ClearMsgLog();
    // Entry 0 of the log becomes this text and voice (index into VoiceNames, -1 = none).
    void AddMsgLog(const std::u32string& text, int voice_index);
    // The tasks: reveal and wait of a message, the two kinds of choice.
    void DispMessage();
    void WaitMessage();
    void WaitSelect();
    void WaitSelect2();
    // The window background of a message or first-kind choice (800x176): the scene strip under
    // the frame, or the floating window's artwork.
    void MakeMessageBackground(Bitmap& out);
    // Text in the game's face at the given cell height: nine black outline passes, then colour.
    void DrawOutlinedText(Bitmap& surface, int x, int y, int font_height, std::u32string_view text, Color color);
    // MessageTexts[MsgNumber] as wide text; a number outside the scene's list is an EngineError.
    std::u32string CurrentMessageText() const;
    // Page up / page down in the message log; true when an entry is now being shown.
    bool MsgLogKeys();
    // Space and its undo: the message window leaves the screen and comes back as it was.
    void HideMsgWindow();
    void ShowMsgWindow();
    // The start of each tick of a waiting message or choice: the context menu is attached when
    // the script allows it, and a window the player hid comes back only on Space, Return or a
    // click. True while the window was hidden, which ends the tick.
    bool WaitWithHiddenWindow();
    // The wait icon's current frame over the finished window, straight on the window.
    void DrawWaitIcon();

    // ---- Floating message window (engine/float_window.cpp) ----
    void ShapeFloatWindow(const Bitmap& artwork);
    void MsgFormMouseDown(MouseButton button, Point client);
    // Check state of the context-menu item ItemMsgFloat (the floating window is wanted).
    bool MsgFloatChecked() const { return m_msg_float_checked; }

    // ---- Title menu, albums and music room (engine/title_menu.cpp, albums.cpp, music_room.cpp) ----
    void DispTitleMenu();
    void WaitTitleMenu();
    void DispAlbumMenu();
    void WaitAlbumMenu();
    void DispCgAlbumMenu();
    void WaitCgAlbumMenu();
    void DispCgAlbum();
    void WaitCgAlbum();
    void DispScAlbumMenu();
    void WaitScAlbumMenu();
    void DispBgmMenu();
    void WaitBgmMenu();
    const AlbumBook& Albums() const { return m_albums; }

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
    // Shows a 800x176 strip on the floating window.
    void ShowOnFloatWindow(const Bitmap& strip);

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
    void PlayBGM(int number, int loop) override;
    // Effect channel kind 1 or 2: effect `number` (0 stops that channel), loop = 1 loops.
    void PlaySE(int kind, int number, int loop) override;

    // ---- Surfaces, created once in FormCreate ----
    Bitmap MsgFrameImage, MsgTextImage, SelectWorkImage, SelectImage, MsgWindowImage, MsgRuleImage;
    Bitmap Select2Sheet, Select2Image, Select2WorkImage;

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
    // ScriptHost: what the script's instructions ask of the screen, the sound and the tasks.
    // Layers and transitions (stage_wiring.cpp), text (message_display.cpp, choices.cpp),
    // waits and hand-over (frame_tick.cpp), system sub-commands (script_commands.cpp).
    void SetBackground(int graphic) override;
    void SetCharacter(int layer, int graphic, int placement) override;
    void ClearCharacters() override;
    void ComposeScene() override;
    void StartFade(int duration_ms) override;
    void StartWipe(int rule_graphic, int duration_ms, int strength) override;
    void ShowMessage(const ScriptMessage& message) override;
    void ShowChoice(int number, int voice, std::string_view text) override;
    void ShowFullScreenChoice(int number, int voice, std::string_view text) override;
    void WaitFor(int ms) override;
    void HandOver(TaskCode task) override;
    void SetCursorShown(bool shown) override;
    void SetAuxFlag(bool on) override;
    void SetContextMenuOn(bool on) override;
    void ShowFloatWindow(bool visible) override;
    std::uint32_t DrawRandom(std::uint32_t below) override;
    void LeaveReplay() override;

    void CreateSurfaces();
    void BuildMenus();
    void ConnectConfigForm();
    void BuildSlotCaptions(const std::string& prefix, bool load_menu);
    // StageHost: the main window, the clock, the message window's slots, the CG marks, the
    // transitions' shortcut and hand-over (engine/stage_wiring.cpp).
    Bitmap& MainWindowSurface() override;
    void InvalidateMainWindow() override;
    bool MainWindowReadyForFrame() override;
    std::uint32_t StageClock() override;
    Bitmap* SlotSurface(int slot) override;
    void NoteCgShown(int number) override;
    bool TransitionShortcutWanted() override;
    void TransitionEnded(TaskCode next) override;
    // Picture menus (engine/menu_screens.cpp).
    void StartMenuFade(TaskCode wait_task);
    void LoadMenuScreen(int background, int parts);
    void CopyHighlight(const MenuEntry& entry);
    // One tick of a picture menu: the scene, the hovered entry's highlight, presented; answers
    // the hovered entry (0-based) or -1. A menu that shows the same entry as on the tick before
    // is already on screen and is not composed or presented again.
    int ShowPictureMenu(std::span<const MenuEntry> entries);
    void DrawAlbumFrame(int cell);
    void DrawAlbumLock(int cell);
    void DrawQueueMark(Bitmap& surface, int x, int y, int position);
    // A waiting first-kind choice: the window with the hovered row highlighted (answers the row,
    // 1..4, or 0), and the cursor keys moving the pointer to the next or previous row.
    int DrawHoveredChoice(bool floating);
    void MoveChoiceCursor(int row, bool floating);
    // Album button 1 (back to the album menu), 2 or 3 (previous or next page, drawn by page_task).
    void PressAlbumButton(int button, TaskCode page_task);
    void StartReplay();
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
    WindowShape m_float_region; // the floating window's shape
    bool m_destroyed = false;
    bool m_debug_visible = false;
    bool m_msg_float_checked = false;
    std::uint64_t m_tick_serial = 0; // ticks that reached their task
    struct {
        const MenuEntry* table = nullptr;
        int entry = -1;
        std::uint64_t tick = 0;
    } m_menu_shown;     // the picture menu last composed, and on which tick
    AlbumBook m_albums; // the albums' tables, the open page and the CG being viewed
    // The wait icon as last drawn (animation frame, window, pixels): an icon that is still on the
    // window unchanged is neither drawn nor presented again.
    int m_wait_icon_frame = -1;
    WindowId m_wait_icon_window = WindowId::None;
    std::array<std::uint8_t, 32 * 32 * 4> m_wait_icon_pixels{};
    IdleWatch m_idle;
    // The message window's backdrop (the frame drawn over the scene's strip), kept for one value
    // of the stage's SceneSerial.
    struct {
        Bitmap picture;
        std::uint64_t scene_serial = 0;
    } m_msg_backdrop;
};

} // namespace hk
