// What the picture menus need from the rest of the game: the pointer, the click and the keys, the records,
// the music, the scene album's replay queue, the task hand-over and the tick count; and the game
// flow a menu entry starts (a new game, the load pop-up, closing, a replay), which stays the
// game's.
#pragma once

#include "core/records.h"
#include "core/task_codes.h"
#include "engine/host.h"
#include "engine/input/focus.h"
#include "gfx/bitmap.h"

#include <cstdint>
#include <optional>

namespace hk {

class MenuHost {
public:
    virtual ~MenuHost() = default;

    // ---- Input of this tick ----
    virtual Point Pointer() = 0; // main-window coordinates
    virtual bool LeftClick() = 0;
    virtual bool KeyReturn() = 0;
    // The click or key that chose an entry is used up.
    virtual void SpendHeldKeys() = 0;
    // The cursor keys and Escape as counted in this tick (none while the input lock holds).
    virtual FocusKeys FocusKeysNow() = 0;
    // Puts the pointer on a main-window point as the focus moves there; the cursor key held now
    // has done its work (one step a press, however long it is held).
    virtual void MovePointerForFocus(Point p) = 0;

    // ---- Records and ticks ----
    virtual GameData& Game() = 0;
    virtual const SystemData& System() = 0;
    // Counts the ticks that reached their task.
    virtual std::uint64_t TickSerial() = 0;
    // Hands the next tick to `task`; a fade's `return_task` is where it goes on to.
    virtual void SetTask(TaskCode task, std::optional<TaskCode> return_task = std::nullopt) = 0;

    // ---- Sound and the window ----
    virtual void PlayBGM(int number, int loop) = 0;
    virtual Bitmap& MainWindowSurface() = 0;
    virtual void InvalidateMainWindow() = 0;

    // ---- The scene album's replay queue ----
    virtual void ClearSceneQueue() = 0;
    // Queue position of `scene` (1..), or -1 when it is not queued.
    virtual int SceneQueuePosition(int scene) = 0;
    // Queues `scene`: its position 1.., 0 when the queue is full, -1 when it was queued already.
    virtual int QueueScene(int scene) = 0;

    // ---- Game flow ----
    // Before the title shows: the floating window hidden and unchecked, the message log empty.
    virtual void ResetForTitle() = 0;
    virtual void ShowCursor() = 0;
    virtual void StartNewGame() = 0;
    virtual void OpenTitleLoadMenu() = 0;
    virtual void RequestClose() = 0;
    virtual void StartReplay() = 0;
};

} // namespace hk
