// The script machine on its own, against a host that only records what it is asked: operands and
// their 16-bit arithmetic, conditions and the forward-only marker search, the call stack, the
// instruction budget, what each hand-over carries, and every refusal. No surfaces, no sound, no
// platform: the scenes are real archives in a temporary directory.
#include "engine/script/script_error.h"
#include "engine/script/script_machine.h"
#include "support/scene_assembler.h"
#include "support/temp_dir.h"

#include "data/scene_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace hk::test {
namespace {

// Records every request as one line of text.
class RecordingHost final : public ScriptHost {
public:
    std::vector<std::string> calls;
    std::vector<ScriptMessage> messages;
    std::vector<std::string> message_texts; // the texts of `messages`, kept past the scene's lifetime

    void SetBackground(int graphic) override { Log("background", graphic); }
    void SetCharacter(int layer, int graphic, int placement) override { Log("character", layer, graphic, placement); }
    void ClearCharacters() override { Log("clear characters"); }
    void ComposeScene() override { Log("compose"); }
    void StartFade(int duration_ms) override { Log("fade", duration_ms); }
    void StartWipe(int rule_graphic, int duration_ms, int strength) override {
        Log("wipe", rule_graphic, duration_ms, strength);
    }
    void PlayBGM(int number, int loop) override { Log("bgm", number, loop); }
    void PlaySE(int kind, int number, int loop) override { Log("se", kind, number, loop); }
    void ShowMessage(const ScriptMessage& message) override {
        Log("message", message.number, message.voice);
        messages.push_back(message);
        message_texts.emplace_back(message.text);
    }
    void ShowChoice(int number, int voice, std::string_view text) override {
        Log("choice", number, voice);
        message_texts.emplace_back(text);
    }
    void ShowFullScreenChoice(int number, int voice, std::string_view) override { Log("choice2", number, voice); }
    void WaitFor(int ms) override { Log("wait", ms); }
    void HandOver(TaskCode task) override {
        switch (task) {
        case TaskCode::TASK_SCRIPT: Log("TASK_SCRIPT"); break;
        case TaskCode::TASK_WAIT_KEY: Log("TASK_WAIT_KEY"); break;
        case TaskCode::TASK_DISP_TITLE_MENU: Log("TASK_DISP_TITLE_MENU"); break;
        case TaskCode::TASK_DISP_SC_ALBUM_MENU: Log("TASK_DISP_SC_ALBUM_MENU"); break;
        default: Log("task", static_cast<long long>(task)); break;
        }
    }
    void SetCursorShown(bool shown) override { Log("cursor", shown); }
    void SetAuxFlag(bool on) override { Log("auxflag", on); }
    void SetContextMenuOn(bool on) override { Log("contextmenu", on); }
    void ShowFloatWindow(bool visible) override { Log("float", visible); }
    std::uint32_t DrawRandom(std::uint32_t below) override {
        Log("random", static_cast<int>(below));
        return below / 2;
    }
    void LeaveReplay() override { Log("leave replay"); }

    // The calls since the last Take.
    std::vector<std::string> Take() { return std::exchange(calls, {}); }

private:
    template <typename... Args> void Log(std::string name, Args... args) {
        ((name += " " + std::to_string(args)), ...);
        calls.push_back(std::move(name));
    }
};

using Calls = std::vector<std::string>;

class ScriptMachineTest : public ::testing::Test {
protected:
    // SCR.IFP from the scenes, its index read and scene `first` loaded as start-up does.
    void Load(const ArchiveBuilder& archive, int first = 1) {
        archive.WriteTo(m_dir / "SCR.IFP");
        m_machine->ReadSceneIndex();
        m_machine->Begin(first);
    }
    // A new machine over cleared records: nothing left from an earlier scene.
    void Reset() {
        *m_game = GameData{};
        *m_system = SystemData{};
        m_machine = std::make_unique<ScriptMachine>(m_host, m_files, *m_game, *m_system);
        m_host.Take();
    }
    void Load(std::initializer_list<SceneSource> scenes) { Load(ScenarioArchive(scenes)); }
    // Runs one tick of the interpreter and answers the error it ended with, or "".
    std::string Run() {
        try {
            m_machine->Run();
            return "";
        } catch (const ScriptError& error) {
            return error.what();
        }
    }
    std::int16_t S(int n) const { return m_game->ScenarioVars[n - 1]; }
    std::int16_t G(int n) const { return m_system->SystemVars[n - 1]; }
    int Step() const { return m_game->ScriptStep; }

