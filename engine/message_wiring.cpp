// The message window's host: the screen and the scene, the windows, the sound, the script's lists,
// the settings, the input and the tasks. This is the one place that knows where the engine keeps
// each of them.
#include "engine/message_wiring.h"

#include "engine/engine.h"

namespace hk {

const Bitmap& MessageWiring::Scene() {
    return m_stage.SceneImage();
}

std::uint64_t MessageWiring::SceneSerial() {
    return m_stage.SceneSerial();
}

Bitmap& MessageWiring::Screen() {
    return m_stage.ScreenBuffer();
}

const Bitmap& MessageWiring::Parts() {
    return m_stage.PartsImage();
}

void MessageWiring::LoadParts() {
    m_stage.ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
}

void MessageWiring::PresentScreen() {
    m_stage.PresentScreen();
}

void MessageWiring::PresentRect(const Bitmap& source, int x, int y) {
    m_stage.PresentRect(source, x, y);
}

Bitmap& MessageWiring::WindowSurface(WindowId window) {
    return m_platform.ClientSurface(window);
}

void MessageWiring::Invalidate(WindowId window) {
    m_platform.Invalidate(window);
}

void MessageWiring::InvalidateRect(WindowId window, int x, int y, int w, int h) {
    m_platform.InvalidateRect(window, x, y, w, h);
}

void MessageWiring::ShowWindow(WindowId window, bool visible) {
    m_platform.ShowWindow(window, visible);
}

bool MessageWiring::IsWindowVisible(WindowId window) {
    return m_platform.IsWindowVisible(window);
}

void MessageWiring::PlaceFloatWindow() {
    m_platform.MoveWindow(WindowId::Float, m_platform.ClientToScreen(WindowId::Main, Point{0, kMsgWindowTop}));
}

void MessageWiring::ApplyFloatRegion(const WindowShape& shape) {
    shape.ApplyRegion(m_platform, WindowId::Float);
}

void MessageWiring::StartFloatDrag() {
    m_platform.StartWindowDrag(WindowId::Float);
}

void MessageWiring::Sleep(std::uint32_t ms) {
    m_platform.Sleep(ms);
}

std::uint32_t MessageWiring::TickCount() {
    return m_platform.TickCount();
}

RandomGenerator& MessageWiring::Random() {
    return m_state.Random;
}

const std::vector<std::string>& MessageWiring::MessageTexts() {
    return m_script.MessageTexts();
}

const std::vector<std::string>& MessageWiring::VoiceNames() {
    return m_script.VoiceNames();
}

int MessageWiring::CurrentScene() {
    return m_state.Game.CurrentScene;
}

void MessageWiring::SetChoiceAnswer(int choice) {
    m_state.Game.ScenarioVars[0] = static_cast<std::int16_t>(choice);
}

int MessageWiring::TextSpeed() {
    return m_state.System.TextSpeed;
}

int MessageWiring::AutoDelay() {
    return m_state.System.AutoDelay;
}

bool MessageWiring::ContextMenuOn() {
    return m_state.Game.ContextMenuOn == 1;
}

MessageInput MessageWiring::InputNow() {
    MessageInput in;
    in.KeyReturn = m_input.KeyReturn();
    in.KeySpace = m_input.KeySpace();
    in.KeyUp = m_input.KeyUp();
    in.KeyDown = m_input.KeyDown();
    in.KeyPageUp = m_input.KeyPageUp();
    in.KeyPageDown = m_input.KeyPageDown();
    in.KeyControl = m_input.KeyControl();
    in.LeftClick = m_input.LeftClick();
    in.CursorMain = m_input.CursorMain();
    in.CursorFloat = m_input.CursorFloat();
    return in;
}

void MessageWiring::PlayVoice(const std::string& path) {
    m_sound.PlayVoice(path, m_state.System.VoiceVolume);
}

void MessageWiring::StopVoice() {
    m_sound.StopVoice();
}

void MessageWiring::SetInputLock(int ticks) {
    m_input.SetInputLock(ticks);
}

void MessageWiring::SpendHeldKeys() {
    m_input.SpendHeldKeys();
}

void MessageWiring::SetCurPos(int x, int y) {
    m_input.SetCurPos(x, y);
}

void MessageWiring::SetFloatCurPos(int x, int y) {
    m_input.SetFloatCurPos(x, y);
}

void MessageWiring::LatchMouseDown(MouseButton button) {
    m_input.LatchMouseDown(button);
}

TaskCode MessageWiring::CurrentTask() {
    return m_state.Task;
}

void MessageWiring::ChangeTask(TaskCode task) {
    m_engine.SetTask(task);
}

void MessageWiring::AttachContextMenu() {
    m_engine.Commands().AttachContextMenu();
}

void MessageWiring::DetachContextMenu() {
    m_engine.Commands().DetachContextMenu();
}

void MessageWiring::NoteWaitIcon(int frame, std::uint32_t now) {
    m_engine.NoteWaitIcon(frame, now);
}

} // namespace hk
