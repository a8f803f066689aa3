// The album menu, the CG album (pages and picture viewer) and the scene album with its replay
// queue.
#include "engine/menu_screens.h"

#include "gfx/bitmap_text.h"

#include <cstring>

namespace hk {

namespace {

// The album pages are composed on every tick; the display is only asked to repaint when the
// picture differs from what the window shows (the pointer went to another cell or button).
void PresentIfChanged(Platform& platform, const Bitmap& screen) {
    Bitmap& shown = platform.ClientSurface(WindowId::Main);
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
    platform.Invalidate(WindowId::Main);
}

} // namespace

// ---- Album menu ----

void Engine::DispAlbumMenu() {
    LoadMenuScreen(kAlbumMenuPicture, kAlbumMenuParts);
    m_stage.CreateMakeBMP(m_state.Game);
    StartMenuFade(TaskCode::TASK_WAIT_ALBUM_MENU);
}

void Engine::WaitAlbumMenu() {
    const int entry = ShowPictureMenu(kColumnMenu);
    if (!m_input.LeftClick())
        return;
    m_input.SpendHeldKeys();
    switch (entry) {
    case 0:
        m_albums.OpenFirstPage();
        SetTask(TaskCode::TASK_DISP_CG_ALBUM_MENU);
        break;
    case 1:
        m_script.ClearSceneTable();
        m_albums.OpenFirstPage();
        SetTask(TaskCode::TASK_DISP_SC_ALBUM_MENU);
        break;
    case 2: SetTask(TaskCode::TASK_DISP_BGM_MENU); break;
    case 3: SetTask(TaskCode::TASK_DISP_TITLE_MENU); break;
    default: break;
    }
}

// ---- The buttons of both albums' pages ----

void Engine::PressAlbumButton(int button, TaskCode page_task) {
    if (button == 2 || button == 3) {
        m_albums.TurnPage(button == 2 ? -1 : 1);
        SetTask(page_task);
    } else if (button == 1) {
        SetTask(TaskCode::TASK_DISP_ALBUM_MENU);
    }
}

// ---- CG album ----

void Engine::DispCgAlbumMenu() {
    LoadMenuScreen(kCgAlbumPagePictures + m_albums.Page(), kAlbumPageParts);
    for (int cell = 1; cell <= kAlbumCells; ++cell)
        if (m_albums.CgGraphic(cell, 1) != -1 && !m_albums.CgCellOpen(m_state.System, cell))
            DrawAlbumLock(cell);
    m_stage.CreateMakeBMP(m_state.Game);
    StartMenuFade(TaskCode::TASK_WAIT_CG_ALBUM_MENU);
}

void Engine::WaitCgAlbumMenu() {
    EngineState& s = m_state;
    m_stage.ScreenBuffer().CopyRect(0, 0, m_stage.SceneImage(), 0, 0, kScreenWidth, kScreenHeight);
    const AlbumHit hit = HitAlbumPage(m_input.CursorMain());
    const bool counted = hit.cell != 0 && m_albums.CgCellOpen(s.System, hit.cell);
    if (counted)
        DrawAlbumFrame(hit.cell);
    if (hit.button != 0)
        CopyHighlight(AlbumButton(hit.button));
    PresentIfChanged(m_platform, m_stage.ScreenBuffer());
    if (!m_input.LeftClick())
        return;
    m_input.SpendHeldKeys();
    if (counted) {
        m_albums.View(hit.cell);
        SetTask(TaskCode::TASK_DISP_CG_ALBUM);
    } else {
        PressAlbumButton(hit.button, TaskCode::TASK_DISP_CG_ALBUM_MENU);
    }
}

void Engine::DispCgAlbum() {
    m_stage.ReadGraphic(kBackgroundSlot, m_albums.ViewedGraphic(), kPlaceCentre);
    m_stage.ClearBitmap(1, m_state.Game);
    m_stage.ClearBitmap(2, m_state.Game);
    m_stage.CreateMakeBMP(m_state.Game);
    StartMenuFade(TaskCode::TASK_WAIT_CG_ALBUM);
}

void Engine::WaitCgAlbum() {
    if (!m_input.KeyReturn() && !m_input.LeftClick())
        return;
    m_input.SpendHeldKeys();
    SetTask(m_albums.NextSeenPicture(m_state.System) ? TaskCode::TASK_DISP_CG_ALBUM
                                                     : TaskCode::TASK_DISP_CG_ALBUM_MENU);
}

// ---- Scene album ----

void Engine::DrawQueueMark(Bitmap& surface, int x, int y, int position) {
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

void Engine::DispScAlbumMenu() {
    LoadMenuScreen(kSceneAlbumPagePictures + m_albums.Page(), kAlbumPageParts);
    const int cells = m_albums.Page() == kAlbumPages ? kAlbumCells - 1 : kAlbumCells;
    for (int cell = 1; cell <= cells; ++cell)
        if (!AlbumBook::SceneAvailable(m_state.System, m_albums.SceneOf(cell)))
            DrawAlbumLock(cell);
    for (int cell = 1; cell <= kAlbumCells; ++cell) {
        const int position = m_script.GetSceneTbl(m_albums.SceneOf(cell));
        if (position != -1)
            DrawQueueMark(m_stage.BgLayer(), AlbumCellCorner(cell).x + 4, AlbumCellCorner(cell).y + 4, position);
    }
    m_stage.CreateMakeBMP(m_state.Game);
    StartMenuFade(TaskCode::TASK_WAIT_SC_ALBUM_MENU);
}

void Engine::WaitScAlbumMenu() {
    EngineState& s = m_state;
    m_stage.ScreenBuffer().CopyRect(0, 0, m_stage.SceneImage(), 0, 0, kScreenWidth, kScreenHeight);
    const AlbumHit hit = HitAlbumPage(m_input.CursorMain());
    const int scene = hit.cell != 0 ? m_albums.SceneOf(hit.cell) : -1;
    const bool counted = hit.cell != 0 && AlbumBook::SceneAvailable(s.System, scene);
    if (counted)
        DrawAlbumFrame(hit.cell);
    if (hit.button != 0)
        CopyHighlight(AlbumButton(hit.button));
    PresentIfChanged(m_platform, m_stage.ScreenBuffer());
    if (!m_input.LeftClick())
        return;
    m_input.SpendHeldKeys();
    if (counted) {
        const int r = m_script.AddSceneTbl(scene);
        if (r == -1)
            StartReplay();
        else if (r >= 1)
            DrawQueueMark(m_stage.SceneImage(), AlbumCellCorner(hit.cell).x + 2, AlbumCellCorner(hit.cell).y + 2, r);
    } else {
        PressAlbumButton(hit.button, TaskCode::TASK_DISP_SC_ALBUM_MENU);
    }
}

void Engine::LeaveReplay() {
    m_platform.ShowWindow(WindowId::Float, false);
    m_message.SetMsgFloatChecked(false);
    PlayBGM(kAlbumMusic, 1);
}

void Engine::StartReplay() {
    EngineState& s = m_state;
    m_stage.ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
    s.Game.ContextMenuOn = 1;
    AttachContextMenu();
    PlayBGM(0, 0);
    m_script.BeginReplay();
    m_message.StopSkipAndAuto();
    m_message.ShowEmptyFloatWindow();
    m_platform.ShowWindow(WindowId::Float, MsgFloatChecked());
    SetTask(TaskCode::TASK_SCRIPT);
}

} // namespace hk
