// The music room: ten tracks to play, and the way back to the album menu.
#include "engine/menus/menu_screens.h"

namespace hk {

namespace {

// Hit areas run from their left/top up to, not including, their right/bottom; the table keeps
// the inclusive form of MenuEntry, so each right and bottom is one less.
constexpr MenuEntry kMusicEntries[] = {
    {200, 100, 349, 139, 200, 100, 150, 40}, {200, 150, 299, 189, 200, 150, 100, 40},
    {200, 190, 329, 229, 200, 190, 130, 40}, {210, 240, 319, 279, 210, 240, 110, 40},
    {220, 280, 379, 319, 220, 280, 160, 40}, {240, 320, 369, 359, 240, 320, 130, 40},
    {260, 370, 359, 409, 260, 370, 100, 40}, {270, 410, 379, 449, 270, 410, 110, 40},
    {290, 450, 399, 489, 290, 450, 110, 40}, {330, 490, 529, 529, 330, 490, 200, 40},
    {0, 560, 119, 599, 0, 560, 120, 40}, // back
};
constexpr int kMusicBack = 10;

} // namespace

void PictureMenus::DispBgmMenu() {
    m_host.PlayBGM(0, 0);
    LoadMenuScreen(kMusicRoomPicture, kMusicRoomParts);
    m_stage.CreateMakeBMP(m_host.Game());
    StartMenuFade(TaskCode::TASK_WAIT_BGM_MENU);
}

void PictureMenus::WaitBgmMenu() {
    const std::optional<int> entry = ChooseEntry(kMusicEntries, ShowPictureMenu(kMusicEntries), kMusicBack);
    if (!entry || *entry < 0)
        return;
    m_host.SpendHeldKeys();
    if (*entry < kMusicBack) {
        m_host.PlayBGM(*entry + 1, 1);
        return;
    }
    m_host.PlayBGM(kTitleMusic, 1);
    m_host.SetTask(TaskCode::TASK_DISP_ALBUM_MENU);
}

} // namespace hk
