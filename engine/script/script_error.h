// The error a scene gets when one of its instructions would leave the engine's fixed tables
// (variables 1..512, 16 nested calls, steps 0..32767, the lists of the loaded scene) or run past
// its code. The message names the scene, the step, the opcode and the value at fault.
#pragma once

#include "core/engine_error.h"

namespace hk {

class ScriptError : public EngineError {
public:
    using EngineError::EngineError;
};

} // namespace hk
