// EngineState: the engine-wide variables every handler of the main form shares. They live in
// one object per engine (not in globals) so each test gets a fresh engine. Fields keep the
// game's names. GameData and SystemData hold the variables that are saved. What the interpreter
// alone touches (the scene's code and lists, the replay queue) is the script machine's.
#pragma once

#include "data/ifp_archive.h"
#include "data/random.h"
#include "engine/records.h"
#include "engine/task_codes.h"
#include "platform/platform.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace hk {

struct EffectStateData {
    std::int32_t FirstTick = 0; // first-tick counter
    std::int32_t StartTime = 0;
    std::int32_t EndTime = 0;
    std::int32_t Duration = 0;
    std::int32_t Graphic = 0; // effect (rule) graphic number
    std::int32_t Strength = 0;
};

struct EngineState {
    // Task (frame tick): the task the tick runs, and the one a menu fade goes on to.
    TaskSlot Task{TaskCode::TASK_SCRIPT};
    TaskSlot ReturnTask{TaskCode::TASK_SCRIPT};

    // Graphics archive index (the scene index is the script machine's)
    std::array<std::uint8_t, kIfpIndexSize> GrpIndex{};
    std::int32_t AlbumPage = 0; // page shown by the album screens

    // Layers and transitions (LayerGraphic/LayerPlacement live in GameData)
    EffectStateData EffectState;

    // Input
    std::uint8_t KeyReturn = 0, KeySpace = 0, KeyUp = 0, KeyDown = 0, KeyPageUp = 0, KeyPageDown = 0;
    std::uint8_t KeyControl = 0, KeyShift = 0;
    std::uint8_t LeftClick = 0, WheelUpOnce = 0, WheelDownOnce = 0;
    std::uint8_t LeftDownLatch = 0, RightDownLatch = 0, WheelUpLatch = 0, WheelDownLatch = 0;
    std::int32_t InputLock = 0;
    Point CursorScreen, CursorMain, CursorFloat;

    // Waits
    std::uint32_t WaitUntil = 0;

    // Save records (the settings, variables and flags above live inside them)
    SystemData System{};
    GameData Game{};
    GameData PeekData{};
    std::array<std::int32_t, kSlotCount + 1> SlotFileAge{}; // 1..30

    // Album tables: 8 pages x 12 cells x 5 variants, and 8 pages x 12 scenes; -1 = empty.
    std::array<std::array<std::array<std::int32_t, 5>, 12>, 8> CgAlbumTable{};
    std::array<std::array<std::int32_t, 12>, 8> SceneAlbumTable{};

    // Dialog answer
    std::uint8_t QueryAnswer = 0;

    // The engine's random generator (one per process in the game; one per engine here).
    RandomGenerator Random;
};

} // namespace hk
