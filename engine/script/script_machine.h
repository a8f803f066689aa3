// ScriptMachine: the interpreter of the game's scenes. It owns what the interpreter alone
// touches: the loaded scene's code and four string lists, the voice names, the scene index of
// "SCR.IFP", the scene album's replay queue and the instruction budget. Its position, call stack
// and variables are fields of the saved records (GameData, SystemData), which stay where the
// save files want them; the machine is their only writer while a scene runs. Everything the
// player sees or hears goes through its ScriptHost.
//
// It knows nothing of surfaces, sound objects or the platform: this folder builds and its tests
// run without them. GUI thread only.
#pragma once

#include "core/records.h"
#include "data/game_files.h"
#include "data/ifp_archive.h"
#include "data/script_format.h"
#include "engine/script/script_host.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hk {

inline constexpr int kSceneTableSize = 100;

class ScriptMachine {
public:
    // A scene that loops without ever waiting gives the tick back after this many instructions
    // and goes on from the same point on the next tick. Loading a picture or a sound file or
    // starting a transition costs kHeavyInstructionCost of it.
    static constexpr int kDefaultInstructionBudget = 1'000'000;
    static constexpr int kHeavyInstructionCost = 10'000;

    // All four must outlive the machine.
    ScriptMachine(ScriptHost& host, GameFiles& files, GameData& game, SystemData& system);
    ScriptMachine(const ScriptMachine&) = delete;
    ScriptMachine& operator=(const ScriptMachine&) = delete;

    // ---- Running ----
    // TASK_SCRIPT: runs instructions from the one after ScriptStep until one hands over, changes
    // scene or the budget is spent. A refused instruction throws ScriptError naming scene, step
    // and opcode, before it changes anything.
    void Run();
    int InstructionBudget() const { return m_budget; }
    // Values below 1 are taken as 1.
    void SetInstructionBudget(int instructions);
    // Ticks so far that ended because they spent the whole budget.
    long long BudgetsSpent() const { return m_budgets_spent; }

    // ---- Scenes ----
    // Reads the index of "SCR.IFP" (start-up; the index is never read again).
    void ReadSceneIndex();
    // Loads scene 0..2047 (code, the four lists, VoiceNames, CurrentScene); a number that is not
    // a scene loads nothing but empties the lists. ScriptStep is the caller's.
    void ReadScript(int scene);
    void ClearSceneLists();
    // Start-up: `scene` loaded, no call open, before its first instruction.
    void Begin(int scene);
    // Back to the title: scene 1 loaded and positioned before its title command (or before its
    // first instruction when it has none), skipping its opening.
    void GoToTitleCommand();
    // Instruction `step` (0..65535) of the loaded code.
    ScriptInstruction ScriptRecord(int step) const;
    const std::vector<std::uint8_t>& ScriptCode() const { return m_scene.code; }
    const std::vector<std::string>& LabelNames() const { return m_scene.label_names; }
    const std::vector<std::string>& JumpNames() const { return m_scene.jump_names; }
    const std::vector<std::string>& VoiceList() const { return m_scene.voice_list; }
    const std::vector<std::string>& MessageTexts() const { return m_scene.message_texts; }
    const std::vector<std::string>& VoiceNames() const { return m_scene.voice_names; }

    // ---- Variables, call stack, labels ----
    void ClearScenarioFlg();
    void ClearReturnTbl();
    // The variable banks, index 1..512; outside that range they throw ScriptError.
    std::int16_t ScenarioVar(int index) const;
    std::int16_t SystemVar(int index) const;
    void SetScenarioVar(int index, std::int16_t value);
    void SetSystemVar(int index, std::int16_t value);
    // Step of the label `name` (Shift-JIS bytes) in the loaded scene, or -1.
    std::int16_t GetLabelStep(std::string_view name) const;
    // Step of the next OP_ELSE / OP_ENDIF of `block` after ScriptStep, or -1.
    std::int16_t GetElseStep(std::int16_t block) const;

    // ---- Read-marks (scenes 0..14) ----
    bool CheckKidoku(int msg) const;
    void SetKidoku(int msg);

    // ---- Scene replay of the album ----
    // Queues a scene: its position 1..95, -1 if already queued, 0 if the queue is full.
    int AddSceneTbl(int scene);
    // Position 1..95 of a queued scene, or -1.
    int GetSceneTbl(int scene) const;
    // Entries 1..100; 0 is free.
    const std::array<std::int32_t, kSceneTableSize + 1>& SceneTable() const { return m_replay.table; }
    void ClearSceneTable();
    // The replay starts: no call open, the first queued scene loaded before its first instruction.
    void BeginReplay();
    // A game is played (from the title or a save) rather than a replay of the album.
    bool GamePlaying() const { return m_replay.game_playing != 0; }
    void SetGamePlaying(bool playing) { m_replay.game_playing = playing ? 1 : 0; }
    // The step of the title command in scene 1, where a replay goes back to.
    int MenuReturnStep() const { return m_replay.menu_return_step; }

    // Everything the machine holds by value (not the records it works on), so that a harness
    // that plays many inputs can start each from the same moment.
    struct Snapshot;
    Snapshot TakeSnapshot() const;
    void Restore(const Snapshot& snapshot);

private:
    struct LoadedScene {
        std::vector<std::uint8_t> code = std::vector<std::uint8_t>(kScriptCodeRecords * kInstructionSize, 0);
        std::vector<std::string> label_names, jump_names, voice_list, message_texts; // Shift-JIS lines
        std::vector<std::string> voice_names = std::vector<std::string>(kVoiceNameCount);
    };
    struct ReplayQueue {
        std::array<std::int32_t, kSceneTableSize + 1> table{}; // 1..100
        std::int32_t index = 0;
        std::int32_t menu_return_step = 0;
        std::uint8_t game_playing = 0;
    };

    // The three operands after the two resolution passes.
    struct Operands {
        std::int16_t op1, op2, op3;
    };
    Operands ResolveOperands(const ScriptInstruction& ins) const;
    // One fetched instruction (ScriptStep is its step); false when the tick ends with it.
    bool Execute(const ScriptInstruction& ins);
    // One function per opcode family, each answering whether the tick goes on.
    bool ExecuteLayers(Opcode op, const Operands& o);
    bool ExecuteEffect(const Operands& o);
    bool ExecuteSound(Opcode op, const Operands& o);
    bool ExecuteFlow(Opcode op, const Operands& o);
    bool ExecuteArithmetic(Opcode op, const ScriptInstruction& ins, const Operands& o);
    bool ExecuteText(Opcode op, const Operands& o);
    bool ExecuteCondition(Opcode op, const Operands& o);
    bool ExecuteWait(const Operands& o);
    bool ExecuteSystem(std::int16_t command, std::int16_t argument);
    bool ExecuteEndOfScene();
    // OP_JUMP and the jump of OP_CALL; `name` is a copy, as loading replaces the list it came from.
    bool Jump(std::string name, std::int16_t scene);

    ScriptHost& m_host;
    GameFiles& m_files;
    GameData& m_game;
    SystemData& m_system;
    LoadedScene m_scene;
    std::array<std::uint8_t, kIfpIndexSize> m_scene_index{};
    ReplayQueue m_replay;
    int m_budget = kDefaultInstructionBudget;
    long long m_budgets_spent = 0;
};

struct ScriptMachine::Snapshot {
    LoadedScene scene;
    std::array<std::uint8_t, kIfpIndexSize> scene_index{};
    ReplayQueue replay;
};

} // namespace hk
