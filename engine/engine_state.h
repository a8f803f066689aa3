// EngineState: the engine-wide variables every handler of the main form shares. They live in
// one object per engine (not in globals) so each test gets a fresh engine. Fields keep the
// game's names. GameData and SystemData hold the variables that are saved. What the interpreter
// alone touches (the scene's code and lists, the replay queue) is the script machine's; the
// pictures, the graphics index and the running transition are the stage's.
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

inline constexpr int kMsgLogSize = 20;

struct MsgLogEntry {
    std::string Text;             // UTF-8
    std::string Voice;            // voice base name, UTF-8
    std::int32_t VoiceIndex = -1; // index into VoiceNames, -1 = no voice
    std::string File;             // voice file path as the game writes it
};

struct EngineState {
    // Task (frame tick): the task the tick runs, and the one a menu fade goes on to.
    TaskSlot Task{TaskCode::TASK_SCRIPT};
    TaskSlot ReturnTask{TaskCode::TASK_SCRIPT};

    // Message state
    std::int32_t MsgNumber = 0;
    std::int32_t VoiceNumber = 0;
    std::uint8_t MsgIsChoice = 0;
    std::int32_t RevealLevel = 0;
    std::int32_t MsgLineCount = 1; // lines of the current message layout, 1..3
    std::uint8_t MsgWindowVisible = 0;
    std::uint8_t LogViewing = 0;
    std::uint8_t SkipNow = 0;
    std::uint8_t SkipMode = 0;
    std::uint8_t ReadSkipMode = 0;
    std::uint8_t AutoMode = 0;
    std::int32_t AutoElapsed = 0;
    std::uint8_t Select2Visible = 0;
    std::int32_t ChoiceCount = 0;
    std::vector<std::u32string> ChoiceLines;
    std::vector<std::u32string> Choice2Lines;

    // Message log
    std::array<MsgLogEntry, kMsgLogSize> MsgLog;
    std::int32_t LogCursor = 0;

    // Layout
    std::int32_t MsgLineChars = 0;
    std::int32_t MsgMaxLines = 0;
    std::u32string NoLineStartChars;
    std::u32string NoLineEndChars;

    // Waits
    std::uint32_t WaitUntil = 0;

    // Save records (the settings, variables and flags above live inside them)
    SystemData System{};
    GameData Game{};

    // Dialog answer
    std::uint8_t QueryAnswer = 0;

    // The engine's random generator (one per process in the game; one per engine here).
    RandomGenerator Random;
};

} // namespace hk
