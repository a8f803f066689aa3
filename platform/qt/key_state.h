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
#include <functional>
#include <optional>

namespace hk {

// The game key a Qt key code stands for (both Return keys count as Return).
std::optional<Key> KeyFromQt(int qt_key);

class KeyState final : public QObject {
    Q_OBJECT
public:
    explicit KeyState(QObject* parent = nullptr);

    bool IsDown(Key key) const { return m_down[static_cast<std::size_t>(key)]; }
    void ReleaseAll() { m_down.fill(false); }

    // Called on Alt+Return (not on its auto-repeat) when `accepts_shortcut` says the active window
    // takes it.
    std::function<void()> on_toggle_full_screen;
    std::function<bool()> accepts_shortcut;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<bool, kKeyCount> m_down{};
};

} // namespace hk
