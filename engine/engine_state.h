// EngineState: what belongs to the whole game rather than to one of its parts: the task the frame
// tick runs, the script's timed wait, the saved records (settings, variables, flags) and the
// random generator. They live in one object per engine (not in globals) so each test gets a fresh
// engine; fields keep the game's names. The parts keep their own state: the script machine (the
// scene, its lists, the replay queue), the stage (pictures, the graphics index, the running
// transition), the message window, the input, the sound cues, the save store, the album book and
// the game commands (the menus, the dialogs and their answer).
#pragma once

#include "core/records.h"
#include "core/task_codes.h"
#include "data/random.h"

#include <cstdint>

namespace hk {

struct EngineState {
    // Task (frame tick): the task the tick runs, and the one a menu fade goes on to.
    TaskSlot Task{TaskCode::TASK_SCRIPT};
    TaskSlot ReturnTask{TaskCode::TASK_SCRIPT};

    // The end of the script's timed wait (TASK_WAIT), on the platform's clock.
    std::uint32_t WaitUntil = 0;

    // Save records (the settings, variables and flags live inside them)
    SystemData System{};
    GameData Game{};

    // The engine's random generator (one per process in the game; one per engine here).
    RandomGenerator Random;
};

} // namespace hk
