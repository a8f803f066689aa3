// The surfaces, the three layers of a scene and their composition, and presenting the screen buffer.
#include "engine/stage/stage.h"

#include "engine/screen_layout.h"

namespace hk {

Stage::Stage(StageHost& host, GameFiles& files) : m_host(host), m_files(files) {}

void Stage::CreateSurfaces() {
    ++m_scene_serial;
    m_scene_image.SetSize(kScreenWidth, kScreenHeight); // white
    m_screen_buffer.SetSize(kScreenWidth, kScreenHeight);
    // The transitions' two surfaces take their pixels only when a transition starts (the screen
    // as it was, the rule image loaded into slot 6): until then they need no memory.
    m_effect_old = Bitmap();
    m_rule_image = Bitmap();
    m_bg_layer.SetSize(kScreenWidth, kScreenHeight);
    m_parts_image.SetSize(kScreenWidth, kScreenHeight);
    ++m_parts_serial;
    m_parts_source = {-1, -1};
    m_char_layer1 = Bitmap();
    m_char_layer2 = Bitmap();
}

void Stage::CreateMakeBMP(const GameData& game) {
    ++m_scene_serial;
    m_scene_image.CopyRect(0, 0, m_bg_layer, 0, 0, kScreenWidth, kScreenHeight);
    // Layer 1 is drawn last, so it stands in front of layer 2.
    if (game.LayerGraphic[2] != 0)
        m_char_layer2.DrawAlphaOnto(0, 0, kScreenWidth, kScreenHeight, 0, 0, m_scene_image, 255);
    if (game.LayerGraphic[1] != 0)
        m_char_layer1.DrawAlphaOnto(0, 0, kScreenWidth, kScreenHeight, 0, 0, m_scene_image, 255);
}

void Stage::ClearBitmap(int layer, GameData& game) {
    switch (layer) {
    case 0:
        game.LayerGraphic[0] = 0;
        m_bg_layer.FillRect(0, 0, kScreenWidth, kScreenHeight, kBlack);
        break;
    case 1:
        game.LayerGraphic[1] = 0;
        m_char_layer1.FillRect(0, 0, kScreenWidth, kScreenHeight, kBlack);
        break;
    case 2:
        game.LayerGraphic[2] = 0;
        m_char_layer2.FillRect(0, 0, kScreenWidth, kScreenHeight, kBlack);
        break;
    default: break;
    }
}

void Stage::SetBackground(int graphic, GameData& game) {
    ClearBitmap(0, game);
    game.LayerGraphic[0] = graphic;
    if (graphic != 0)
        ReadGraphic(kBackgroundSlot, graphic, kPlaceCentre);
}

void Stage::SetCharacter(int layer, int graphic, int placement, GameData& game) {
    ClearBitmap(layer, game);
    game.LayerGraphic[layer] = graphic;
    game.LayerPlacement[layer - 1] = placement;
    if (graphic != 0)
        ReadGraphic(layer, graphic, placement);
}

void Stage::PresentScreen() {
    m_host.MainWindowSurface().CopyRect(0, 0, m_screen_buffer, 0, 0, kScreenWidth, kScreenHeight);
    m_host.InvalidateMainWindow();
}

void Stage::PresentRect(const Bitmap& source, int x, int y) {
    m_host.MainWindowSurface().CopyRect(x, y, source, 0, 0, source.Width(), source.Height());
    m_host.InvalidateMainWindow();
}

} // namespace hk
