// Which of the game's keys are held at this moment, tracked from the key events of the whole
// application (an event filter). Auto-repeat does not change the state.
// A key counts as held only while the game's windows have had the keyboard since it went down:
// whenever the keyboard moves (a window of the game is activated or deactivated, a modal dialog
// or a pop-up menu opens or closes, the application loses the focus) every key counts as
// released until it is pressed again. The release of a key held across such a move may go to
// another window, or be lost with a window that closed, and a key still down when a dialog closes
// was meant for the dialog, not for the game.
#pragma once

#include "engine/host.h"

#include <QObject>

#include <array>
#include <bitset>
#include <functional>
#include <optional>

namespace hk {

// The game key a Qt key code stands for (both Return keys count as Return).
std::optional<Key> KeyFromQt(int qt_key);
// The Qt key code of a game key.
int QtKeyOf(Key key);

class KeyState final : public QObject {
    Q_OBJECT
public:
    explicit KeyState(QObject* parent = nullptr);

    // Held on the keyboard or on a gamepad.
    bool IsDown(Key key) const {
        const auto k = static_cast<std::size_t>(key);
        return m_down[k] || m_pad_down[k] || m_pad_tapped[k];
    }
    void ReleaseAll() {
        m_down.fill(false);
        m_pad_down.reset();
        m_pad_fresh.reset();
        m_pad_tapped.reset();
    }
    // A gamepad's key, as the gamepads together hold it. It is let go with the keyboard's keys
    // whenever the keyboard moves, and then counts again only from its next press. A press let go
    // before the game has read the keys (the pads are read some 25 ms apart, so a quick tap comes
    // as a press and a release at once) still counts as down until the next PadKeysSampled.
    void SetPadDown(Key key, bool down);
    // The game has read the keys.
    void PadKeysSampled() {
        m_pad_fresh.reset();
        m_pad_tapped.reset();
    }

    // Called on Alt+Return (not on its auto-repeat) when `accepts_shortcut` says the active window
    // takes it.
    std::function<void()> on_toggle_full_screen;
    std::function<bool()> accepts_shortcut;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<bool, kKeyCount> m_down{};
    std::bitset<kKeyCount> m_pad_down, m_pad_fresh, m_pad_tapped; // fresh: pressed since read
};

} // namespace hk
