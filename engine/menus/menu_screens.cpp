#include "engine/menus/menu_screens.h"

#include <algorithm>
#include <cstring>

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

std::optional<int> PictureMenus::ChooseEntry(std::span<const MenuEntry> entries, int hovered, int back) {
    if (back >= 0 && BackedOut(entries[static_cast<std::size_t>(back)]))
        return back;
    if (Activated())
        return hovered;
    if (FocusKeyDown()) {
        std::vector<FocusTarget> targets;
        for (const MenuEntry& entry : entries)
            targets.push_back(entry.Target());
        MoveFocus(targets);
    }
    return std::nullopt;
}

bool PictureMenus::BackedOut(const MenuEntry& back) {
    if (!m_host.FocusKeysNow().escape)
        return false;
    m_host.MovePointerForFocus(back.Target().aim);
    return true;
}

void PictureMenus::MoveFocus(std::span<const FocusTarget> targets) {
    const std::optional<FocusDirection> direction = m_host.FocusKeysNow().Direction();
    if (!direction)
        return;
    const int next = FocusStep(targets, FocusedTarget(targets, m_host.Pointer()), *direction);
    if (next >= 0)
        m_host.MovePointerForFocus(targets[static_cast<std::size_t>(next)].aim);
}

std::vector<FocusTarget> PictureMenus::AlbumPageTargets(const std::function<bool(int cell)>& open) {
    std::vector<FocusTarget> targets;
    for (int cell = 1; cell <= kAlbumCells; ++cell) {
        if (!open(cell))
            continue;
        const Point corner = AlbumCellCorner(cell);
        targets.push_back(FocusRect(corner.x, corner.y, kAlbumThumbWidth, kAlbumThumbHeight));
    }
    for (const MenuEntry& button : kAlbumButtons)
        targets.push_back(button.Target());
    return targets;
}

bool PictureMenus::RunTask(TaskCode task) {
    switch (task) {
    case TaskCode::TASK_DISP_TITLE_MENU: DispTitleMenu(); break;
    case TaskCode::TASK_WAIT_TITLE_MENU: WaitTitleMenu(); break;
    case TaskCode::TASK_DISP_ALBUM_MENU: DispAlbumMenu(); break;
    case TaskCode::TASK_WAIT_ALBUM_MENU: WaitAlbumMenu(); break;
    case TaskCode::TASK_DISP_CG_ALBUM_MENU: DispCgAlbumMenu(); break;
    case TaskCode::TASK_WAIT_CG_ALBUM_MENU: WaitCgAlbumMenu(); break;
    case TaskCode::TASK_DISP_CG_ALBUM: DispCgAlbum(); break;
    case TaskCode::TASK_WAIT_CG_ALBUM: WaitCgAlbum(); break;
    case TaskCode::TASK_DISP_SC_ALBUM_MENU: DispScAlbumMenu(); break;
    case TaskCode::TASK_WAIT_SC_ALBUM_MENU: WaitScAlbumMenu(); break;
    case TaskCode::TASK_DISP_BGM_MENU: DispBgmMenu(); break;
    case TaskCode::TASK_WAIT_BGM_MENU: WaitBgmMenu(); break;
    default: return false;
    }
    return true;
}

void PictureMenus::StartMenuFade(TaskCode wait_task) {
    m_stage.StartFade(kMenuFadeMs);
    m_host.SetTask(TaskCode::TASK_EFFECT_91, wait_task);
}

void PictureMenus::LoadMenuScreen(int background, int parts) {
    m_stage.ReadGraphic(kBackgroundSlot, background, kPlaceCentre);
    m_stage.ClearBitmap(1, m_host.Game());
    m_stage.ClearBitmap(2, m_host.Game());
    m_stage.ReadGraphic(kPartsSlot, parts, kPlaceCentre);
}

int PictureMenus::ShowPictureMenu(std::span<const MenuEntry> entries) {
    const int entry = HitEntry(entries, m_host.Pointer());
    // Nothing else draws while a menu waits, so on the tick after the same menu showed the same
    // entry the screen already holds this picture. Any other task in between (a fade, a load,
    // another menu) breaks the run of ticks and the picture is composed again.
    const bool unchanged = m_menu_shown.table == entries.data() && m_menu_shown.entry == entry &&
                           m_menu_shown.tick + 1 == m_host.TickSerial();
    m_menu_shown.table = entries.data();
    m_menu_shown.entry = entry;
    m_menu_shown.tick = m_host.TickSerial();
    if (unchanged)
        return entry;
    m_stage.ScreenBuffer().CopyRect(0, 0, m_stage.SceneImage(), 0, 0, kScreenWidth, kScreenHeight);
    if (entry >= 0)
        CopyHighlight(entries[static_cast<std::size_t>(entry)]);
    m_stage.PresentScreen();
    return entry;
}

void PictureMenus::CopyHighlight(const MenuEntry& entry) {
    m_stage.ScreenBuffer().CopyRect(entry.hx, entry.hy, m_stage.PartsImage(), entry.hx, entry.hy, entry.hw, entry.hh);
}

void PictureMenus::DrawAlbumFrame(int cell) {
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

void PictureMenus::DrawAlbumLock(int cell) {
    const Point corner = AlbumCellCorner(cell);
    m_stage.BgLayer().CopyRect(corner.x, corner.y, m_stage.PartsImage(), kAlbumLockX, kAlbumLockY, kAlbumThumbWidth,
                               kAlbumThumbHeight);
}

void PictureMenus::PresentIfChanged() {
    const Bitmap& screen = m_stage.ScreenBuffer();
    Bitmap& shown = m_host.MainWindowSurface();
    if (shown.Format() == screen.Format() && shown.Width() == screen.Width() && shown.Height() == screen.Height() &&
        screen.HasImage()) {
        bool same = true;
        for (int y = 0; y < screen.Height() && same; ++y)
            same =
                std::memcmp(shown.Pixel(0, y), screen.Pixel(0, y), static_cast<std::size_t>(screen.Width()) * 4) == 0;
        if (same)
            return;
    }
    shown.CopyRect(0, 0, screen, 0, 0, screen.Width(), screen.Height());
    m_host.InvalidateMainWindow();
}

} // namespace hk
