#include "engine/input/input_state.h"

#include <algorithm>
#include <iterator>

namespace hk {

namespace {

constexpr Key kGameKeys[] = {Key::Return,   Key::Space, Key::Control, Key::Shift, Key::Up,    Key::Down,  Key::PageUp,
                             Key::PageDown, Key::F1,    Key::F2,      Key::Left,  Key::Right, Key::Escape};

std::size_t Bit(Key key) {
    return static_cast<std::size_t>(key);
}

} // namespace

void InputState::LatchMouseDown(MouseButton button) {
    m_left_down_latch = button == MouseButton::Left;
    m_right_down_latch = button == MouseButton::Right;
}

void InputState::LatchWheel(bool up) {
    if (up)
        m_wheel_up_latch = true;
    else
        m_wheel_down_latch = true;
}

void InputState::ReleaseKeys() {
    m_key_return = m_key_control = m_key_space = m_key_shift = false;
    m_key_up = m_key_down = m_key_page_up = m_key_page_down = false;
    m_key_left = m_key_right = m_key_escape = false;
}

bool InputState::Counts(Key key) const {
    return m_platform.IsKeyDown(key) && !m_spent_keys.test(Bit(key));
}

bool InputState::CheckKey() {
    const WindowId front = m_platform.ForegroundWindow();
    const bool ours = front == WindowId::Main || front == WindowId::Float;
    ReleaseKeys();
    if (ours) {
        if (m_wheel_up_latch)
            m_wheel_up_once = true;
        if (m_wheel_down_latch)
            m_wheel_down_once = true;
        if (m_left_down_latch)
            m_left_click = true;

        // A spent key counts again once it has been let go; its release is looked for also while
        // the input lock leaves it unread.
        for (std::size_t k = 0; k < kKeyCount; ++k)
            if (m_spent_keys.test(k) && !m_platform.IsKeyDown(static_cast<Key>(k)))
                m_spent_keys.reset(k);
        if (m_input_lock == 0) {
            m_key_space = Counts(Key::Space);
            m_key_return = Counts(Key::Return);
            m_key_up = Counts(Key::Up);
            m_key_down = Counts(Key::Down);
            m_key_left = Counts(Key::Left);
            m_key_right = Counts(Key::Right);
            m_key_escape = Counts(Key::Escape);
            // F1 and F2 stand for the page keys.
            m_key_page_up = Counts(Key::PageUp) || Counts(Key::F1);
            m_key_page_down = Counts(Key::PageDown) || Counts(Key::F2);
        }
        m_key_control = Counts(Key::Control);
        m_key_shift = Counts(Key::Shift);
        m_platform.KeysSampled();

        if (m_wheel_up_once)
            m_key_page_up = true;
        if (m_wheel_down_once)
            m_key_page_down = true;
    } else {
        // Another window has the keyboard: the keys held when it took it were let go with the
        // focus (their releases go to that window), so none of them goes on counting as held.
        m_spent_keys.reset();
    }
    // A click or wheel turn that arrived while another window was in front is dropped.
    m_wheel_down_latch = m_wheel_up_latch = m_left_down_latch = m_right_down_latch = false;
    return ours;
}

void InputState::SamplePointer() {
    m_cursor_screen = m_platform.CursorPos();
    m_cursor_main = m_platform.ScreenToClient(WindowId::Main, m_cursor_screen);
    m_cursor_float = m_platform.ScreenToClient(WindowId::Float, m_cursor_screen);
}

void InputState::EndTick() {
    m_wheel_up_once = false;
    m_wheel_down_once = false;
    m_left_click = false;
}

bool InputState::AnyCounted() const {
    return m_left_click || m_wheel_up_once || m_wheel_down_once || m_key_return || m_key_control || m_key_space ||
           m_key_shift || m_key_up || m_key_down || m_key_page_up || m_key_page_down || m_key_left || m_key_right ||
           m_key_escape;
}

void InputState::SpendHeldKeys() {
    for (Key key : {Key::Return, Key::Space, Key::Escape})
        if (m_platform.IsKeyDown(key))
            m_spent_keys.set(Bit(key));
}

void InputState::SpendCursorKeys() {
    for (Key key : {Key::Up, Key::Down, Key::Left, Key::Right})
        if (m_platform.IsKeyDown(key))
            m_spent_keys.set(Bit(key));
}

void InputState::SpendCountedKeys() {
    if (m_key_return)
        m_spent_keys.set(Bit(Key::Return));
    if (m_key_space)
        m_spent_keys.set(Bit(Key::Space));
    if (m_key_control)
        m_spent_keys.set(Bit(Key::Control));
}

bool InputState::AnyGameKeyDown() const {
    return std::any_of(std::begin(kGameKeys), std::end(kGameKeys),
                       [this](Key key) { return m_platform.IsKeyDown(key); });
}

void InputState::RunDownInputLock(std::uint32_t firings) {
    m_input_lock = static_cast<std::int32_t>(std::max<std::int64_t>(0, std::int64_t{m_input_lock} - firings));
}

void InputState::SetCurPos(int x, int y) {
    m_cursor_main = m_platform.ClientToScreen(WindowId::Main, Point{x, y});
    m_platform.SetCursorPos(m_cursor_main);
}

void InputState::SetFloatCurPos(int x, int y) {
    m_cursor_float = m_platform.ClientToScreen(WindowId::Float, Point{x, y});
    m_platform.SetCursorPos(m_cursor_float);
}

} // namespace hk
