#include "support/engine_fixture.h"

namespace hk::test {

ArchiveBuilder GameFixture::IdleScenario() {
    return ScenarioArchive({{1, "top:\n    wait 0\n    jump top\n"}});
}

void GameFixture::WriteArchives(const ArchiveBuilder& scr, const ArchiveBuilder& grp) {
    scr.WriteTo(m_dir / "SCR.IFP");
    grp.WriteTo(m_dir / "GRP.IFP");
}

HeadlessSession& GameFixture::Session() {
    if (!m_session)
        m_session = std::make_unique<HeadlessSession>(m_dir.Path());
    return *m_session;
}

void GameFixture::StartParked(const ArchiveBuilder& grp) {
    WriteArchives(IdleScenario(), grp);
    Start();
    Session().Ticks(3);
    TheEngine().SetTask(kParkedTask);
}

void GameFixture::Tick() {
    if (!TheEngine().FrameTimerEnabled())
        return;
    const auto before = Platform().TickCount();
    while (!TheEngine().PollFrameTimer()) {
        Platform().AdvanceClock(1);
        ASSERT_LT(Platform().TickCount() - before, 100u) << "the frame timer never fired";
    }
}

HeadlessSession& GameFixture::Start() {
    HeadlessSession& session = Session();
    const bool started = session.Start();
    const auto errors = session.Platform().TakeErrors();
    EXPECT_TRUE(started) << (errors.empty() ? std::string("start-up failed") : errors.front());
    return session;
}

} // namespace hk::test
