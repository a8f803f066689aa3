// MenuWiring: the picture menus' host. It hands them the input of the tick, the records, the music
// and the script's replay queue, and runs the game flow their entries start (a new game, the title's
// load pop-up, closing, a replay) on the game's own parts.
#pragma once

#include "engine/menus/menu_host.h"

#include <cstdint>

namespace hk {

class Engine;
class InputState;
class MessageWindow;
class Platform;
class ScriptMachine;
class SoundCues;
class Stage;
struct EngineState;

class MenuWiring final : public MenuHost {
public:
    // All must outlive the wiring; tick_serial is the engine's count of ticks that ran their task.
    MenuWiring(Engine& engine, EngineState& state, Platform& platform, InputState& input, ScriptMachine& script,
               MessageWindow& message, Stage& stage, SoundCues& sound, const std::uint64_t& tick_serial)
        : m_engine(engine), m_state(state), m_platform(platform), m_input(input), m_script(script), m_message(message),
          m_stage(stage), m_sound(sound), m_tick_serial(tick_serial) {}

    Point Pointer() override;
    bool LeftClick() override;
    bool KeyReturn() override;
    void SpendHeldKeys() override;
    FocusKeys FocusKeysNow() override;
    void MovePointerForFocus(Point p) override;
    GameData& Game() override;
    const SystemData& System() override;
    std::uint64_t TickSerial() override { return m_tick_serial; }
    void SetTask(TaskCode task, std::optional<TaskCode> return_task) override;
    void PlayBGM(int number, int loop) override;
    Bitmap& MainWindowSurface() override;
    void InvalidateMainWindow() override;
    void ClearSceneQueue() override;
    int SceneQueuePosition(int scene) override;
    int QueueScene(int scene) override;
    void ResetForTitle() override;
    void ShowCursor() override;
    void StartNewGame() override;
    void OpenTitleLoadMenu() override;
    void RequestClose() override;
    void StartReplay() override;

private:
    Engine& m_engine;
    EngineState& m_state;
    Platform& m_platform;
    InputState& m_input;
    ScriptMachine& m_script;
    MessageWindow& m_message;
    Stage& m_stage;
    SoundCues& m_sound;
    const std::uint64_t& m_tick_serial;
};

} // namespace hk
