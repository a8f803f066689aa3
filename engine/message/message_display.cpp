// Showing a laid-out message and waiting for the player: the reveal through the rule image at the
// text speed (DispMessage), then the wait icon, advance by click, Return, Control, skip or the
// automatic delay, Space hiding the window and the log keys (WaitMessage).
#include "engine/message/message_window.h"

#include "core/engine_error.h"
#include "data/shift_jis.h"
#include "engine/screen_layout.h"

#include <algorithm>
#include <cstring>

namespace hk {

namespace {

constexpr int kLevelsPerLine = 85;
constexpr int kRevealSoftness = 6;

} // namespace

MessageWindow::MessageWindow(MessageHost& host) : m_host(host) {}

void MessageWindow::CreateSurfaces() {
    auto make = [](Bitmap& b) {
        b.SetSize(kMsgWindowWidth, kMsgWindowHeight);
        b.Fill(kBlack);
    };
    m_msg_frame_image = Bitmap();
    make(m_msg_text_image);
    make(m_select_work_image);
    make(m_select_image);
    make(m_msg_window_image);
    make(m_msg_rule_image);
    // Made afresh for every choice of the second kind (MakeFullScreenChoice).
    m_select2_sheet = Bitmap();
    m_select2_image = Bitmap();
    m_select2_work_image = Bitmap();
}

void MessageWindow::SetLineRules(int line_chars, int max_lines, std::u32string no_line_start,
                                 std::u32string no_line_end) {
    m_msg_line_chars = line_chars;
    m_msg_max_lines = max_lines;
    m_no_line_start = std::move(no_line_start);
    m_no_line_end = std::move(no_line_end);
}

std::u32string MessageWindow::CurrentMessageText() const {
    const std::vector<std::string>& texts = m_host.MessageTexts();
    if (m_msg_number < 0 || static_cast<std::size_t>(m_msg_number) >= texts.size())
        throw EngineError("message " + std::to_string(m_msg_number) + " is not in scene " +
                          std::to_string(m_host.CurrentScene()) + " (it has " + std::to_string(texts.size()) +
                          " messages)");
    return SjisToUtf32(texts[static_cast<std::size_t>(m_msg_number)]);
}

void MessageWindow::ShowMessage(const ScriptMessage& message) {
    m_msg_number = message.number;
    m_voice_number = message.voice;
    m_msg_is_choice = false;
    // Read-message skip goes on over read messages and ends at the first unread one.
    if (m_read_skip_mode) {
        m_skip_now = message.already_read;
        m_read_skip_mode = m_skip_now;
    }
    // While skipping, the voice is neither started nor stopped.
    if (!m_skip_now) {
        if (message.voice == -1)
            m_host.StopVoice();
        else
            m_host.PlayVoice("VOICE\\" + SjisToUtf8(message.voice_name) + ".ogg");
    }
    MakeMessage(SjisToUtf32(message.text));
    m_msg_window_visible = true;
    m_log_viewing = false;
    m_host.ChangeTask(TaskCode::TASK_DISP_MESSAGE);
    m_reveal_level = 0;
    if (MsgFloatChecked() && !m_host.IsWindowVisible(WindowId::Float))
        m_host.ShowWindow(WindowId::Float, true);
}

void MessageWindow::HideMsgWindow() {
    if (MsgFloatChecked()) {
        m_host.ShowWindow(WindowId::Float, false);
        return;
    }
    m_host.Screen().CopyRect(0, 0, m_host.Scene(), 0, 0, kScreenWidth, kScreenHeight);
    m_host.PresentScreen();
}

void MessageWindow::ShowMsgWindow() {
    if (MsgFloatChecked()) {
        m_host.ShowWindow(WindowId::Float, true);
        return;
    }
    m_host.Screen().CopyRect(0, kMsgWindowTop, m_msg_text_image, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
    m_host.PresentRect(m_msg_text_image, 0, kMsgWindowTop);
}

void MessageWindow::ToggleMsgWindow() {
    if (m_host.CurrentTask() == TaskCode::TASK_WAIT_SELECT2) {
        if (m_select2_visible) {
            m_host.Screen().CopyRect(0, 0, m_host.Scene(), 0, 0, kScreenWidth, kScreenHeight);
            m_host.PresentScreen();
            m_select2_visible = false;
        } else {
            m_select2_visible = true;
        }
        return;
    }
    if (m_msg_window_visible)
        HideMsgWindow();
    else
        ShowMsgWindow();
    m_msg_window_visible = !m_msg_window_visible;
}

bool MessageWindow::WaitWithHiddenWindow() {
    if (m_host.ContextMenuOn())
        m_host.AttachContextMenu();
    if (m_msg_window_visible)
        return false;
    // Hidden by the player: Space, Return or a click only bring the window back.
    const MessageInput in = m_host.InputNow();
    if (in.KeySpace || in.KeyReturn || in.LeftClick) {
        ShowMsgWindow();
        m_host.SetInputLock(kLockAfterAnswer);
        m_msg_window_visible = true;
        m_host.SpendHeldKeys();
    }
    return true;
}

void MessageWindow::DispMessage() {
    const bool floating = MsgFloatChecked();
    const bool first_tick = m_reveal_level == 0;
    Bitmap& screen = m_host.Screen();
    if (first_tick) {
        screen.CopyRect(0, 0, m_host.Scene(), 0, 0, kScreenWidth, kScreenHeight);
        MakeMessageBackground(m_msg_window_image);
        m_msg_rule_image.BlueToGray8(m_select_image);
    }
    // The reveal draws the window, so the window is shown (also when the floating window is
    // switched while the player had hidden it).
    m_msg_window_visible = true;
    const int level = m_reveal_level;
    m_msg_text_image.RuleBlendOnto(0, 0, kMsgWindowWidth, kMsgWindowHeight, 0, 0, m_select_image, m_msg_window_image,
                                   static_cast<std::uint16_t>(std::clamp(level, 0, 0xFFFF)), kRevealSoftness);
    if (floating) {
        ShowOnFloatWindow(m_msg_window_image);
    } else {
        screen.CopyRect(0, kMsgWindowTop, m_msg_window_image, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
        // The first tick shows the whole screen: the scene may have been composed without a
        // transition, and the window must show what ScreenBuffer holds.
        if (first_tick)
            m_host.PresentScreen();
        else
            m_host.PresentRect(m_msg_window_image, 0, kMsgWindowTop);
    }

    const MessageInput in = m_host.InputNow();
    if (in.KeyReturn || in.KeyControl || in.LeftClick || m_log_viewing || m_skip_now)
        m_reveal_level = 255;
    switch (m_host.TextSpeed()) {
    case 1: m_reveal_level += 1; break;
    case 2: m_reveal_level += 4; break;
    case 3: m_reveal_level = 255; break;
    default: break;
    }
    if (m_reveal_level < m_msg_line_count * kLevelsPerLine)
        return;

    if (floating) {
        ShowOnFloatWindow(m_msg_text_image);
    } else {
        screen.CopyRect(0, kMsgWindowTop, m_msg_text_image, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
        m_host.PresentRect(m_msg_text_image, 0, kMsgWindowTop);
    }
    m_reveal_level = 0;
    m_auto_elapsed = 0;
    m_host.ChangeTask(TaskCode::TASK_WAIT_MESSAGE);
    // A held Return must not also advance the message it just completed.
    if (in.KeyReturn)
        m_host.SetInputLock(kLockAfterReveal);
}

void MessageWindow::WaitMessage() {
    if (WaitWithHiddenWindow())
        return;

    const MessageInput in = m_host.InputNow();
    if (m_log_viewing) {
        if (in.KeyReturn || in.LeftClick) {
            // Back from the log to the current message or choice, shown at once.
            m_log_viewing = false;
            if (m_msg_is_choice) {
                MakeSelect(CurrentMessageText());
                m_host.ChangeTask(TaskCode::TASK_WAIT_SELECT);
                // The choice would otherwise take a still-held Return as its answer.
                if (in.KeyReturn)
                    m_host.SetInputLock(kLockAfterAnswer);
            } else {
                MakeMessage(CurrentMessageText());
                m_host.ChangeTask(TaskCode::TASK_DISP_MESSAGE);
            }
            m_reveal_level = 255;
            m_host.SpendHeldKeys();
            return;
        }
        MsgLogKeys();
        return;
    }

    const bool manual = in.KeyReturn || in.KeyControl || m_skip_now || in.LeftClick;
    const bool automatic = m_auto_mode && m_auto_elapsed >= m_host.AutoDelay() * 1000;
    if (manual || automatic) {
        if (MsgFloatChecked()) {
            // The floating window stays empty while the script runs.
            ShowEmptyFloatWindow();
            m_host.Sleep(1);
        }
        if (manual)
            m_auto_mode = false;
        m_log_viewing = false;
        m_host.ChangeTask(TaskCode::TASK_SCRIPT);
        if (in.KeyReturn)
            m_host.SetInputLock(kLockAfterAnswer);
        m_host.DetachContextMenu();
        AddMsgLog(CurrentMessageText(), m_voice_number);
        return;
    }

    if (in.KeySpace) {
        HideMsgWindow();
        m_auto_mode = false;
        m_msg_window_visible = false;
        m_host.SetInputLock(kLockAfterAnswer);
        m_host.SpendHeldKeys();
        return;
    }

    if (MsgLogKeys())
        return;
    if (!m_log_viewing && m_host.CurrentTask() == TaskCode::TASK_WAIT_MESSAGE)
        DrawWaitIcon();
}

void MessageWindow::DrawWaitIcon() {
    constexpr int kIconSize = 32;
    constexpr int kIconX = 752;
    constexpr int kIconY = 128;
    const Bitmap& parts = m_host.Parts();
    const std::uint32_t now = m_host.TickCount();
    const int frame = static_cast<int>((now / kWaitIconFrameMs) & 7);
    const int cell_x = kIconSize * frame;
    const int cell_y = kIconSize;
    if (!parts.HasImage() || parts.Width() < cell_x + kIconSize || parts.Height() < cell_y + kIconSize) {
        m_host.NoteWaitIcon(-1, now);
        return;
    }

    const WindowId window = MsgFloatChecked() ? WindowId::Float : WindowId::Main;
    const int y_on_window = window == WindowId::Float ? kIconY : kMsgWindowTop + kIconY;
    Bitmap& surface = m_host.WindowSurface(window);
    if (surface.Width() < kIconX + kIconSize || surface.Height() < y_on_window + kIconSize) {
        m_host.NoteWaitIcon(-1, now);
        return;
    }
    m_host.NoteWaitIcon(frame, now);
    // The icon changes every kWaitIconFrameMs but this runs every tick: leave the window alone while it still
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
    surface.CopyRect(kIconX, y_on_window, m_msg_text_image, kIconX, kIconY, kIconSize, kIconSize);
    const Color key = parts.GetColor(cell_x, cell_y);
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            if (parts.GetColor(cell_x + x, cell_y + y) == key)
                continue;
            const std::uint8_t* from = parts.Pixel(cell_x + x, cell_y + y);
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
        m_host.InvalidateRect(window, kIconX, y_on_window, kIconSize, kIconSize);
}

} // namespace hk
