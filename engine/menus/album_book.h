// The albums as a book: the CG album's and the scene album's tables, the page the player has open,
// and the CG being viewed. Which cells are open comes from the system record (the CG flags and the
// scene marks), passed in by the caller.
#pragma once

#include "core/records.h"

#include <array>

namespace hk {

inline constexpr int kAlbumPages = 8;
inline constexpr int kAlbumCells = 12; // 3 columns x 4 rows on a page
inline constexpr int kCgPictures = 5;  // the variants a CG cell may list; the viewer shows 1..4

class AlbumBook {
public:
    AlbumBook();

    // The page open in either album, 1..8 (0 before an album was first opened).
    int Page() const { return m_page; }
    void OpenFirstPage() { m_page = 1; }
    // One page back or on (delta -1 or 1), from page 1 back to 8 and from 8 on to 1.
    void TurnPage(int delta);

    // Graphic number of a CG cell's picture (cell 1..12, picture 1..5) on the open page, or -1.
    int CgGraphic(int cell, int picture) const;
    // The graphic has been seen in play (graphics 401..699; others never count).
    static bool CgSeen(const SystemData& system, int graphic);
    // A CG cell that lists a picture and whose first picture has been seen.
    bool CgCellOpen(const SystemData& system, int cell) const;

    // The CG viewer: a cell of the open page, from its first picture on.
    void View(int cell) {
        m_cell = cell;
        m_picture = 1;
    }
    int ViewedCell() const { return m_cell; }
    int ViewedPicture() const { return m_picture; }
    int ViewedGraphic() const { return CgGraphic(m_cell, m_picture); }
    // Steps to the viewed cell's next seen picture; false when there is none (back to the page).
    bool NextSeenPicture(const SystemData& system);

    // Scene number of a scene album cell on the open page, or -1.
    int SceneOf(int cell) const;
    // A scene is available once its mark in the system variables is set.
    static bool SceneAvailable(const SystemData& system, int scene);

private:
    int m_page = 0;
    int m_cell = 1;    // CG cell being viewed, 1..12
    int m_picture = 1; // its picture, 1..5
    std::array<std::array<std::array<int, kCgPictures>, kAlbumCells>, kAlbumPages> m_cg_table{};
    std::array<std::array<int, kAlbumCells>, kAlbumPages> m_scene_table{};
};

} // namespace hk
