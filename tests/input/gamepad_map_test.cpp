// GamepadMap on its own: the keys and actions it reports as pads press, tilt, merge and go away.
#include "engine/input/gamepad_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hk::test {
namespace {

class GamepadMapTest : public ::testing::Test {
protected:
    GamepadMapTest() {
        m_map.on_key = [this](Key key, bool down) {
            m_events.push_back(std::string(down ? "+" : "-") + std::to_string(static_cast<int>(key)));
        };
        m_map.on_action = [this](PadAction action) {
            m_events.push_back(action == PadAction::GameMenu ? "menu" : "auto");
        };
    }
    static std::string Down(Key key) { return "+" + std::to_string(static_cast<int>(key)); }
    static std::string Up(Key key) { return "-" + std::to_string(static_cast<int>(key)); }
    std::vector<std::string> Take() { return std::exchange(m_events, {}); }

    GamepadMap m_map;
    std::vector<std::string> m_events;
};

TEST_F(GamepadMapTest, ButtonsStandForTheGamesKeysAndActions) {
    const struct {
        PadButton button;
        Key key;
    } keys[] = {
        {PadButton::A, Key::Return},
        {PadButton::B, Key::Escape},
        {PadButton::Y, Key::Space},
        {PadButton::LeftShoulder, Key::PageUp},
        {PadButton::RightShoulder, Key::PageDown},
        {PadButton::DPadUp, Key::Up},
        {PadButton::DPadDown, Key::Down},
        {PadButton::DPadLeft, Key::Left},
        {PadButton::DPadRight, Key::Right},
    };
    for (const auto& [button, key] : keys) {
        m_map.Button(0, button, true);
        EXPECT_TRUE(m_map.IsDown(key));
        m_map.Button(0, button, false);
        EXPECT_FALSE(m_map.IsDown(key));
        EXPECT_EQ(Take(), (std::vector<std::string>{Down(key), Up(key)})) << static_cast<int>(button);
    }
    // Start and Back open the game menu, X starts the automatic advance: once per press, on the
    // way down; the release and a button that means nothing report nothing.
    m_map.Button(0, PadButton::Start, true);
    m_map.Button(0, PadButton::Start, false);
    m_map.Button(0, PadButton::Back, true);
    m_map.Button(0, PadButton::Back, false);
    m_map.Button(0, PadButton::X, true);
    m_map.Button(0, PadButton::X, true);
    m_map.Button(0, PadButton::X, false);
    m_map.Button(0, PadButton::Guide, true);
    m_map.Button(0, PadButton::RightStick, true);
    EXPECT_EQ(Take(), (std::vector<std::string>{"menu", "menu", "auto"}));
}

TEST_F(GamepadMapTest, TheStickHasADeadZoneAndHoldsItsDirectionUntilWellBack) {
    // Resting off-centre, and tilting short of the press point, holds nothing.
    m_map.Axis(0, PadAxis::LeftY, GamepadMap::kStickRelease + 500);
    m_map.Axis(0, PadAxis::LeftY, GamepadMap::kStickPress - 1);
    EXPECT_TRUE(Take().empty());
    m_map.Axis(0, PadAxis::LeftY, GamepadMap::kStickPress);
    EXPECT_EQ(Take(), std::vector<std::string>{Down(Key::Down)});
    // Easing back between the two points keeps it held: no flicker at the edge.
    m_map.Axis(0, PadAxis::LeftY, GamepadMap::kStickPress - 1);
    m_map.Axis(0, PadAxis::LeftY, GamepadMap::kStickRelease);
    m_map.Axis(0, PadAxis::LeftY, GamepadMap::kStickPress + 3000);
    EXPECT_TRUE(Take().empty());
    m_map.Axis(0, PadAxis::LeftY, GamepadMap::kStickRelease - 1);
    EXPECT_EQ(Take(), std::vector<std::string>{Up(Key::Down)});
    // A flick straight across lets one direction go as the other comes; up is negative.
    m_map.Axis(0, PadAxis::LeftY, 32767);
    m_map.Axis(0, PadAxis::LeftY, -32768);
    EXPECT_EQ(Take(), (std::vector<std::string>{Down(Key::Down), Down(Key::Up), Up(Key::Down)}));
    EXPECT_TRUE(m_map.IsDown(Key::Up));
    // Left and right on the other axis, independent of up; values beyond the range are its ends.
    m_map.Axis(0, PadAxis::LeftX, -100000);
    EXPECT_TRUE(m_map.IsDown(Key::Left));
    m_map.Axis(0, PadAxis::LeftX, 100000);
    EXPECT_TRUE(m_map.IsDown(Key::Right));
    EXPECT_FALSE(m_map.IsDown(Key::Left));
    EXPECT_TRUE(m_map.IsDown(Key::Up));
    Take();
    // The right stick means nothing.
    m_map.Axis(0, PadAxis::RightX, 32767);
    m_map.Axis(0, PadAxis::RightY, -32768);
    EXPECT_TRUE(Take().empty());
}

TEST_F(GamepadMapTest, ATriggerSkipsOnlyPastHalfWayAndEitherHoldsControl) {
    m_map.Axis(0, PadAxis::TriggerRight, GamepadMap::kTriggerPress - 1);
    EXPECT_FALSE(m_map.IsDown(Key::Control));
    m_map.Axis(0, PadAxis::TriggerRight, GamepadMap::kTriggerPress);
    m_map.Axis(0, PadAxis::TriggerLeft, 32767);
    m_map.Axis(0, PadAxis::TriggerRight, 0);
    EXPECT_TRUE(m_map.IsDown(Key::Control)) << "the left trigger still holds it";
    m_map.Axis(0, PadAxis::TriggerLeft, GamepadMap::kTriggerRelease);
    EXPECT_TRUE(m_map.IsDown(Key::Control)) << "eased back, not let go";
    m_map.Axis(0, PadAxis::TriggerLeft, GamepadMap::kTriggerRelease - 1);
    EXPECT_EQ(Take(), (std::vector<std::string>{Down(Key::Control), Up(Key::Control)}));
}

TEST_F(GamepadMapTest, SeveralPadsHoldAKeyUntilTheLastLetsGo) {
    // The D-pad and the stick of one pad, and a second pad, all holding Up; each let go in turn,
    // whichever pad that is.
    m_map.Button(1, PadButton::DPadUp, true);
    m_map.Axis(1, PadAxis::LeftY, -32768);
    m_map.Button(2, PadButton::DPadUp, true);
    EXPECT_EQ(Take(), std::vector<std::string>{Down(Key::Up)});
    m_map.Button(2, PadButton::DPadUp, false);
    EXPECT_TRUE(m_map.IsDown(Key::Up)) << "pad 1 still holds it";
    m_map.Button(1, PadButton::DPadUp, false);
    EXPECT_TRUE(m_map.IsDown(Key::Up)) << "pad 1's stick still holds it";
    m_map.Button(2, PadButton::DPadUp, true);
    m_map.Axis(1, PadAxis::LeftY, 0);
    EXPECT_TRUE(m_map.IsDown(Key::Up)) << "pad 2 holds it again";
    EXPECT_TRUE(Take().empty());
    m_map.Button(2, PadButton::DPadUp, false);
    EXPECT_EQ(Take(), std::vector<std::string>{Up(Key::Up)});

    // A menu button held on one pad: the other's press opens no second menu until both let go.
    m_map.Button(1, PadButton::Start, true);
    m_map.Button(2, PadButton::Back, true);
    m_map.Button(1, PadButton::Start, false);
    m_map.Button(2, PadButton::Back, false);
    m_map.Button(2, PadButton::Start, true);
    EXPECT_EQ(Take(), (std::vector<std::string>{"menu", "menu"}));
}

TEST_F(GamepadMapTest, APadThatGoesAwayLetsGoOfEverythingItHeld) {
    m_map.Button(7, PadButton::A, true);
    m_map.Axis(7, PadAxis::LeftX, 32767);
    m_map.Axis(7, PadAxis::TriggerLeft, 32767);
    m_map.Button(8, PadButton::A, true);
    Take();
    m_map.Remove(7);
    EXPECT_TRUE(m_map.IsDown(Key::Return)) << "pad 8 still holds A";
    EXPECT_FALSE(m_map.IsDown(Key::Right));
    EXPECT_FALSE(m_map.IsDown(Key::Control));
    EXPECT_EQ(Take(), (std::vector<std::string>{Up(Key::Control), Up(Key::Right)}));
    EXPECT_EQ(m_map.PadCount(), 1u);
    // The same pad plugged in again starts from nothing held: its stick must come back past the
    // press point before it counts.
    m_map.Axis(7, PadAxis::LeftX, GamepadMap::kStickRelease + 1);
    EXPECT_FALSE(m_map.IsDown(Key::Right));
    m_map.RemoveAll();
    EXPECT_FALSE(m_map.IsDown(Key::Return));
    EXPECT_EQ(Take(), std::vector<std::string>{Up(Key::Return)});
    // Removing a pad that is not there changes nothing.
    m_map.Remove(42);
    EXPECT_TRUE(Take().empty());
}

TEST(GamepadNames, NamesAndSdlNumbersFindTheirButtonsAndAxes) {
    EXPECT_EQ(PadButtonNamed("A"), PadButton::A);
    EXPECT_EQ(PadButtonNamed("DPadRight"), PadButton::DPadRight);
    EXPECT_EQ(PadButtonNamed("RightShoulder"), PadButton::RightShoulder);
    EXPECT_EQ(PadButtonNamed("a"), std::nullopt);
    EXPECT_EQ(PadButtonNamed(""), std::nullopt);
    EXPECT_EQ(PadAxisNamed("TriggerLeft"), PadAxis::TriggerLeft);
    EXPECT_EQ(PadAxisNamed("LeftY"), PadAxis::LeftY);
    EXPECT_EQ(PadAxisNamed("A"), std::nullopt);
    // SDL numbers its buttons A=0 .. DPadRight=14 and its axes LeftX=0 .. TriggerRight=5; later
    // ones (paddles, touchpad) are not the map's.
    EXPECT_EQ(PadButtonFromIndex(0), PadButton::A);
    EXPECT_EQ(PadButtonFromIndex(6), PadButton::Start);
    EXPECT_EQ(PadButtonFromIndex(14), PadButton::DPadRight);
    EXPECT_EQ(PadButtonFromIndex(15), std::nullopt);
    EXPECT_EQ(PadButtonFromIndex(-1), std::nullopt);
    EXPECT_EQ(PadAxisFromIndex(5), PadAxis::TriggerRight);
    EXPECT_EQ(PadAxisFromIndex(6), std::nullopt);
}

} // namespace
} // namespace hk::test
