// The stage's host: the main window, the clock, the message window's slots, the CG marks, the
// shortcut and the hand-over.
#include "engine/stage_wiring.h"

#include "engine/engine.h"

namespace hk {

Bitmap& StageWiring::MainWindowSurface() {
    return m_platform.ClientSurface(WindowId::Main);
}

void StageWiring::InvalidateMainWindow() {
    m_platform.Invalidate(WindowId::Main);
}

bool StageWiring::MainWindowReadyForFrame() {
    return m_platform.ReadyForFrame(WindowId::Main);
}

std::uint32_t StageWiring::StageClock() {
    return m_platform.TickCount();
}

Bitmap* StageWiring::SlotSurface(int slot) {
    switch (slot) {
    case kMsgRuleSlot: return &m_message.MsgRuleImage();
    case kMsgFrameSlot: return &m_message.MsgFrameImage();
    case kChoiceSheetSlot: return &m_message.Select2Sheet();
    default: return nullptr;
    }
}

void StageWiring::NoteCgShown(int number) {
    if (number >= kCgFirst && number <= kCgLast)
        m_state.System.CgSeen[number - kCgFirst] = 1;
}

bool StageWiring::TransitionShortcutWanted() {
    const EngineState& s = m_state;
    // While the script keeps the cursor hidden nothing cuts a transition short.
    if (s.Game.CursorShown == 0)
        return false;
    return m_input.KeyControl() || m_message.SkipNow() || m_message.SkipMode() || m_message.ReadSkipMode() ||
           s.System.EffectsOn == 0;
}

void StageWiring::TransitionEnded(TaskCode next) {
    m_engine.SetTask(next);
}

} // namespace hk
