// A parked game whose screen shows one colour and whose next scene is another, and the start of a
// transition between them as the show opcode or a menu makes it.
#pragma once

#include "support/engine_fixture.h"

#include <cstdint>
#include <optional>

namespace hk::test {

class TransitionFixture : public GameFixture {
protected:
    static constexpr Color kOld = 0x00204060; // what the screen showed
    static constexpr Color kNew = 0x00E0C0A0; // the new scene

    void SetUp() override {
        StartParked();
        TheEngine().TheStage().ScreenBuffer().Fill(kOld);
        TheEngine().TheStage().SceneImage().Fill(kNew);
        State().Game.CursorShown = 1;
    }
    // Starts `task` now, to last `duration` ms: a wipe with its rule picture and strength, any other
    // task as a fade.
    void BeginTransition(TaskCode task, int duration, std::optional<TaskCode> return_task = std::nullopt,
                         int graphic = 0, int strength = 4) {
        if (task == TaskCode::TASK_EFFECT_11)
            TheEngine().TheStage().StartWipe(graphic, duration, strength);
        else
            TheEngine().TheStage().StartFade(duration);
        TheEngine().SetTask(task, return_task);
    }
    // What the main window shows at (x, y).
    Color Shown(int x = 400, int y = 300) { return Platform().ClientSurface(WindowId::Main).GetColor(x, y); }
};

} // namespace hk::test
