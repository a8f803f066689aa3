// Input sampling: mouse events arrive between ticks into latches; CheckKey turns them and the
// keys held at this moment into the flags the handlers read, once per tick.
#include "engine/engine.h"

namespace hk {

void Engine::LatchMouseDown(MouseButton button) {
    // The latest press wins; the middle button sets nothing.
    m_state.LeftDownLatch = button == MouseButton::Left ? 1 : 0;
    m_state.RightDownLatch = button == MouseButton::Right ? 1 : 0;
}

void Engine::FormMouseDown(MouseButton button, Point) {
    LatchMouseDown(button);
}

void Engine::FormMouseWheelDown() {
    m_state.WheelDownLatch = 1;
}
void Engine::FormMouseWheelUp() {
    m_state.WheelUpLatch = 1;
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
    const WindowId front = m_platform.ForegroundWindow();
    if (front == WindowId::Main || front == WindowId::Float) {
        s.KeyReturn = s.KeyControl = s.KeySpace = s.KeyShift = 0;
        s.KeyUp = s.KeyDown = s.KeyPageUp = s.KeyPageDown = 0;

        if (s.WheelUpLatch)
            s.WheelUpOnce = 1;
        if (s.WheelDownLatch)
            s.WheelDownOnce = 1;
        if (s.LeftDownLatch)
            s.LeftClick = 1;

        // A spent key counts again once it has been let go; its release is looked for also while
        // the input lock leaves it unread.
        for (std::size_t k = 0; k < kKeyCount; ++k)
            if (m_spent_keys.test(k) && !m_platform.IsKeyDown(static_cast<Key>(k)))
                m_spent_keys.reset(k);
        auto down = [this](Key key) -> std::uint8_t {
            return m_platform.IsKeyDown(key) && !m_spent_keys.test(static_cast<std::size_t>(key)) ? 1 : 0;
        };
        if (s.InputLock == 0) {
            s.KeySpace |= down(Key::Space);
            s.KeyReturn |= down(Key::Return);
            s.KeyUp |= down(Key::Up);
            s.KeyDown |= down(Key::Down);
            s.KeyPageUp |= down(Key::PageUp);
            s.KeyPageDown |= down(Key::PageDown);
            s.KeyPageUp |= down(Key::F1);
            s.KeyPageDown |= down(Key::F2);
        }
        s.KeyControl = down(Key::Control);
        s.KeyShift = down(Key::Shift);
        m_platform.KeysSampled();

        if (s.WheelUpOnce)
            s.KeyPageUp = 1;
        if (s.WheelDownOnce)
            s.KeyPageDown = 1;

        if (s.Task == TaskCode::TASK_SCRIPT)
            m_message.SetSkipNow(s.KeyControl != 0);
        if (s.KeyReturn || s.KeyControl || s.KeySpace || s.LeftClick) {
            // The key that ended a skip has done its work: held on, it neither advances the message
            // the skip stopped at nor, for Control, skips again.
            if (m_message.SkipMode() || m_message.ReadSkipMode()) {
                if (s.KeyReturn)
                    m_spent_keys.set(static_cast<std::size_t>(Key::Return));
                if (s.KeySpace)
                    m_spent_keys.set(static_cast<std::size_t>(Key::Space));
                if (s.KeyControl)
                    m_spent_keys.set(static_cast<std::size_t>(Key::Control));
            }
            m_message.SetSkipMode(false);
            m_message.SetReadSkipMode(false);
        }
        if (m_message.SkipMode())
            m_message.SetSkipNow(true);
    } else {
        // Another window has the keyboard: the keys held when it took it were let go with the
        // focus (their releases go to that window), so none of them goes on counting as held.
        s.KeyReturn = s.KeyControl = s.KeySpace = s.KeyShift = 0;
        s.KeyUp = s.KeyDown = s.KeyPageUp = s.KeyPageDown = 0;
        m_spent_keys.reset();
        if (s.Task == TaskCode::TASK_SCRIPT && !m_message.SkipMode())
            m_message.SetSkipNow(false);
    }
    // A click or wheel turn that arrived while another window was in front is dropped.
    s.WheelDownLatch = s.WheelUpLatch = s.LeftDownLatch = s.RightDownLatch = 0;
}

void Engine::SpendHeldKeys() {
    for (Key key : {Key::Return, Key::Space})
        if (m_platform.IsKeyDown(key))
            m_spent_keys.set(static_cast<std::size_t>(key));
}

void Engine::SetCurPos(int x, int y) {
    m_state.CursorMain = m_platform.ClientToScreen(WindowId::Main, Point{x, y});
    m_platform.SetCursorPos(m_state.CursorMain);
}

void Engine::SetFloatCurPos(int x, int y) {
    m_state.CursorFloat = m_platform.ClientToScreen(WindowId::Float, Point{x, y});
    m_platform.SetCursorPos(m_state.CursorFloat);
}

} // namespace hk
