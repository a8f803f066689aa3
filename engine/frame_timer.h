// FrameTimer: the frame timer. While enabled it fires at most once per Interval milliseconds when
// polled from the application's idle processing; the owner calls Poll as often as it likes.
#pragma once

#include <cstdint>

namespace hk {

class FrameTimer {
public:
    std::uint32_t Interval = 1;

    bool Enabled() const { return m_enabled; }
    // Enabling restarts the interval from `now`.
    void SetEnabled(bool enabled, std::uint32_t now) {
        if (enabled && !m_enabled)
            m_last_fire = now;
        m_enabled = enabled;
    }
    // True when the timer should fire now; records the firing.
    bool Poll(std::uint32_t now) {
        if (!m_enabled || now - m_last_fire < Interval)
            return false;
        m_last_fire = now;
        return true;
    }
    // Milliseconds until the next firing is due (0 = now); meaningful only while enabled.
    std::uint32_t MsUntilDue(std::uint32_t now) const {
        const std::uint32_t elapsed = now - m_last_fire;
        return elapsed >= Interval ? 0 : Interval - elapsed;
    }

private:
    bool m_enabled = false;
    std::uint32_t m_last_fire = 0;
};

} // namespace hk
