#include "engine/input/focus.h"

#include <cstdlib>
#include <tuple>

namespace hk {

namespace {

// A target seen along a direction: `along` grows in the direction, `across` runs sideways, and
// [low, high] is the target's extent sideways. Middles are kept doubled so they stay integers.
struct Projected {
    int along = 0, across = 0, low = 0, high = 0;
};

Projected Project(const FocusTarget& t, FocusDirection direction) {
    const int mid_x = t.left + t.right;
    const int mid_y = t.top + t.bottom;
    switch (direction) {
    case FocusDirection::Up: return {-mid_y, mid_x, t.left, t.right};
    case FocusDirection::Down: return {mid_y, mid_x, t.left, t.right};
    case FocusDirection::Left: return {-mid_x, mid_y, t.top, t.bottom};
    case FocusDirection::Right: return {mid_x, mid_y, t.top, t.bottom};
    }
    return {};
}

bool SharesBand(const Projected& a, const Projected& b) {
    return a.low <= b.high && b.low <= a.high;
}

bool Vertical(FocusDirection direction) {
    return direction == FocusDirection::Up || direction == FocusDirection::Down;
}

int StepFrom(std::span<const FocusTarget> targets, int current, FocusDirection direction) {
    const Projected from = Project(targets[static_cast<std::size_t>(current)], direction);
    // Best target beyond the current one, ranked by (tier, distance, index): tier 0 shares the
    // band, nearest by the distance ahead plus twice the distance sideways. Then, for Up and Down,
    // anything further that way, nearest by the distance ahead (the next row of a screen read from
    // top to bottom); for Left and Right, what lies within the 45-degree cone, ranked as tier 0.
    int best = -1;
    std::tuple<int, long, long, int> best_rank{};
    for (int i = 0; i < static_cast<int>(targets.size()); ++i) {
        if (i == current)
            continue;
        const Projected to = Project(targets[static_cast<std::size_t>(i)], direction);
        const int ahead = to.along - from.along;
        const int side = std::abs(to.across - from.across);
        if (ahead <= 0)
            continue;
        std::tuple<int, long, long, int> rank{0, long{ahead} + 2L * side, 0, i};
        if (!SharesBand(from, to)) {
            if (Vertical(direction))
                rank = {1, ahead, side, i};
            else if (side <= ahead)
                rank = {1, long{ahead} + 2L * side, 0, i};
            else
                continue;
        }
        if (best == -1 || rank < best_rank) {
            best = i;
            best_rank = rank;
        }
    }
    if (best != -1)
        return best;

    // Wrap: the far end of the row or column, nearest sideways.
    for (const bool whole_screen : {false, true}) {
        if (whole_screen && !Vertical(direction))
            break;
        std::tuple<int, int, int> wrap_rank{};
        for (int i = 0; i < static_cast<int>(targets.size()); ++i) {
            if (i == current)
                continue;
            const Projected to = Project(targets[static_cast<std::size_t>(i)], direction);
            if (!whole_screen && !SharesBand(from, to))
                continue;
            const std::tuple<int, int, int> rank{to.along, std::abs(to.across - from.across), i};
            if (best == -1 || rank < wrap_rank) {
                best = i;
                wrap_rank = rank;
            }
        }
        if (best != -1)
            return best;
    }
    return -1;
}

} // namespace

std::optional<FocusDirection> FocusKeys::Direction() const {
    if (up)
        return FocusDirection::Up;
    if (down)
        return FocusDirection::Down;
    if (left)
        return FocusDirection::Left;
    if (right)
        return FocusDirection::Right;
    return std::nullopt;
}

int FocusedTarget(std::span<const FocusTarget> targets, Point p) {
    int hit = -1;
    for (std::size_t i = 0; i < targets.size(); ++i)
        if (targets[i].Contains(p))
            hit = static_cast<int>(i);
    return hit;
}

int FocusStep(std::span<const FocusTarget> targets, int current, FocusDirection direction) {
    if (targets.empty())
        return -1;
    if (current < 0 || current >= static_cast<int>(targets.size())) {
        const bool forward = direction == FocusDirection::Down || direction == FocusDirection::Right;
        return forward ? 0 : static_cast<int>(targets.size()) - 1;
    }
    return StepFrom(targets, current, direction);
}

} // namespace hk
