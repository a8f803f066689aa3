// MessageHost: everything the message window asks of the rest of the game. The window decides
// how a message is laid out, revealed and answered; the host owns the screen and the scene under
// it, the windows of the platform, the sound, the script's lists, the settings, the input and the
// tasks. MessageWiring (engine/message_wiring.h) implements it in the game; the window's unit
// tests implement it with a recorder.
//
// Every call arrives on the GUI thread, inside a tick or a menu command.
#pragma once

#include "core/task_codes.h"
#include "data/random.h"
#include "engine/host.h"
#include "engine/message/window_shape.h"
#include "gfx/bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hk {

// The input of this tick as the window reads it: 1 while held (or clicked) and not locked.
struct MessageInput {
    bool KeyReturn = false, KeySpace = false, KeyUp = false, KeyDown = false;
    bool KeyPageUp = false, KeyPageDown = false, KeyControl = false;
    bool LeftClick = false;
    Point CursorMain, CursorFloat; // the pointer on the screen
};

class MessageHost {
public:
    virtual ~MessageHost() = default;

    // ---- The scene and the screen ----
    // The composed scene (800x600) and a number that changes whenever it or the frame changes.
    virtual const Bitmap& Scene() = 0;
    virtual std::uint64_t SceneSerial() = 0;
    // ScreenBuffer (800x600): what the main window shows once presented.
    virtual Bitmap& Screen() = 0;
    // The sheet of interface parts: the floating window's artwork and the wait icon's cells.
    virtual const Bitmap& Parts() = 0;
    // Loads the parts sheet anew (the full-screen choice needs it).
    virtual void LoadParts() = 0;
    // Draws the whole screen, or one picture at (x, y) of it, on the main window.
    virtual void PresentScreen() = 0;
    virtual void PresentRect(const Bitmap& source, int x, int y) = 0;

    // ---- Windows of the platform ----
    virtual Bitmap& WindowSurface(WindowId window) = 0;
    virtual void Invalidate(WindowId window) = 0;
    virtual void InvalidateRect(WindowId window, int x, int y, int w, int h) = 0;
    virtual void ShowWindow(WindowId window, bool visible) = 0;
    virtual bool IsWindowVisible(WindowId window) = 0;
    // The floating window goes under the main window's message strip.
    virtual void PlaceFloatWindow() = 0;
    virtual void ApplyFloatRegion(const WindowShape& shape) = 0;
    virtual void StartFloatDrag() = 0;
    virtual void Sleep(std::uint32_t ms) = 0;
    virtual std::uint32_t TickCount() = 0;
    virtual RandomGenerator& Random() = 0;

    // ---- Sound ----
    // Stops the voice channel, then plays a voice file (a game path, "VOICE\name.ogg").
    virtual void PlayVoice(const std::string& path) = 0;
    virtual void StopVoice() = 0;

    // ---- The script ----
    // The loaded scene's message texts and voice names (Shift-JIS), and its number.
    virtual const std::vector<std::string>& MessageTexts() = 0;
    virtual const std::vector<std::string>& VoiceNames() = 0;
    virtual int CurrentScene() = 0;
    // The chosen row of a choice, 1-based, for the script (scenario variable 1).
    virtual void SetChoiceAnswer(int choice) = 0;

    // ---- Settings ----
    virtual int TextSpeed() = 0; // 1 slow, 2 fast, 3 at once; other values never reveal
    virtual int AutoDelay() = 0; // seconds before automatic advance
    virtual bool ContextMenuOn() = 0;

    // ---- Input ----
    virtual MessageInput InputNow() = 0;
    // The advance keys are ignored for this many ticks of the delay timer.
    virtual void SetInputLock(int ticks) = 0;
    // Return and Space held now count as released until they are let go.
    virtual void SpendHeldKeys() = 0;
    // A press in the floating window's text area, counted as on the main window.
    virtual void LatchMouseDown(MouseButton button) = 0;
    // Moves the pointer to a point of the main window or of the floating window.
    virtual void SetCurPos(int x, int y) = 0;
    virtual void SetFloatCurPos(int x, int y) = 0;

    // ---- Tasks and the context menu ----
    virtual TaskCode CurrentTask() = 0;
    // The new task runs from the next tick on.
    virtual void ChangeTask(TaskCode task) = 0;
    virtual void AttachContextMenu() = 0;
    virtual void DetachContextMenu() = 0;
    // The wait icon shows animation frame 0..7 since `now`; -1 when none is shown.
    virtual void NoteWaitIcon(int frame, std::uint32_t now) = 0;
};

} // namespace hk
