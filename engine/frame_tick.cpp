// The frame tick: one slice of work per firing of the frame timer, in a fixed order, and the
// small tasks that belong to the shell (TaskInit, Wait, WaitKey, the 10 ms DelayTimer).
#include "engine/engine.h"

namespace hk {

void Engine::SetFrameTimerEnabled(bool enabled) {
    m_frame_timer.SetEnabled(enabled, m_platform.TickCount());
}

bool Engine::PollFrameTimer() {
    if (m_closed || !m_frame_timer.Poll(m_platform.TickCount()))
        return false;
    FrameTick();
    return true;
}

void Engine::FrameTick() {
    try {
        // 1. No tick can start inside this one, not even from the message processing below.
        SetFrameTimerEnabled(false);
        // 2.
        m_platform.Sleep(2);
        // 3. One draw per tick, so the script's random numbers depend on the time played.
        m_state.Random.Random(m_platform.TickCount());
        // 4. Window events: mouse, menus and dialogs run here.
        const TaskCode task_at_start = m_state.Task;
        m_platform.ProcessMessages();
        if (m_closed)
            return;
        const bool latched = m_input.AnyLatched();
        // 5.
        CheckKey();
        // 6. Cursor in screen, main-window and floating-window coordinates.
        m_input.SamplePointer();
        // 7.
        ++m_tick_serial;
        const TaskCode task_run = m_state.Task;
        RunTask();
        m_idle.NoteTick(m_input, latched, task_at_start, task_run, m_state.Task);
        // 8.
        if (m_debug.Visible())
            m_debug.RefreshLabels();
        // 9.
        m_input.EndTick();
        // 10.
        SetFrameTimerEnabled(true);
        m_sound.ReportSoundFailure();
    } catch (const std::exception& error) {
        // The timer stays disabled: the game stops advancing, the window and its menus stay.
        m_timer_usable = false;
        ReportError(error);
    }
}

void Engine::SetTask(TaskCode task, std::optional<TaskCode> return_task) {
    m_state.Task = task;
    if (return_task)
        m_state.ReturnTask = *return_task;
}

void Engine::RunTask() {
    switch (m_state.Task) {
    case TaskCode::TASK_INIT: TaskInit(); break;
    case TaskCode::TASK_SCRIPT: m_script.Run(); break;
    case TaskCode::TASK_WAIT: Wait(); break;
    case TaskCode::TASK_WAIT_KEY: WaitKey(); break;
    case TaskCode::TASK_RESTORE_GAME: m_commands.RestoreGame(); break;
    case TaskCode::TASK_DISP_MESSAGE: m_message.DispMessage(); break;
    case TaskCode::TASK_WAIT_MESSAGE: m_message.WaitMessage(); break;
    case TaskCode::TASK_WAIT_SELECT: m_message.WaitSelect(); break;
    case TaskCode::TASK_WAIT_SELECT2: m_message.WaitSelect2(); break;
    case TaskCode::TASK_EFFECT_01: m_stage.DispFade(); break;
    case TaskCode::TASK_EFFECT_11: m_stage.DispWipe(); break;
    case TaskCode::TASK_EFFECT_91: m_stage.DispMenuFade(m_state.ReturnTask); break;
    default: m_menus.RunTask(m_state.Task); break; // the menus' tasks; a code no handler owns runs nothing
    }
}

// Samples the keys once per tick; a press that ends a skip has done its work.
void Engine::CheckKey() {
    EngineState& s = m_state;
    if (m_input.CheckKey()) {
        if (s.Task == TaskCode::TASK_SCRIPT)
            m_message.SetSkipNow(m_input.KeyControl());
        if (m_input.KeyReturn() || m_input.KeyControl() || m_input.KeySpace() || m_input.LeftClick()) {
            // The key that ended a skip has done its work: held on, it neither advances the message
            // the skip stopped at nor, for Control, skips again.
            if (m_message.SkipMode() || m_message.ReadSkipMode())
                m_input.SpendCountedKeys();
            m_message.SetSkipMode(false);
            m_message.SetReadSkipMode(false);
        }
        if (m_message.SkipMode())
            m_message.SetSkipNow(true);
    } else if (s.Task == TaskCode::TASK_SCRIPT && !m_message.SkipMode()) {
        m_message.SetSkipNow(false);
    }
    // Escape opens the game menu, as a right click does, while a message or a choice waits with
    // the menu attached: at the pointer, or in the middle of the picture when the pointer is off
    // it. Held on, it does not open the menu again.
    const bool waiting = s.Task == TaskCode::TASK_WAIT_MESSAGE || s.Task == TaskCode::TASK_WAIT_SELECT;
    if (waiting && m_input.KeyEscape() && m_commands.ContextMenuAttached()) {
        m_input.SpendHeldKeys();
        const Point pointer = m_platform.ScreenToClient(WindowId::Main, m_platform.CursorPos());
        const bool on_picture =
            pointer.x >= 0 && pointer.y >= 0 && pointer.x < kScreenWidth && pointer.y < kScreenHeight;
        m_commands.PopupContextMenu(m_platform.ClientToScreen(
            WindowId::Main, on_picture ? pointer : Point{kScreenWidth / 2, kScreenHeight / 2}));
    }
}

void Engine::TaskInit() {
    // The secondary forms exist only now, after start-up: shape the floating window from the
    // message-window strip of the parts sheet. The sheet is in its slot already when nothing was
    // loaded there since start-up loaded it (the first tick comes straight after), and decoding
    // it again would only delay the first picture.
    if (m_stage.PartsSource() != std::pair{kPartsGraphic, kPlaceCentre})
        m_stage.ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
    Bitmap strip;
    strip.SetSize(kMsgWindowWidth, kMsgWindowHeight);
    strip.CopyRect(0, 0, m_stage.PartsImage(), 0, kMsgWindowTop, kMsgWindowWidth, kMsgWindowHeight);
    Bitmap& float_surface = m_platform.ClientSurface(WindowId::Float);
    float_surface.CopyRect(0, 0, strip, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
    m_platform.Invalidate(WindowId::Float);
    m_message.ShapeFloatWindow(strip);

    m_debug.ShowIfAsked();
    SetTask(TaskCode::TASK_SCRIPT);
}

void Engine::Wait() {
    // Signed difference: a wait that spans the wrap of the 32-bit clock still ends.
    if (static_cast<std::int32_t>(m_platform.TickCount() - m_state.WaitUntil) >= 0)
        SetTask(TaskCode::TASK_SCRIPT);
}

void Engine::WaitKey() {
    if (m_input.KeyReturn() || m_input.KeyControl() || m_input.LeftClick())
        SetTask(TaskCode::TASK_SCRIPT);
}

// Every 10 ms: the automatic advance counts while no voice plays, and the input lock runs out.
void Engine::OnDelayTimer() {
    const int voice_status = m_sound.VoiceChannelStatus();
    if (voice_status == 0 || voice_status == 1)
        m_message.AddAutoElapsed(10);
    m_input.RunDownInputLock(1);
}

} // namespace hk
