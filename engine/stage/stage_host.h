// StageHost: what the stage asks of the rest of the game. The stage owns the pictures (layers,
// scene, screen buffer) and the transitions between them; the host owns the main window, the
// clock, the input and the tasks, and the surfaces of the message window that pictures are
// also delivered to. StageWiring (engine/stage_wiring.h) implements it in the game; the stage's
// unit tests implement it with a recorder, a plain surface and a clock they move by hand.
//
// Every call arrives on the GUI thread, inside a tick or start-up.
#pragma once

#include "core/task_codes.h"
#include "gfx/bitmap.h"

#include <cstdint>

namespace hk {

class StageHost {
public:
    virtual ~StageHost() = default;

    // ---- The main window ----
    // The main window's client surface (800x600): presenting copies into it.
    virtual Bitmap& MainWindowSurface() = 0;
    // The client surface changed; the window paints it at the display's pace.
    virtual void InvalidateMainWindow() = 0;
    // False while the window still has an earlier picture waiting for the display.
    virtual bool MainWindowReadyForFrame() = 0;
    // Milliseconds, wrapping at 2^32 (the game's GetTickCount).
    virtual std::uint32_t StageClock() = 0;

    // ---- What the game keeps ----
    // The surface of a graphic slot the stage does not own (message rule 7, message frame 8,
    // choice sheet 10), or nullptr when nothing takes that slot.
    virtual Bitmap* SlotSurface(int slot) = 0;
    // Graphic `number` (kCgFirst..kCgLast) is being loaded: the player has now seen that CG.
    virtual void NoteCgShown(int number) = 0;
    // Asked on every step of a script transition: true when it should end now (the player is
    // skipping, holds the shortcut key, or has effects switched off).
    virtual bool TransitionShortcutWanted() = 0;
    // A transition has shown its last step: the task goes on to `next`. Called once per transition.
    virtual void TransitionEnded(TaskCode next) = 0;
};

} // namespace hk
