// The title menu: start a new game, load, quit, or open the album.
#include "engine/menu_screens.h"

namespace hk {

void Engine::DispTitleMenu() {
    m_platform.ShowWindow(WindowId::Float, false);
    m_message.SetMsgFloatChecked(false);
    MenuItemNamed("ItemMsgFloat").checked = false;
    m_message.ClearMsgLog();
    PlayBGM(kTitleMusic, 1);
    LoadMenuScreen(kTitleMenuPicture, kTitleMenuParts);
    m_stage.CreateMakeBMP(m_state.Game);
    StartMenuFade(TaskCode::TASK_WAIT_TITLE_MENU);
    m_state.Game.CursorShown = 1;
    m_platform.SetCursorVisible(true);
}

void Engine::WaitTitleMenu() {
    EngineState& s = m_state;
    const int entry = ShowPictureMenu(kColumnMenu);
    if (!m_input.LeftClick())
        return;
    m_input.SpendHeldKeys();
    switch (entry) {
    case 0: // new game
        m_stage.ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
        s.Game.ContextMenuOn = 1;
        AttachContextMenu();
        PlayBGM(0, 0);
        m_message.ShowEmptyFloatWindow();
        m_platform.ShowWindow(WindowId::Float, MsgFloatChecked());
        m_script.ClearReturnTbl();
        m_message.ClearMsgLog();
        m_script.ClearScenarioFlg();
        m_message.StopSkipAndAuto();
        m_script.SetGamePlaying(true);
        SetTask(TaskCode::TASK_SCRIPT);
        break;
    case 1: // load
        m_platform.AttachContextMenu(&TitleLoadMenu);
        m_platform.PopupMenu(TitleLoadMenu,
                             m_platform.ClientToScreen(WindowId::Main, Point{kTitleLoadMenuX, kTitleLoadMenuY}));
        m_platform.AttachContextMenu(nullptr);
        break;
    case 2: // quit
        RequestClose();
        break;
    case 3: // album
        SetTask(TaskCode::TASK_DISP_ALBUM_MENU);
        break;
    default: break;
    }
}

} // namespace hk
