// The debug window's buttons (DebugForm, numbered 1..5): unlocking, locking or shuffling
// the album entries, and listing the variables and the message log into Listing. They run between
// ticks, like the menu commands.
#include "engine/engine.h"

namespace hk {

namespace {

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

void Engine::UnlockAlbumsClick() {
    // "CG/SC SET": every CG and every scene of the albums becomes available.
    for (std::uint8_t& seen : m_state.System.CgSeen)
        seen = 1;
    for (int n = kSceneFlagFirst; n <= kSceneFlagLast; ++n)
        m_script.SetSystemVar(n, 1);
}

void Engine::LockAlbumsClick() {
    // "CG/SC CLR": all locked again.
    for (std::uint8_t& seen : m_state.System.CgSeen)
        seen = 0;
    for (int n = kSceneFlagFirst; n <= kSceneFlagLast; ++n)
        m_script.SetSystemVar(n, 0);
}

void Engine::ShuffleAlbumsClick() {
    // "CG/SC RND": the CG flags first, in increasing order, then the scene flags, all drawn from
    // the game's generator.
    for (std::uint8_t& seen : m_state.System.CgSeen)
        seen = static_cast<std::uint8_t>(m_state.Random.Random(2));
    for (int n = kSceneFlagFirst; n <= kSceneFlagLast; ++n)
        m_script.SetSystemVar(n, static_cast<std::int16_t>(m_state.Random.Random(2)));
}

void Engine::ListVariablesClick() {
    // "変数表示": both variable banks.
    std::vector<std::string>& memo = DebugWindow.Listing;
    memo.clear();
    memo.push_back("--シナリオ変数--");
    ListBank(memo, [this](int n) { return m_script.ScenarioVar(n); });
    memo.emplace_back();
    memo.push_back("--システム変数--");
    ListBank(memo, [this](int n) { return m_script.SystemVar(n); });
}

void Engine::ListMessageLogClick() {
    // "ﾒｯｾｰｼﾞﾛｸﾞ": the entries the log can show, newest first, with their voice files.
    std::vector<std::string>& memo = DebugWindow.Listing;
    memo.clear();
    memo.push_back("--メッセージログ--");
    for (int n = 1; n <= kListedLogEntries; ++n) {
        const MsgLogEntry& entry = m_message.MsgLog()[static_cast<std::size_t>(n - 1)];
        memo.push_back(std::to_string(n) + ":" + entry.Text + ":" + entry.File);
    }
}

void Engine::OnDebugButton(int button) {
    try {
        switch (button) {
        case 1: UnlockAlbumsClick(); break;
        case 2: LockAlbumsClick(); break;
        case 3: ShuffleAlbumsClick(); break;
        case 4: ListVariablesClick(); break;
        case 5: ListMessageLogClick(); break;
        default: return; // the window has no such button
        }
        if (m_debug_visible)
            m_platform.UpdateDebugWindow(DebugWindow);
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

} // namespace hk
