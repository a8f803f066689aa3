// A game directory made for one test, and the engine playing it on the headless platform.
#pragma once

#include "platform/headless/headless_session.h"
#include "support/archive_builder.h"
#include "support/scene_assembler.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

namespace hk::test {

class GameFixture : public ::testing::Test {
protected:
    // Writes SCR.IFP and GRP.IFP into the game directory. By default the graphics archive is
    // empty and scene 1 waits for a key in a loop, which changes nothing.
    void WriteArchives(const ArchiveBuilder& scr = IdleScenario(), const ArchiveBuilder& grp = ArchiveBuilder());
    static ArchiveBuilder IdleScenario();
    // Makes a session on the game directory and runs start-up; the test fails if it does not.
    HeadlessSession& Start();
    // Makes a session without starting it.
    HeadlessSession& Session();
    // Starts on the idle scenario and the given pictures, runs TaskInit and the first ticks of the
    // interpreter, then parks the engine in kParkedTask, so that only the shell, the menus and what
    // the test calls act.
    void StartParked(const ArchiveBuilder& grp = ArchiveBuilder());
    // One frame tick on the virtual clock; nothing when the timer stopped after an error.
    void Tick();

    // A task no handler owns.
    static constexpr TaskCode kParkedTask = static_cast<TaskCode>(0x12345678);

    HeadlessPlatform& Platform() { return Session().Platform(); }
    EngineState& State() { return Session().State(); }
    Engine& TheEngine() { return Session().TheEngine(); }
    ScriptMachine& Script() { return Session().TheEngine().Script(); }
    MessageWindow& Message() { return Session().TheEngine().Message(); }

    TempDir m_dir;
    std::unique_ptr<HeadlessSession> m_session;
};

} // namespace hk::test
