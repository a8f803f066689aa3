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

HeadlessSession& GameFixture::Start() {
    HeadlessSession& session = Session();
    const bool started = session.Start();
    const auto errors = session.Platform().TakeErrors();
    EXPECT_TRUE(started) << (errors.empty() ? std::string("start-up failed") : errors.front());
    return session;
}

} // namespace hk::test
