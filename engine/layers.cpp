// The three layers of a scene and their composition, and presenting the screen buffer.
#include "engine/engine.h"

namespace hk {

void Engine::CreateMakeBMP() {
    ++m_scene_serial;
    SceneImage.CopyRect(0, 0, BgLayer, 0, 0, kScreenWidth, kScreenHeight);
    // Layer 1 is drawn last, so it stands in front of layer 2.
    if (m_state.Game.LayerGraphic[2] != 0)
        CharLayer2.DrawAlphaOnto(0, 0, kScreenWidth, kScreenHeight, 0, 0, SceneImage, 255);
    if (m_state.Game.LayerGraphic[1] != 0)
        CharLayer1.DrawAlphaOnto(0, 0, kScreenWidth, kScreenHeight, 0, 0, SceneImage, 255);
}

void Engine::ClearBitmap(int layer) {
    switch (layer) {
    case 0:
        m_state.Game.LayerGraphic[0] = 0;
        BgLayer.FillRect(0, 0, kScreenWidth, kScreenHeight, kBlack);
        break;
    case 1:
        m_state.Game.LayerGraphic[1] = 0;
        CharLayer1.FillRect(0, 0, kScreenWidth, kScreenHeight, kBlack);
        break;
    case 2:
        m_state.Game.LayerGraphic[2] = 0;
        CharLayer2.FillRect(0, 0, kScreenWidth, kScreenHeight, kBlack);
        break;
    default: break;
    }
}

void Engine::SetBackground(int graphic) {
    ClearBitmap(0);
    m_state.Game.LayerGraphic[0] = graphic;
    if (graphic != 0)
        ReadGraphic(kBackgroundSlot, graphic, kPlaceCentre);
}

void Engine::SetCharacter(int layer, int graphic, int placement) {
    ClearBitmap(layer);
    m_state.Game.LayerGraphic[layer] = graphic;
    m_state.Game.LayerPlacement[layer - 1] = placement;
    if (graphic != 0)
        ReadGraphic(layer, graphic, placement);
}

void Engine::ClearCharacters() {
    ClearBitmap(1);
    ClearBitmap(2);
}

void Engine::ComposeScene() {
    ScreenBuffer.Assign(SceneImage);
    CreateMakeBMP();
}

void Engine::PresentScreen() {
    m_platform.ClientSurface(WindowId::Main).CopyRect(0, 0, ScreenBuffer, 0, 0, kScreenWidth, kScreenHeight);
    m_platform.Invalidate(WindowId::Main);
}

void Engine::PresentRect(const Bitmap& source, int x, int y) {
    m_platform.ClientSurface(WindowId::Main).CopyRect(x, y, source, 0, 0, source.Width(), source.Height());
    m_platform.Invalidate(WindowId::Main);
}

} // namespace hk
