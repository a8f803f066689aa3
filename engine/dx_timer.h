// TDXTimer: the frame timer. While enabled it fires at most once per Interval milliseconds when
// polled from the application's idle processing; the owner calls Poll as often as it likes.
#pragma once

#include <cstdint>

namespace hk {

class TDXTimer {
public:
    std::uint32_t Interval = 1;

    bool Enabled() const { return m_enabled; }
    // Enabling restarts the interval from `now`.
    void SetEnabled(bool enabled, std::uint32_t now) {
        if (enabled && !m_enabled)
            m_last_fire = now;
        m_enabled = enabled;
    }
    // True when the timer should fire now; records the firing and updates the rate statistic.
    bool Poll(std::uint32_t now) {
        if (!m_enabled || now - m_last_fire < Interval)
            return false;
        m_last_fire = now;
        ++m_fires_since_stat;
        if (now - m_stat_start >= 1000) {
            m_frame_rate = static_cast<std::uint32_t>(std::uint64_t{m_fires_since_stat} * 1000 / (now - m_stat_start));
            m_stat_start = now;
            m_fires_since_stat = 0;
        }
        return true;
    }
    // Firings per second, recomputed about once a second.
    std::uint32_t FrameRate() const { return m_frame_rate; }
    // Milliseconds until the next firing is due (0 = now); meaningful only while enabled.
    std::uint32_t MsUntilDue(std::uint32_t now) const {
        const std::uint32_t elapsed = now - m_last_fire;
        return elapsed >= Interval ? 0 : Interval - elapsed;
    }

private:
    bool m_enabled = false;
    std::uint32_t m_last_fire = 0;
    std::uint32_t m_stat_start = 0;
    std::uint32_t m_fires_since_stat = 0;
    std::uint32_t m_frame_rate = 0;
};

} // namespace hk
