// Stage: the pictures of the game. It owns the three layers of a scene (background and two
// characters), their composition into SceneImage, the screen buffer that is presented on the main
// window, the graphics index of "GRP.IFP" with the loading of its pictures, the parts sheet of
// the interface, and the transitions (fade, rule wipe, the menus' fade) that bring a new scene
// on screen one step per tick.
//
// Which graphic each layer shows is part of the saved game (GameData::LayerGraphic and
// LayerPlacement); the stage is handed that record where it reads or changes it. Everything else
// it needs (the window, the clock, input, the tasks, the message window's surfaces) comes through
// its StageHost. GUI thread only.
#pragma once

#include "core/records.h"
#include "core/task_codes.h"
#include "data/game_files.h"
#include "data/ifp_archive.h"
#include "engine/stage/stage_host.h"
#include "gfx/bitmap.h"

#include <array>
#include <cstdint>
#include <utility>

namespace hk {

// The running transition: when it started and ends (StageClock), and for a wipe its rule graphic
// and strength. FirstTick is 0 until the transition's first step has run.
struct EffectStateData {
    std::int32_t FirstTick = 0; // first-tick counter
    std::int32_t StartTime = 0;
    std::int32_t EndTime = 0;
    std::int32_t Duration = 0;
    std::int32_t Graphic = 0; // effect (rule) graphic number
    std::int32_t Strength = 0;
};

class Stage {
public:
    // Both must outlive the stage.
    Stage(StageHost& host, GameFiles& files);
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    // ---- Surfaces ----
    // Start-up: the surfaces at their sizes, white; those only a transition or a load fills are
    // left empty until then.
    void CreateSurfaces();
    Bitmap& SceneImage() { return m_scene_image; } // the layers composed (CreateMakeBMP)
    const Bitmap& SceneImage() const { return m_scene_image; }
    Bitmap& ScreenBuffer() { return m_screen_buffer; } // what PresentScreen shows
    const Bitmap& ScreenBuffer() const { return m_screen_buffer; }
    Bitmap& BgLayer() { return m_bg_layer; }
    const Bitmap& BgLayer() const { return m_bg_layer; }
    Bitmap& CharLayer1() { return m_char_layer1; }
    const Bitmap& CharLayer1() const { return m_char_layer1; }
    Bitmap& CharLayer2() { return m_char_layer2; }
    const Bitmap& CharLayer2() const { return m_char_layer2; }
    const Bitmap& PartsImage() const { return m_parts_image; } // the interface parts sheet (slot 9)
    const Bitmap& RuleImage() const { return m_rule_image; }   // the wipe's rule, 8-bit grey (slot 6)
    const Bitmap& EffectOld() const { return m_effect_old; }   // the screen as a transition found it

    // Counts the changes of SceneImage and of the message frame: every composition, a frame
    // loaded, and what NoteSceneDrawn reports. A picture made from either can be kept for one value.
    std::uint64_t SceneSerial() const { return m_scene_serial; }
    // Something was drawn straight onto SceneImage.
    void NoteSceneDrawn() { ++m_scene_serial; }
    // Counts the loads of PartsImage, and the graphic and placement last loaded into it.
    std::uint64_t PartsSerial() const { return m_parts_serial; }
    std::pair<int, int> PartsSource() const { return m_parts_source; }

    // ---- Loading (graphic_loading.cpp) ----
    // Reads the index of "GRP.IFP" (start-up; FileError when it cannot be read).
    void ReadGraphicIndex();
    // Delivers graphic `number` to `slot` (kBackgroundSlot.. kChoiceSheetSlot), placed 1 left,
    // 3 right, other centre, in a white 800x600 frame. Slots that take nothing are left alone;
    // a picture that cannot be decoded throws EngineError and leaves the slot as it was.
    void ReadGraphic(int slot, int number, int placement);

    // ---- Layers (layers.cpp) ----
    // Empties layer 0, 1 or 2 (its LayerGraphic becomes 0); other numbers do nothing.
    void ClearBitmap(int layer, GameData& game);
    // Layer 0 cleared, then `graphic` loaded into it (0 = left cleared), and noted in `game`.
    void SetBackground(int graphic, GameData& game);
    // Character layer 1 or 2 cleared, then `graphic` (0 = none) loaded at `placement`, both noted.
    void SetCharacter(int layer, int graphic, int placement, GameData& game);
    // Composes the layers `game` shows into SceneImage: background, layer 2, then layer 1 in front.
    void CreateMakeBMP(const GameData& game);

    // ---- Presenting ----
    // Draws ScreenBuffer on the main window.
    void PresentScreen();
    // Draws a picture straight on the main window at (x, y), e.g. the message strip at its foot.
    void PresentRect(const Bitmap& source, int x, int y);

    // ---- Transitions (transitions.cpp) ----
    // Each starts from now; the caller hands the task over to the transition's task.
    void StartFade(int duration_ms);
    void StartWipe(int rule_graphic, int duration_ms, int strength);
    // One step of the script's fade, its rule wipe, and the menus' fade (which nothing cuts short
    // and which goes on to `next`). The last step ends with StageHost::TransitionEnded.
    void DispFade();
    void DispWipe();
    void DispMenuFade(TaskCode next);
    const EffectStateData& EffectState() const { return m_effect; }

private:
    void RunFade(bool shortcut, TaskCode next);
    // A transition's first step: EffectOld becomes the screen as it is.
    void KeepOldScreen();
    bool FrameWanted(bool first_step);
    void ApplyTransitionShortcut(std::uint32_t now);

    StageHost& m_host;
    GameFiles& m_files;
    std::array<std::uint8_t, kIfpIndexSize> m_grp_index{};
    Bitmap m_scene_image, m_screen_buffer, m_effect_old, m_rule_image, m_bg_layer, m_parts_image, m_char_layer1,
        m_char_layer2;
    std::uint64_t m_scene_serial = 0;
    std::uint64_t m_parts_serial = 0;
    std::pair<int, int> m_parts_source{-1, -1};
    EffectStateData m_effect;
};

} // namespace hk
