// The floating message window (TMsgForm): its shape, its mouse handling, and switching it on and
// off from the context menu.
#include "engine/engine.h"

#include "data/shift_jis.h"

namespace hk {

void Engine::ShapeFloatWindow(const Bitmap& artwork) {
    m_float_region.SetTransparentColor(artwork.GetColor(0, 0));
    m_float_region.BuildRegion(artwork);
    m_float_region.ApplyRegion(m_platform, WindowId::Float);
}

void Engine::MsgFormMouseDown(MouseButton button, Point p) {
    // Presses in the text area count like presses on the main window; the frame drags.
    if (p.x >= 13 && p.x <= 785 && p.y >= 29 && p.y <= 161) {
        m_input.LatchMouseDown(button);
        return;
    }
    m_platform.StartWindowDrag(WindowId::Float);
}

void Engine::ItemMsgFloatClick() {
    EngineState& s = m_state;
    m_msg_float_checked = !m_msg_float_checked;
    MenuItemNamed("ItemMsgFloat").checked = m_msg_float_checked;
    if (m_msg_float_checked) {
        // The message window leaves the main window.
        m_stage.ScreenBuffer().CopyRect(0, 0, m_stage.SceneImage(), 0, 0, kScreenWidth, kScreenHeight);
        m_stage.PresentScreen();
    }
    s.LogViewing = 0;
    // Lay the current text out again for its new place, shown at once.
    const std::vector<std::string>& texts = m_script.MessageTexts();
    if (s.MsgNumber >= 0 && static_cast<std::size_t>(s.MsgNumber) < texts.size()) {
        const std::u32string text = SjisToUtf32(texts[static_cast<std::size_t>(s.MsgNumber)]);
        if (s.MsgIsChoice) {
            MakeSelect(text);
            SetTask(TaskCode::TASK_WAIT_SELECT);
        } else {
            MakeMessage(text);
            SetTask(TaskCode::TASK_DISP_MESSAGE);
        }
    }
    s.RevealLevel = 255;
    m_platform.MoveWindow(WindowId::Float, m_platform.ClientToScreen(WindowId::Main, Point{0, kMsgWindowTop}));
    m_platform.ShowWindow(WindowId::Float, m_msg_float_checked);
}

} // namespace hk
