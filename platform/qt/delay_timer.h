// The main form's 10 ms timer in the window build. It fires on a grid of 10 ms from the moment it
// was started, on the GUI thread, in whatever event loop runs (also a dialog's or a menu's). While
// the game loop sleeps it is held: nothing wakes the process for it, and the firings that fell in
// the sleep are made up at once when the sleep ends, before any event of the wake-up is handled,
// so the engine counts the same time as if it had fired throughout. Firings the process was too
// busy to deliver on time are delivered late, never dropped.
#pragma once

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace hk {

class DelayTimer final : public QObject {
public:
    static constexpr qint64 kIntervalMs = 10;

    // fire(n): n firings are due now (n >= 1). clock_ms: milliseconds of a steady clock (tests
    // pass their own).
    explicit DelayTimer(std::function<void(std::uint32_t firings)> fire, std::function<qint64()> clock_ms = {});

    void SetEnabled(bool enabled);
    bool Enabled() const { return m_enabled; }

    // Holds the timer until Release, or until the first event the application delivers other than
    // a repaint (install this object as an event filter of the application for that).
    void Hold();
    // Delivers the firings due by now and runs on. Nothing happens when it was not held.
    void Release();
    bool Held() const { return m_held; }
    // The timer events of `timer` do not count as an event that ends a hold: a timer that only
    // looks for input (the gamepads) ends it itself when it finds some.
    void IgnoreTimerEventsOf(const QObject* timer) { m_ignored_timer = timer; }

    // Milliseconds from now until the n-th firing from now (n >= 1); 0 when it is due already.
    qint64 MsUntilFiring(std::uint32_t n) const;
    // Firings delivered so far.
    std::uint64_t Fired() const { return m_fired; }
    // Events that only repaint a window.
    static bool IsRepaint(QEvent::Type type);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FireDue();
    void ArmForNext();

    std::function<void(std::uint32_t)> m_fire;
    std::function<qint64()> m_clock_ms;
    QElapsedTimer m_started;
    QTimer m_timer; // single shot, for the next point of the grid
    bool m_enabled = false;
    bool m_held = false;
    const QObject* m_ignored_timer = nullptr;
    qint64 m_next_ms = 0; // the next point of the grid
    std::uint64_t m_fired = 0;
};

} // namespace hk
