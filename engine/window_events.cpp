// The window's events between ticks: the mouse goes to InputState's latches (or to the floating
// window), the menus and the debug window's buttons to their owners, and the full-screen shortcut
// to the platform and the settings. A failure in a menu command or a button is reported like a
// tick's.
#include "engine/engine.h"

namespace hk {

void Engine::OnMouseDown(WindowId window, MouseButton button, Point p) {
    if (window == WindowId::Main)
        m_input.LatchMouseDown(button);
    else if (window == WindowId::Float)
        m_message.MsgFormMouseDown(button, p);
}

void Engine::OnMouseWheel(WindowId window, bool up) {
    if (window == WindowId::Main || window == WindowId::Float)
        m_input.LatchWheel(up);
}

void Engine::OnMenuPopup(std::string_view name) {
    try {
        m_commands.OnMenuPopup(name);
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

void Engine::OnMenuCommand(std::string_view name) {
    try {
        m_commands.OnMenuCommand(name);
    } catch (const FileError& error) {
        // A slot file that could not be written or read changed nothing (writes replace the
        // file atomically, reads go through a scratch record): the player is told and plays
        // on, and can free some room or pick another slot.
        if (!GameCommands::IsSlotCommand(name)) {
            SetFrameTimerEnabled(false);
            m_timer_usable = false;
        }
        ReportError(error);
    } catch (const std::exception& error) {
        SetFrameTimerEnabled(false);
        m_timer_usable = false;
        ReportError(error);
    }
}

void Engine::OnDebugButton(int button) {
    try {
        m_debug.OnButton(button);
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

void Engine::OnToggleFullScreen() {
    // The desktop's usual shortcut takes the same path as the settings dialog and keeps the
    // stored setting in step, so the next start opens the way the player left it. This platform
    // never switches the display's mode: full screen is a borderless window over the whole screen
    // that shows the 800x600 picture scaled to fit.
    const bool full = m_state.System.FullScreen == 0;
    m_platform.SetFullScreen(full);
    m_state.System.FullScreen = full ? 1 : 0;
}

} // namespace hk
