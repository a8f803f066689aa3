// The window build's main loop, one pass at a time: a frame tick whenever the frame timer is due,
// the repaint of what that tick presented at once, and then the engine's word on how long nothing
// can change without input, which the platform sleeps through in the next tick's event
// processing. While the frame timer is off (a failed start-up or tick) the loop only waits for and
// handles window events.
#pragma once

#include <cstdint>

namespace hk {

class Engine;
class QtPlatform;
class FrameLog;

class GameLoop {
public:
    // frame_log may be null (the usual case).
    GameLoop(Engine& engine, QtPlatform& platform, FrameLog* frame_log = nullptr);

    // One pass: a tick when one is due, otherwise a nap of at most 1 ms until it is; or, with
    // the frame timer off, a wait for the next event.
    void RunOnce();
    std::uint64_t Ticks() const { return m_ticks; }

private:
    Engine& m_engine;
    QtPlatform& m_platform;
    FrameLog* m_frame_log;
    std::uint64_t m_ticks = 0;
};

} // namespace hk
