// The three layers of a scene and their composition, and presenting the screen buffer.
#include "engine/form1.h"

namespace hk {

void TForm1::CreateMakeBMP() {
    ++m_scene_serial;
    SceneImage.CopyRect(0, 0, BgLayer, 0, 0, 800, 600);
    // Layer 1 is drawn last, so it stands in front of layer 2.
    if (m_state.Game.LayerGraphic[2] != 0)
        CharLayer2.DrawAlphaOnto(0, 0, 800, 600, 0, 0, SceneImage, 255);
    if (m_state.Game.LayerGraphic[1] != 0)
        CharLayer1.DrawAlphaOnto(0, 0, 800, 600, 0, 0, SceneImage, 255);
}

void TForm1::ClearBitmap(int layer) {
    switch (layer) {
    case 0:
        m_state.Game.LayerGraphic[0] = 0;
        BgLayer.FillRect(0, 0, 800, 600, kBlack);
        break;
    case 1:
        m_state.Game.LayerGraphic[1] = 0;
        CharLayer1.FillRect(0, 0, 800, 600, kBlack);
        break;
    case 2:
        m_state.Game.LayerGraphic[2] = 0;
        CharLayer2.FillRect(0, 0, 800, 600, kBlack);
        break;
    default: break;
    }
}

void TForm1::FormPaint() { PresentScreen(); }

void TForm1::PresentScreen() {
    m_platform.ClientSurface(WindowId::Main).CopyRect(0, 0, ScreenBuffer, 0, 0, 800, 600);
    m_platform.Invalidate(WindowId::Main);
}

void TForm1::PresentRect(const TABitmap& source, int x, int y) {
    m_platform.ClientSurface(WindowId::Main).CopyRect(x, y, source, 0, 0, source.Width(), source.Height());
    m_platform.Invalidate(WindowId::Main);
}

} // namespace hk
