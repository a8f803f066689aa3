// GamepadMap: what a gamepad's buttons and sticks mean to the game. The platform reports each pad's
// buttons and axes in the game-controller vocabulary (the layout of an Xbox pad, which SDL gives
// every controller it knows); the map turns them into the game's keys, held while any pad holds
// them, and into the two actions no key stands for. It knows nothing of windows or of SDL: the
// window build feeds it from SDL's controller events, the headless runner from its `pad` verbs.
//
//   D-pad, left stick  Up / Down / Left / Right      A  Return          B  Escape
//   Y                  Space (message window)        X  automatic advance (an action)
//   Start, Back        the game menu (an action)     left / right shoulder  PageUp / PageDown
//   either trigger     Control (skip) while pressed past half way
#pragma once

#include "engine/host.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string_view>

namespace hk {

// In the order of SDL's game-controller buttons and axes, so that the platform converts by number.
enum class PadButton : std::uint8_t {
    A,
    B,
    X,
    Y,
    Back,
    Guide,
    Start,
    LeftStick,
    RightStick,
    LeftShoulder,
    RightShoulder,
    DPadUp,
    DPadDown,
    DPadLeft,
    DPadRight,
};
inline constexpr std::size_t kPadButtonCount = 15;

enum class PadAxis : std::uint8_t { LeftX, LeftY, RightX, RightY, TriggerLeft, TriggerRight };
inline constexpr std::size_t kPadAxisCount = 6;

// What a pad asks of the platform besides keys: open the game menu (as a right click on the main
// window does), and start the automatic advance (the game menu's command).
enum class PadAction : std::uint8_t { GameMenu, AutoAdvance };

// Names as the runner's verbs and the virtual pad take them ("A", "DPadUp", "LeftX",
// "TriggerRight"); case matters.
std::optional<PadButton> PadButtonNamed(std::string_view name);
std::optional<PadAxis> PadAxisNamed(std::string_view name);
// The button or axis with SDL's number, or nothing for one the map does not know (paddles, ...).
std::optional<PadButton> PadButtonFromIndex(int index);
std::optional<PadAxis> PadAxisFromIndex(int index);

class GamepadMap {
public:
    // A pad as the platform tells them apart (SDL's instance id).
    using PadId = std::int32_t;

    // A stick direction counts from kStickPress outward and is let go only below kStickRelease,
    // so a stick resting near the edge of the dead zone does not flicker. Triggers (0..32767)
    // likewise.
    static constexpr int kStickPress = 16000;
    static constexpr int kStickRelease = 10000;
    static constexpr int kTriggerPress = 16384;
    static constexpr int kTriggerRelease = 8192;

    // Called when a key goes down or up for the game as a whole (not when a second pad presses a
    // key that one already holds), and when an action's button goes down on a pad while no other
    // pad holds it down.
    std::function<void(Key key, bool down)> on_key;
    std::function<void(PadAction action)> on_action;

    void Button(PadId pad, PadButton button, bool down);
    // value -32768..32767 (triggers 0..32767); values beyond are taken as the nearest end.
    void Axis(PadId pad, PadAxis axis, int value);
    // The pad is gone (unplugged, or closed): whatever it held is let go.
    void Remove(PadId pad);
    void RemoveAll();

    bool IsDown(Key key) const { return m_keys[static_cast<std::size_t>(key)]; }
    std::size_t PadCount() const { return m_pads.size(); }

private:
    struct Pad {
        std::bitset<kPadButtonCount> buttons;
        int stick_x = 0, stick_y = 0; // -1, 0 or +1: the direction the left stick holds
        bool trigger_left = false, trigger_right = false;
    };
    static void HeldBy(const Pad& pad, std::bitset<kKeyCount>& keys, std::array<bool, 2>& actions);
    // Works out what all pads hold together and reports what changed.
    void Update();

    std::map<PadId, Pad> m_pads;
    std::bitset<kKeyCount> m_keys;
    std::array<bool, 2> m_actions{};
};

} // namespace hk
