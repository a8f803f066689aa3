#include "engine/menu_wiring.h"

#include "engine/engine.h"

namespace hk {

Point MenuWiring::Pointer() {
    return m_input.CursorMain();
}

bool MenuWiring::LeftClick() {
    return m_input.LeftClick();
}

bool MenuWiring::KeyReturn() {
    return m_input.KeyReturn();
}

void MenuWiring::SpendHeldKeys() {
    m_input.SpendHeldKeys();
}

FocusKeys MenuWiring::FocusKeysNow() {
    return FocusKeys{m_input.KeyUp(), m_input.KeyDown(), m_input.KeyLeft(), m_input.KeyRight(), m_input.KeyEscape()};
}

void MenuWiring::MovePointerForFocus(Point p) {
    m_input.SetCurPos(p.x, p.y);
    m_input.SpendCursorKeys();
}

GameData& MenuWiring::Game() {
    return m_state.Game;
}

const SystemData& MenuWiring::System() {
    return m_state.System;
}

void MenuWiring::SetTask(TaskCode task, std::optional<TaskCode> return_task) {
    m_engine.SetTask(task, return_task);
}

void MenuWiring::PlayBGM(int number, int loop) {
    m_sound.PlayGameBGM(m_state.Game, number, loop, m_state.System.BgmVolume);
}

Bitmap& MenuWiring::MainWindowSurface() {
    return m_platform.ClientSurface(WindowId::Main);
}

void MenuWiring::InvalidateMainWindow() {
    m_platform.Invalidate(WindowId::Main);
}

void MenuWiring::ClearSceneQueue() {
    m_script.ClearSceneTable();
}

int MenuWiring::SceneQueuePosition(int scene) {
    return m_script.GetSceneTbl(scene);
}

int MenuWiring::QueueScene(int scene) {
    return m_script.AddSceneTbl(scene);
}

void MenuWiring::ResetForTitle() {
    m_platform.ShowWindow(WindowId::Float, false);
    m_message.SetMsgFloatChecked(false);
    m_engine.Commands().MenuItemNamed("ItemMsgFloat").checked = false;
    m_message.ClearMsgLog();
}

void MenuWiring::ShowCursor() {
    m_state.Game.CursorShown = 1;
    m_platform.SetCursorVisible(true);
}

void MenuWiring::StartNewGame() {
    m_stage.ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
    m_state.Game.ContextMenuOn = 1;
    m_engine.Commands().AttachContextMenu();
    PlayBGM(0, 0);
    m_message.ShowEmptyFloatWindow();
    m_platform.ShowWindow(WindowId::Float, m_message.MsgFloatChecked());
    m_script.ClearReturnTbl();
    m_message.ClearMsgLog();
    m_script.ClearScenarioFlg();
    m_message.StopSkipAndAuto();
    m_script.SetGamePlaying(true);
    m_engine.SetTask(TaskCode::TASK_SCRIPT);
}

void MenuWiring::OpenTitleLoadMenu() {
    m_engine.Commands().PopupTitleLoadMenu(
        m_platform.ClientToScreen(WindowId::Main, Point{kTitleLoadMenuX, kTitleLoadMenuY}));
}

void MenuWiring::RequestClose() {
    m_engine.RequestClose();
}

void MenuWiring::StartReplay() {
    m_stage.ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
    m_state.Game.ContextMenuOn = 1;
    m_engine.Commands().AttachContextMenu();
    PlayBGM(0, 0);
    m_script.BeginReplay();
    m_message.StopSkipAndAuto();
    m_message.ShowEmptyFloatWindow();
    m_platform.ShowWindow(WindowId::Float, m_message.MsgFloatChecked());
    m_engine.SetTask(TaskCode::TASK_SCRIPT);
}

} // namespace hk
