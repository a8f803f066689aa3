#include "platform/qt/game_loop.h"

#include "engine/engine.h"
#include "platform/qt/frame_log.h"
#include "platform/qt/qt_platform.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

namespace hk {

namespace {
// Longest nap between polls of a frame timer that is not yet due; the timer's interval is 1 ms,
// so this never delays a tick.
constexpr unsigned long kMaxNapUs = 1000;
} // namespace

GameLoop::GameLoop(Engine& engine, QtPlatform& platform, FrameLog* frame_log)
    : m_engine(engine), m_platform(platform), m_frame_log(frame_log) {}

void GameLoop::RunOnce() {
    if (!m_engine.FrameTimerEnabled()) {
        m_platform.SleepInNextPump(IdleDeadline{});
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return;
    }
    if (m_engine.PollFrameTimer()) {
        ++m_ticks;
        if (m_frame_log)
            m_frame_log->CountTick();
        m_platform.PaintPresented();
        m_platform.SleepInNextPump(m_engine.NextDeadline());
        return;
    }
    if (!m_engine.FrameTimerEnabled())
        return;
    const std::uint32_t wait_ms = m_engine.MsUntilFrameTimer(m_platform.TickCount());
    if (wait_ms > 0)
        QThread::usleep(std::min<unsigned long>(kMaxNapUs, wait_ms * 1000ul));
}

} // namespace hk
