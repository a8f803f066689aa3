// Focus: playing a screen without a mouse. A screen the pointer drives lists its targets (the
// rectangles its click code tests, in its own order); a cursor key moves the focus from one to the
// next by where they lie on the screen, and the caller shows the focus by putting the game's
// pointer on the target, so the hover highlight and the click code need nothing new. This file
// only finds targets; it reads no keys and moves no pointer.
#pragma once

#include "engine/host.h"

#include <cstdint>
#include <optional>
#include <span>

namespace hk {

// A target: a rectangle inclusive on all four sides, and the point the pointer goes to when the
// focus lands on it (where a click on it would be made).
struct FocusTarget {
    int left = 0, top = 0, right = 0, bottom = 0;
    Point aim;
    bool Contains(Point p) const { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; }
};

// A target around a rectangle of `width` x `height` at (x, y), aimed at its middle.
constexpr FocusTarget FocusRect(int x, int y, int width, int height) {
    return FocusTarget{x, y, x + width - 1, y + height - 1, Point{x + (width - 1) / 2, y + (height - 1) / 2}};
}

enum class FocusDirection : std::uint8_t { Up = 0, Down = 1, Left = 2, Right = 3 };

// The keys that move or use a focus, as counted in one tick.
struct FocusKeys {
    bool up = false, down = false, left = false, right = false;
    bool escape = false; // backs out of a screen that has a way back
    // The direction asked for, if any; with several keys at once Up wins, then Down, Left, Right.
    std::optional<FocusDirection> Direction() const;
};

// Index of the last target that contains p (a later target lies over an earlier one), or -1.
int FocusedTarget(std::span<const FocusTarget> targets, Point p);

// Where the focus goes from target `current` (an index, or -1 when no target has it) one step in
// `direction`; -1 when it stays.
// - With no focus, Down and Right go to the first target and Up and Left to the last.
// - Otherwise the nearest target whose middle lies beyond the current one's in that direction:
//   first among those sharing its row (Left, Right) or column (Up, Down), nearness counting the
//   sideways distance twice. Then Up and Down take the nearest row further that way, wherever it
//   lies sideways; Left and Right take what lies within 45 degrees of the direction.
// - When there is none, the focus wraps to the far end of the same row or column; Up and Down wrap
//   to the far end of the screen also when nothing shares the column.
int FocusStep(std::span<const FocusTarget> targets, int current, FocusDirection direction);

} // namespace hk
