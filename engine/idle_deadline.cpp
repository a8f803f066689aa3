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

void IdleWatch::NoteTick(const InputState& input, bool latched, TaskCode task_at_start, TaskCode task_run,
                         TaskCode task_now) {
    const bool counted = latched || input.AnyCounted();
    const bool pointer_still = input.CursorScreen() == m_cursor_screen && input.CursorMain() == m_cursor_main &&
                               input.CursorFloat() == m_cursor_float;
    m_quiet = !counted && pointer_still && task_at_start == task_run && task_now == task_run;
    m_cursor_screen = input.CursorScreen();
    m_cursor_main = input.CursorMain();
    m_cursor_float = input.CursorFloat();
}

bool IdleWatch::MessageWaitDeadline(const MessageWindow& m, int auto_delay_s, std::uint64_t tick,
                                    IdleDeadline& deadline) const {
    // Hidden by the player, or showing the log: only a key, a click or the wheel does anything.
    if (!m.MsgWindowVisible() || m.LogViewing())
        return true;
    // Skipping advances on the next tick.
    if (m.SkipNow() || m.SkipMode())
        return false;
    // The wait icon is up to date as of this tick; its next frame is due when this one runs out.
    if (m_icon_tick != tick)
        return false;
    deadline.until = m_icon_frame_ends;
    if (m.AutoMode()) {
        const std::int64_t left = std::int64_t{auto_delay_s} * 1000 - m.AutoElapsed();
        if (left <= 0)
            return false;
        KeepSooner(deadline.delay_firings, static_cast<std::uint32_t>((left + kDelayTimerMs - 1) / kDelayTimerMs));
    }
    return true;
}

IdleDeadline Engine::NextDeadline() {
    const EngineState& s = m_state;
    if (m_closed || !m_frame_timer.Enabled() || m_debug.Visible() || !m_idle.Quiet() || m_input.AnyGameKeyDown())
        return {};
    IdleDeadline deadline;
    deadline.may_sleep = true;
    switch (s.Task) {
    case TaskCode::TASK_WAIT: deadline.until = s.WaitUntil; break;
    case TaskCode::TASK_WAIT_MESSAGE:
        if (!m_idle.MessageWaitDeadline(m_message, s.System.AutoDelay, m_tick_serial, deadline))
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

int IdleWatch::WaitIconFramesUntilChange(int frame, const Bitmap& parts, std::uint64_t parts_serial) {
    constexpr int kIconSize = 32;
    if (m_icon_changes_serial != parts_serial) {
        // Two cells look the same on the window when the same pixels are left out (their own
        // top-left colour) and the others have the same colours.
        auto same_cells = [&parts](int a, int b) {
            if (parts.Width() < kIconSize * 8 || parts.Height() < 2 * kIconSize)
                return false;
            const Color key_a = parts.GetColor(kIconSize * a, kIconSize);
            const Color key_b = parts.GetColor(kIconSize * b, kIconSize);
            for (int y = kIconSize; y < 2 * kIconSize; ++y)
                for (int x = 0; x < kIconSize; ++x) {
                    const Color pa = parts.GetColor(kIconSize * a + x, y);
                    const Color pb = parts.GetColor(kIconSize * b + x, y);
                    if ((pa == key_a) != (pb == key_b) || (pa != key_a && pa != pb))
                        return false;
                }
            return true;
        };
        for (int f = 0; f < 8; ++f) {
            m_icon_changes_after[static_cast<std::size_t>(f)] = 0;
            for (int k = 1; k < 8; ++k)
                if (!same_cells(f, (f + k) & 7)) {
                    m_icon_changes_after[static_cast<std::size_t>(f)] = static_cast<std::uint8_t>(k);
                    break;
                }
        }
        m_icon_changes_serial = parts_serial;
    }
    return m_icon_changes_after[static_cast<std::size_t>(frame & 7)];
}

void IdleWatch::NoteWaitIcon(int frame, std::uint32_t now, std::uint64_t tick, const Bitmap& parts,
                             std::uint64_t parts_serial) {
    m_icon_tick = tick;
    if (frame < 0) {
        m_icon_frame_ends = std::nullopt;
        return;
    }
    // The loop need not wake for a frame that looks like the one shown now.
    const int frames_until_change = WaitIconFramesUntilChange(frame, parts, parts_serial);
    m_icon_frame_ends =
        frames_until_change == 0 ? std::nullopt : std::optional(WaitIconFrameStart(now, frames_until_change));
}

void Engine::NoteWaitIcon(int frame, std::uint32_t now) {
    m_idle.NoteWaitIcon(frame, now, m_tick_serial, m_stage.PartsImage(), m_stage.PartsSerial());
}

} // namespace hk
