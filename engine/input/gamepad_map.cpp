#include "engine/input/gamepad_map.h"

#include <algorithm>

namespace hk {

namespace {

constexpr std::array<std::string_view, kPadButtonCount> kButtonNames = {
    "A",
    "B",
    "X",
    "Y",
    "Back",
    "Guide",
    "Start",
    "LeftStick",
    "RightStick",
    "LeftShoulder",
    "RightShoulder",
    "DPadUp",
    "DPadDown",
    "DPadLeft",
    "DPadRight",
};
constexpr std::array<std::string_view, kPadAxisCount> kAxisNames = {
    "LeftX", "LeftY", "RightX", "RightY", "TriggerLeft", "TriggerRight",
};

// The direction a stick axis holds after `value`, from the one it held: away from the middle
// past the press point, back to the middle only below the release point.
int StickDirection(int held, int value) {
    if (value >= GamepadMap::kStickPress)
        return 1;
    if (value <= -GamepadMap::kStickPress)
        return -1;
    if (held > 0 && value >= GamepadMap::kStickRelease)
        return 1;
    if (held < 0 && value <= -GamepadMap::kStickRelease)
        return -1;
    return 0;
}

bool TriggerHeld(bool held, int value) {
    return value >= (held ? GamepadMap::kTriggerRelease : GamepadMap::kTriggerPress);
}

} // namespace

std::optional<PadButton> PadButtonNamed(std::string_view name) {
    const auto it = std::find(kButtonNames.begin(), kButtonNames.end(), name);
    if (it == kButtonNames.end())
        return std::nullopt;
    return static_cast<PadButton>(it - kButtonNames.begin());
}

std::optional<PadAxis> PadAxisNamed(std::string_view name) {
    const auto it = std::find(kAxisNames.begin(), kAxisNames.end(), name);
    if (it == kAxisNames.end())
        return std::nullopt;
    return static_cast<PadAxis>(it - kAxisNames.begin());
}

std::optional<PadButton> PadButtonFromIndex(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kPadButtonCount)
        return std::nullopt;
    return static_cast<PadButton>(index);
}

std::optional<PadAxis> PadAxisFromIndex(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kPadAxisCount)
        return std::nullopt;
    return static_cast<PadAxis>(index);
}

void GamepadMap::Button(PadId pad, PadButton button, bool down) {
    m_pads[pad].buttons[static_cast<std::size_t>(button)] = down;
    Update();
}

void GamepadMap::Axis(PadId pad, PadAxis axis, int value) {
    value = std::clamp(value, -32768, 32767);
    Pad& state = m_pads[pad];
    switch (axis) {
    case PadAxis::LeftX: state.stick_x = StickDirection(state.stick_x, value); break;
    case PadAxis::LeftY: state.stick_y = StickDirection(state.stick_y, value); break;
    case PadAxis::TriggerLeft: state.trigger_left = TriggerHeld(state.trigger_left, value); break;
    case PadAxis::TriggerRight: state.trigger_right = TriggerHeld(state.trigger_right, value); break;
    case PadAxis::RightX:
    case PadAxis::RightY: break; // the right stick means nothing to the game
    }
    Update();
}

void GamepadMap::Remove(PadId pad) {
    m_pads.erase(pad);
    Update();
}

void GamepadMap::RemoveAll() {
    m_pads.clear();
    Update();
}

void GamepadMap::HeldBy(const Pad& pad, std::bitset<kKeyCount>& keys, std::array<bool, 2>& actions) {
    const auto held = [&pad](PadButton button) { return pad.buttons[static_cast<std::size_t>(button)]; };
    const auto hold = [&keys](Key key, bool down) {
        if (down)
            keys.set(static_cast<std::size_t>(key));
    };
    // SDL's stick axes grow downward and to the right.
    hold(Key::Up, held(PadButton::DPadUp) || pad.stick_y < 0);
    hold(Key::Down, held(PadButton::DPadDown) || pad.stick_y > 0);
    hold(Key::Left, held(PadButton::DPadLeft) || pad.stick_x < 0);
    hold(Key::Right, held(PadButton::DPadRight) || pad.stick_x > 0);
    hold(Key::Return, held(PadButton::A));
    hold(Key::Escape, held(PadButton::B));
    hold(Key::Space, held(PadButton::Y));
    hold(Key::PageUp, held(PadButton::LeftShoulder));
    hold(Key::PageDown, held(PadButton::RightShoulder));
    hold(Key::Control, pad.trigger_left || pad.trigger_right);
    actions[static_cast<std::size_t>(PadAction::GameMenu)] =
        actions[static_cast<std::size_t>(PadAction::GameMenu)] || held(PadButton::Start) || held(PadButton::Back);
    actions[static_cast<std::size_t>(PadAction::AutoAdvance)] =
        actions[static_cast<std::size_t>(PadAction::AutoAdvance)] || held(PadButton::X);
}

void GamepadMap::Update() {
    std::bitset<kKeyCount> keys;
    std::array<bool, 2> actions{};
    for (const auto& [id, pad] : m_pads)
        HeldBy(pad, keys, actions);
    const std::bitset<kKeyCount> changed = keys ^ m_keys;
    const std::array<bool, 2> pressed = {actions[0] && !m_actions[0], actions[1] && !m_actions[1]};
    // Settled before anyone is told, so that a callback that reads the map sees the new state.
    m_keys = keys;
    m_actions = actions;
    for (std::size_t k = 0; k < kKeyCount; ++k)
        if (changed[k] && on_key)
            on_key(static_cast<Key>(k), keys[k]);
    for (std::size_t a = 0; a < pressed.size(); ++a)
        if (pressed[a] && on_action)
            on_action(static_cast<PadAction>(a));
}

} // namespace hk
