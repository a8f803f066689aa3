// The main form and its stage: what the script asks of the layers and transitions, passed on to
// the stage with the saved game's layer record, and what the stage asks of the game (the main
// window, the clock, the message window's slots, the CG marks, the shortcut and the hand-over).
#include "engine/engine.h"

namespace hk {

void Engine::SetBackground(int graphic) {
    m_stage.SetBackground(graphic, m_state.Game);
}

void Engine::SetCharacter(int layer, int graphic, int placement) {
    m_stage.SetCharacter(layer, graphic, placement, m_state.Game);
}

void Engine::ClearCharacters() {
    m_stage.ClearBitmap(1, m_state.Game);
    m_stage.ClearBitmap(2, m_state.Game);
}

void Engine::ComposeScene() {
    m_stage.ScreenBuffer().Assign(m_stage.SceneImage());
    m_stage.CreateMakeBMP(m_state.Game);
}

void Engine::StartFade(int duration_ms) {
    m_stage.StartFade(duration_ms);
    SetTask(TaskCode::TASK_EFFECT_01);
}

void Engine::StartWipe(int rule_graphic, int duration_ms, int strength) {
    m_stage.StartWipe(rule_graphic, duration_ms, strength);
    SetTask(TaskCode::TASK_EFFECT_11);
}

Bitmap& Engine::MainWindowSurface() {
    return m_platform.ClientSurface(WindowId::Main);
}

void Engine::InvalidateMainWindow() {
    m_platform.Invalidate(WindowId::Main);
}

bool Engine::MainWindowReadyForFrame() {
    return m_platform.ReadyForFrame(WindowId::Main);
}

std::uint32_t Engine::StageClock() {
    return m_platform.TickCount();
}

Bitmap* Engine::SlotSurface(int slot) {
    switch (slot) {
    case kMsgRuleSlot: return &m_message.MsgRuleImage();
    case kMsgFrameSlot: return &m_message.MsgFrameImage();
    case kChoiceSheetSlot: return &m_message.Select2Sheet();
    default: return nullptr;
    }
}

void Engine::NoteCgShown(int number) {
    if (number >= kCgFirst && number <= kCgLast)
        m_state.System.CgSeen[number - kCgFirst] = 1;
}

bool Engine::TransitionShortcutWanted() {
    const EngineState& s = m_state;
    // While the script keeps the cursor hidden nothing cuts a transition short.
    if (s.Game.CursorShown == 0)
        return false;
    return m_input.KeyControl() || m_message.SkipNow() || m_message.SkipMode() || m_message.ReadSkipMode() ||
           s.System.EffectsOn == 0;
}

void Engine::TransitionEnded(TaskCode next) {
    SetTask(next);
}

} // namespace hk
