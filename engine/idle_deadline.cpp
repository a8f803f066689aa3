// Whether the game may be left alone after a frame tick, and until when. Only a tick that changed
// nothing by itself counts: the waiting task ran and still waits, no input counted in it, the
// pointer stood still. Anything else (a transition, a reveal, the interpreter, a held key, the
// debug window's live labels, a task not known to wait) asks for the next tick at once, as always.
#include "engine/engine.h"

#include <algorithm>

namespace hk {

namespace {

constexpr int kDelayTimerMs = 10;
constexpr int kVoicePlaying = 2; // statuses 2 and 3: playing once or looping

void KeepSooner(std::optional<std::uint32_t>& firings, std::uint32_t candidate) {
    firings = firings ? std::min(*firings, candidate) : candidate;
}

} // namespace

std::uint32_t WaitIconFrameEnd(std::uint32_t now) {
    // The frame is (now / kWaitIconFrameMs) & 7, so it also changes when the clock wraps round to 0.
    const std::uint64_t next = (std::uint64_t{now} / kWaitIconFrameMs + 1) * std::uint64_t{kWaitIconFrameMs};
    return next > 0xFFFFFFFFu ? 0u : static_cast<std::uint32_t>(next);
}

std::uint32_t WaitIconFrameStart(std::uint32_t now, int frames) {
    const std::uint64_t start =
        (std::uint64_t{now} / kWaitIconFrameMs + static_cast<std::uint64_t>(frames)) * std::uint64_t{kWaitIconFrameMs};
    return start > 0xFFFFFFFFu ? WaitIconFrameEnd(now) : static_cast<std::uint32_t>(start);
}

void Engine::NoteTickForIdle(TaskCode task_at_start, TaskCode task_run, bool latched) {
    const EngineState& s = m_state;
    const bool input = latched || m_input.AnyCounted();
    const bool pointer_still = m_input.CursorScreen() == m_idle.cursor_screen &&
                               m_input.CursorMain() == m_idle.cursor_main &&
                               m_input.CursorFloat() == m_idle.cursor_float;
    m_idle.quiet = !input && pointer_still && task_at_start == task_run && s.Task == task_run;
    m_idle.cursor_screen = m_input.CursorScreen();
    m_idle.cursor_main = m_input.CursorMain();
    m_idle.cursor_float = m_input.CursorFloat();
}

void Engine::NoteWaitIconShown(std::optional<std::uint32_t> frame_ends) {
    m_idle.icon_tick = m_tick_serial;
    m_idle.icon_frame_ends = frame_ends;
}

bool Engine::MessageWaitDeadline(IdleDeadline& deadline) {
    const EngineState& s = m_state;
    const MessageWindow& m = m_message;
    // Hidden by the player, or showing the log: only a key, a click or the wheel does anything.
    if (!m.MsgWindowVisible() || m.LogViewing())
        return true;
    // Skipping advances on the next tick.
    if (m.SkipNow() || m.SkipMode())
        return false;
    // The wait icon is up to date as of this tick; its next frame is due when this one runs out.
    if (m_idle.icon_tick != m_tick_serial)
        return false;
    deadline.until = m_idle.icon_frame_ends;
    if (m.AutoMode()) {
        const std::int64_t left = std::int64_t{s.System.AutoDelay} * 1000 - m.AutoElapsed();
        if (left <= 0)
            return false;
        KeepSooner(deadline.delay_firings, static_cast<std::uint32_t>((left + kDelayTimerMs - 1) / kDelayTimerMs));
    }
    return true;
}

IdleDeadline Engine::NextDeadline() {
    const EngineState& s = m_state;
    if (m_closed || !m_frame_timer.Enabled() || m_debug_visible || !m_idle.quiet || m_input.AnyGameKeyDown())
        return {};
    IdleDeadline deadline;
    deadline.may_sleep = true;
    switch (s.Task) {
    case TaskCode::TASK_WAIT: deadline.until = s.WaitUntil; break;
    case TaskCode::TASK_WAIT_MESSAGE:
        if (!MessageWaitDeadline(deadline))
            return {};
        break;
    case TaskCode::TASK_WAIT_KEY:
    case TaskCode::TASK_WAIT_SELECT:
    case TaskCode::TASK_WAIT_SELECT2:
    case TaskCode::TASK_WAIT_TITLE_MENU:
    case TaskCode::TASK_WAIT_ALBUM_MENU:
    case TaskCode::TASK_WAIT_CG_ALBUM_MENU:
    case TaskCode::TASK_WAIT_CG_ALBUM:
    case TaskCode::TASK_WAIT_SC_ALBUM_MENU:
    case TaskCode::TASK_WAIT_BGM_MENU: break; // only input moves these on
    default: return {};
    }
    // The lock's end lets a key that is held count again.
    if (m_input.InputLock() > 0)
        KeepSooner(deadline.delay_firings, static_cast<std::uint32_t>(m_input.InputLock()));
    // While the voice plays the delay timer does not count towards the automatic advance; the
    // firing after the voice ends must see that it ended, so each one is waited for.
    if (m_sound.VoiceChannelStatus() >= kVoicePlaying)
        deadline.delay_firings = 1;
    return deadline;
}

void Engine::OnDelayTimerCatchUp(std::uint32_t firings) {
    // As that many firings in a row now. The window build's loop sleeps through firings only
    // while the voice is silent (see NextDeadline), and only the engine starts a voice, so each of
    // them would have seen the status seen here.
    if (firings == 0)
        return;
    const int voice_status = m_sound.VoiceChannelStatus();
    if (voice_status == 0 || voice_status == 1)
        m_message.AddAutoElapsed(static_cast<std::uint32_t>(kDelayTimerMs) * firings);
    m_input.RunDownInputLock(firings);
}

int Engine::WaitIconFramesUntilChange(int frame) {
    constexpr int kIconSize = 32;
    if (m_idle.icon_changes_serial != m_stage.PartsSerial()) {
        // Two cells look the same on the window when the same pixels are left out (their own
        // top-left colour) and the others have the same colours.
        auto same_cells = [this](int a, int b) {
            if (m_stage.PartsImage().Width() < kIconSize * 8 || m_stage.PartsImage().Height() < 2 * kIconSize)
                return false;
            const Color key_a = m_stage.PartsImage().GetColor(kIconSize * a, kIconSize);
            const Color key_b = m_stage.PartsImage().GetColor(kIconSize * b, kIconSize);
            for (int y = kIconSize; y < 2 * kIconSize; ++y)
                for (int x = 0; x < kIconSize; ++x) {
                    const Color pa = m_stage.PartsImage().GetColor(kIconSize * a + x, y);
                    const Color pb = m_stage.PartsImage().GetColor(kIconSize * b + x, y);
                    if ((pa == key_a) != (pb == key_b) || (pa != key_a && pa != pb))
                        return false;
                }
            return true;
        };
        for (int f = 0; f < 8; ++f) {
            m_idle.icon_changes_after[static_cast<std::size_t>(f)] = 0;
            for (int k = 1; k < 8; ++k)
                if (!same_cells(f, (f + k) & 7)) {
                    m_idle.icon_changes_after[static_cast<std::size_t>(f)] = static_cast<std::uint8_t>(k);
                    break;
                }
        }
        m_idle.icon_changes_serial = m_stage.PartsSerial();
    }
    return m_idle.icon_changes_after[static_cast<std::size_t>(frame & 7)];
}

void Engine::NoteWaitIcon(int frame, std::uint32_t now) {
    if (frame < 0) {
        NoteWaitIconShown(std::nullopt);
        return;
    }
    // The loop need not wake for a frame that looks like the one shown now.
    const int frames_until_change = WaitIconFramesUntilChange(frame);
    NoteWaitIconShown(frames_until_change == 0 ? std::nullopt
                                               : std::optional(WaitIconFrameStart(now, frames_until_change)));
}

} // namespace hk
