// The error a handler throws when the game's data or files do not let it go on. It ends the
// current tick (or start-up), and the platform shows the player what happened.
#pragma once

#include <stdexcept>
#include <string>

namespace hk {

// what(): English, for reports (standard error). ForPlayer: the same for the player in Japanese,
// with the full paths concerned and what to do; empty when the engine's general words will do.
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const std::string& what, std::string for_player = {})
        : std::runtime_error(what), m_for_player(std::move(for_player)) {}
    const std::string& ForPlayer() const { return m_for_player; }

private:
    std::string m_for_player;
};

} // namespace hk
