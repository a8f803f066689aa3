// The script machine's host: what the script asks of the layers and transitions, passed on to the
// stage with the saved game's layer record; the text, passed on to the message window; the system
// sub-commands (the mouse cursor, the two saved mode flags, the floating window and the random
// draw); the music, the waits and the hand-over.
#include "engine/script_wiring.h"

#include "engine/engine.h"

namespace hk {

void ScriptWiring::SetBackground(int graphic) {
    m_stage.SetBackground(graphic, m_state.Game);
}

void ScriptWiring::SetCharacter(int layer, int graphic, int placement) {
    m_stage.SetCharacter(layer, graphic, placement, m_state.Game);
}

void ScriptWiring::ClearCharacters() {
    m_stage.ClearBitmap(1, m_state.Game);
    m_stage.ClearBitmap(2, m_state.Game);
}

void ScriptWiring::ComposeScene() {
    m_stage.ScreenBuffer().Assign(m_stage.SceneImage());
    m_stage.CreateMakeBMP(m_state.Game);
}

void ScriptWiring::StartFade(int duration_ms) {
    m_stage.StartFade(duration_ms);
    m_engine.SetTask(TaskCode::TASK_EFFECT_01);
}

void ScriptWiring::StartWipe(int rule_graphic, int duration_ms, int strength) {
    m_stage.StartWipe(rule_graphic, duration_ms, strength);
    m_engine.SetTask(TaskCode::TASK_EFFECT_11);
}

void ScriptWiring::PlayBGM(int number, int loop) {
    m_sound.PlayGameBGM(m_state.Game, number, loop, m_state.System.BgmVolume);
}

void ScriptWiring::PlaySE(int kind, int number, int loop) {
    m_sound.PlaySE(kind, number, loop, m_state.System.SeVolume);
}

void ScriptWiring::ShowMessage(const ScriptMessage& message) {
    m_message.ShowMessage(message);
}

void ScriptWiring::ShowChoice(int number, int voice, std::string_view text) {
    m_message.ShowChoice(number, voice, text);
}

void ScriptWiring::ShowFullScreenChoice(int number, int voice, std::string_view text) {
    m_message.ShowFullScreenChoice(number, voice, text);
}

void ScriptWiring::WaitFor(int ms) {
    m_state.WaitUntil = m_platform.TickCount() + static_cast<std::uint32_t>(ms);
    m_engine.SetTask(TaskCode::TASK_WAIT);
}

void ScriptWiring::HandOver(TaskCode task) {
    m_engine.SetTask(task);
}

void ScriptWiring::SetCursorShown(bool shown) {
    m_state.Game.CursorShown = shown ? 1 : 0;
    m_platform.SetCursorVisible(shown);
}

void ScriptWiring::SetAuxFlag(bool on) {
    m_state.Game.AuxFlag = on ? 1 : 0;
}

void ScriptWiring::SetContextMenuOn(bool on) {
    m_state.Game.ContextMenuOn = on ? 1 : 0;
}

void ScriptWiring::ShowFloatWindow(bool visible) {
    // Only while the player has the floating window switched on.
    if (m_message.MsgFloatChecked())
        m_platform.ShowWindow(WindowId::Float, visible);
}

std::uint32_t ScriptWiring::DrawRandom(std::uint32_t below) {
    return m_state.Random.Random(below);
}

// The end of a scene replayed from the album: back to the album's music, floating window off.
void ScriptWiring::LeaveReplay() {
    m_platform.ShowWindow(WindowId::Float, false);
    m_message.SetMsgFloatChecked(false);
    m_sound.PlayGameBGM(m_state.Game, kAlbumMusic, 1, m_state.System.BgmVolume);
}

} // namespace hk
