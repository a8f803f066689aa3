// The script's messages and choices go to the message window, and the main form is the window's
// host: the screen and the scene, the windows, the sound, the script's lists, the settings, the
// input and the tasks. This is the one place that knows where the engine keeps each of them.
#include "engine/engine.h"

namespace hk {

void Engine::ShowMessage(const ScriptMessage& message) {
    m_message.ShowMessage(message);
}

void Engine::ShowChoice(int number, int voice, std::string_view text) {
    m_message.ShowChoice(number, voice, text);
}

void Engine::ShowFullScreenChoice(int number, int voice, std::string_view text) {
    m_message.ShowFullScreenChoice(number, voice, text);
}

const Bitmap& Engine::Scene() {
    return m_stage.SceneImage();
}

std::uint64_t Engine::SceneSerial() {
    return m_stage.SceneSerial();
}

Bitmap& Engine::Screen() {
    return m_stage.ScreenBuffer();
}

const Bitmap& Engine::Parts() {
    return m_stage.PartsImage();
}

void Engine::LoadParts() {
    m_stage.ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
}

void Engine::PresentScreen() {
    m_stage.PresentScreen();
}

void Engine::PresentRect(const Bitmap& source, int x, int y) {
    m_stage.PresentRect(source, x, y);
}

Bitmap& Engine::WindowSurface(WindowId window) {
    return m_platform.ClientSurface(window);
}

void Engine::Invalidate(WindowId window) {
    m_platform.Invalidate(window);
}

void Engine::InvalidateRect(WindowId window, int x, int y, int w, int h) {
    m_platform.InvalidateRect(window, x, y, w, h);
}

void Engine::ShowWindow(WindowId window, bool visible) {
    m_platform.ShowWindow(window, visible);
}

bool Engine::IsWindowVisible(WindowId window) {
    return m_platform.IsWindowVisible(window);
}

void Engine::PlaceFloatWindow() {
    m_platform.MoveWindow(WindowId::Float, m_platform.ClientToScreen(WindowId::Main, Point{0, kMsgWindowTop}));
}

void Engine::ApplyFloatRegion(const WindowShape& shape) {
    shape.ApplyRegion(m_platform, WindowId::Float);
}

void Engine::StartFloatDrag() {
    m_platform.StartWindowDrag(WindowId::Float);
}

void Engine::Sleep(std::uint32_t ms) {
    m_platform.Sleep(ms);
}

std::uint32_t Engine::TickCount() {
    return m_platform.TickCount();
}

RandomGenerator& Engine::Random() {
    return m_state.Random;
}

const std::vector<std::string>& Engine::MessageTexts() {
    return m_script.MessageTexts();
}

const std::vector<std::string>& Engine::VoiceNames() {
    return m_script.VoiceNames();
}

int Engine::CurrentScene() {
    return m_state.Game.CurrentScene;
}

void Engine::SetChoiceAnswer(int choice) {
    m_state.Game.ScenarioVars[0] = static_cast<std::int16_t>(choice);
}

int Engine::TextSpeed() {
    return m_state.System.TextSpeed;
}

int Engine::AutoDelay() {
    return m_state.System.AutoDelay;
}

bool Engine::ContextMenuOn() {
    return m_state.Game.ContextMenuOn == 1;
}

MessageInput Engine::InputNow() {
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

void Engine::PlayVoice(const std::string& path) {
    m_sound.PlayVoice(path, m_state.System.VoiceVolume);
}

void Engine::StopVoice() {
    m_sound.StopVoice();
}

void Engine::SetInputLock(int ticks) {
    m_input.SetInputLock(ticks);
}

void Engine::SpendHeldKeys() {
    m_input.SpendHeldKeys();
}

void Engine::SetCurPos(int x, int y) {
    m_input.SetCurPos(x, y);
}

void Engine::SetFloatCurPos(int x, int y) {
    m_input.SetFloatCurPos(x, y);
}

void Engine::LatchMouseDown(MouseButton button) {
    m_input.LatchMouseDown(button);
}

TaskCode Engine::CurrentTask() {
    return m_state.Task;
}

void Engine::ChangeTask(TaskCode task) {
    SetTask(task);
}

int Engine::WaitIconFramesUntilChange(int frame) {
    constexpr int kIconSize = 32;
    if (m_idle.icon_changes_serial != m_stage.PartsSerial()) {
        // Two cells look the same on the window when the same pixels are left out (their own
        // top-left colour) and the others have the same colours.
        auto same_cells = [this](int a, int b) {
            if (m_stage.PartsImage().Width() < kIconSize * 8 || m_stage.PartsImage().Height() < 2 * kIconSize)
                return false;
            const Color key_a = m_stage.PartsImage().GetColor(kIconSize * a, kIconSize);
            const Color key_b = m_stage.PartsImage().GetColor(kIconSize * b, kIconSize);
            for (int y = kIconSize; y < 2 * kIconSize; ++y)
                for (int x = 0; x < kIconSize; ++x) {
                    const Color pa = m_stage.PartsImage().GetColor(kIconSize * a + x, y);
                    const Color pb = m_stage.PartsImage().GetColor(kIconSize * b + x, y);
                    if ((pa == key_a) != (pb == key_b) || (pa != key_a && pa != pb))
                        return false;
                }
            return true;
        };
        for (int f = 0; f < 8; ++f) {
            m_idle.icon_changes_after[static_cast<std::size_t>(f)] = 0;
            for (int k = 1; k < 8; ++k)
                if (!same_cells(f, (f + k) & 7)) {
                    m_idle.icon_changes_after[static_cast<std::size_t>(f)] = static_cast<std::uint8_t>(k);
                    break;
                }
        }
        m_idle.icon_changes_serial = m_stage.PartsSerial();
    }
    return m_idle.icon_changes_after[static_cast<std::size_t>(frame & 7)];
}

void Engine::NoteWaitIcon(int frame, std::uint32_t now) {
    if (frame < 0) {
        NoteWaitIconShown(std::nullopt);
        return;
    }
    // The loop need not wake for a frame that looks like the one shown now.
    const int frames_until_change = WaitIconFramesUntilChange(frame);
    NoteWaitIconShown(frames_until_change == 0 ? std::nullopt
                                               : std::optional(WaitIconFrameStart(now, frames_until_change)));
}

} // namespace hk
