// The album menu, the CG album (pages and picture viewer) and the scene album with its replay
// queue.
#include "engine/menus/menu_screens.h"

#include "gfx/bitmap_text.h"

#include <string>

namespace hk {

// ---- Album menu ----

namespace {

constexpr int kAlbumMenuBack = 3; // the fourth entry leads back to the title

} // namespace

void PictureMenus::DispAlbumMenu() {
    LoadMenuScreen(kAlbumMenuPicture, kAlbumMenuParts);
    m_stage.CreateMakeBMP(m_host.Game());
    StartMenuFade(TaskCode::TASK_WAIT_ALBUM_MENU);
}

void PictureMenus::WaitAlbumMenu() {
    const std::optional<int> entry = ChooseEntry(kColumnMenu, ShowPictureMenu(kColumnMenu), kAlbumMenuBack);
    if (!entry)
        return;
    m_host.SpendHeldKeys();
    switch (*entry) {
    case 0:
        m_albums.OpenFirstPage();
        m_host.SetTask(TaskCode::TASK_DISP_CG_ALBUM_MENU);
        break;
    case 1:
        m_host.ClearSceneQueue();
        m_albums.OpenFirstPage();
        m_host.SetTask(TaskCode::TASK_DISP_SC_ALBUM_MENU);
        break;
    case 2: m_host.SetTask(TaskCode::TASK_DISP_BGM_MENU); break;
    case 3: m_host.SetTask(TaskCode::TASK_DISP_TITLE_MENU); break;
    default: break;
    }
}

// ---- The buttons of both albums' pages ----

void PictureMenus::PressAlbumButton(int button, TaskCode page_task) {
    if (button == 2 || button == 3) {
        m_albums.TurnPage(button == 2 ? -1 : 1);
        m_host.SetTask(page_task);
    } else if (button == 1) {
        m_host.SetTask(TaskCode::TASK_DISP_ALBUM_MENU);
    }
}

// ---- CG album ----

void PictureMenus::DispCgAlbumMenu() {
    LoadMenuScreen(kCgAlbumPagePictures + m_albums.Page(), kAlbumPageParts);
    for (int cell = 1; cell <= kAlbumCells; ++cell)
        if (m_albums.CgGraphic(cell, 1) != -1 && !m_albums.CgCellOpen(m_host.System(), cell))
            DrawAlbumLock(cell);
    m_stage.CreateMakeBMP(m_host.Game());
    StartMenuFade(TaskCode::TASK_WAIT_CG_ALBUM_MENU);
}

void PictureMenus::WaitCgAlbumMenu() {
    m_stage.ScreenBuffer().CopyRect(0, 0, m_stage.SceneImage(), 0, 0, kScreenWidth, kScreenHeight);
    const AlbumHit hit = HitAlbumPage(m_host.Pointer());
    const bool counted = hit.cell != 0 && m_albums.CgCellOpen(m_host.System(), hit.cell);
    if (counted)
        DrawAlbumFrame(hit.cell);
    if (hit.button != 0)
        CopyHighlight(AlbumButton(hit.button));
    PresentIfChanged();
    const bool back = BackedOut(AlbumButton(1));
    if (!back && !Activated()) {
        if (FocusKeyDown())
            MoveFocus(AlbumPageTargets([this](int cell) { return m_albums.CgCellOpen(m_host.System(), cell); }));
        return;
    }
    m_host.SpendHeldKeys();
    if (back) {
        PressAlbumButton(1, TaskCode::TASK_DISP_CG_ALBUM_MENU);
    } else if (counted) {
        m_albums.View(hit.cell);
        m_host.SetTask(TaskCode::TASK_DISP_CG_ALBUM);
    } else {
        PressAlbumButton(hit.button, TaskCode::TASK_DISP_CG_ALBUM_MENU);
    }
}

void PictureMenus::DispCgAlbum() {
    m_stage.ReadGraphic(kBackgroundSlot, m_albums.ViewedGraphic(), kPlaceCentre);
    m_stage.ClearBitmap(1, m_host.Game());
    m_stage.ClearBitmap(2, m_host.Game());
    m_stage.CreateMakeBMP(m_host.Game());
    StartMenuFade(TaskCode::TASK_WAIT_CG_ALBUM);
}

void PictureMenus::WaitCgAlbum() {
    if (!m_host.KeyReturn() && !m_host.LeftClick())
        return;
    m_host.SpendHeldKeys();
    m_host.SetTask(m_albums.NextSeenPicture(m_host.System()) ? TaskCode::TASK_DISP_CG_ALBUM
                                                             : TaskCode::TASK_DISP_CG_ALBUM_MENU);
}

// ---- Scene album ----

void PictureMenus::DrawQueueMark(Bitmap& surface, int x, int y, int position) {
    if (&surface == &m_stage.SceneImage())
        m_stage.NoteSceneDrawn();
    Font font;
    font.face = "ＭＳ ゴシック";
    font.height = 24;
    font.color = kBlack;
    const std::string text = std::to_string(position);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            DrawTextSmooth(surface, x + dx, y + dy, font, std::string_view(text));
    font.color = MakeColor(0, 255, 255);
    DrawTextSmooth(surface, x, y, font, std::string_view(text));
}

void PictureMenus::DispScAlbumMenu() {
    LoadMenuScreen(kSceneAlbumPagePictures + m_albums.Page(), kAlbumPageParts);
    const int cells = m_albums.Page() == kAlbumPages ? kAlbumCells - 1 : kAlbumCells;
    for (int cell = 1; cell <= cells; ++cell)
        if (!AlbumBook::SceneAvailable(m_host.System(), m_albums.SceneOf(cell)))
            DrawAlbumLock(cell);
    for (int cell = 1; cell <= kAlbumCells; ++cell) {
        const int position = m_host.SceneQueuePosition(m_albums.SceneOf(cell));
        if (position != -1)
            DrawQueueMark(m_stage.BgLayer(), AlbumCellCorner(cell).x + 4, AlbumCellCorner(cell).y + 4, position);
    }
    m_stage.CreateMakeBMP(m_host.Game());
    StartMenuFade(TaskCode::TASK_WAIT_SC_ALBUM_MENU);
}

void PictureMenus::WaitScAlbumMenu() {
    m_stage.ScreenBuffer().CopyRect(0, 0, m_stage.SceneImage(), 0, 0, kScreenWidth, kScreenHeight);
    const AlbumHit hit = HitAlbumPage(m_host.Pointer());
    const int scene = hit.cell != 0 ? m_albums.SceneOf(hit.cell) : -1;
    const bool counted = hit.cell != 0 && AlbumBook::SceneAvailable(m_host.System(), scene);
    if (counted)
        DrawAlbumFrame(hit.cell);
    if (hit.button != 0)
        CopyHighlight(AlbumButton(hit.button));
    PresentIfChanged();
    const bool back = BackedOut(AlbumButton(1));
    if (!back && !Activated()) {
        if (FocusKeyDown())
            MoveFocus(AlbumPageTargets(
                [this](int cell) { return AlbumBook::SceneAvailable(m_host.System(), m_albums.SceneOf(cell)); }));
        return;
    }
    m_host.SpendHeldKeys();
    if (back) {
        PressAlbumButton(1, TaskCode::TASK_DISP_SC_ALBUM_MENU);
    } else if (counted) {
        const int r = m_host.QueueScene(scene);
        if (r == -1)
            m_host.StartReplay();
        else if (r >= 1)
            DrawQueueMark(m_stage.SceneImage(), AlbumCellCorner(hit.cell).x + 2, AlbumCellCorner(hit.cell).y + 2, r);
    } else {
        PressAlbumButton(hit.button, TaskCode::TASK_DISP_SC_ALBUM_MENU);
    }
}

} // namespace hk
