#include "engine/command_wiring.h"

#include "engine/engine.h"

namespace hk {

void CommandWiring::SetTask(TaskCode task, std::optional<TaskCode> return_task) {
    m_engine.SetTask(task, return_task);
}

void CommandWiring::HoldTicks() {
    m_engine.SetFrameTimerEnabled(false);
}

void CommandWiring::ResumeTicks() {
    if (m_timer_usable)
        m_engine.SetFrameTimerEnabled(true);
}

bool CommandWiring::RequestClose() {
    return m_engine.RequestClose();
}

} // namespace hk
