// TForm1: the game. It owns the engine state, the surfaces and the sound objects, and
// implements every handler of the main form under its own name (FormCreate, DXTimer1Timer,
// TaskScript, DispMessage, ItemSave1Click, ...). It talks to the outside world only through
// Platform and reads and writes files only through GameFiles, so the same object runs in the
// window build, in `harukaze-tool run` and in the tests.
//
// The implementation is split by subsystem into engine/*.cpp; each section below names its file.
// Everything here runs on the GUI thread.
#pragma once

#include "data/game_files.h"
#include "engine/dx_timer.h"
#include "engine/engine_state.h"
#include "engine/form_rgn.h"
#include "engine/forms.h"
#include "gfx/abitmap.h"
#include "platform/platform.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace hk {

// An error in the game's data or files that ends the current tick (or start-up); the platform
// shows its message to the player.
class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TForm1 final : public PlatformEvents {
public:
    TForm1(Platform& platform, GameFiles& files);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    Platform& GetPlatform() { return m_platform; }
    GameFiles& Files() { return m_files; }
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
    bool FrameTimerEnabled() const { return DXTimer1.Enabled(); }
    void SetFrameTimerEnabled(bool enabled);
    void DXTimer1Timer();
    void TaskInit();
    void Wait();
    void WaitKey();
    void DelayTimerTimer();
    TaskCode& Task() { return m_state.Task; }

    // ---- Input (engine/input.cpp) ----
    void CheckKey();
    void FormMouseDown(MouseButton button, Point client);
    void FormMouseWheelDown();
    void FormMouseWheelUp();
    void SetCurPos(int x, int y);
    void SetCurPosM(int x, int y);

    // ---- System file (engine/system_file.cpp) ----
    bool CheckSystemFile();
    void CreateSystemFile();
    void ReadSystemFile();
    static void SetDefaultSettings(SystemData& data);

    // ---- Save slots (engine/save_slots.cpp) ----
    static std::string SlotFileName(int n);
    bool CheckSaveFile(int n);
    void CreateSaveFile(int n);
    void ReadSaveFile(int n);
    void ReadSaveFileW(int n);
    std::string GetSaveFileTime(int n);

    // ---- Scenario script (engine/scene_loading.cpp, interpreter.cpp, script_tables.cpp) ----
    void ReadScript(int scene);
    void TaskScript();
    void ClearReturnTbl();
    void ClearScenarioFlg();

    // ---- Graphics (engine/graphic_loading.cpp, layers.cpp, transitions.cpp, window_modes.cpp) ----
    void ReadGraphic(int slot, int number, int placement);
    void FullModeWin();
    void ReturnFullModeWin();

    // ---- Text and choices (engine/message_*.cpp, choices.cpp) ----
    void ClearMsgLog();

    // ---- Floating message window (engine/float_window.cpp) ----
    void ShapeFloatWindow(const TABitmap& artwork);
    void MsgFormMouseDown(MouseButton button, Point client);
    TFormRgn FormRgn1;
    // Check state of the context-menu item ItemMsgFloat (the floating window is wanted).
    bool MsgFloatChecked() const { return m_msg_float_checked; }

    // ---- Sound (engine/sound_cues.cpp) ----
    // Start-up step 18 and FormDestroy's release of the sound objects.
    void CreateSoundObjects();
    void ReleaseSoundObjects();
    // Status of the voice channel (5): 0 nothing loaded, 1 loaded and stopped, 2 playing, 3 ...
    int VoiceChannelStatus();
    // What each of the mixer's ten channels is doing, for the runner's state file.
    struct ChannelView {
        int status = 0; // 0 nothing loaded, 1 loaded, 2 playing, 3 looping
        int level = 0;  // 0..255
        std::string file;
    };
    std::array<ChannelView, 10> ChannelViews();

    // ---- Surfaces, created once in FormCreate ----
    TABitmap SceneImage, ScreenBuffer, EffectOld, RuleImage, BgLayer, PartsImage, CharLayer1, CharLayer2;
    TABitmap MsgFrameImage, MsgTextImage, SelectWorkImage, SelectImage, MsgWindowImage, MsgRuleImage;
    TABitmap Select2Sheet, Select2Image, Select2WorkImage;

    // ---- Secondary forms ----
    TQueryForm QueryForm;
    TCommentForm CommentForm;
    TConfigForm ConfigForm;
    TDebugWindow DebugWindow;
    bool DebugWindowVisible() const { return m_debug_visible; }

    TDXTimer DXTimer1;

    // PlatformEvents
    void OnMouseDown(WindowId window, MouseButton button, Point p) override;
    void OnMouseWheel(WindowId window, bool up) override;
    void OnDelayTimer() override;
    bool OnCloseQuery() override;
    void OnMenuPopup(std::string_view name) override;
    void OnMenuCommand(std::string_view name) override;

private:
    void CreateSurfaces();
    void FillAlbumTables();
    void ReadArchiveIndexes();
    void RunTask();
    void RefreshDebugLabels();
    void ReportError(const std::exception& error);

    Platform& m_platform;
    GameFiles& m_files;
    EngineState m_state;
    bool m_closed = false;
    bool m_timer_usable = false;  // start-up finished and no tick has failed since
    bool m_system_loaded = false; // the system record holds what Save00.dat holds
    bool m_destroyed = false;
    bool m_debug_visible = false;
    bool m_msg_float_checked = false;
};

} // namespace hk
