// The contents of the CG album and the scene album: which graphics each CG thumbnail steps
// through, and which replay scene each scene-album cell starts; and the page and picture the
// player is looking at.
#include "engine/menus/album_book.h"

#include <algorithm>
#include <vector>

namespace hk {

namespace {

// Cells of the CG album, page by page; variants of one cell are listed in the order the viewer
// steps through them. An empty list is an empty cell.
// clang-format off
const std::vector<std::vector<std::vector<int>>> kCgAlbum = {
    {{401}, {557, 558}, {403}, {405}, {422, 423}, {620, 621}, {407}, {409, 410}, {605, 606}, {416, 417},
     {437, 438}, {602, 603}},
    {{419, 420}, {440, 441}, {434, 435}, {443, 444, 445}, {447, 448}, {425, 426}, {450, 451}, {638, 639}, {414},
     {459}, {461}, {412}},
    {{463, 464}, {468, 469}, {466}, {471, 472}, {474, 475}, {485, 486}, {477, 478}, {480}, {488, 489}, {497, 498},
     {494, 495}, {491, 492}},
    {{482, 483}, {500}, {502}, {504, 505, 506, 507}, {509, 510}, {512, 513, 514, 515}, {517, 518}, {554, 555},
     {545, 546}, {551, 552}, {548, 549}, {560, 561}},
    {{563, 564}, {520, 521}, {539, 540}, {431, 432}, {428, 429}, {453, 454}, {456, 457}, {523, 524}, {529, 530},
     {526, 527}, {532, 533, 534}, {536, 537}},
    {{542, 543}, {641, 642, 643}, {632, 633}, {608, 609}, {611, 612}, {569, 570}, {566, 567}, {572, 573, 574},
     {576, 577}, {579, 580}, {623, 624}, {582, 583}},
    {{626, 627}, {635, 636}, {645, 646}, {648, 649, 650}, {629, 630}, {652, 653}, {658, 659}, {655, 656},
     {585, 586}, {588, 589}, {591}, {593}},
    {{595}, {597}, {599, 600}, {617, 618}, {614, 615}, {664, 665}, {661, 662}, {667, 668}, {670, 671}, {673, 674},
     {676, 677}, {}},
};
// clang-format on

// clang-format off
const int kSceneAlbum[8][12] = {
    {101, 155, 102, 103, 110, 177, 104, 105, 172, 108, 115, 171},
    {109, 116, 114, 117, 118, 111, 119, 183, 107, 122, 123, 106},
    {124, 126, 125, 127, 128, 132, 129, 130, 133, 136, 135, 134},
    {131, 137, 138, 139, 140, 141, 142, 154, 151, 153, 152, 156},
    {157, 143, 149, 113, 112, 120, 121, 144, 146, 145, 147, 148},
    {150, 184, 181, 173, 174, 159, 158, 160, 161, 162, 178, 163},
    {179, 182, 185, 186, 180, 187, 189, 188, 164, 165, 166, 167},
    {168, 169, 170, 176, 175, 191, 190, 192, 193, 194, 195, -1},
};
// clang-format on

} // namespace

AlbumBook::AlbumBook() {
    for (auto& page : m_cg_table)
        for (auto& cell : page)
            cell.fill(-1);
    for (auto& page : m_scene_table)
        page.fill(-1);
    for (std::size_t page = 0; page < kCgAlbum.size(); ++page)
        for (std::size_t cell = 0; cell < kCgAlbum[page].size(); ++cell)
            for (std::size_t v = 0; v < kCgAlbum[page][cell].size(); ++v)
                m_cg_table[page][cell][v] = kCgAlbum[page][cell][v];
    for (int page = 0; page < kAlbumPages; ++page)
        for (int cell = 0; cell < kAlbumCells; ++cell)
            m_scene_table[page][cell] = kSceneAlbum[page][cell];
}

void AlbumBook::TurnPage(int delta) {
    const int page = m_page + delta;
    m_page = page < 1 ? kAlbumPages : page > kAlbumPages ? 1 : page;
}

int AlbumBook::CgGraphic(int cell, int picture) const {
    const int page = std::clamp(m_page, 1, kAlbumPages);
    if (cell < 1 || cell > kAlbumCells || picture < 1 || picture > kCgPictures)
        return -1;
    return m_cg_table[page - 1][cell - 1][picture - 1];
}

bool AlbumBook::CgSeen(const SystemData& system, int graphic) {
    return graphic >= kCgFirst && graphic <= kCgLast && system.CgSeen[graphic - kCgFirst] != 0;
}

bool AlbumBook::CgCellOpen(const SystemData& system, int cell) const {
    const int first = CgGraphic(cell, 1);
    return first != -1 && CgSeen(system, first);
}

bool AlbumBook::NextSeenPicture(const SystemData& system) {
    // Positions 1..4 are shown, 5 never.
    for (;;) {
        ++m_picture;
        if (m_picture >= kCgPictures)
            return false;
        const int graphic = ViewedGraphic();
        if (graphic == -1)
            return false;
        if (CgSeen(system, graphic))
            return true;
    }
}

int AlbumBook::SceneOf(int cell) const {
    const int page = std::clamp(m_page, 1, kAlbumPages);
    return cell >= 1 && cell <= kAlbumCells ? m_scene_table[page - 1][cell - 1] : -1;
}

bool AlbumBook::SceneAvailable(const SystemData& system, int scene) {
    return scene >= 1 && scene <= kVariableCount && system.SystemVars[scene - 1] != 0;
}

} // namespace hk
