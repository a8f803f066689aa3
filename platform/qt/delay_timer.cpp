#include "platform/qt/delay_timer.h"

#include <QEvent>

#include <algorithm>

namespace hk {

DelayTimer::DelayTimer(std::function<void(std::uint32_t)> fire, std::function<qint64()> clock_ms)
    : m_fire(std::move(fire)), m_clock_ms(std::move(clock_ms)) {
    if (!m_clock_ms) {
        m_started.start();
        m_clock_ms = [this] { return m_started.elapsed(); };
    }
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        FireDue();
        ArmForNext();
    });
}

void DelayTimer::SetEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (!enabled) {
        m_timer.stop();
        return;
    }
    m_next_ms = m_clock_ms() + kIntervalMs;
    ArmForNext();
}

void DelayTimer::Hold() {
    m_held = true;
    m_timer.stop();
}

void DelayTimer::Release() {
    if (!m_held)
        return;
    m_held = false;
    FireDue();
    ArmForNext();
}

qint64 DelayTimer::MsUntilFiring(std::uint32_t n) const {
    const qint64 at = m_next_ms + kIntervalMs * (static_cast<qint64>(std::max<std::uint32_t>(n, 1)) - 1);
    return std::max<qint64>(0, at - m_clock_ms());
}

void DelayTimer::FireDue() {
    if (!m_enabled)
        return;
    const qint64 now = m_clock_ms();
    if (now < m_next_ms)
        return;
    const qint64 due = (now - m_next_ms) / kIntervalMs + 1;
    m_next_ms += due * kIntervalMs;
    m_fired += static_cast<std::uint64_t>(due);
    // A sleep longer than 497 days is made up in several pieces.
    for (qint64 left = due; left > 0;) {
        const auto piece = static_cast<std::uint32_t>(std::min<qint64>(left, 0xFFFFFFFF));
        left -= piece;
        m_fire(piece);
    }
}

void DelayTimer::ArmForNext() {
    if (!m_enabled || m_held)
        return;
    m_timer.start(static_cast<int>(std::max<qint64>(0, m_next_ms - m_clock_ms())));
}

bool DelayTimer::eventFilter(QObject* watched, QEvent* event) {
    // The first event after a sleep: the firings of the sleep come before it is handled. Painting
    // what is already decided changes nothing the game reads, so it does not count.
    if (m_held && !IsRepaint(event->type()) && !(event->type() == QEvent::Timer && watched == m_ignored_timer))
        Release();
    return QObject::eventFilter(watched, event);
}

bool DelayTimer::IsRepaint(QEvent::Type type) {
    return type == QEvent::Paint || type == QEvent::UpdateRequest || type == QEvent::UpdateLater;
}

} // namespace hk
