// A damaged scene that loops without ever waiting must give the tick back, also when its loop
// loads pictures or sounds (milliseconds each) rather than adding numbers.
#include "support/engine_fixture.h"
#include "support/ogg_fixtures.h"
#include "support/scene_assembler.h"

#include "fuzz_game.h"

namespace hk::test {
namespace {

namespace fs = std::filesystem;

class ScriptBudget : public GameFixture {
protected:
    void Play(const std::string& scene) {
        ArchiveBuilder grp;
        grp.Add(100, 12, fuzz::SolidPng(8, 8, 0x000000FF));
        WriteArchives(ScenarioArchive({{1, scene}}), grp);
        Start();
        Tick();
        Tick();
    }
    std::int16_t S(int n) { return State().Game.ScenarioVars[n - 1]; }
};

TEST_F(ScriptBudget, LoopsOverPictureLoadsGiveTheTickBackAfterAHundred) {
    // The condition is false and has no end marker ahead: back to instruction 0, in the same
    // tick, for ever. Each round costs 1 + 10,000 + 1 of the million.
    Play("    add s1, s1, 1\n    bg 100\n    if_eq 5, 0, 1\n    end\n");
    EXPECT_EQ(S(1), 100) << "one tick loaded the picture " << S(1) << " times";
    EXPECT_TRUE(TheEngine().FrameTimerEnabled()) << "the window stays responsive";
    Tick();
    EXPECT_EQ(S(1), 200) << "the next tick goes on from where the last stopped";
    EXPECT_TRUE(Platform().TakeErrors().empty());
}

TEST_F(ScriptBudget, SoundCuesCountAsHeavyToo) {
    fs::create_directories(m_dir.Path() / "Sound");
    ToneSpec tone;
    tone.seconds = 0.2;
    WriteBytes(m_dir.Path() / "Sound/S01.ogg", OggTone(tone));
    Play("    add s1, s1, 1\n    se 1, 1, 0\n    if_eq 5, 0, 1\n    end\n");
    EXPECT_EQ(S(1), 100);
    EXPECT_TRUE(TheEngine().FrameTimerEnabled());
}

} // namespace
} // namespace hk::test
