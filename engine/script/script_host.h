// ScriptHost: everything the script machine asks of the rest of the game. The machine decides
// what an instruction means (operands, conditions, jumps, the call stack, read-marks); the host
// does what the player sees and hears, and owns the tasks. ScriptWiring (engine/script_wiring.h)
// implements it in the game; the machine's unit tests implement it with a recorder and no
// surfaces, sound or platform.
//
// Every call arrives on the GUI thread, inside the interpreter's tick. A call may throw (a
// picture or a sound file that cannot be read); the machine lets the error end the tick.
#pragma once

#include "core/task_codes.h"

#include <cstdint>
#include <string_view>

namespace hk {

// What OP_MESSAGE hands to the host, after the machine has checked it and marked it read.
struct ScriptMessage {
    int number = 0;              // index into the scene's message texts, and its read-mark
    int voice = -1;              // index into the voice names, -1 = no voice
    std::string_view text;       // Shift-JIS
    std::string_view voice_name; // Shift-JIS base name, empty when voice is -1
    bool already_read = false;   // its read-mark was set before this showing
};

class ScriptHost {
public:
    virtual ~ScriptHost() = default;

    // ---- Layers: only recorded and loaded; nothing is shown until a transition or a message ----
    // Layer 0 cleared, then graphic `graphic` loaded into it (0 = left cleared).
    virtual void SetBackground(int graphic) = 0;
    // Character layer 1 or 2 cleared, then `graphic` (0 = none) loaded with placement 1 left,
    // 3 right, other centre.
    virtual void SetCharacter(int layer, int graphic, int placement) = 0;
    virtual void ClearCharacters() = 0;

    // ---- Transitions ----
    // The scene as last composed becomes the old picture and the layers are composed anew.
    virtual void ComposeScene() = 0;
    // Hand-over to the cross-fade (milliseconds) or to the wipe through rule graphic 41..46
    // (milliseconds, strength 1..8).
    virtual void StartFade(int duration_ms) = 0;
    virtual void StartWipe(int rule_graphic, int duration_ms, int strength) = 0;

    // ---- Sound cues ----
    // Music `number` (0 stops all sound), looping when `loop` is non-zero.
    virtual void PlayBGM(int number, int loop) = 0;
    // Effect channel kind 1 or 2: effect `number` (0 stops that channel), loop = 1 loops.
    virtual void PlaySE(int kind, int number, int loop) = 0;

    // ---- Messages and choices: each lays its text out and hands over to its task ----
    virtual void ShowMessage(const ScriptMessage& message) = 0;
    // A choice in the message window, or the full-screen one; `voice` is kept as the voice number.
    virtual void ShowChoice(int number, int voice, std::string_view text) = 0;
    virtual void ShowFullScreenChoice(int number, int voice, std::string_view text) = 0;

    // ---- Waits and hand-over ----
    // Hand-over to TASK_WAIT for `ms` (1..32767) milliseconds from now.
    virtual void WaitFor(int ms) = 0;
    // Hand-over to a task with no parameters (key wait, title menu, scene album, the script).
    virtual void HandOver(TaskCode task) = 0;

    // ---- System sub-commands ----
    virtual void SetCursorShown(bool shown) = 0;
    virtual void SetAuxFlag(bool on) = 0;
    virtual void SetContextMenuOn(bool on) = 0;
    // Shows or hides the floating message window, when the player has it switched on.
    virtual void ShowFloatWindow(bool visible) = 0;
    // A draw below `below` (0 gives 0) from the game's random generator.
    virtual std::uint32_t DrawRandom(std::uint32_t below) = 0;
    // A scene replay of the album is over: the floating window is put away and the album's music
    // comes back, before the machine returns to the title scene.
    virtual void LeaveReplay() = 0;
};

} // namespace hk
