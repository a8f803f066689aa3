// StageWiring: the stage's host in the game. The main window and the clock are the platform's,
// the message window's slots are its surfaces, the CG marks are the system record's, the
// shortcut reads the input and the message window's modes, and the hand-over is the main form's.
#pragma once

#include "engine/stage/stage_host.h"

namespace hk {

class Engine;
class InputState;
class MessageWindow;
class Platform;
struct EngineState;

class StageWiring final : public StageHost {
public:
    StageWiring(Engine& engine, Platform& platform, EngineState& state, MessageWindow& message, InputState& input)
        : m_engine(engine), m_platform(platform), m_state(state), m_message(message), m_input(input) {}
    StageWiring(const StageWiring&) = delete;
    StageWiring& operator=(const StageWiring&) = delete;

    Bitmap& MainWindowSurface() override;
    void InvalidateMainWindow() override;
    bool MainWindowReadyForFrame() override;
    std::uint32_t StageClock() override;
    Bitmap* SlotSurface(int slot) override;
    void NoteCgShown(int number) override;
    bool TransitionShortcutWanted() override;
    void TransitionEnded(TaskCode next) override;

private:
    Engine& m_engine;
    Platform& m_platform;
    EngineState& m_state;
    MessageWindow& m_message;
    InputState& m_input;
};

} // namespace hk
