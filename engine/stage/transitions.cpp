// Screen transitions: the script's fade and rule wipe, and the fixed 500 ms fade of the menus.
// Each runs one step per tick, timed by the millisecond clock, and hands the task on at its end.
#include "engine/stage/stage.h"

#include "engine/screen_layout.h"

#include <algorithm>

namespace hk {

namespace {

bool Reached(std::uint32_t now, std::int32_t end) {
    return static_cast<std::int32_t>(now - static_cast<std::uint32_t>(end)) >= 0;
}

} // namespace

bool Stage::FrameWanted(bool first_step) {
    // A step's picture is a blend of whole screens; one that the display would never show (the
    // window still has an earlier step waiting for its refresh) is not worth making. The step
    // that starts a transition and the one that ends it always run.
    return first_step || m_host.MainWindowReadyForFrame();
}

void Stage::KeepOldScreen() {
    // Sized on the first transition of the run; every transition copies the whole screen.
    if (m_effect_old.Width() != kScreenWidth || m_effect_old.Height() != kScreenHeight ||
        m_effect_old.Format() != PixelFormat::Bgra32)
        m_effect_old.SetSize(kScreenWidth, kScreenHeight);
    m_effect_old.CopyRect(0, 0, m_screen_buffer, 0, 0, kScreenWidth, kScreenHeight);
}

void Stage::ApplyTransitionShortcut(std::uint32_t now) {
    if (m_host.TransitionShortcutWanted())
        m_effect.EndTime = static_cast<std::int32_t>(now - 1);
}

void Stage::RunFade(bool shortcut, TaskCode next) {
    EffectStateData& e = m_effect;
    const std::uint32_t now = m_host.StageClock();
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
        m_screen_buffer.CopyRect(0, 0, m_effect_old, 0, 0, kScreenWidth, kScreenHeight);
        m_scene_image.BlendOnto(0, 0, kScreenWidth, kScreenHeight, 0, 0, m_screen_buffer,
                                static_cast<std::uint16_t>(std::clamp(alpha, 0, 256)));
        PresentScreen();
        return;
    }
    m_screen_buffer.CopyRect(0, 0, m_scene_image, 0, 0, kScreenWidth, kScreenHeight);
    m_host.TransitionEnded(next);
    PresentScreen();
}

void Stage::StartFade(int duration_ms) {
    EffectStateData& effect = m_effect;
    effect.FirstTick = 0;
    effect.StartTime = static_cast<std::int32_t>(m_host.StageClock());
    effect.Duration = duration_ms;
    effect.EndTime = effect.StartTime + effect.Duration;
}

void Stage::StartWipe(int rule_graphic, int duration_ms, int strength) {
    EffectStateData& effect = m_effect;
    effect.FirstTick = 0;
    effect.Graphic = rule_graphic;
    effect.Strength = strength;
    effect.Duration = duration_ms;
    effect.StartTime = static_cast<std::int32_t>(m_host.StageClock());
    effect.EndTime = effect.StartTime + effect.Duration;
}

void Stage::DispFade() {
    RunFade(true, TaskCode::TASK_SCRIPT);
}

void Stage::DispMenuFade(TaskCode next) {
    RunFade(false, next);
}

void Stage::DispWipe() {
    EffectStateData& e = m_effect;
    const std::uint32_t now = m_host.StageClock();
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
        const int t = e.Duration > 0 ? static_cast<int>(elapsed * kWipeProgressEnd / e.Duration) : kWipeProgressEnd;
        m_screen_buffer.CopyRect(0, 0, m_effect_old, 0, 0, kScreenWidth, kScreenHeight);
        m_scene_image.RuleBlendOnto(0, 0, kScreenWidth, kScreenHeight, 0, 0, m_rule_image, m_screen_buffer,
                                    static_cast<std::uint16_t>(std::clamp(t, 0, kWipeProgressEnd)),
                                    static_cast<std::uint16_t>(std::clamp(e.Strength, 1, 8)));
        PresentScreen();
        e.FirstTick += 4;
        return;
    }
    // The last step does not present: the next presentation shows the new scene.
    m_screen_buffer.CopyRect(0, 0, m_scene_image, 0, 0, kScreenWidth, kScreenHeight);
    m_host.TransitionEnded(TaskCode::TASK_SCRIPT);
}

} // namespace hk
