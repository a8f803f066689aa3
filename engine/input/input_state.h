// InputState: the keys, mouse buttons, wheel and pointer as the game reads them. Mouse events
// arrive between ticks into latches; CheckKey turns them and the keys held at that moment into
// the flags the handlers read, once per tick. It reads the keys and the pointer from the
// platform and knows nothing of tasks, skipping or messages: what a press means is the caller's.
// Everything here runs on the GUI thread.
#pragma once

#include "engine/host.h"

#include <bitset>
#include <cstdint>

namespace hk {

class InputState {
public:
    explicit InputState(Platform& platform) : m_platform(platform) {}

    // ---- Between ticks: the platform's mouse events ----
    // A press on the main window or in the floating window's text area. The latest press wins;
    // the middle button clears both latches.
    void LatchMouseDown(MouseButton button);
    void LatchWheel(bool up);
    // A click or wheel turn is waiting for the next CheckKey.
    bool AnyLatched() const {
        return m_left_down_latch || m_right_down_latch || m_wheel_up_latch || m_wheel_down_latch;
    }

    // ---- Once per tick ----
    // Samples the keys and turns the latches into this tick's click and wheel flags. Returns
    // false when another window has the keyboard: then no key counts as held, the spent keys are
    // forgotten and the latches are dropped. The latches are empty afterwards either way.
    bool CheckKey();
    // The pointer in screen, main-window and floating-window coordinates, as it is now.
    void SamplePointer();
    // The end of a tick: the click and the wheel turns counted for one tick only.
    void EndTick();
    // Any key, click or wheel turn counted in this tick.
    bool AnyCounted() const;

    // ---- Spent keys: a press that has done its work counts as not held until it is let go ----
    // The Return, Space and Escape held now have done their work: what they closed, answered,
    // chose or left is gone, so each counts as not held from the next tick until it is seen
    // released. A press held a little long then never acts on what comes next (a still-held Return
    // would otherwise complete and then advance the message that follows once the input lock runs
    // out; a still-held Escape would leave the screen it led back to).
    void SpendHeldKeys();
    // The cursor keys held now: a press moves a menu's focus one step, however long it is held.
    void SpendCursorKeys();
    // Return, Space and Control, when they count in this tick (the press that ended a skip).
    void SpendCountedKeys();
    // Any of the keys the game reads is held now, spent or not.
    bool AnyGameKeyDown() const;

    // ---- Input lock, in firings of the 10 ms delay timer ----
    // While above 0, Return, Space, Escape, the cursor keys and the page keys are not read.
    std::int32_t InputLock() const { return m_input_lock; }
    void SetInputLock(std::int32_t firings) { m_input_lock = firings; }
    // That many firings have passed; the lock never goes below 0.
    void RunDownInputLock(std::uint32_t firings);

    // ---- Pointer ----
    // Moves the pointer to a client point of the main or the floating window.
    void SetCurPos(int x, int y);
    void SetFloatCurPos(int x, int y);
    Point CursorScreen() const { return m_cursor_screen; }
    Point CursorMain() const { return m_cursor_main; }
    Point CursorFloat() const { return m_cursor_float; }

    // ---- This tick's flags ----
    bool KeyReturn() const { return m_key_return; }
    bool KeySpace() const { return m_key_space; }
    bool KeyUp() const { return m_key_up; }
    bool KeyDown() const { return m_key_down; }
    bool KeyLeft() const { return m_key_left; }
    bool KeyRight() const { return m_key_right; }
    bool KeyEscape() const { return m_key_escape; }
    // Page Up and Page Down also count for F1 and F2 and for a turn of the wheel.
    bool KeyPageUp() const { return m_key_page_up; }
    bool KeyPageDown() const { return m_key_page_down; }
    // Control and Shift are read also while the input lock holds.
    bool KeyControl() const { return m_key_control; }
    bool KeyShift() const { return m_key_shift; }
    bool LeftClick() const { return m_left_click; }
    bool WheelUpOnce() const { return m_wheel_up_once; }
    bool WheelDownOnce() const { return m_wheel_down_once; }

    // ---- Latches waiting for the next CheckKey ----
    bool LeftDownLatch() const { return m_left_down_latch; }
    bool RightDownLatch() const { return m_right_down_latch; }
    bool WheelUpLatch() const { return m_wheel_up_latch; }
    bool WheelDownLatch() const { return m_wheel_down_latch; }

private:
    void ReleaseKeys();
    // Held now and not spent.
    bool Counts(Key key) const;

    Platform& m_platform;
    bool m_key_return = false, m_key_space = false, m_key_up = false, m_key_down = false;
    bool m_key_page_up = false, m_key_page_down = false, m_key_control = false, m_key_shift = false;
    bool m_key_left = false, m_key_right = false, m_key_escape = false;
    bool m_left_click = false, m_wheel_up_once = false, m_wheel_down_once = false;
    bool m_left_down_latch = false, m_right_down_latch = false, m_wheel_up_latch = false, m_wheel_down_latch = false;
    std::int32_t m_input_lock = 0;
    Point m_cursor_screen, m_cursor_main, m_cursor_float;
    std::bitset<kKeyCount> m_spent_keys; // keys whose press has done its work
};

} // namespace hk
