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
        m_message.MsgFormMouseDown(button, p);
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
            m_message.SetSkipNow(m_input.KeyControl());
        if (m_input.KeyReturn() || m_input.KeyControl() || m_input.KeySpace() || m_input.LeftClick()) {
            // The key that ended a skip has done its work: held on, it neither advances the message
            // the skip stopped at nor, for Control, skips again.
            if (m_message.SkipMode() || m_message.ReadSkipMode())
                m_input.SpendCountedKeys();
            m_message.SetSkipMode(false);
            m_message.SetReadSkipMode(false);
        }
        if (m_message.SkipMode())
            m_message.SetSkipNow(true);
    } else if (s.Task == TaskCode::TASK_SCRIPT && !m_message.SkipMode()) {
        m_message.SetSkipNow(false);
    }
}

} // namespace hk
