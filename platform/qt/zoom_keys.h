// The window's zoom keys, an application-wide event filter: Ctrl+Plus (or Ctrl+=), Ctrl+Minus and
// Ctrl+0, also on the keypad. The zoom key itself is consumed, so the game never sees it.
//
// Control held is the game's message skip, and every zoom key needs Control held too. So that
// zooming never skips story text, a Control press reaches the game only once it has been held
// kControlHoldBackMs without a zoom key: holding Control skips as before, starting that much
// later. A shorter tap reaches the game when it ends, as one press seen by the game's next key
// sampling only, so a tap advances one message however long it was held. Control held for a zoom
// key never reaches the game, until it is released.
#pragma once

#include "platform/qt/main_window_view.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <optional>

namespace hk {

// The zoom step a key press stands for, if any (Control must be among its modifiers, Alt not).
std::optional<ZoomStep> ZoomStepFromKey(int qt_key, Qt::KeyboardModifiers modifiers);

class ZoomKeys final : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kControlHoldBackMs = 250;

    // clock_ms: a monotonic clock in milliseconds (Qt's by default).
    explicit ZoomKeys(std::function<qint64()> clock_ms = {});

    // Called on a zoom key's press (not on its auto-repeat) when `accepts_shortcut` says the
    // active window takes it.
    std::function<void(ZoomStep)> on_zoom;
    std::function<bool()> accepts_shortcut;

    // Whether the game is to see Control now, given whether Control is `held` at this moment.
    bool ControlForGame(bool held) const;
    // The game has read its keys for a tick: a tap it was shown is over.
    void KeysSampled() { m_tap_pending = false; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Forget();

    std::function<qint64()> m_clock_ms;
    QElapsedTimer m_started;
    bool m_control_seen = false;  // the press of the Control now held went through here
    bool m_control_spent = false; // ... and served a zoom key
    qint64 m_control_down_at = 0;
    bool m_tap_pending = false; // a short tap waits for the game's next key sampling
    int m_consumed_key = 0;     // the zoom key whose release is consumed too
};

} // namespace hk
