// The check that tells a save the game wrote from one it never could, on the records alone: every
// bound holds at its edge and breaks one step past it, and the fields the scenario owns take any
// value. tests/engine/save_checks_test.cpp checks every file the game itself writes against it.
#include "engine/saves/record_checks.h"
#include "engine/saves/save_store.h"
#include "support/save_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace hk::test {
namespace {

std::unique_ptr<SystemData> DefaultRecord() {
    auto record = std::make_unique<SystemData>();
    SaveStore::SetDefaultSettings(*record);
    return record;
}

// Sets an int32 setting to `value` and answers whether the record then passes.
bool SystemPassesWith(std::int32_t SystemData::*field, std::int32_t value) {
    auto record = DefaultRecord();
    (*record).*field = value;
    return SystemDataProblem(*record).empty();
}

TEST(RecordChecks, EverySettingHoldsAtItsEdgesAndBreaksOnePast) {
    struct Bound {
        std::int32_t SystemData::*field;
        std::int32_t low, high;
    };
    const Bound bounds[] = {{&SystemData::TextSpeed, 1, 3},
                            {&SystemData::VoiceVolume, 0, 100},
                            {&SystemData::BgmVolume, 0, 100},
                            {&SystemData::SeVolume, 0, 100},
                            {&SystemData::AutoDelay, 1, 20}};
    for (const Bound& b : bounds) {
        SCOPED_TRACE(std::to_string(b.low) + ".." + std::to_string(b.high));
        EXPECT_TRUE(SystemPassesWith(b.field, b.low));
        EXPECT_TRUE(SystemPassesWith(b.field, b.high));
        EXPECT_FALSE(SystemPassesWith(b.field, b.low - 1));
        EXPECT_FALSE(SystemPassesWith(b.field, b.high + 1));
        EXPECT_FALSE(SystemPassesWith(b.field, INT32_MIN));
        EXPECT_FALSE(SystemPassesWith(b.field, INT32_MAX));
    }
    for (std::uint8_t SystemData::*flag : {&SystemData::EffectsOn, &SystemData::FullScreen}) {
        auto record = DefaultRecord();
        record.get()->*flag = 1;
        EXPECT_EQ(SystemDataProblem(*record), "");
        record.get()->*flag = 2;
        EXPECT_NE(SystemDataProblem(*record), "");
    }
}

TEST(RecordChecks, WhatTheScenarioOwnsTakesAnyValue) {
    // System: every variable at its extremes, every CG seen, every mark of scenes 0..14 set.
    auto system = DefaultRecord();
    for (int i = 0; i < kVariableCount; ++i)
        system->SystemVars[i] = i % 2 == 0 ? INT16_MIN : INT16_MAX;
    std::fill(std::begin(system->CgSeen), std::end(system->CgSeen), 1);
    for (int scene = 0; scene < kReadMarkBlocks - 1; ++scene)
        std::fill(std::begin(system->ReadMarks[scene]), std::end(system->ReadMarks[scene]), 0xFF);
    EXPECT_EQ(SystemDataProblem(*system), "");

    // Slot: variables, scene, step, the whole return table, layers, music and the sound effects
    // to restart at their extremes; a comment of all 24 units of any value.
    GameData game = SavedGame(u"");
    for (int i = 0; i < kVariableCount; ++i)
        game.ScenarioVars[i] = i % 2 == 0 ? INT16_MIN : INT16_MAX;
    game.CurrentScene = INT16_MIN;
    game.ScriptStep = -1;
    for (ReturnEntry& entry : game.ReturnTable)
        entry = {INT16_MAX, INT16_MIN};
    game.ReturnDepth = kReturnTableSize;
    for (std::int32_t& graphic : game.LayerGraphic)
        graphic = INT32_MIN;
    game.LayerPlacement[0] = INT32_MAX;
    game.LayerPlacement[1] = -1;
    game.CurrentBgm = INT32_MAX;
    game.SeRestoreNumber[1] = 77;
    game.SeRestoreLoop[0] = -5;
    for (std::uint16_t& unit : game.SaveComment)
        unit = 0xFFFF;
    EXPECT_EQ(GameDataProblem(game), "");
    game.ReturnDepth = 0;
    game.SlotInUse = 0;
    EXPECT_EQ(GameDataProblem(game), "");
    EXPECT_EQ(GameDataProblem(GameData{}), "") << "an empty slot";

    EXPECT_TRUE(IsSoundSlotFile(&game, sizeof game));
    EXPECT_FALSE(IsSoundSlotFile(&game, sizeof game - 1));
    EXPECT_TRUE(IsSoundSystemFile(system.get(), sizeof(SystemData)));
    EXPECT_FALSE(IsSoundSystemFile(system.get(), sizeof(SystemData) - 1));
}

} // namespace
} // namespace hk::test
