// Input sampling: the platform's mouse events go to InputState's latches between ticks; CheckKey
// samples the keys once per tick, and a press that ends a skip has done its work.
#include "engine/engine.h"

namespace hk {

void Engine::FormMouseDown(MouseButton button, Point) {
    m_input.LatchMouseDown(button);
}

void Engine::FormMouseWheelDown() {
    m_input.LatchWheel(false);
}
void Engine::FormMouseWheelUp() {
    m_input.LatchWheel(true);
}

void Engine::OnMouseDown(WindowId window, MouseButton button, Point p) {
    if (window == WindowId::Main)
        FormMouseDown(button, p);
    else if (window == WindowId::Float)
        MsgFormMouseDown(button, p);
}

void Engine::OnMouseWheel(WindowId window, bool up) {
    if (window != WindowId::Main && window != WindowId::Float)
        return;
    if (up)
        FormMouseWheelUp();
    else
        FormMouseWheelDown();
}

void Engine::CheckKey() {
    EngineState& s = m_state;
    if (m_input.CheckKey()) {
        if (s.Task == TaskCode::TASK_SCRIPT)
            s.SkipNow = m_input.KeyControl() ? 1 : 0;
        if (m_input.KeyReturn() || m_input.KeyControl() || m_input.KeySpace() || m_input.LeftClick()) {
            // The key that ended a skip has done its work: held on, it neither advances the message
            // the skip stopped at nor, for Control, skips again.
            if (s.SkipMode || s.ReadSkipMode)
                m_input.SpendCountedKeys();
            s.SkipMode = 0;
            s.ReadSkipMode = 0;
        }
        if (s.SkipMode)
            s.SkipNow = 1;
    } else if (s.Task == TaskCode::TASK_SCRIPT && !s.SkipMode) {
        s.SkipNow = 0;
    }
}

} // namespace hk
