// The main window's size as the player chooses it: a factor of the game's 800x600 picture (1x,
// 1.5x, 2x, 3x, ...) or "fit", the largest size the screen holds. The steps of the zoom keys
// (Ctrl+Plus, Ctrl+Minus) and the sizes they give, in logical pixels of the desktop. No Qt here.
#pragma once

#include "engine/host.h"

#include <optional>
#include <string>
#include <string_view>

namespace hk {

struct WindowScale {
    enum class Kind : std::uint8_t { Factor = 0, Fit = 1 };
    Kind kind = Kind::Factor;
    double factor = 1.0; // only for Kind::Factor

    static WindowScale Times(double factor) { return WindowScale{Kind::Factor, factor}; }
    static WindowScale Fit() { return WindowScale{Kind::Fit, 0.0}; }
    friend bool operator==(const WindowScale&, const WindowScale&) = default;
};

inline constexpr double kMinScaleFactor = 1.0;
inline constexpr double kMaxScaleFactor = 8.0;

// "fit", or a factor from 1 to 8 with an optional "x" ("2", "1.5x"); nullopt for anything else.
std::optional<WindowScale> ParseWindowScale(std::string_view text);
// The text ParseWindowScale reads back: "fit", "1", "1.5", "2".
std::string WindowScaleText(const WindowScale& scale);

// The window's client size for a scale. Fit: the largest size of the picture's shape within
// `available` (the screen's free area less the window frame).
Size ClientSizeFor(const WindowScale& scale, Size picture, Size available);

// The step (1, 1.5, 2, 3, 4, ... 8) whose client size is exactly `client`, if any.
std::optional<WindowScale> StepOfSize(Size client, Size picture);

// The scale Ctrl+Plus gives from a window whose picture is `picture_width` logical pixels wide:
// the next step (1, 1.5, 2, 3, 4, ... 8) whose window fits in `available`, and after the last of
// those, fit. nullopt when nothing larger fits.
std::optional<WindowScale> LargerScale(int picture_width, Size picture, Size available);
// The scale Ctrl+Minus gives: the next smaller step that fits, never below 1x. nullopt at 1x.
std::optional<WindowScale> SmallerScale(int picture_width, Size picture, Size available);

} // namespace hk
