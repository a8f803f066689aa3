// Random instruction blocks run by the interpreter: scene 1 of the game becomes the fuzzed code
// (with the usual text blocks and a final end-of-scene), and the engine plays it for a few dozen
// frame ticks on the headless platform while the player clicks, presses keys and turns the wheel.
// Faults must end as reported errors; nothing may crash, hang or touch memory outside its tables.
//
// Input: a length byte n, then n bytes of player input (one byte per tick: bit 0 left click,
// bit 1 Return held, bit 2 Control held, bit 3 wheel, bit 4 right click, bits 5..7 pointer
// position), then the code block (8 bytes per instruction).
#include "fuzz_game.h"

#include <chrono>
#include <cstdlib>

using namespace hk;

namespace {

constexpr int kTicks = 40;
// A scene that loops without ever waiting spends the interpreter's whole per-tick budget each
// tick. The game's million instructions take about a second here; a smaller budget runs the same
// code, and two such ticks show the loop is handled and goes on from where it stopped.
constexpr int kBudget = 10'000;
constexpr int kSpentTicks = 2;
// Ticks that are slow for other reasons (whole-screen effects, many pictures) end the input too.
constexpr auto kLongTick = std::chrono::milliseconds(50);
// Virtual milliseconds between ticks: a fade or wait of the usual half second ends within the
// input's ticks, so the code after it runs too (and fewer whole-screen blends are made).
constexpr std::uint32_t kTickGap = 50;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::FuzzSession game;
    static const bool started = game.Start();
    if (!started)
        std::abort();
    // The state right after start-up; every input starts from it, so a finding replays alone.
    static const EngineState* const initial = new EngineState(game.session->State());
    static const auto* const initial_script =
        new ScriptMachine::Snapshot(game.session->TheEngine().Script().TakeSnapshot());

    fuzz::ByteReader in({data, size});
    const auto player = in.Take(in.Byte());
    const auto code = in.Rest();
    if (code.size() > 64 * 1024)
        return 0;

    HeadlessSession& session = *game.session;
    Engine& engine = session.TheEngine();
    HeadlessPlatform& platform = session.Platform();
    const std::vector<std::uint8_t> archive = fuzz::ScenarioArchiveBytes(fuzz::ScenePayloadWithCode(code));
    game.files->Put("SCR.IFP", archive);

    session.State() = *initial;
    EngineState& state = session.State();
    ScriptMachine& script = engine.Script();
    script.Restore(*initial_script);
    script.SetInstructionBudget(kBudget);
    try {
        script.ReadSceneIndex();
        script.ReadScript(1);
    } catch (const std::exception&) {
        return 0;
    }
    state.Game.ScriptStep = -1;
    engine.SetTask(TaskCode::TASK_SCRIPT, TaskCode::TASK_SCRIPT);
    engine.SetFrameTimerEnabled(true);

    const long long spent_before = script.BudgetsSpent();
    for (int tick = 0; tick < kTicks && !session.Closed(); ++tick) {
        const std::uint8_t b = tick < static_cast<int>(player.size()) ? player[tick] : 0;
        const Point where{(b >> 5) * 100 + 20, (b >> 5) * 70 + 30};
        platform.MoveCursorToClient(WindowId::Main, where);
        if (b & 1)
            platform.QueueMouseDown(WindowId::Main, MouseButton::Left, where);
        platform.SetKeyDown(Key::Return, (b & 2) != 0);
        platform.SetKeyDown(Key::Control, (b & 4) != 0);
        if (b & 8)
            platform.QueueWheel(WindowId::Main, (b & 16) != 0);
        else if (b & 16)
            platform.QueueMouseDown(WindowId::Main, MouseButton::Right, where);
        // A modal dialog the script opens is answered "no"/cancel.
        HeadlessPlatform::DialogAnswer cancel;
        cancel.any_kind = true;
        if (platform.PendingDialogAnswers() == 0)
            platform.QueueDialogAnswer(cancel);
        // One frame tick (plus the idle millisecond before it when the timer is not yet due).
        const auto start = std::chrono::steady_clock::now();
        platform.AdvanceClock(kTickGap);
        session.Step();
        if (!engine.FrameTimerEnabled())
            session.Step();
        if (!engine.FrameTimerEnabled())
            break; // the engine reported an error and stopped
        if (std::chrono::steady_clock::now() - start > kLongTick || script.BudgetsSpent() - spent_before >= kSpentTicks)
            break;
    }
    // Events the last tick did not take are delivered now, so the next input starts clean.
    try {
        platform.ProcessMessages();
    } catch (const std::exception&) {
    }
    platform.TakeErrors();
    platform.ClearScriptFault();
    platform.SetKeyDown(Key::Return, false);
    platform.SetKeyDown(Key::Control, false);
    return 0;
}
