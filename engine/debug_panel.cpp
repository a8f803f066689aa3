// The debug window: its live labels, refreshed after each tick while it is shown, and its buttons
// (numbered 1..5), which unlock, lock or shuffle the album entries and list the variables and the
// message log into Listing. The buttons run between ticks, like the menu commands.
#include "engine/debug_panel.h"

#include "data/game_files.h"
#include "engine/engine_state.h"
#include "engine/host.h"
#include "engine/input/input_state.h"
#include "engine/message/message_window.h"
#include "engine/script/script_machine.h"

namespace hk {

namespace {

constexpr const char* kDebugMarkerFile = "デバッグ窓を開く合図.txt";
constexpr int kSceneFlagFirst = 101; // SystemVars of the scene album
constexpr int kSceneFlagLast = 199;
constexpr int kListedLogEntries = 16;

// 64 lines of eight "n:value " entries for variables 1..512.
template <typename Read> void ListBank(std::vector<std::string>& memo, Read read) {
    for (int line = 0; line < kVariableCount / 8; ++line) {
        std::string text;
        for (int n = line * 8 + 1; n <= line * 8 + 8; ++n)
            text += std::to_string(n) + ":" + std::to_string(read(n)) + " ";
        memo.push_back(std::move(text));
    }
}

} // namespace

void DebugPanel::UnlockAlbumsClick() {
    // "CG/SC SET": every CG and every scene of the albums becomes available.
    for (std::uint8_t& seen : m_state.System.CgSeen)
        seen = 1;
    for (int n = kSceneFlagFirst; n <= kSceneFlagLast; ++n)
        m_script.SetSystemVar(n, 1);
}

void DebugPanel::LockAlbumsClick() {
    // "CG/SC CLR": all locked again.
    for (std::uint8_t& seen : m_state.System.CgSeen)
        seen = 0;
    for (int n = kSceneFlagFirst; n <= kSceneFlagLast; ++n)
        m_script.SetSystemVar(n, 0);
}

void DebugPanel::ShuffleAlbumsClick() {
    // "CG/SC RND": the CG flags first, in increasing order, then the scene flags, all drawn from
    // the game's generator.
    for (std::uint8_t& seen : m_state.System.CgSeen)
        seen = static_cast<std::uint8_t>(m_state.Random.Random(2));
    for (int n = kSceneFlagFirst; n <= kSceneFlagLast; ++n)
        m_script.SetSystemVar(n, static_cast<std::int16_t>(m_state.Random.Random(2)));
}

void DebugPanel::ListVariablesClick() {
    // "変数表示": both variable banks.
    std::vector<std::string>& memo = Window.Listing;
    memo.clear();
    memo.push_back("--シナリオ変数--");
    ListBank(memo, [this](int n) { return m_script.ScenarioVar(n); });
    memo.emplace_back();
    memo.push_back("--システム変数--");
    ListBank(memo, [this](int n) { return m_script.SystemVar(n); });
}

void DebugPanel::ListMessageLogClick() {
    // "ﾒｯｾｰｼﾞﾛｸﾞ": the entries the log can show, newest first, with their voice files.
    std::vector<std::string>& memo = Window.Listing;
    memo.clear();
    memo.push_back("--メッセージログ--");
    for (int n = 1; n <= kListedLogEntries; ++n) {
        const MsgLogEntry& entry = m_message.MsgLog()[static_cast<std::size_t>(n - 1)];
        memo.push_back(std::to_string(n) + ":" + entry.Text + ":" + entry.File);
    }
}

void DebugPanel::OnButton(int button) {
    switch (button) {
    case 1: UnlockAlbumsClick(); break;
    case 2: LockAlbumsClick(); break;
    case 3: ShuffleAlbumsClick(); break;
    case 4: ListVariablesClick(); break;
    case 5: ListMessageLogClick(); break;
    default: return; // the window has no such button
    }
    if (m_visible)
        m_platform.UpdateDebugWindow(Window);
}

void DebugPanel::ShowIfAsked() {
    m_visible = m_files.Exists(kDebugMarkerFile);
    m_platform.ShowWindow(WindowId::Debug, m_visible);
}

void DebugPanel::RefreshLabels() {
    const EngineState& s = m_state;
    auto point = [](Point p) { return std::to_string(p.x) + "," + std::to_string(p.y); };
    Window.MouseLabel =
        "鼠:" + point(m_input.CursorScreen()) + " " + point(m_input.CursorMain()) + " " + point(m_input.CursorFloat());
    std::string keys;
    if (m_input.KeyReturn())
        keys += "RTRN ";
    if (m_input.KeyControl())
        keys += "CTRL ";
    if (m_input.KeyShift())
        keys += "SHFT ";
    if (m_input.KeySpace())
        keys += "SPCE ";
    if (m_input.KeyDown())
        keys += "DOWN ";
    if (m_input.KeyUp())
        keys += "UP   ";
    Window.KeyLabel = keys;
    Window.TaskLabel =
        std::to_string(s.Game.CurrentScene) + " " + std::to_string(s.Game.ScriptStep) + " " + TaskHex(s.Task);
    Window.MsgLogLabel = std::to_string(m_message.LogCursor());
    m_platform.UpdateDebugWindow(Window);
}

} // namespace hk
