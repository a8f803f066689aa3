// Window and full-screen modes. This platform never switches the display's mode: full screen is
// a borderless window over the whole screen that shows the 800x600 picture scaled to fit, so no
// other window moves and there are no window placements to remember.
#include "engine/engine.h"

namespace hk {

void Engine::FullModeWin() {
    m_platform.SetFullScreen(true);
}

void Engine::ReturnFullModeWin() {
    m_platform.SetFullScreen(false);
}

void Engine::OnToggleFullScreen() {
    // The desktop's usual shortcut takes the same path as the settings dialog and keeps the
    // stored setting in step, so the next start opens the way the player left it.
    if (m_state.System.FullScreen != 0) {
        ReturnFullModeWin();
        m_state.System.FullScreen = 0;
    } else {
        FullModeWin();
        m_state.System.FullScreen = 1;
    }
}

} // namespace hk
