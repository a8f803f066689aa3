#include "platform/headless/headless_session.h"

namespace hk {

HeadlessSession::HeadlessSession(std::filesystem::path game_dir)
    : HeadlessSession(game_dir, std::make_unique<GameFiles>(game_dir)) {}

HeadlessSession::HeadlessSession(std::filesystem::path, std::unique_ptr<GameFiles> files)
    : m_files(std::move(files)), m_engine(std::make_unique<Engine>(m_platform, *m_files)) {}

HeadlessSession::~HeadlessSession() {
    if (m_engine)
        m_engine->FormDestroy();
}

bool HeadlessSession::Start() {
    return m_engine->FormCreate();
}

void HeadlessSession::Step() {
    if (m_engine->Closed())
        return;
    if (m_engine->PollFrameTimer())
        return;
    m_platform.AdvanceClock(1);
    m_platform.ProcessMessages();
}

void HeadlessSession::Tick() {
    if (m_engine->Closed())
        return;
    if (!m_engine->FrameTimerEnabled()) {
        Step();
        return;
    }
    // The timer restarts its interval when a tick re-enables it: at most Interval idle
    // milliseconds pass before the next tick is due.
    while (!m_engine->Closed() && m_engine->FrameTimerEnabled() && !m_engine->PollFrameTimer()) {
        m_platform.AdvanceClock(1);
        m_platform.ProcessMessages();
    }
}

void HeadlessSession::Ticks(int count) {
    for (int i = 0; i < count && !Closed(); ++i)
        Tick();
}

void HeadlessSession::RunMs(std::uint32_t ms) {
    const std::uint32_t start = m_platform.TickCount();
    while (!Closed() && m_platform.TickCount() - start < ms)
        Step();
}

bool HeadlessSession::UntilTask(TaskCode code, std::uint32_t max_ms) {
    const std::uint32_t start = m_platform.TickCount();
    while (m_engine->State().Task != code) {
        if (Closed() || m_platform.TickCount() - start >= max_ms)
            return false;
        Step();
    }
    return true;
}

} // namespace hk
