#include "engine/menu_screens.h"

#include <algorithm>

namespace hk {

namespace {

constexpr MenuEntry kAlbumButtons[] = {
    {20, 560, 99, 589, 20, 560, 80, 30},    // back
    {330, 560, 389, 589, 330, 560, 60, 30}, // previous page
    {390, 560, 449, 589, 390, 560, 60, 30}, // next page
};

} // namespace

const MenuEntry& AlbumButton(int button) {
    return kAlbumButtons[std::clamp(button, 1, 3) - 1];
}

AlbumHit HitAlbumPage(Point p) {
    AlbumHit hit;
    hit.button = HitEntry(kAlbumButtons, p) + 1;
    if (hit.button != 0)
        return hit;
    for (int c = 1; c <= kAlbumColumns; ++c) {
        const int left = AlbumCellCorner(c).x;
        if (p.x >= left && p.x < left + kAlbumThumbWidth)
            hit.column = c;
    }
    for (int r = 1; r <= kAlbumRows; ++r) {
        const int top = AlbumCellCorner(kAlbumColumns * (r - 1) + 1).y;
        if (p.y >= top && p.y < top + kAlbumThumbHeight)
            hit.row = r;
    }
    if (hit.column != 0 && hit.row != 0)
        hit.cell = (hit.row - 1) * kAlbumColumns + hit.column;
    return hit;
}

void Engine::StartMenuFade(TaskCode wait_task) {
    m_stage.StartFade(kMenuFadeMs);
    SetTask(TaskCode::TASK_EFFECT_91, wait_task);
}

void Engine::LoadMenuScreen(int background, int parts) {
    m_stage.ReadGraphic(kBackgroundSlot, background, kPlaceCentre);
    m_stage.ClearBitmap(1, m_state.Game);
    m_stage.ClearBitmap(2, m_state.Game);
    m_stage.ReadGraphic(kPartsSlot, parts, kPlaceCentre);
}

int Engine::ShowPictureMenu(std::span<const MenuEntry> entries) {
    const int entry = HitEntry(entries, m_input.CursorMain());
    // Nothing else draws while a menu waits, so on the tick after the same menu showed the same
    // entry the screen already holds this picture. Any other task in between (a fade, a load,
    // another menu) breaks the run of ticks and the picture is composed again.
    const bool unchanged =
        m_menu_shown.table == entries.data() && m_menu_shown.entry == entry && m_menu_shown.tick + 1 == m_tick_serial;
    m_menu_shown.table = entries.data();
    m_menu_shown.entry = entry;
    m_menu_shown.tick = m_tick_serial;
    if (unchanged)
        return entry;
    m_stage.ScreenBuffer().CopyRect(0, 0, m_stage.SceneImage(), 0, 0, kScreenWidth, kScreenHeight);
    if (entry >= 0)
        CopyHighlight(entries[static_cast<std::size_t>(entry)]);
    m_stage.PresentScreen();
    return entry;
}

void Engine::CopyHighlight(const MenuEntry& entry) {
    m_stage.ScreenBuffer().CopyRect(entry.hx, entry.hy, m_stage.PartsImage(), entry.hx, entry.hy, entry.hw, entry.hh);
}

void Engine::DrawAlbumFrame(int cell) {
    // The frame on the parts sheet, two pixels out from the thumbnail; its own pixel (8, 8) is the
    // colour that stays see-through.
    const Color key = m_stage.PartsImage().GetColor(kAlbumFrameX + 8, kAlbumFrameY + 8);
    const int dx = AlbumCellCorner(cell).x - 2;
    const int dy = AlbumCellCorner(cell).y - 2;
    for (int y = 0; y < kAlbumFrameHeight; ++y) {
        for (int x = 0; x < kAlbumFrameWidth; ++x) {
            const Color c = m_stage.PartsImage().GetColor(kAlbumFrameX + x, kAlbumFrameY + y);
            if (c != key)
                m_stage.ScreenBuffer().FillRect(dx + x, dy + y, 1, 1, c);
        }
    }
}

void Engine::DrawAlbumLock(int cell) {
    const Point corner = AlbumCellCorner(cell);
    m_stage.BgLayer().CopyRect(corner.x, corner.y, m_stage.PartsImage(), kAlbumLockX, kAlbumLockY, kAlbumThumbWidth,
                               kAlbumThumbHeight);
}

} // namespace hk
