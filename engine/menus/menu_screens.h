// What the picture menus (title, album menu, CG and scene albums, music room) share: a hit
// table of rectangles (also the targets of the keyboard's focus), highlights copied from the parts
// sheet, and the 500 ms fade that opens every screen.
#pragma once

#include "engine/host.h"
#include "engine/input/focus.h"
#include "engine/menus/picture_menus.h"
#include "engine/screen_layout.h"

#include <span>

namespace hk {

// A hit area, inclusive on all four sides, and the parts-sheet rectangle that highlights it.
struct MenuEntry {
    int left, top, right, bottom;
    int hx, hy, hw, hh;
    bool Contains(Point p) const { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; }
    // The entry as a target of the keyboard's focus, aimed at its middle.
    constexpr FocusTarget Target() const {
        return FocusTarget{left, top, right, bottom, Point{(left + right) / 2, (top + bottom) / 2}};
    }
};

// Index (0-based) of the last entry that contains p, or -1: a later hit replaces an earlier one.
inline int HitEntry(std::span<const MenuEntry> entries, Point p) {
    int hit = -1;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].Contains(p))
            hit = static_cast<int>(i);
    return hit;
}

// The four entries of the title and album menus, a column at the lower right; the last band is
// 41 rows high.
inline constexpr MenuEntry kColumnMenu[] = {
    {640, 370, 769, 409, 640, 370, 130, 40},
    {640, 410, 769, 449, 640, 410, 130, 40},
    {640, 450, 769, 489, 640, 450, 130, 40},
    {640, 490, 769, 530, 640, 490, 130, 40},
};

// The album pages' grid: 3 columns x 4 rows of thumbnails of 150 x 113, the first at (19, 76),
// 153 pixels apart across and 120 down, and three buttons.
inline constexpr int kAlbumColumns = 3;
inline constexpr int kAlbumRows = 4;
inline constexpr int kAlbumCellLeft = 19;
inline constexpr int kAlbumCellTop = 76;
inline constexpr int kAlbumCellPitchX = 153;
inline constexpr int kAlbumCellPitchY = 120;
inline constexpr int kAlbumThumbWidth = 150;
inline constexpr int kAlbumThumbHeight = 113;
// Top-left corner of the thumbnail of cell 1..12.
inline constexpr Point AlbumCellCorner(int cell) {
    return Point{kAlbumCellLeft + kAlbumCellPitchX * ((cell - 1) % kAlbumColumns),
                 kAlbumCellTop + kAlbumCellPitchY * ((cell - 1) / kAlbumColumns)};
}

struct AlbumHit {
    int cell = 0;   // 1..12, 0 = none
    int column = 0; // 1..3
    int row = 0;    // 1..4
    int button = 0; // 1 back, 2 previous, 3 next, 0 none
};
AlbumHit HitAlbumPage(Point p);
// The highlight rectangle of album button 1 (back), 2 (previous) or 3 (next).
const MenuEntry& AlbumButton(int button);

} // namespace hk
