// DebugPanel: the debug window. It opens at the start of play when the game folder holds the marker
// file, shows live labels (the pointer, the keys held, the scene, step and task, the log's cursor,
// the music) and has five buttons: unlocking, locking or shuffling the album entries, and listing
// the variables or the message log.
#pragma once

#include "engine/forms.h"

#include <string>

namespace hk {

class GameFiles;
class InputState;
class MessageWindow;
class Platform;
class ScriptMachine;
struct EngineState;

class DebugPanel {
public:
    // All must outlive the panel.
    DebugPanel(Platform& platform, GameFiles& files, EngineState& state, ScriptMachine& script, MessageWindow& message,
               const InputState& input)
        : m_platform(platform), m_files(files), m_state(state), m_script(script), m_message(message), m_input(input) {}
    DebugPanel(const DebugPanel&) = delete;
    DebugPanel& operator=(const DebugPanel&) = delete;

    // What the window shows; the sound cues write the music lines into it.
    DebugForm Window;

    bool Visible() const { return m_visible; }
    // At the start of play: shown when the game folder holds the marker file, hidden otherwise.
    void ShowIfAsked();
    // After each tick while the window is shown.
    void RefreshLabels();
    // The player pressed button 1..5 (any other number does nothing).
    void OnButton(int button);

private:
    // "CG/SC SET", "CG/SC CLR", "CG/SC RND", "変数表示", "ﾒｯｾｰｼﾞﾛｸﾞ".
    void UnlockAlbumsClick();
    void LockAlbumsClick();
    void ShuffleAlbumsClick();
    void ListVariablesClick();
    void ListMessageLogClick();

    Platform& m_platform;
    GameFiles& m_files;
    EngineState& m_state;
    ScriptMachine& m_script;
    MessageWindow& m_message;
    const InputState& m_input;
    bool m_visible = false;
};

} // namespace hk
