// The album menu, the CG album (pages and picture viewer) and the scene album with its replay
// queue.
#include "engine/menu_screens.h"

#include "gfx/abitmap_text.h"

#include <cstring>

namespace hk {

namespace {

int WrapPage(int page) { return page < 1 ? 8 : page > 8 ? 1 : page; }

// The album pages are composed on every tick; the display is only asked to repaint when the
// picture differs from what the window shows (the pointer went to another cell or button).
void PresentIfChanged(Platform& platform, const TABitmap& screen) {
    TABitmap& shown = platform.ClientSurface(WindowId::Main);
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

void TForm1::DispAlbumMenu() {
    LoadMenuScreen(23, 24);
    CreateMakeBMP();
    StartMenuFade(TaskCode::TASK_WAIT_ALBUM_MENU);
}

void TForm1::WaitAlbumMenu() {
    EngineState& s = m_state;
    const int entry = ShowPictureMenu(kColumnMenu);
    if (!s.LeftClick)
        return;
    switch (entry) {
    case 0:
        s.AlbumPage = 1;
        s.Task = TaskCode::TASK_DISP_CG_ALBUM_MENU;
        break;
    case 1:
        std::fill(s.SceneTable.begin(), s.SceneTable.end(), 0);
        s.AlbumPage = 1;
        s.Task = TaskCode::TASK_DISP_SC_ALBUM_MENU;
        break;
    case 2: s.Task = TaskCode::TASK_DISP_BGM_MENU; break;
    case 3: s.Task = TaskCode::TASK_DISP_TITLE_MENU; break;
    default: break;
    }
}

// ---- CG album ----

int TForm1::CgAlbumGraphic(int cell, int picture) const {
    const int page = std::clamp(m_state.AlbumPage, 1, 8);
    if (cell < 1 || cell > 12 || picture < 1 || picture > 5)
        return -1;
    return m_state.CgAlbumTable[page - 1][cell - 1][picture - 1];
}

bool TForm1::CgSeenFlag(int graphic) const {
    return graphic >= kCgFirst && graphic <= kCgLast && m_state.System.CgSeen[graphic - kCgFirst] != 0;
}

void TForm1::DispCgAlbumMenu() {
    LoadMenuScreen(50 + m_state.AlbumPage, 50);
    for (int cell = 1; cell <= 12; ++cell) {
        const int g = CgAlbumGraphic(cell, 1);
        if (g != -1 && !CgSeenFlag(g))
            DrawAlbumLock(cell);
    }
    CreateMakeBMP();
    StartMenuFade(TaskCode::TASK_WAIT_CG_ALBUM_MENU);
}

void TForm1::WaitCgAlbumMenu() {
    EngineState& s = m_state;
    ScreenBuffer.CopyRect(0, 0, SceneImage, 0, 0, 800, 600);
    const AlbumHit hit = HitAlbumPage(s.CursorMain);
    const bool counted = hit.cell != 0 && CgAlbumGraphic(hit.cell, 1) != -1 && CgSeenFlag(CgAlbumGraphic(hit.cell, 1));
    if (counted)
        DrawAlbumFrame(hit.column, hit.row);
    if (hit.button != 0)
        CopyHighlight(AlbumButton(hit.button));
    PresentIfChanged(m_platform, ScreenBuffer);
    if (!s.LeftClick)
        return;
    if (counted) {
        m_album_cell = hit.cell;
        m_album_picture = 1;
        s.Task = TaskCode::TASK_DISP_CG_ALBUM;
    } else if (hit.button == 2 || hit.button == 3) {
        s.AlbumPage = WrapPage(s.AlbumPage + (hit.button == 2 ? -1 : 1));
        s.Task = TaskCode::TASK_DISP_CG_ALBUM_MENU;
    } else if (hit.button == 1) {
        s.Task = TaskCode::TASK_DISP_ALBUM_MENU;
    }
}

void TForm1::DispCgAlbum() {
    ReadGraphic(0, CgAlbumGraphic(m_album_cell, m_album_picture), 0);
    ClearBitmap(1);
    ClearBitmap(2);
    CreateMakeBMP();
    StartMenuFade(TaskCode::TASK_WAIT_CG_ALBUM);
}

void TForm1::WaitCgAlbum() {
    EngineState& s = m_state;
    if (!s.KeyReturn && !s.LeftClick)
        return;
    // The next seen picture of the cell; positions 1..4 are shown, 5 never.
    for (;;) {
        ++m_album_picture;
        if (m_album_picture >= 5) {
            s.Task = TaskCode::TASK_DISP_CG_ALBUM_MENU;
            return;
        }
        const int g = CgAlbumGraphic(m_album_cell, m_album_picture);
        if (g == -1) {
            s.Task = TaskCode::TASK_DISP_CG_ALBUM_MENU;
            return;
        }
        if (CgSeenFlag(g)) {
            s.Task = TaskCode::TASK_DISP_CG_ALBUM;
            return;
        }
    }
}

// ---- Scene album ----

int TForm1::SceneAlbumScene(int cell) const {
    const int page = std::clamp(m_state.AlbumPage, 1, 8);
    return cell >= 1 && cell <= 12 ? m_state.SceneAlbumTable[page - 1][cell - 1] : -1;
}

bool TForm1::SceneAvailable(int scene) const {
    return scene >= 1 && scene <= kVariableCount && m_state.System.SystemVars[scene - 1] != 0;
}

void TForm1::DrawQueueMark(TABitmap& surface, int x, int y, int position) {
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

void TForm1::DispScAlbumMenu() {
    LoadMenuScreen(60 + m_state.AlbumPage, 50);
    const int cells = m_state.AlbumPage == 8 ? 11 : 12;
    for (int cell = 1; cell <= cells; ++cell)
        if (!SceneAvailable(SceneAlbumScene(cell)))
            DrawAlbumLock(cell);
    for (int cell = 1; cell <= 12; ++cell) {
        const int position = GetSceneTbl(SceneAlbumScene(cell));
        if (position != -1)
            DrawQueueMark(BgLayer, 23 + 153 * ((cell - 1) % 3), 80 + 120 * ((cell - 1) / 3), position);
    }
    CreateMakeBMP();
    StartMenuFade(TaskCode::TASK_WAIT_SC_ALBUM_MENU);
}

void TForm1::WaitScAlbumMenu() {
    EngineState& s = m_state;
    ScreenBuffer.CopyRect(0, 0, SceneImage, 0, 0, 800, 600);
    const AlbumHit hit = HitAlbumPage(s.CursorMain);
    const int scene = hit.cell != 0 ? SceneAlbumScene(hit.cell) : -1;
    const bool counted = hit.cell != 0 && SceneAvailable(scene);
    if (counted)
        DrawAlbumFrame(hit.column, hit.row);
    if (hit.button != 0)
        CopyHighlight(AlbumButton(hit.button));
    PresentIfChanged(m_platform, ScreenBuffer);
    if (!s.LeftClick)
        return;
    if (counted) {
        const int r = AddSceneTbl(scene);
        if (r == -1)
            StartReplay();
        else if (r >= 1)
            DrawQueueMark(SceneImage, 21 + 153 * (hit.column - 1), 78 + 120 * (hit.row - 1), r);
    } else if (hit.button == 2 || hit.button == 3) {
        s.AlbumPage = WrapPage(s.AlbumPage + (hit.button == 2 ? -1 : 1));
        s.Task = TaskCode::TASK_DISP_SC_ALBUM_MENU;
    } else if (hit.button == 1) {
        s.Task = TaskCode::TASK_DISP_ALBUM_MENU;
    }
}

void TForm1::StartReplay() {
    EngineState& s = m_state;
    ReadGraphic(9, 10, 0);
    s.Game.ContextMenuOn = 1;
    AttachContextMenu();
    PlayBGM(0, 0);
    ClearReturnTbl();
    s.SceneTableIndex = 1;
    ReadScript(s.SceneTable[1]);
    s.Game.ScriptStep = -1;
    s.SkipNow = 0;
    s.AutoMode = 0;
    s.ReadSkipMode = 0;
    s.GamePlaying = 0;
    MsgWindowImage.CopyRect(0, 0, PartsImage, 0, 424, 800, 176);
    ShowOnFloatWindow(MsgWindowImage);
    m_platform.ShowWindow(WindowId::Float, m_msg_float_checked);
    s.Task = TaskCode::TASK_SCRIPT;
}

} // namespace hk
