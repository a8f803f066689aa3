// Scenes played by a real engine on the headless platform, one tick at a time.
#pragma once

#include "support/engine_fixture.h"
#include "support/scene_assembler.h"

#include <string>

namespace hk::test {

class ScriptTest : public GameFixture {
protected:
    // Writes the scenes, starts the engine and runs the tick of TaskInit and the first tick of
    // the interpreter (scene 1 from its first instruction).
    void Play(std::initializer_list<SceneSource> scenes) {
        WriteArchives(ScenarioArchive(scenes));
        Start();
        Tick();
        Tick();
    }

    // Back to the interpreter after a task it handed over to, for one tick.
    void Resume() {
        TheEngine().SetTask(TaskCode::TASK_SCRIPT);
        Tick();
    }

    std::int16_t S(int n) { return State().Game.ScenarioVars[n - 1]; }
    std::int16_t G(int n) { return State().System.SystemVars[n - 1]; }
    int Step() { return State().Game.ScriptStep; }
    int Scene() { return State().Game.CurrentScene; }

    // The first error the engine reported, or "".
    std::string Error() {
        const auto errors = Platform().TakeErrors();
        return errors.empty() ? std::string() : errors.front();
    }
};

} // namespace hk::test
