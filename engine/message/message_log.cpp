// The message log: the last twenty messages and chosen choices with their voices, read back in
// the message window itself (page up / page down, F1 / F2, the wheel), drawn in grey with the
// voice replayed. It lives in memory only.
#include "engine/message/message_window.h"

#include "data/shift_jis.h"
#include "data/unicode.h"
#include "engine/screen_layout.h"

#include <algorithm>

namespace hk {

namespace {

// Only the newest sixteen entries can be shown, although twenty are kept.
constexpr int kLogPages = 16;

} // namespace

void MessageWindow::AddMsgLog(const std::u32string& text, int voice_index) {
    auto& log = m_msg_log;
    for (int i = kMsgLogSize - 1; i > 0; --i)
        log[i] = std::move(log[i - 1]);
    MsgLogEntry& entry = log[0];
    entry = MsgLogEntry{};
    entry.Text = Utf32ToUtf8(text);
    entry.VoiceIndex = voice_index;
    const auto& names = m_host.VoiceNames();
    if (voice_index >= 0 && static_cast<std::size_t>(voice_index) < names.size()) {
        entry.Voice = SjisToUtf8(names[static_cast<std::size_t>(voice_index)]);
        entry.File = "VOICE\\" + entry.Voice + ".ogg";
    }
}

void MessageWindow::ClearMsgLog() {
    for (MsgLogEntry& entry : m_msg_log)
        entry = MsgLogEntry{};
    m_log_cursor = 0;
}

bool MessageWindow::MsgLogKeys() {
    auto show_entry = [&](const MsgLogEntry& entry) {
        // An entry without a voice still stops the one that is playing.
        if (entry.File.empty())
            m_host.StopVoice();
        else
            m_host.PlayVoice(entry.File);
        MakeMessage(Utf8ToUtf32(entry.Text));
        m_reveal_level = 0;
        m_host.ChangeTask(TaskCode::TASK_DISP_MESSAGE);
        m_host.SetInputLock(kLockAfterCursorKey);
    };

    const MessageInput in = m_host.InputNow();
    if (in.KeyPageUp) {
        m_auto_mode = false;
        if (!m_log_viewing)
            m_log_cursor = 0;
        m_log_viewing = true;
        m_log_cursor = std::min(m_log_cursor + 1, kLogPages);
        const MsgLogEntry& entry = m_msg_log[static_cast<std::size_t>(m_log_cursor - 1)];
        if (!entry.Text.empty()) {
            show_entry(entry);
            return true;
        }
        // The log ends here: what was shown stays.
        m_log_cursor -= 1;
        if (m_log_cursor < 1) {
            m_log_cursor = 0;
            m_log_viewing = false;
        }
        return false;
    }
    if (in.KeyPageDown) {
        m_auto_mode = false;
        if (!m_log_viewing)
            m_log_cursor = 0;
        if (m_log_cursor >= 2) {
            m_log_cursor -= 1;
            show_entry(m_msg_log[static_cast<std::size_t>(m_log_cursor - 1)]);
            return true;
        }
    }
    return false;
}

} // namespace hk
