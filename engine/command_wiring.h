// CommandWiring: the game commands' host in the game. The task hand-over, the frame tick held
// around a question and the close question are the main form's.
#pragma once

#include "engine/commands/command_host.h"

namespace hk {

class Engine;

class CommandWiring final : public CommandHost {
public:
    // timer_usable: the engine's own note that start-up finished and no tick has failed since.
    CommandWiring(Engine& engine, const bool& timer_usable) : m_engine(engine), m_timer_usable(timer_usable) {}
    CommandWiring(const CommandWiring&) = delete;
    CommandWiring& operator=(const CommandWiring&) = delete;

    void SetTask(TaskCode task, std::optional<TaskCode> return_task) override;
    void HoldTicks() override;
    void ResumeTicks() override;
    bool RequestClose() override;

private:
    Engine& m_engine;
    const bool& m_timer_usable;
};

} // namespace hk
