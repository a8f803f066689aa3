// Showing a laid-out message and waiting for the player: the reveal through the rule image at the
// text speed (DispMessage), then the wait icon, advance by click, Return, Control, skip or the
// automatic delay, Space hiding the window and the log keys (WaitMessage).
#include "engine/engine.h"

#include "data/shift_jis.h"

#include <algorithm>
#include <cstring>

namespace hk {

namespace {

constexpr int kLevelsPerLine = 85;
constexpr int kRevealSoftness = 6;

} // namespace

std::u32string Engine::CurrentMessageText() const {
    const EngineState& s = m_state;
    const std::vector<std::string>& texts = m_script.MessageTexts();
    if (s.MsgNumber < 0 || static_cast<std::size_t>(s.MsgNumber) >= texts.size())
        throw EngineError("message " + std::to_string(s.MsgNumber) + " is not in scene " +
                          std::to_string(s.Game.CurrentScene) + " (it has " + std::to_string(texts.size()) +
                          " messages)");
    return SjisToUtf32(texts[static_cast<std::size_t>(s.MsgNumber)]);
}

void Engine::ShowMessage(const ScriptMessage& message) {
    EngineState& s = m_state;
    s.MsgNumber = message.number;
    s.VoiceNumber = message.voice;
    s.MsgIsChoice = 0;
    // Read-message skip goes on over read messages and ends at the first unread one.
    if (s.ReadSkipMode) {
        s.SkipNow = message.already_read ? 1 : 0;
        s.ReadSkipMode = s.SkipNow;
    }
    // While skipping, the voice is neither started nor stopped.
    if (!s.SkipNow) {
        if (message.voice == -1)
            m_sound.StopVoice();
        else
            m_sound.PlayVoice("VOICE\\" + SjisToUtf8(message.voice_name) + ".ogg", s.System.VoiceVolume);
    }
    MakeMessage(SjisToUtf32(message.text));
    s.MsgWindowVisible = 1;
    s.LogViewing = 0;
    SetTask(TaskCode::TASK_DISP_MESSAGE);
    s.RevealLevel = 0;
    if (MsgFloatChecked() && !m_platform.IsWindowVisible(WindowId::Float))
        m_platform.ShowWindow(WindowId::Float, true);
}

void Engine::HideMsgWindow() {
    if (MsgFloatChecked()) {
        m_platform.ShowWindow(WindowId::Float, false);
        return;
    }
    m_stage.ScreenBuffer().CopyRect(0, 0, m_stage.SceneImage(), 0, 0, kScreenWidth, kScreenHeight);
    m_stage.PresentScreen();
}

void Engine::ShowMsgWindow() {
    if (MsgFloatChecked()) {
        m_platform.ShowWindow(WindowId::Float, true);
        return;
    }
    m_stage.ScreenBuffer().CopyRect(0, kMsgWindowTop, MsgTextImage, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
    m_stage.PresentRect(MsgTextImage, 0, kMsgWindowTop);
}

bool Engine::WaitWithHiddenWindow() {
    EngineState& s = m_state;
    if (s.Game.ContextMenuOn == 1)
        AttachContextMenu();
    if (s.MsgWindowVisible != 0)
        return false;
    // Hidden by the player: Space, Return or a click only bring the window back.
    if (m_input.KeySpace() || m_input.KeyReturn() || m_input.LeftClick()) {
        ShowMsgWindow();
        m_input.SetInputLock(kLockAfterAnswer);
        s.MsgWindowVisible = 1;
        m_input.SpendHeldKeys();
    }
    return true;
}

void Engine::DispMessage() {
    EngineState& s = m_state;
    const bool floating = MsgFloatChecked();
    const bool first_tick = s.RevealLevel == 0;
    if (first_tick) {
        m_stage.ScreenBuffer().CopyRect(0, 0, m_stage.SceneImage(), 0, 0, kScreenWidth, kScreenHeight);
        MakeMessageBackground(MsgWindowImage);
        MsgRuleImage.BlueToGray8(SelectImage);
    }
    // The reveal draws the window, so the window is shown (also when the floating window is
    // switched while the player had hidden it).
    s.MsgWindowVisible = 1;
    const int level = s.RevealLevel;
    MsgTextImage.RuleBlendOnto(0, 0, kMsgWindowWidth, kMsgWindowHeight, 0, 0, SelectImage, MsgWindowImage,
                               static_cast<std::uint16_t>(std::clamp(level, 0, 0xFFFF)), kRevealSoftness);
    if (floating) {
        ShowOnFloatWindow(MsgWindowImage);
    } else {
        m_stage.ScreenBuffer().CopyRect(0, kMsgWindowTop, MsgWindowImage, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
        // The first tick shows the whole screen: the scene may have been composed without a
        // transition, and the window must show what ScreenBuffer holds.
        if (first_tick)
            m_stage.PresentScreen();
        else
            m_stage.PresentRect(MsgWindowImage, 0, kMsgWindowTop);
    }

    if (m_input.KeyReturn() || m_input.KeyControl() || m_input.LeftClick() || s.LogViewing || s.SkipNow)
        s.RevealLevel = 255;
    switch (s.System.TextSpeed) {
    case 1: s.RevealLevel += 1; break;
    case 2: s.RevealLevel += 4; break;
    case 3: s.RevealLevel = 255; break;
    default: break;
    }
    if (s.RevealLevel < s.MsgLineCount * kLevelsPerLine)
        return;

    if (floating) {
        ShowOnFloatWindow(MsgTextImage);
    } else {
        m_stage.ScreenBuffer().CopyRect(0, kMsgWindowTop, MsgTextImage, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
        m_stage.PresentRect(MsgTextImage, 0, kMsgWindowTop);
    }
    s.RevealLevel = 0;
    s.AutoElapsed = 0;
    SetTask(TaskCode::TASK_WAIT_MESSAGE);
    // A held Return must not also advance the message it just completed.
    if (m_input.KeyReturn())
        m_input.SetInputLock(kLockAfterReveal);
}

void Engine::WaitMessage() {
    EngineState& s = m_state;
    if (WaitWithHiddenWindow())
        return;

    if (s.LogViewing == 1) {
        if (m_input.KeyReturn() || m_input.LeftClick()) {
            // Back from the log to the current message or choice, shown at once.
            s.LogViewing = 0;
            if (s.MsgIsChoice) {
                MakeSelect(CurrentMessageText());
                SetTask(TaskCode::TASK_WAIT_SELECT);
                // The choice would otherwise take a still-held Return as its answer.
                if (m_input.KeyReturn())
                    m_input.SetInputLock(kLockAfterAnswer);
            } else {
                MakeMessage(CurrentMessageText());
                SetTask(TaskCode::TASK_DISP_MESSAGE);
            }
            s.RevealLevel = 255;
            m_input.SpendHeldKeys();
            return;
        }
        MsgLogKeys();
        return;
    }

    const bool manual = m_input.KeyReturn() || m_input.KeyControl() || s.SkipNow || m_input.LeftClick();
    const bool automatic = s.AutoMode && s.AutoElapsed >= s.System.AutoDelay * 1000;
    if (manual || automatic) {
        if (MsgFloatChecked()) {
            // The floating window stays empty while the script runs.
            MsgWindowImage.CopyRect(0, 0, m_stage.PartsImage(), 0, kMsgWindowTop, kMsgWindowWidth, kMsgWindowHeight);
            ShowOnFloatWindow(MsgWindowImage);
            m_platform.Sleep(1);
        }
        if (manual)
            s.AutoMode = 0;
        s.LogViewing = 0;
        SetTask(TaskCode::TASK_SCRIPT);
        if (m_input.KeyReturn())
            m_input.SetInputLock(kLockAfterAnswer);
        DetachContextMenu();
        AddMsgLog(CurrentMessageText(), s.VoiceNumber);
        return;
    }

    if (m_input.KeySpace()) {
        HideMsgWindow();
        s.AutoMode = 0;
        s.MsgWindowVisible = 0;
        m_input.SetInputLock(kLockAfterAnswer);
        m_input.SpendHeldKeys();
        return;
    }

    if (MsgLogKeys())
        return;
    if (s.LogViewing == 0 && s.Task == TaskCode::TASK_WAIT_MESSAGE)
        DrawWaitIcon();
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

void Engine::DrawWaitIcon() {
    constexpr int kIconSize = 32;
    constexpr int kIconX = 752;
    constexpr int kIconY = 128;
    const std::uint32_t now = m_platform.TickCount();
    const int frame = static_cast<int>((now / 55) & 7);
    const int cell_x = kIconSize * frame;
    const int cell_y = kIconSize;
    if (!m_stage.PartsImage().HasImage() || m_stage.PartsImage().Width() < cell_x + kIconSize ||
        m_stage.PartsImage().Height() < cell_y + kIconSize) {
        NoteWaitIconShown(std::nullopt);
        return;
    }

    const WindowId window = MsgFloatChecked() ? WindowId::Float : WindowId::Main;
    const int y_on_window = window == WindowId::Float ? kIconY : kMsgWindowTop + kIconY;
    Bitmap& surface = m_platform.ClientSurface(window);
    if (surface.Width() < kIconX + kIconSize || surface.Height() < y_on_window + kIconSize) {
        NoteWaitIconShown(std::nullopt);
        return;
    }
    // The loop need not wake for a frame that looks like the one shown now.
    const int frames_until_change = WaitIconFramesUntilChange(frame);
    NoteWaitIconShown(frames_until_change == 0 ? std::nullopt
                                               : std::optional(WaitIconFrameStart(now, frames_until_change)));
    // The icon changes every 55 ms but this runs every tick: leave the window alone while it still
    // shows this frame of the icon (anything drawn over it since makes the rows differ).
    constexpr std::size_t kIconRowBytes = kIconSize * 4;
    auto icon_intact = [&] {
        for (int y = 0; y < kIconSize; ++y)
            if (std::memcmp(surface.Pixel(kIconX, y_on_window + y), &m_wait_icon_pixels[y * kIconRowBytes],
                            kIconRowBytes) != 0)
                return false;
        return true;
    };
    const bool intact = window == m_wait_icon_window && icon_intact();
    if (frame == m_wait_icon_frame && intact)
        return;
    // The window's own pixels under the icon, then the icon with its key colour left out.
    surface.CopyRect(kIconX, y_on_window, MsgTextImage, kIconX, kIconY, kIconSize, kIconSize);
    const Color key = m_stage.PartsImage().GetColor(cell_x, cell_y);
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            if (m_stage.PartsImage().GetColor(cell_x + x, cell_y + y) == key)
                continue;
            const std::uint8_t* from = m_stage.PartsImage().Pixel(cell_x + x, cell_y + y);
            std::uint8_t* to = surface.Pixel(kIconX + x, y_on_window + y);
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
    // A frame that looks like the last one (an icon cell left blank) leaves the display alone.
    const bool same_pixels = intact && icon_intact();
    for (int y = 0; y < kIconSize; ++y)
        std::memcpy(&m_wait_icon_pixels[y * kIconRowBytes], surface.Pixel(kIconX, y_on_window + y), kIconRowBytes);
    m_wait_icon_frame = frame;
    m_wait_icon_window = window;
    if (!same_pixels)
        m_platform.InvalidateRect(window, kIconX, y_on_window, kIconSize, kIconSize);
}

} // namespace hk