    TempDir m_dir;
    GameFiles m_files{m_dir.Path()};
    RecordingHost m_host;
    std::unique_ptr<GameData> m_game = std::make_unique<GameData>();
    std::unique_ptr<SystemData> m_system = std::make_unique<SystemData>();
    std::unique_ptr<ScriptMachine> m_machine = std::make_unique<ScriptMachine>(m_host, m_files, *m_game, *m_system);
};

TEST_F(ScriptMachineTest, ArithmeticWrapsAtSixteenBitsAndStoresToTheBanksItsFlagsName) {
    Load({{1, R"(
    add s1, 30000, 30000       ; 60000 - 65536
    sub s2, -32768, 1          ; -32769 + 65536
    mul s3, 300, 300           ; 90000 - 65536
    div s4, -32768, -1         ; 32768 does not fit: low 16 bits
    div s5, -7, 2              ; towards zero
    mod s6, -7, 2              ; the sign of the dividend
    div s7, 5, 0
    mod s8, 5, 0
    let gs9, -4                ; both banks
    let 10, 99                 ; neither: discarded
    wait 0
)"}});
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(S(1), -5536);
    EXPECT_EQ(S(2), 32767);
    EXPECT_EQ(S(3), 24464);
    EXPECT_EQ(S(4), -32768);
    EXPECT_EQ(S(5), -3);
    EXPECT_EQ(S(6), -1);
    EXPECT_EQ(S(7), 0);
    EXPECT_EQ(S(8), 0);
    EXPECT_EQ(S(9), -4);
    EXPECT_EQ(G(9), -4);
    EXPECT_EQ(S(10), 0);
    EXPECT_EQ(G(10), 0);
    EXPECT_EQ(m_host.Take(), (Calls{"TASK_WAIT_KEY"}));
}

TEST_F(ScriptMachineTest, OperandsReadTheScenarioBankFirstThenTheSystemBank) {
    m_game->ScenarioVars[2 - 1] = 9;  // S2 = 9
    m_system->SystemVars[9 - 1] = 77; // G9 = 77: what S then G reads for operand 2
    m_system->SystemVars[2 - 1] = 5;  // G2 = 5 ...
    m_game->ScenarioVars[5 - 1] = 33; // ... and S5 = 33: what G then S would read
    Load({{1, R"(
    bgm gs2, s2, 2             ; operand 1: G[S[2]]; operand 2: S[2]; operand 3 as stored
    let gs12, 1                ; the destination is not resolved, so S12 = 0 is no bad index
    add s13, gs2, g2
    wait 0
)"}});
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(m_host.Take(), (Calls{"bgm 77 9", "TASK_WAIT_KEY"}));
    EXPECT_EQ(S(12), 1);
    EXPECT_EQ(G(12), 1);
    EXPECT_EQ(S(13), 82);
}

TEST_F(ScriptMachineTest, MarkerSearchLooksOnlyForwardAndTellsBlocksApartByNumber) {
    Load({{1, R"(
    endif 4                    ; 0: behind the search, never found
    let s1, 1                  ; 1
    else 2                     ; 2: another block
    endif 4                    ; 3
    endif 4                    ; 4: the first match wins
    end                        ; 5
    endif 7                    ; 6: after the end of the scene
)"}});
    m_game->ScriptStep = 1;
    EXPECT_EQ(m_machine->GetElseStep(4), 3);
    EXPECT_EQ(m_machine->GetElseStep(2), 2);
    m_game->ScriptStep = 4;
    EXPECT_EQ(m_machine->GetElseStep(4), -1) << "nothing after step 4 closes block 4";
    EXPECT_EQ(m_machine->GetElseStep(7), -1) << "the search stops at the end of the scene";
}

TEST_F(ScriptMachineTest, FalseConditionsSkipToTheirMarkerAndAMissingOneRestartsTheScene) {
    Load({{1, R"(
    add s1, s1, 1
    if_eq 1, s1, 1             ; true on the first pass only
        let s2, 1
    else 1
        let s3, 1
    endif 1
    if_gt 6, s1, 2             ; false twice: no marker ahead, so back to instruction 0
    wait 0
    end
)"}});
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(S(1), 3);
    EXPECT_EQ(S(2), 1);
    EXPECT_EQ(S(3), 1) << "the second and third passes took the else-part";
    EXPECT_EQ(Step(), 7);
}

TEST_F(ScriptMachineTest, CallStackHoldsSixteenReturnsInOrderAndRefusesTheSeventeenth) {
    Load({{1, R"(
again:
    add s1, s1, 1
    call again
)"}});
    for (int depth = 1; depth <= 16; ++depth) {
        ASSERT_EQ(Run(), "");
        ASSERT_EQ(m_game->ReturnDepth, depth);
        EXPECT_EQ(m_game->ReturnTable[depth - 1].Scene, 1);
        EXPECT_EQ(m_game->ReturnTable[depth - 1].Step, 2);
    }
    const std::string error = Run();
    EXPECT_NE(error.find("scene 1, step 2, OP_CALL: call nested 17 deep"), std::string::npos) << error;
    EXPECT_EQ(m_game->ReturnDepth, 16);
    EXPECT_EQ(S(1), 17);

    Load({{1, "    call sub, 2\n    let s5, 1\n    wait 0\n"}, {2, "sub:\n    return\n    end\n"}});
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(m_game->CurrentScene, 2);
    EXPECT_EQ(Step(), 0) << "at the label; the next instruction is the one after it";
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(m_game->CurrentScene, 1);
    EXPECT_EQ(Step(), 0) << "back at the call";
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(S(5), 1);
}

TEST_F(ScriptMachineTest, BudgetEndsARunawayTickAndTheNextOneGoesOnFromThere) {
    // A false condition with no marker ahead goes back to instruction 0, in the same tick.
    Load({{1, "    add s1, s1, 1\n    if_eq 5, 0, 1\n    end\n"}});
    m_machine->SetInstructionBudget(1000);
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(S(1), 500);
    EXPECT_EQ(m_machine->BudgetsSpent(), 1);
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(S(1), 1000);
    EXPECT_EQ(m_machine->BudgetsSpent(), 2);

    // A picture load costs 10,000: two rounds of 1 + 10,000 + 1 spend a budget of 20,000.
    Load({{1, "    add s2, s2, 1\n    bg 100\n    if_eq 5, 0, 1\n    end\n"}});
    m_machine->SetInstructionBudget(20'000);
    m_host.Take();
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(S(2), 2);
    EXPECT_EQ(m_host.Take(), (Calls{"background 100", "background 100"}));

    m_machine->SetInstructionBudget(0);
    EXPECT_EQ(m_machine->InstructionBudget(), 1);
}

TEST_F(ScriptMachineTest, EachInstructionHandsItsParametersToTheHost) {
    struct Case {
        const char* scene;
        Calls calls;
    };
    const Case cases[] = {
        {"    wait -1\n    wait 250\n", {"wait 250"}},
        {"    effect 2\n    effect 1\n", {"compose", "compose", "fade 500"}},
        {"    effect 1, 250\n", {"compose", "fade 250"}},
        {"    effect 41, 0, 0\n", {"compose", "wipe 41 0 4"}},
        {"    effect 42, 300, 12\n", {"compose", "wipe 42 300 8"}},
        {"    effect 46, 0, -5\n", {"compose", "wipe 46 0 1"}},
        {"    bg 0\n    char 0\n    char 1, 300, 3\n    char 3, 5, 5\n    wait 0\n",
         {"background 0", "clear characters", "character 1 300 3", "TASK_WAIT_KEY"}},
        {"    bgm 3, 1\n    se 2, 7, 1\n    wait 0\n", {"bgm 3 1", "se 2 7 1", "TASK_WAIT_KEY"}},
        {"    system cursor, 5\n    system auxflag, 0\n    system contextmenu, 1\n    system floatwindow, 1\n"
         "    system 999, 1\n    system random, -3\n    system random, 6\n    wait 0\n",
         {"cursor 1", "auxflag 0", "contextmenu 1", "float 1", "random 6", "TASK_WAIT_KEY"}},
        {"    select \"yes/no\", 4\n", {"choice 0 4"}},
        {"    select2 \"a/b/c\"\n", {"choice2 0 0"}},
    };
    for (const Case& c : cases) {
        Load({{1, c.scene}});
        m_host.Take();
        EXPECT_EQ(Run(), "") << c.scene;
        EXPECT_EQ(m_host.Take(), c.calls) << c.scene;
    }
    EXPECT_EQ(S(1), 3) << "the random draw (the host's 6 / 2) went to variable 1";

    Load({{1, "    let s1, 1\n    system title\n"}});
    m_machine->SetGamePlaying(true);
    m_host.Take();
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(m_host.Take(), (Calls{"TASK_DISP_TITLE_MENU"}));
    EXPECT_EQ(m_machine->MenuReturnStep(), 1);
    EXPECT_FALSE(m_machine->GamePlaying());
}

TEST_F(ScriptMachineTest, MessagesAreMarkedReadAfterTheHostIsToldWhetherTheyWereRead) {
    ArchiveBuilder archive = ScenarioArchive({
        {3, "    message \"こんにちは\", \"v00\"\n    message \"二つ目\"\n    end\n"},
        {20, "    message \"遠い\"\n    end\n"},
    });
    Load(archive, 3);
    m_machine->SetGamePlaying(true);
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(Run(), "");
        EXPECT_EQ(Run(), "");
        EXPECT_EQ(Run(), ""); // the end: the scene again from its first instruction
    }
    ASSERT_EQ(m_host.messages.size(), 4u);
    EXPECT_EQ(m_host.messages[0].number, 0);
    EXPECT_EQ(m_host.messages[0].voice, 0);
    EXPECT_EQ(m_host.messages[0].voice_name, "v00");
    EXPECT_EQ(m_host.message_texts[0], "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd"); // Shift-JIS
    EXPECT_FALSE(m_host.messages[0].already_read);
    EXPECT_EQ(m_host.messages[1].voice, -1);
    EXPECT_TRUE(m_host.messages[1].voice_name.empty());
    EXPECT_TRUE(m_host.messages[2].already_read);
    EXPECT_TRUE(m_host.messages[3].already_read);
    EXPECT_EQ(m_system->ReadMarks[3][0], 0x03);

    Load(archive, 20); // scenes above 14 keep no read-marks
    m_machine->SetGamePlaying(true);
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Run(), "");
    ASSERT_EQ(m_host.messages.size(), 6u);
    EXPECT_FALSE(m_host.messages[5].already_read);
}

TEST_F(ScriptMachineTest, EndOfSceneReplaysTheQueueAndGoesBackToTheAlbum) {
    Load({{1, "    wait 0\n    system title\n    end\n"},
          {101, "    add s1, s1, 1\n    end\n"},
          {102, "    add s2, s2, 1\n    end\n"}});
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(m_machine->MenuReturnStep(), 1);
    EXPECT_EQ(m_machine->AddSceneTbl(101), 1);
    EXPECT_EQ(m_machine->AddSceneTbl(102), 2);
    m_game->ReturnDepth = 3;
    m_machine->BeginReplay();
    EXPECT_EQ(m_game->ReturnDepth, 0);
    EXPECT_EQ(m_game->CurrentScene, 101);
    m_host.Take();

    EXPECT_EQ(Run(), "");
    EXPECT_EQ(m_host.Take(), (Calls{"bgm 0 0", "TASK_SCRIPT"}));
    EXPECT_EQ(m_game->CurrentScene, 102);
    EXPECT_EQ(Step(), -1);
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(m_host.Take(), (Calls{"leave replay", "TASK_DISP_SC_ALBUM_MENU"}));
    EXPECT_EQ(S(1), 1);
    EXPECT_EQ(S(2), 1);
    EXPECT_EQ(m_game->CurrentScene, 1);
    EXPECT_EQ(Step(), 1) << "at the title command";
    EXPECT_EQ(m_machine->GetSceneTbl(101), -1) << "the queue is empty";
}

// Scene 1 from `text` with `count` empty records (no opcode: skipped) inserted before instruction
// `at`, to put labels, markers and calls beyond the steps a 16-bit target reaches.
ArchiveBuilder PaddedScene(std::string_view text, std::size_t at, std::size_t count) {
    ScenePayload payload = AssembleScene(text, "padded");
    payload.code.insert(payload.code.begin() + static_cast<std::ptrdiff_t>(at), count, ScriptInstruction{});
    ArchiveBuilder archive;
    archive.Add(1, kSceneEntryType, BuildScenePayload(payload));
    return archive;
}

TEST_F(ScriptMachineTest, RefusalsNameSceneStepOpcodeAndValueAndChangeNothing) {
    struct Case {
        const char* scene;
        const char* error;
    };
    const Case cases[] = {
        {"    let s1, 1\n    let s513, 5\n", "scene 1, step 1, OP_LET: ScenarioVars index 513 is outside 1..512"},
        {"    let g0, 5\n", "step 0, OP_LET: SystemVars index 0 is outside 1..512"},
        {"    add s1, s600, 1\n", "OP_ADD: ScenarioVars index 600"},
        {"    let s2, 600\n    let s1, gs2\n", "step 1, OP_LET: SystemVars index 600"},
        {"    if_eq 1, g-5, 0\n", "OP_IF_EQ: SystemVars index -5"},
        {"    message -1\n", "OP_MESSAGE: message number -1 is below 0"},
        {"    message 3\n.message \"only\"\n", "OP_MESSAGE: MessageTexts has no line 3 (the scene has 1)"},
        {"    message \"x\", 10000\n", "OP_MESSAGE: voice 10000 is outside -1..9999"},
        {"    jump 2\n", "OP_JUMP: JumpNames has no line 2"},
        {"    call 1, 2\n", "OP_CALL: JumpNames has no line 1"},
        {"    select 1\n", "OP_SELECT: MessageTexts has no line 1"},
        {"    select2 -1\n", "OP_SELECT2: MessageTexts has no line -1"},
        {"    let s1, 1\n", "scene 1, step 65536: execution ran past the last of the 65536 instructions"},
        {"    jump nowhere\n", "step 0, OP_JUMP: the search for the label \"nowhere\" ran past the last instruction"},
        {"    if_eq 1, 0, 1\n", "step 0, OP_IF_EQ: the search for the marker of block 1 ran past"},
    };
    for (const Case& c : cases) {
        Reset();
        Load({{1, c.scene}});
        const std::string error = Run();
        EXPECT_NE(error.find(c.error), std::string::npos) << c.scene << " gave: " << error;
        EXPECT_EQ(m_host.Take(), Calls{}) << c.scene;
        EXPECT_FALSE(m_machine->CheckKidoku(0)) << c.scene;
        EXPECT_EQ(m_game->ReturnDepth, 0) << c.scene;
    }

    Reset();
    Load(PaddedScene("    jump far\nfar:\n    end\n", 1, 40000));
    EXPECT_NE(Run().find("step 0, OP_JUMP: the label \"far\" is at step 40001, beyond the 32767 steps"),
              std::string::npos);
    Load(PaddedScene("    if_eq 3, 0, 1\n    endif 3\n    end\n", 1, 40000));
    EXPECT_NE(Run().find("step 0, OP_IF_EQ: the marker of block 3 is at step 40001, beyond the 32767 steps"),
              std::string::npos);

    Load({{1, "    return\n"}});
    m_game->ReturnDepth = 17; // a damaged save's call stack
    EXPECT_NE(Run().find("OP_RETURN: ReturnDepth 17 is beyond the 16 entries"), std::string::npos);
    EXPECT_EQ(m_game->ReturnDepth, 17);
}

TEST_F(ScriptMachineTest, ACallTooFarIntoItsSceneToReturnToIsRefused) {
    ArchiveBuilder archive = PaddedScene("    call sub, 2\n    end\n", 0, 33000);
    AddScene(archive, 2, "sub:\n    return\n    end\n");
    Load(archive);
    EXPECT_NE(Run().find("step 33000, OP_CALL: a call at step 33000 cannot be returned to"), std::string::npos);
    EXPECT_EQ(m_game->ReturnDepth, 0);
    EXPECT_EQ(m_game->CurrentScene, 1);
}

} // namespace
} // namespace hk::test
