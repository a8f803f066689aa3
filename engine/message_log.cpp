// The message log: the last twenty messages and chosen choices with their voices, read back in
// the message window itself (page up / page down, F1 / F2, the wheel), drawn in grey with the
// voice replayed. It lives in memory only.
#include "engine/engine.h"

#include "data/shift_jis.h"
#include "data/unicode.h"

#include <algorithm>

namespace hk {

namespace {

// Only the newest sixteen entries can be shown, although twenty are kept.
constexpr int kLogPages = 16;

} // namespace

void Engine::AddMsgLog(const std::u32string& text, int voice_index) {
    auto& log = m_state.MsgLog;
    for (int i = kMsgLogSize - 1; i > 0; --i)
        log[i] = std::move(log[i - 1]);
    MsgLogEntry& entry = log[0];
    entry = MsgLogEntry{};
    entry.Text = Utf32ToUtf8(text);
    entry.VoiceIndex = voice_index;
    const auto& names = m_script.VoiceNames();
    if (voice_index >= 0 && static_cast<std::size_t>(voice_index) < names.size()) {
        entry.Voice = SjisToUtf8(names[static_cast<std::size_t>(voice_index)]);
        entry.File = "VOICE\\" + entry.Voice + ".ogg";
    }
}

void Engine::ClearMsgLog() {
    for (MsgLogEntry& entry : m_state.MsgLog)
        entry = MsgLogEntry{};
    m_state.LogCursor = 0;
}

bool Engine::MsgLogKeys() {
    EngineState& s = m_state;
    auto show_entry = [&](const MsgLogEntry& entry) {
        // An entry without a voice still stops the one that is playing.
        if (entry.File.empty())
            m_sound.StopVoice();
        else
            m_sound.PlayVoice(entry.File, s.System.VoiceVolume);
        MakeMessage(Utf8ToUtf32(entry.Text));
        s.RevealLevel = 0;
        SetTask(TaskCode::TASK_DISP_MESSAGE);
        m_input.SetInputLock(kLockAfterCursorKey);
    };

    if (m_input.KeyPageUp()) {
        s.AutoMode = 0;
        if (s.LogViewing == 0)
            s.LogCursor = 0;
        s.LogViewing = 1;
        s.LogCursor = std::min(s.LogCursor + 1, kLogPages);
        const MsgLogEntry& entry = s.MsgLog[static_cast<std::size_t>(s.LogCursor - 1)];
        if (!entry.Text.empty()) {
            show_entry(entry);
            return true;
        }
        // The log ends here: what was shown stays.
        s.LogCursor -= 1;
        if (s.LogCursor < 1) {
            s.LogCursor = 0;
            s.LogViewing = 0;
        }
        return false;
    }
    if (m_input.KeyPageDown()) {
        s.AutoMode = 0;
        if (s.LogViewing == 0)
            s.LogCursor = 0;
        if (s.LogCursor >= 2) {
            s.LogCursor -= 1;
            show_entry(s.MsgLog[static_cast<std::size_t>(s.LogCursor - 1)]);
            return true;
        }
    }
    return false;
}

} // namespace hk
