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
    return SceneImage;
}

std::uint64_t Engine::SceneSerial() {
    return m_scene_serial;
}

Bitmap& Engine::Screen() {
    return ScreenBuffer;
}

const Bitmap& Engine::Parts() {
    return PartsImage;
}

void Engine::LoadParts() {
    ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
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

MessageInput Engine::Input() {
    const EngineState& s = m_state;
    MessageInput in;
    in.KeyReturn = s.KeyReturn != 0;
    in.KeySpace = s.KeySpace != 0;
    in.KeyUp = s.KeyUp != 0;
    in.KeyDown = s.KeyDown != 0;
    in.KeyPageUp = s.KeyPageUp != 0;
    in.KeyPageDown = s.KeyPageDown != 0;
    in.KeyControl = s.KeyControl != 0;
    in.LeftClick = s.LeftClick != 0;
    in.CursorMain = s.CursorMain;
    in.CursorFloat = s.CursorFloat;
    return in;
}

void Engine::SetInputLock(int ticks) {
    m_state.InputLock = ticks;
}

TaskCode Engine::CurrentTask() {
    return m_state.Task;
}

void Engine::ChangeTask(TaskCode task) {
    SetTask(task);
}

int Engine::WaitIconFramesUntilChange(int frame) {
    constexpr int kIconSize = 32;
    if (m_idle.icon_changes_serial != m_parts_serial) {
        // Two cells look the same on the window when the same pixels are left out (their own
        // top-left colour) and the others have the same colours.
        auto same_cells = [this](int a, int b) {
            if (PartsImage.Width() < kIconSize * 8 || PartsImage.Height() < 2 * kIconSize)
                return false;
            const Color key_a = PartsImage.GetColor(kIconSize * a, kIconSize);
            const Color key_b = PartsImage.GetColor(kIconSize * b, kIconSize);
            for (int y = kIconSize; y < 2 * kIconSize; ++y)
                for (int x = 0; x < kIconSize; ++x) {
                    const Color pa = PartsImage.GetColor(kIconSize * a + x, y);
                    const Color pb = PartsImage.GetColor(kIconSize * b + x, y);
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
        m_idle.icon_changes_serial = m_parts_serial;
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
