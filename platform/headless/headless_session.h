// One game played headless: the game directory, the headless platform and the engine, and the
// main loop of the window build reduced to explicit steps on the virtual clock. The runner and
// the engine tests drive games through this.
#pragma once

#include "data/game_files.h"
#include "engine/engine.h"
#include "platform/headless/headless_platform.h"

#include <filesystem>
#include <memory>

namespace hk {

class HeadlessSession {
public:
    explicit HeadlessSession(std::filesystem::path game_dir);
    // Takes the files object (tests pass one that injects faults).
    HeadlessSession(std::filesystem::path game_dir, std::unique_ptr<GameFiles> files);
    ~HeadlessSession();

    HeadlessPlatform& Platform() { return m_platform; }
    Engine& TheEngine() { return *m_engine; }
    EngineState& State() { return m_engine->State(); }
    GameFiles& Files() { return *m_files; }

    // Runs the engine's start-up. False when it failed (the error is in Platform().TakeErrors()).
    bool Start();
    // One pass of the main loop: a frame tick when the frame timer is due, otherwise 1 ms of
    // idle time in which window messages are still handled.
    void Step();
    // Steps until one frame tick has run (just one idle step while the frame timer is off).
    void Tick();
    // Runs `count` frame ticks.
    void Ticks(int count);
    // Steps until the clock has advanced by at least ms.
    void RunMs(std::uint32_t ms);
    // Steps until the task is `code`; false when max_ms of virtual time passed first.
    bool UntilTask(TaskCode code, std::uint32_t max_ms = 60000);
    bool Closed() const { return m_engine->Closed(); }

private:
    std::unique_ptr<GameFiles> m_files;
    HeadlessPlatform m_platform;
    std::unique_ptr<Engine> m_engine;
};

} // namespace hk
