// The floating message window (the message form): its shape, its mouse handling, and the message
// window moving into it and back when the player switches it from the context menu.
#include "engine/message/message_window.h"

#include "data/shift_jis.h"
#include "engine/screen_layout.h"

namespace hk {

void MessageWindow::ShapeFloatWindow(const Bitmap& artwork) {
    m_float_region.SetTransparentColor(artwork.GetColor(0, 0));
    m_float_region.BuildRegion(artwork);
    m_host.ApplyFloatRegion(m_float_region);
}

void MessageWindow::MsgFormMouseDown(MouseButton button, Point p) {
    // Presses in the text area count like presses on the main window; the frame drags.
    if (p.x >= kFloatTextLeft && p.x <= kFloatTextRight && p.y >= kFloatTextTop && p.y <= kFloatTextBottom) {
        m_host.LatchMouseDown(button);
        return;
    }
    m_host.StartFloatDrag();
}

void MessageWindow::ShowOnFloatWindow(const Bitmap& strip) {
    m_host.WindowSurface(WindowId::Float).CopyRect(0, 0, strip, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
    m_host.Invalidate(WindowId::Float);
}

void MessageWindow::ShowEmptyFloatWindow() {
    m_msg_window_image.CopyRect(0, 0, m_host.Parts(), 0, kMsgWindowTop, kMsgWindowWidth, kMsgWindowHeight);
    ShowOnFloatWindow(m_msg_window_image);
}

void MessageWindow::SwitchFloat(bool checked) {
    m_msg_float_checked = checked;
    if (checked) {
        // The message window leaves the main window.
        m_host.Screen().CopyRect(0, 0, m_host.Scene(), 0, 0, kScreenWidth, kScreenHeight);
        m_host.PresentScreen();
    }
    m_log_viewing = false;
    // Lay the current text out again for its new place, shown at once.
    const std::vector<std::string>& texts = m_host.MessageTexts();
    if (m_msg_number >= 0 && static_cast<std::size_t>(m_msg_number) < texts.size()) {
        const std::u32string text = SjisToUtf32(texts[static_cast<std::size_t>(m_msg_number)]);
        if (m_msg_is_choice) {
            MakeSelect(text);
            m_host.ChangeTask(TaskCode::TASK_WAIT_SELECT);
        } else {
            MakeMessage(text);
            m_host.ChangeTask(TaskCode::TASK_DISP_MESSAGE);
        }
    }
    m_reveal_level = 255;
    m_host.PlaceFloatWindow();
    m_host.ShowWindow(WindowId::Float, checked);
}

} // namespace hk
