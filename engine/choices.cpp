// Choices. The first kind shows up to four lines in the message window (mouse hover, cursor keys,
// the log); the second kind shows up to nine lines in the middle of the screen over an overlay
// (mouse only). Either stores the chosen number in scenario variable 1 and logs the line.
#include "engine/engine.h"

#include "data/shift_jis.h"
#include "engine/message_layout.h"

#include <algorithm>
#include <cstring>

namespace hk {

namespace {

constexpr int kChoiceFontHeight = 28;
constexpr Color kChoiceColor = 0x00808080;
constexpr Color kChoiceHighlight = 0x0000FF00; // green
constexpr const char32_t* kChoiceLogPrefix = U"【選択肢】/";

// First kind: four rows of 32 pixels from y 32 of the window, text 3 pixels into its row.
constexpr int kSelectRows = 4;
constexpr int kSelectLineChars = 30;
constexpr int kSelectTextX = 34;
constexpr int kRowHeight = 32;
constexpr int kRowsTop = 32;
constexpr int kRowsBottom = kRowsTop + kSelectRows * kRowHeight; // 160
constexpr int kRowTextY = kRowsTop + 3;

// Second kind: nine slots of 40 pixels every 60, text at x 120; the pointer picks a slot between
// x 120 and 679.
constexpr int kSelect2Slots = 9;
constexpr int kSelect2LineChars = 31;
constexpr int kSelect2TextX = 120;
constexpr int kSelect2HitRight = 680;
constexpr int kSlotPitch = 60;
constexpr int kSlotHeight = 40;

// Hovered row 1..4 under a point of the floating window, or 0. Its last row is 33 pixels high.
int FloatRowAt(Point p) {
    if (p.x < 0 || p.x >= kMsgWindowWidth || p.y < kRowsTop || p.y > kRowsBottom)
        return 0;
    return std::min((p.y - kRowsTop) / kRowHeight + 1, kSelectRows);
}

// Hovered row 1..4 under a point of the main window, or 0.
int MainRowAt(Point p) {
    const int y = p.y - kMsgWindowTop;
    if (p.x < 0 || p.x >= kMsgWindowWidth || y < kRowsTop || y >= kRowsBottom)
        return 0;
    return (y - kRowsTop) / kRowHeight + 1;
}

// The first slot used by a second-kind choice of `count` lines: the block is centred.
int FirstSlot(int count) {
    if (count <= 1)
        return 5;
    if (count <= 3)
        return 4;
    if (count <= 5)
        return 3;
    if (count <= 7)
        return 2;
    return 1;
}

// Top of slot b (1..9).
int SlotTop(int b) {
    return kSlotPitch * b - 20;
}

// Puts the rectangle (x, y, w, h) of source at the same place of the window. A waiting choice
// redraws every tick, but the display is only asked to repaint when the picture changed (the
// pointer moved to another row, or something was drawn over it).
void PresentChoice(Platform& platform, WindowId window, const Bitmap& source, int x, int y, int w, int h) {
    Bitmap& surface = platform.ClientSurface(window);
    bool same = surface.Format() == source.Format() && surface.Width() >= x + w && surface.Height() >= y + h &&
                source.Width() >= x + w && source.Height() >= y + h;
    for (int row = y; row < y + h && same; ++row)
        same = std::memcmp(surface.Pixel(x, row), source.Pixel(x, row), static_cast<std::size_t>(w) * 4) == 0;
    if (same)
        return;
    surface.CopyRect(x, y, source, x, y, w, h);
    platform.Invalidate(window);
}

} // namespace

void Engine::MakeSelect(const std::u32string& text) {
    EngineState& s = m_state;
    s.ChoiceLines = SplitChoiceLines(text, kSelectLineChars, kSelectRows);
    s.ChoiceCount = static_cast<std::int32_t>(s.ChoiceLines.size());
    s.ChoiceLines.resize(kSelectRows);

    // Every caller puts this window on the screen at once (the script, the return from the log,
    // the switch to or from the floating window), so it counts as shown even when the player had
    // hidden the previous one or no message came before.
    s.MsgWindowVisible = 1;

    MakeMessageBackground(MsgTextImage);
    SelectImage.SetSize(kMsgWindowWidth, kMsgWindowHeight);
    SelectImage.CopyRect(0, 0, MsgTextImage, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
    for (int i = 0; i < kSelectRows; ++i) {
        const std::u32string& line = s.ChoiceLines[static_cast<std::size_t>(i)];
        const int y = kRowTextY + kRowHeight * i;
        DrawOutlinedText(MsgTextImage, kSelectTextX, y, kChoiceFontHeight, line, kChoiceColor);
        DrawOutlinedText(SelectImage, kSelectTextX, y, kChoiceFontHeight, line, kChoiceHighlight);
    }
}

void Engine::NoteChoiceShown(int number, int voice) {
    EngineState& s = m_state;
    s.MsgNumber = number;
    s.VoiceNumber = voice;
    s.MsgIsChoice = 1;
    // A choice always stops skipping and automatic advance.
    s.SkipNow = s.SkipMode = s.ReadSkipMode = s.AutoMode = 0;
}

void Engine::ShowChoice(int number, int voice, std::string_view text) {
    NoteChoiceShown(number, voice);
    MakeSelect(SjisToUtf32(text));
    if (MsgTextImage.HasImage()) {
        if (MsgFloatChecked()) {
            Bitmap& window = m_platform.ClientSurface(WindowId::Float);
            window.CopyRect(0, 0, MsgTextImage, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
            m_platform.Invalidate(WindowId::Float);
        } else {
            m_stage.ScreenBuffer().CopyRect(0, kMsgWindowTop, MsgTextImage, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
            Bitmap& window = m_platform.ClientSurface(WindowId::Main);
            window.CopyRect(0, kMsgWindowTop, MsgTextImage, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
            m_platform.Invalidate(WindowId::Main);
        }
    }
    SetTask(TaskCode::TASK_WAIT_SELECT);
}

void Engine::WaitSelect() {
    EngineState& s = m_state;
    const bool floating = MsgFloatChecked();
    s.AutoMode = 0;
    if (WaitWithHiddenWindow())
        return;

    s.ChoiceLines.resize(kSelectRows);
    int row = 0;
    if (s.LogViewing == 1) {
        if (m_input.KeyReturn() || m_input.LeftClick()) {
            s.LogViewing = 0;
            MakeSelect(CurrentMessageText());
            SetTask(TaskCode::TASK_WAIT_SELECT);
            s.RevealLevel = 255;
            // The Return that left the log is not also an answer.
            if (m_input.KeyReturn())
                m_input.SetInputLock(kLockAfterAnswer);
            m_input.SpendHeldKeys();
            return;
        }
    } else {
        row = DrawHoveredChoice(floating);
    }

    if (m_input.KeySpace()) {
        HideMsgWindow();
        s.MsgWindowVisible = 0;
        m_input.SetInputLock(kLockAfterAnswer);
        m_input.SpendHeldKeys();
        return;
    }
    if (MsgLogKeys())
        return;

    if (floating)
        PresentChoice(m_platform, WindowId::Float, SelectWorkImage, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
    else
        PresentChoice(m_platform, WindowId::Main, m_stage.ScreenBuffer(), 0, kMsgWindowTop, kMsgWindowWidth,
                      kMsgWindowHeight);

    if (row != 0 && (m_input.KeyReturn() || m_input.LeftClick())) {
        if (floating) {
            MsgWindowImage.CopyRect(0, 0, m_stage.PartsImage(), 0, kMsgWindowTop, kMsgWindowWidth, kMsgWindowHeight);
            ShowOnFloatWindow(MsgWindowImage);
            m_platform.Sleep(1);
        }
        s.Game.ScenarioVars[0] = static_cast<std::int16_t>(row);
        AddMsgLog(kChoiceLogPrefix + s.ChoiceLines[static_cast<std::size_t>(row - 1)], -1);
        SetTask(TaskCode::TASK_SCRIPT);
        m_input.SetInputLock(kLockAfterAnswer);
        m_input.SpendHeldKeys();
        return;
    }

    MoveChoiceCursor(row, floating);
}

int Engine::DrawHoveredChoice(bool floating) {
    const EngineState& s = m_state;
    // The plain window, then the hovered row in the highlight colour.
    Bitmap& work = floating ? SelectWorkImage : m_stage.ScreenBuffer();
    const int top = floating ? 0 : kMsgWindowTop;
    work.CopyRect(0, top, MsgTextImage, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
    int row = floating ? FloatRowAt(m_input.CursorFloat()) : MainRowAt(m_input.CursorMain());
    if (row > s.ChoiceCount)
        row = 0;
    if (row != 0)
        work.CopyRect(0, top + kRowHeight * row, SelectImage, 0, kRowHeight * row, kMsgWindowWidth, kRowHeight);
    return row;
}

void Engine::MoveChoiceCursor(int row, bool floating) {
    EngineState& s = m_state;
    int target = 0;
    if (m_input.KeyDown()) {
        target = row + 1;
        if (target > s.ChoiceCount)
            target = 1;
    } else if (m_input.KeyUp()) {
        target = row - 1;
        if (target <= 0)
            target = s.ChoiceCount;
    }
    if (target == 0)
        return;
    // The pointer goes to the row's left end; the next tick's hover test highlights it.
    if (floating)
        m_input.SetFloatCurPos(16, kRowHeight * target + 16);
    else
        m_input.SetCurPos(16, kMsgWindowTop + kRowHeight * target + 16);
    m_input.SetInputLock(kLockAfterCursorKey);
}

void Engine::MakeFullScreenChoice(const std::u32string& text) {
    EngineState& s = m_state;
    m_stage.ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
    s.Choice2Lines = SplitChoiceLines(text, kSelect2LineChars, kSelect2Slots);
    s.ChoiceCount = static_cast<std::int32_t>(s.Choice2Lines.size());
    s.Choice2Lines.resize(kSelect2Slots);

    Select2Image.SetSize(kScreenWidth, kScreenHeight);
    Select2Image.CopyRect(0, 0, m_stage.SceneImage(), 0, 0, kScreenWidth, kScreenHeight);
    Select2Sheet.DrawAlphaOnto(0, 0, kScreenWidth, kScreenHeight, 0, 0, Select2Image, 255);
    Select2WorkImage.SetSize(kScreenWidth, kScreenHeight);
    Select2WorkImage.CopyRect(0, 0, Select2Image, 0, 0, kScreenWidth, kScreenHeight);

    int y = SlotTop(FirstSlot(s.ChoiceCount)) + 6;
    for (const std::u32string& line : s.Choice2Lines) {
        // Short lines are pushed right by half-width spaces, towards the middle of the overlay.
        // An empty slot would be spaces alone, which leave no mark.
        if (!line.empty()) {
            std::u32string padded = line;
            if (padded.size() < 20)
                padded.insert(0, 20 - padded.size(), U' ');
            DrawOutlinedText(Select2Image, kSelect2TextX, y, kChoiceFontHeight, padded, kChoiceColor);
            DrawOutlinedText(Select2WorkImage, kSelect2TextX, y, kChoiceFontHeight, padded, kChoiceHighlight);
        }
        y += kSlotPitch;
    }
}

void Engine::ShowFullScreenChoice(int number, int voice, std::string_view text) {
    NoteChoiceShown(number, voice);
    MakeFullScreenChoice(SjisToUtf32(text));
    m_stage.ScreenBuffer().Assign(m_stage.SceneImage());
    m_state.Select2Visible = 1;
    SetTask(TaskCode::TASK_WAIT_SELECT2);
    m_platform.ShowWindow(WindowId::Float, false);
}

void Engine::WaitSelect2() {
    EngineState& s = m_state;
    s.AutoMode = 0;
    if (s.Game.ContextMenuOn == 1)
        AttachContextMenu();

    if (s.Select2Visible == 0) {
        if (m_input.KeySpace() || m_input.KeyReturn() || m_input.LeftClick()) {
            m_input.SetInputLock(kLockAfterAnswer);
            s.Select2Visible = 1; // the next tick draws the choices again
            m_input.SpendHeldKeys();
        }
        return;
    }

    s.Choice2Lines.resize(kSelect2Slots);
    const int count = std::clamp(static_cast<int>(s.ChoiceCount), 1, kSelect2Slots);
    const int first = FirstSlot(count);
    const int band_top = SlotTop(first);
    const int band_height = kSlotPitch * (count - 1) + kSlotHeight;
    m_stage.ScreenBuffer().CopyRect(0, band_top, Select2Image, 0, band_top, kScreenWidth, band_height);

    int slot = 0;
    const Point p = m_input.CursorMain();
    if (p.x >= kSelect2TextX && p.x < kSelect2HitRight) {
        for (int b = 1; b <= kSelect2Slots; ++b)
            if (p.y >= SlotTop(b) && p.y < SlotTop(b) + kSlotHeight)
                slot = b;
    }
    if (slot < first || slot >= first + count)
        slot = 0;
    if (slot != 0)
        m_stage.ScreenBuffer().CopyRect(0, SlotTop(slot), Select2WorkImage, 0, SlotTop(slot), kScreenWidth,
                                        kSlotHeight);

    if (m_input.KeySpace()) {
        m_stage.ScreenBuffer().CopyRect(0, 0, m_stage.SceneImage(), 0, 0, kScreenWidth, kScreenHeight);
        m_stage.PresentScreen();
        s.Select2Visible = 0;
        m_input.SetInputLock(kLockAfterAnswer);
        m_input.SpendHeldKeys();
        return;
    }

    PresentChoice(m_platform, WindowId::Main, m_stage.ScreenBuffer(), 0, 0, kScreenWidth, kScreenHeight);
    if (slot != 0 && (m_input.KeyReturn() || m_input.LeftClick())) {
        const int choice = slot - first + 1;
        s.Game.ScenarioVars[0] = static_cast<std::int16_t>(choice);
        AddMsgLog(kChoiceLogPrefix + s.Choice2Lines[static_cast<std::size_t>(choice - 1)], -1);
        DetachContextMenu();
        m_stage.ScreenBuffer().CopyRect(0, 0, m_stage.SceneImage(), 0, 0, kScreenWidth, kScreenHeight);
        m_stage.PresentScreen();
        SetTask(TaskCode::TASK_SCRIPT);
        m_input.SetInputLock(kLockAfterAnswer);
        m_input.SpendHeldKeys();
    }
}

} // namespace hk
