// The album menu, the CG album (pages and picture viewer) and the scene album with its replay
// queue.
#include "engine/menu_screens.h"

#include "gfx/bitmap_text.h"

#include <cstring>

namespace hk {

namespace {

int WrapPage(int page) {
    return page < 1 ? 8 : page > 8 ? 1 : page;
}

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
    LoadMenuScreen(23, 24);
    CreateMakeBMP();
    StartMenuFade(TaskCode::TASK_WAIT_ALBUM_MENU);
}

void Engine::WaitAlbumMenu() {
    EngineState& s = m_state;
    const int entry = ShowPictureMenu(kColumnMenu);
    if (!s.LeftClick)
        return;
    SpendHeldKeys();
    switch (entry) {
    case 0:
        s.AlbumPage = 1;
        SetTask(TaskCode::TASK_DISP_CG_ALBUM_MENU);
        break;
    case 1:
        m_script.ClearSceneTable();
        s.AlbumPage = 1;
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
        m_state.AlbumPage = WrapPage(m_state.AlbumPage + (button == 2 ? -1 : 1));
        SetTask(page_task);
    } else if (button == 1) {
        SetTask(TaskCode::TASK_DISP_ALBUM_MENU);
    }
}

// ---- CG album ----

int Engine::CgAlbumGraphic(int cell, int picture) const {
    const int page = std::clamp(m_state.AlbumPage, 1, 8);
    if (cell < 1 || cell > 12 || picture < 1 || picture > 5)
        return -1;
    return m_state.CgAlbumTable[page - 1][cell - 1][picture - 1];
}

bool Engine::CgSeenFlag(int graphic) const {
    return graphic >= kCgFirst && graphic <= kCgLast && m_state.System.CgSeen[graphic - kCgFirst] != 0;
}

void Engine::DispCgAlbumMenu() {
    LoadMenuScreen(50 + m_state.AlbumPage, 50);
    for (int cell = 1; cell <= 12; ++cell) {
        const int g = CgAlbumGraphic(cell, 1);
        if (g != -1 && !CgSeenFlag(g))
            DrawAlbumLock(cell);
    }
    CreateMakeBMP();
    StartMenuFade(TaskCode::TASK_WAIT_CG_ALBUM_MENU);
}

void Engine::WaitCgAlbumMenu() {
    EngineState& s = m_state;
    ScreenBuffer.CopyRect(0, 0, SceneImage, 0, 0, kScreenWidth, kScreenHeight);
    const AlbumHit hit = HitAlbumPage(s.CursorMain);
    const bool counted = hit.cell != 0 && CgAlbumGraphic(hit.cell, 1) != -1 && CgSeenFlag(CgAlbumGraphic(hit.cell, 1));
    if (counted)
        DrawAlbumFrame(hit.cell);
    if (hit.button != 0)
        CopyHighlight(AlbumButton(hit.button));
    PresentIfChanged(m_platform, ScreenBuffer);
    if (!s.LeftClick)
        return;
    SpendHeldKeys();
    if (counted) {
        m_album_cell = hit.cell;
        m_album_picture = 1;
        SetTask(TaskCode::TASK_DISP_CG_ALBUM);
    } else {
        PressAlbumButton(hit.button, TaskCode::TASK_DISP_CG_ALBUM_MENU);
    }
}

void Engine::DispCgAlbum() {
    ReadGraphic(kBackgroundSlot, CgAlbumGraphic(m_album_cell, m_album_picture), kPlaceCentre);
    ClearBitmap(1);
    ClearBitmap(2);
    CreateMakeBMP();
    StartMenuFade(TaskCode::TASK_WAIT_CG_ALBUM);
}

void Engine::WaitCgAlbum() {
    EngineState& s = m_state;
    if (!s.KeyReturn && !s.LeftClick)
        return;
    SpendHeldKeys();
    // The next seen picture of the cell; positions 1..4 are shown, 5 never.
    for (;;) {
        ++m_album_picture;
        if (m_album_picture >= 5) {
            SetTask(TaskCode::TASK_DISP_CG_ALBUM_MENU);
            return;
        }
        const int g = CgAlbumGraphic(m_album_cell, m_album_picture);
        if (g == -1) {
            SetTask(TaskCode::TASK_DISP_CG_ALBUM_MENU);
            return;
        }
        if (CgSeenFlag(g)) {
            SetTask(TaskCode::TASK_DISP_CG_ALBUM);
            return;
        }
    }
}

// ---- Scene album ----

int Engine::SceneAlbumScene(int cell) const {
    const int page = std::clamp(m_state.AlbumPage, 1, 8);
    return cell >= 1 && cell <= 12 ? m_state.SceneAlbumTable[page - 1][cell - 1] : -1;
}

bool Engine::SceneAvailable(int scene) const {
    return scene >= 1 && scene <= kVariableCount && m_state.System.SystemVars[scene - 1] != 0;
}

void Engine::DrawQueueMark(Bitmap& surface, int x, int y, int position) {
    if (&surface == &SceneImage)
        ++m_scene_serial;
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
    LoadMenuScreen(60 + m_state.AlbumPage, 50);
    const int cells = m_state.AlbumPage == 8 ? 11 : 12;
    for (int cell = 1; cell <= cells; ++cell)
        if (!SceneAvailable(SceneAlbumScene(cell)))
            DrawAlbumLock(cell);
    for (int cell = 1; cell <= 12; ++cell) {
        const int position = m_script.GetSceneTbl(SceneAlbumScene(cell));
        if (position != -1)
            DrawQueueMark(BgLayer, AlbumCellCorner(cell).x + 4, AlbumCellCorner(cell).y + 4, position);
    }
    CreateMakeBMP();
    StartMenuFade(TaskCode::TASK_WAIT_SC_ALBUM_MENU);
}

void Engine::WaitScAlbumMenu() {
    EngineState& s = m_state;
    ScreenBuffer.CopyRect(0, 0, SceneImage, 0, 0, kScreenWidth, kScreenHeight);
    const AlbumHit hit = HitAlbumPage(s.CursorMain);
    const int scene = hit.cell != 0 ? SceneAlbumScene(hit.cell) : -1;
    const bool counted = hit.cell != 0 && SceneAvailable(scene);
    if (counted)
        DrawAlbumFrame(hit.cell);
    if (hit.button != 0)
        CopyHighlight(AlbumButton(hit.button));
    PresentIfChanged(m_platform, ScreenBuffer);
    if (!s.LeftClick)
        return;
    SpendHeldKeys();
    if (counted) {
        const int r = m_script.AddSceneTbl(scene);
        if (r == -1)
            StartReplay();
        else if (r >= 1)
            DrawQueueMark(SceneImage, AlbumCellCorner(hit.cell).x + 2, AlbumCellCorner(hit.cell).y + 2, r);
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
    ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
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
