// ScriptWiring: the script machine's host in the game. The layers and transitions go to the stage
// with the saved game's layer record, the text to the message window, the system sub-commands to
// the saved game and the platform, and the music to the sound cues, the waits and the hand-over to the
// main form.
#pragma once

#include "engine/script/script_host.h"

namespace hk {

class Engine;
class MessageWindow;
class Platform;
class SoundCues;
class Stage;
struct EngineState;

class ScriptWiring final : public ScriptHost {
public:
    ScriptWiring(Engine& engine, Platform& platform, EngineState& state, Stage& stage, MessageWindow& message,
                 SoundCues& sound)
        : m_engine(engine), m_platform(platform), m_state(state), m_stage(stage), m_message(message), m_sound(sound) {}
    ScriptWiring(const ScriptWiring&) = delete;
    ScriptWiring& operator=(const ScriptWiring&) = delete;

    void SetBackground(int graphic) override;
    void SetCharacter(int layer, int graphic, int placement) override;
    void ClearCharacters() override;
    void ComposeScene() override;
    void StartFade(int duration_ms) override;
    void StartWipe(int rule_graphic, int duration_ms, int strength) override;
    void PlayBGM(int number, int loop) override;
    void PlaySE(int kind, int number, int loop) override;
    void ShowMessage(const ScriptMessage& message) override;
    void ShowChoice(int number, int voice, std::string_view text) override;
    void ShowFullScreenChoice(int number, int voice, std::string_view text) override;
    void WaitFor(int ms) override;
    void HandOver(TaskCode task) override;
    void SetCursorShown(bool shown) override;
    void SetAuxFlag(bool on) override;
    void SetContextMenuOn(bool on) override;
    void ShowFloatWindow(bool visible) override;
    std::uint32_t DrawRandom(std::uint32_t below) override;
    void LeaveReplay() override;

private:
    Engine& m_engine;
    Platform& m_platform;
    EngineState& m_state;
    Stage& m_stage;
    MessageWindow& m_message;
    SoundCues& m_sound;
};

} // namespace hk
