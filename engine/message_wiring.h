// MessageWiring: the message window's host in the game. It knows where the game keeps what the
// window asks for: the screen and the scene on the stage, the windows and the clock of the
// platform, the voice cues, the script's lists, the settings and the saved game, the input, and
// the main form's own tasks, context menu and wait-icon note.
#pragma once

#include "engine/message/message_host.h"

namespace hk {

class Engine;
class InputState;
class ScriptMachine;
class SoundCues;
class Stage;
struct EngineState;

class MessageWiring final : public MessageHost {
public:
    MessageWiring(Engine& engine, Platform& platform, EngineState& state, Stage& stage, ScriptMachine& script,
                  InputState& input, SoundCues& sound)
        : m_engine(engine), m_platform(platform), m_state(state), m_stage(stage), m_script(script), m_input(input),
          m_sound(sound) {}
    MessageWiring(const MessageWiring&) = delete;
    MessageWiring& operator=(const MessageWiring&) = delete;

    const Bitmap& Scene() override;
    std::uint64_t SceneSerial() override;
    Bitmap& Screen() override;
    const Bitmap& Parts() override;
    void LoadParts() override;
    void PresentScreen() override;
    void PresentRect(const Bitmap& source, int x, int y) override;
    Bitmap& WindowSurface(WindowId window) override;
    void Invalidate(WindowId window) override;
    void InvalidateRect(WindowId window, int x, int y, int w, int h) override;
    void ShowWindow(WindowId window, bool visible) override;
    bool IsWindowVisible(WindowId window) override;
    void PlaceFloatWindow() override;
    void ApplyFloatRegion(const WindowShape& shape) override;
    void StartFloatDrag() override;
    void Sleep(std::uint32_t ms) override;
    std::uint32_t TickCount() override;
    RandomGenerator& Random() override;
    void PlayVoice(const std::string& path) override;
    void StopVoice() override;
    const std::vector<std::string>& MessageTexts() override;
    const std::vector<std::string>& VoiceNames() override;
    int CurrentScene() override;
    void SetChoiceAnswer(int choice) override;
    int TextSpeed() override;
    int AutoDelay() override;
    bool ContextMenuOn() override;
    MessageInput InputNow() override;
    void SetInputLock(int ticks) override;
    void SpendHeldKeys() override;
    void LatchMouseDown(MouseButton button) override;
    void SetCurPos(int x, int y) override;
    void SetFloatCurPos(int x, int y) override;
    TaskCode CurrentTask() override;
    void ChangeTask(TaskCode task) override;
    void AttachContextMenu() override;
    void DetachContextMenu() override;
    void NoteWaitIcon(int frame, std::uint32_t now) override;

private:
    Engine& m_engine;
    Platform& m_platform;
    EngineState& m_state;
    Stage& m_stage;
    ScriptMachine& m_script;
    InputState& m_input;
    SoundCues& m_sound;
};

} // namespace hk
