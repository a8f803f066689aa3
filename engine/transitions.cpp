// Screen transitions: the script's fade and rule wipe, and the fixed 500 ms fade of the menus.
// Each runs one step per tick, timed by the millisecond clock, and hands the task on at its end.
#include "engine/engine.h"

#include <algorithm>

namespace hk {

namespace {

bool Reached(std::uint32_t now, std::int32_t end) {
    return static_cast<std::int32_t>(now - static_cast<std::uint32_t>(end)) >= 0;
}

} // namespace

bool Engine::FrameWanted(bool first_step) {
    // A step's picture is a blend of whole screens; one that the display would never show (the
    // window still has an earlier step waiting for its refresh) is not worth making. The step
    // that starts a transition and the one that ends it always run.
    return first_step || m_platform.ReadyForFrame(WindowId::Main);
}

void Engine::KeepOldScreen() {
    // Sized on the first transition of the run; every transition copies the whole screen.
    if (EffectOld.Width() != kScreenWidth || EffectOld.Height() != kScreenHeight ||
        EffectOld.Format() != PixelFormat::Bgra32)
        EffectOld.SetSize(kScreenWidth, kScreenHeight);
    EffectOld.CopyRect(0, 0, ScreenBuffer, 0, 0, kScreenWidth, kScreenHeight);
}

void Engine::ApplyTransitionShortcut(std::uint32_t now) {
    const EngineState& s = m_state;
    // While the script keeps the cursor hidden nothing cuts a transition short.
    if (s.Game.CursorShown == 0)
        return;
    if (s.KeyControl || m_message.SkipNow() || m_message.SkipMode() || m_message.ReadSkipMode() ||
        s.System.EffectsOn == 0)
        m_state.EffectState.EndTime = static_cast<std::int32_t>(now - 1);
}

void Engine::RunFade(bool shortcut, TaskCode next) {
    EffectStateData& e = m_state.EffectState;
    const std::uint32_t now = m_platform.TickCount();
    const bool first_step = e.FirstTick == 0;
    if (first_step) {
        KeepOldScreen();
        e.FirstTick = 1;
    }
    if (shortcut)
        ApplyTransitionShortcut(now);
    if (!Reached(now, e.EndTime)) {
        if (!FrameWanted(first_step))
            return;
        const std::int64_t elapsed = static_cast<std::int32_t>(now - static_cast<std::uint32_t>(e.StartTime));
        const int alpha = e.Duration > 0 ? static_cast<int>(elapsed * 255 / e.Duration) : 255;
        ScreenBuffer.CopyRect(0, 0, EffectOld, 0, 0, kScreenWidth, kScreenHeight);
        SceneImage.BlendOnto(0, 0, kScreenWidth, kScreenHeight, 0, 0, ScreenBuffer,
                             static_cast<std::uint16_t>(std::clamp(alpha, 0, 256)));
        PresentScreen();
        return;
    }
    ScreenBuffer.CopyRect(0, 0, SceneImage, 0, 0, kScreenWidth, kScreenHeight);
    SetTask(next);
    PresentScreen();
}

void Engine::StartFade(int duration_ms) {
    EffectStateData& effect = m_state.EffectState;
    effect.FirstTick = 0;
    effect.StartTime = static_cast<std::int32_t>(m_platform.TickCount());
    effect.Duration = duration_ms;
    effect.EndTime = effect.StartTime + effect.Duration;
    SetTask(TaskCode::TASK_EFFECT_01);
}

void Engine::StartWipe(int rule_graphic, int duration_ms, int strength) {
    EffectStateData& effect = m_state.EffectState;
    effect.FirstTick = 0;
    effect.Graphic = rule_graphic;
    effect.Strength = strength;
    effect.Duration = duration_ms;
    effect.StartTime = static_cast<std::int32_t>(m_platform.TickCount());
    effect.EndTime = effect.StartTime + effect.Duration;
    SetTask(TaskCode::TASK_EFFECT_11);
}

void Engine::DispFade() {
    RunFade(true, TaskCode::TASK_SCRIPT);
}

void Engine::DispMenuFade() {
    RunFade(false, m_state.ReturnTask);
}

void Engine::DispWipe() {
    EffectStateData& e = m_state.EffectState;
    const std::uint32_t now = m_platform.TickCount();
    const bool first_step = e.FirstTick == 0;
    if (first_step) {
        ReadGraphic(kRuleSlot, e.Graphic, kPlaceCentre);
        KeepOldScreen();
    }
    ApplyTransitionShortcut(now);
    if (!Reached(now, e.EndTime)) {
        if (!FrameWanted(first_step))
            return;
        const std::int64_t elapsed = static_cast<std::int32_t>(now - static_cast<std::uint32_t>(e.StartTime));
        const int t = e.Duration > 0 ? static_cast<int>(elapsed * 280 / e.Duration) : 280;
        ScreenBuffer.CopyRect(0, 0, EffectOld, 0, 0, kScreenWidth, kScreenHeight);
        SceneImage.RuleBlendOnto(0, 0, kScreenWidth, kScreenHeight, 0, 0, RuleImage, ScreenBuffer,
                                 static_cast<std::uint16_t>(std::clamp(t, 0, 280)),
                                 static_cast<std::uint16_t>(std::clamp(e.Strength, 1, 8)));
        PresentScreen();
        e.FirstTick += 4;
        return;
    }
    // The last step does not present: the next presentation shows the new scene.
    ScreenBuffer.CopyRect(0, 0, SceneImage, 0, 0, kScreenWidth, kScreenHeight);
    SetTask(TaskCode::TASK_SCRIPT);
}

} // namespace hk
