// The mouse cursor's screen position for the frame tick, which wants it on every tick (several
// hundred times a second). Asking the X server each time costs a round trip and wakes Qt's event
// reader thread, so the position is kept from the mouse events instead: while the pointer is over
// one of the watched windows (the main and floating windows, which track the mouse) every movement
// arrives as an event. Once it has left them, or a menu, dialog or another window has come and
// gone, the events no longer tell where it is; then the system is asked again, at most once every
// kOutsidePollMs.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

class QWidget;

namespace hk {

class CursorTracker final : public QObject {
public:
    static constexpr qint64 kOutsidePollMs = 50;

    // query_system: the cursor's position from the system (a round trip); clock_ms: a monotonic
    // clock in milliseconds. Both default to Qt's.
    explicit CursorTracker(std::function<QPoint()> query_system = {}, std::function<qint64()> clock_ms = {});

    // The windows whose enter, leave and move events keep the position (they need mouse tracking).
    void Watch(std::initializer_list<const QWidget*> windows) { m_watched.assign(windows); }

    // The cursor's position in screen coordinates, as of the last event or system query.
    QPoint Pos();
    // The game moved the cursor itself.
    void Moved(QPoint global);
    // True while the events alone keep the position (the pointer is over a watched window).
    bool FollowsEvents() const { return m_follows_events; }
    int SystemQueries() const { return m_queries; }
    // Changes whenever a watched window may have moved, been resized or changed state, so that a
    // conversion between screen and window coordinates worked out before can be reused until then.
    std::uint64_t PlacementGeneration() const { return m_placement_generation; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsWatched(const QObject* object) const;
    void Lose() { m_follows_events = false; }

    std::function<QPoint()> m_query_system;
    std::function<qint64()> m_clock_ms;
    QElapsedTimer m_started;
    std::vector<const QWidget*> m_watched;
    QPoint m_pos;
    bool m_follows_events = false;
    bool m_have_pos = false;
    qint64 m_known_at_ms = 0; // when m_pos was last known to be current
    int m_queries = 0;
    std::uint64_t m_placement_generation = 0;
};

} // namespace hk
