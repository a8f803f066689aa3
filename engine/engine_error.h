// The error a handler throws when the game's data or files do not let it go on. It ends the
// current tick (or start-up), and the platform shows its message to the player.
#pragma once

#include <stdexcept>

namespace hk {

class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace hk
