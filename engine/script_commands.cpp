// The script's system sub-commands as the main form carries them out: the mouse cursor, the two
// saved mode flags, the floating window and the random draw.
#include "engine/engine.h"

namespace hk {

void Engine::SetCursorShown(bool shown) {
    m_state.Game.CursorShown = shown ? 1 : 0;
    m_platform.SetCursorVisible(shown);
}

void Engine::SetAuxFlag(bool on) {
    m_state.Game.AuxFlag = on ? 1 : 0;
}

void Engine::SetContextMenuOn(bool on) {
    m_state.Game.ContextMenuOn = on ? 1 : 0;
}

void Engine::ShowFloatWindow(bool visible) {
    // Only while the player has the floating window switched on.
    if (MsgFloatChecked())
        m_platform.ShowWindow(WindowId::Float, visible);
}

std::uint32_t Engine::DrawRandom(std::uint32_t below) {
    return m_state.Random.Random(below);
}

} // namespace hk
