// The floating message window (TMsgForm): its shape and its mouse handling.
#include "engine/form1.h"

namespace hk {

void TForm1::ShapeFloatWindow(const TABitmap& artwork) {
    FormRgn1.SetTransparentColor(artwork.GetColor(0, 0));
    FormRgn1.BuildRegion(artwork);
    FormRgn1.ApplyRegion(m_platform, WindowId::Float);
}

void TForm1::MsgFormMouseDown(MouseButton button, Point p) {
    // Presses in the text area count like presses on the main window; the frame drags.
    if (p.x >= 13 && p.x <= 785 && p.y >= 29 && p.y <= 161) {
        m_state.LeftDownLatch = 0;
        m_state.RightDownLatch = 0;
        if (button == MouseButton::Left)
            m_state.LeftDownLatch = 1;
        if (button == MouseButton::Right)
            m_state.RightDownLatch = 1;
        return;
    }
    m_platform.StartWindowDrag(WindowId::Float);
}

} // namespace hk
