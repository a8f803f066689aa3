// CommandHost: what the game commands need from the engine around them: the task hand-over, the
// frame tick held while a question is open, and the close question.
#pragma once

#include "core/task_codes.h"

#include <optional>

namespace hk {

class CommandHost {
public:
    virtual ~CommandHost() = default;

    // The one door for task changes (see Engine::SetTask).
    virtual void SetTask(TaskCode task, std::optional<TaskCode> return_task = std::nullopt) = 0;
    // No frame tick runs while a question is open; afterwards they run again unless the game has
    // stopped on an error.
    virtual void HoldTicks() = 0;
    virtual void ResumeTicks() = 0;
    // As the window's close box: the question, then the game closes when the player confirms.
    virtual bool RequestClose() = 0;
};

} // namespace hk
