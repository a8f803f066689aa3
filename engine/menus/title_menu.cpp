// The title menu: start a new game, load, quit, or open the album.
#include "engine/menus/menu_screens.h"

namespace hk {

void PictureMenus::DispTitleMenu() {
    m_host.ResetForTitle();
    m_host.PlayBGM(kTitleMusic, 1);
    LoadMenuScreen(kTitleMenuPicture, kTitleMenuParts);
    m_stage.CreateMakeBMP(m_host.Game());
    StartMenuFade(TaskCode::TASK_WAIT_TITLE_MENU);
    m_host.ShowCursor();
}

void PictureMenus::WaitTitleMenu() {
    const std::optional<int> entry = ChooseEntry(kColumnMenu, ShowPictureMenu(kColumnMenu), -1);
    if (!entry)
        return;
    m_host.SpendHeldKeys();
    switch (*entry) {
    case 0: m_host.StartNewGame(); break;
    case 1: m_host.OpenTitleLoadMenu(); break;
    case 2: m_host.RequestClose(); break;
    case 3: m_host.SetTask(TaskCode::TASK_DISP_ALBUM_MENU); break;
    default: break;
    }
}

} // namespace hk
