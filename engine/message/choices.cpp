// Choices. The first kind shows up to four lines in the message window (mouse hover, cursor keys,
// the log); the second kind shows up to nine lines in the middle of the screen over an overlay
// (mouse hover, Up and Down). Either stores the chosen number in scenario variable 1 and logs the
// line.
#include "engine/message/message_window.h"

#include "data/shift_jis.h"
#include "engine/input/focus.h"
#include "engine/message/message_layout.h"
#include "engine/screen_layout.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

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

} // namespace

// A waiting choice redraws every tick, but the display is only asked to repaint when the picture
// changed (the pointer moved to another row, or something was drawn over it).
void MessageWindow::PresentChoice(WindowId window, const Bitmap& source, int x, int y, int w, int h) {
    Bitmap& surface = m_host.WindowSurface(window);
    bool same = surface.Format() == source.Format() && surface.Width() >= x + w && surface.Height() >= y + h &&
                source.Width() >= x + w && source.Height() >= y + h;
    for (int row = y; row < y + h && same; ++row)
        same = std::memcmp(surface.Pixel(x, row), source.Pixel(x, row), static_cast<std::size_t>(w) * 4) == 0;
    if (same)
        return;
    surface.CopyRect(x, y, source, x, y, w, h);
    m_host.Invalidate(window);
}

void MessageWindow::MakeSelect(const std::u32string& text) {
    m_choice_lines = SplitChoiceLines(text, kSelectLineChars, kSelectRows);
    m_choice_count = static_cast<int>(m_choice_lines.size());
    m_choice_lines.resize(kSelectRows);

    // Every caller puts this window on the screen at once (the script, the return from the log,
    // the switch to or from the floating window), so it counts as shown even when the player had
    // hidden the previous one or no message came before.
    m_msg_window_visible = true;

    MakeMessageBackground(m_msg_text_image);
    m_select_image.SetSize(kMsgWindowWidth, kMsgWindowHeight);
    m_select_image.CopyRect(0, 0, m_msg_text_image, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
    for (int i = 0; i < kSelectRows; ++i) {
        const std::u32string& line = m_choice_lines[static_cast<std::size_t>(i)];
        const int y = kRowTextY + kRowHeight * i;
        DrawOutlinedText(m_msg_text_image, kSelectTextX, y, kChoiceFontHeight, line, kChoiceColor);
        DrawOutlinedText(m_select_image, kSelectTextX, y, kChoiceFontHeight, line, kChoiceHighlight);
    }
}

void MessageWindow::NoteChoiceShown(int number, int voice) {
    m_msg_number = number;
    m_voice_number = voice;
    m_msg_is_choice = true;
    // A choice always stops skipping and automatic advance.
    m_skip_now = m_skip_mode = m_read_skip_mode = m_auto_mode = false;
}

void MessageWindow::ShowChoice(int number, int voice, std::string_view text) {
    NoteChoiceShown(number, voice);
    MakeSelect(SjisToUtf32(text));
    if (m_msg_text_image.HasImage()) {
        if (MsgFloatChecked()) {
            Bitmap& window = m_host.WindowSurface(WindowId::Float);
            window.CopyRect(0, 0, m_msg_text_image, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
            m_host.Invalidate(WindowId::Float);
        } else {
            m_host.Screen().CopyRect(0, kMsgWindowTop, m_msg_text_image, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
            Bitmap& window = m_host.WindowSurface(WindowId::Main);
            window.CopyRect(0, kMsgWindowTop, m_msg_text_image, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
            m_host.Invalidate(WindowId::Main);
        }
    }
    m_host.ChangeTask(TaskCode::TASK_WAIT_SELECT);
}

void MessageWindow::WaitSelect() {
    const bool floating = MsgFloatChecked();
    m_auto_mode = false;
    if (WaitWithHiddenWindow())
        return;

    const MessageInput in = m_host.InputNow();
    m_choice_lines.resize(kSelectRows);
    int row = 0;
    if (m_log_viewing) {
        if (in.KeyReturn || in.LeftClick) {
            m_log_viewing = false;
            MakeSelect(CurrentMessageText());
            m_host.ChangeTask(TaskCode::TASK_WAIT_SELECT);
            m_reveal_level = 255;
            // The Return that left the log is not also an answer.
            if (in.KeyReturn)
                m_host.SetInputLock(kLockAfterAnswer);
            m_host.SpendHeldKeys();
            return;
        }
    } else {
        row = DrawHoveredChoice(floating, in);
    }

    if (in.KeySpace) {
        HideMsgWindow();
        m_msg_window_visible = false;
        m_host.SetInputLock(kLockAfterAnswer);
        m_host.SpendHeldKeys();
        return;
    }
    if (MsgLogKeys())
        return;

    if (floating)
        PresentChoice(WindowId::Float, m_select_work_image, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
    else
        PresentChoice(WindowId::Main, m_host.Screen(), 0, kMsgWindowTop, kMsgWindowWidth, kMsgWindowHeight);

    if (row != 0 && (in.KeyReturn || in.LeftClick)) {
        if (floating) {
            ShowEmptyFloatWindow();
            m_host.Sleep(1);
        }
        m_host.SetChoiceAnswer(row);
        AddMsgLog(kChoiceLogPrefix + m_choice_lines[static_cast<std::size_t>(row - 1)], -1);
        m_host.ChangeTask(TaskCode::TASK_SCRIPT);
        m_host.SetInputLock(kLockAfterAnswer);
        m_host.SpendHeldKeys();
        return;
    }

    MoveChoiceCursor(row, floating, in);
}

int MessageWindow::DrawHoveredChoice(bool floating, const MessageInput& in) {
    // The plain window, then the hovered row in the highlight colour.
    Bitmap& work = floating ? m_select_work_image : m_host.Screen();
    const int top = floating ? 0 : kMsgWindowTop;
    work.CopyRect(0, top, m_msg_text_image, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
    int row = floating ? FloatRowAt(in.CursorFloat) : MainRowAt(in.CursorMain);
    if (row > m_choice_count)
        row = 0;
    if (row != 0)
        work.CopyRect(0, top + kRowHeight * row, m_select_image, 0, kRowHeight * row, kMsgWindowWidth, kRowHeight);
    return row;
}

void MessageWindow::MoveChoiceCursor(int row, bool floating, const MessageInput& in) {
    if (!in.KeyDown && !in.KeyUp)
        return;
    // The rows as targets, each aimed at its left end: the next tick's hover test highlights the
    // row the pointer goes to. From no row, Down goes to the first and Up to the last.
    const int top = floating ? 0 : kMsgWindowTop;
    const int count = std::clamp(static_cast<int>(m_choice_count), 0, kSelectRows);
    std::array<FocusTarget, kSelectRows> rows{};
    for (int r = 1; r <= count; ++r) {
        const int row_top = top + kRowHeight * r;
        rows[static_cast<std::size_t>(r - 1)] =
            FocusTarget{0, row_top, kMsgWindowWidth - 1, row_top + kRowHeight - 1, Point{16, row_top + 16}};
    }
    const int target = FocusStep(std::span(rows).first(static_cast<std::size_t>(count)), row - 1,
                                 in.KeyDown ? FocusDirection::Down : FocusDirection::Up);
    if (target < 0)
        return;
    const Point aim = rows[static_cast<std::size_t>(target)].aim;
    if (floating)
        m_host.SetFloatCurPos(aim.x, aim.y);
    else
        m_host.SetCurPos(aim.x, aim.y);
    m_host.SetInputLock(kLockAfterCursorKey);
}

void MessageWindow::MakeFullScreenChoice(const std::u32string& text) {
    m_host.LoadParts();
    m_choice2_lines = SplitChoiceLines(text, kSelect2LineChars, kSelect2Slots);
    m_choice_count = static_cast<int>(m_choice2_lines.size());
    m_choice2_lines.resize(kSelect2Slots);

    m_select2_image.SetSize(kScreenWidth, kScreenHeight);
    m_select2_image.CopyRect(0, 0, m_host.Scene(), 0, 0, kScreenWidth, kScreenHeight);
    m_select2_sheet.DrawAlphaOnto(0, 0, kScreenWidth, kScreenHeight, 0, 0, m_select2_image, 255);
    m_select2_work_image.SetSize(kScreenWidth, kScreenHeight);
    m_select2_work_image.CopyRect(0, 0, m_select2_image, 0, 0, kScreenWidth, kScreenHeight);

    int y = SlotTop(FirstSlot(m_choice_count)) + 6;
    for (const std::u32string& line : m_choice2_lines) {
        // Short lines are pushed right by half-width spaces, towards the middle of the overlay.
        // An empty slot would be spaces alone, which leave no mark.
        if (!line.empty()) {
            std::u32string padded = line;
            if (padded.size() < 20)
                padded.insert(0, 20 - padded.size(), U' ');
            DrawOutlinedText(m_select2_image, kSelect2TextX, y, kChoiceFontHeight, padded, kChoiceColor);
            DrawOutlinedText(m_select2_work_image, kSelect2TextX, y, kChoiceFontHeight, padded, kChoiceHighlight);
        }
        y += kSlotPitch;
    }
}

void MessageWindow::ShowFullScreenChoice(int number, int voice, std::string_view text) {
    NoteChoiceShown(number, voice);
    MakeFullScreenChoice(SjisToUtf32(text));
    m_host.Screen().Assign(m_host.Scene());
    m_select2_visible = true;
    m_host.ChangeTask(TaskCode::TASK_WAIT_SELECT2);
    m_host.ShowWindow(WindowId::Float, false);
}

void MessageWindow::WaitSelect2() {
    m_auto_mode = false;
    if (m_host.ContextMenuOn())
        m_host.AttachContextMenu();

    const MessageInput in = m_host.InputNow();
    if (!m_select2_visible) {
        if (in.KeySpace || in.KeyReturn || in.LeftClick) {
            m_host.SetInputLock(kLockAfterAnswer);
            m_select2_visible = true; // the next tick draws the choices again
            m_host.SpendHeldKeys();
        }
        return;
    }

    m_choice2_lines.resize(kSelect2Slots);
    const int count = std::clamp(static_cast<int>(m_choice_count), 1, kSelect2Slots);
    const int first = FirstSlot(count);
    const int band_top = SlotTop(first);
    const int band_height = kSlotPitch * (count - 1) + kSlotHeight;
    m_host.Screen().CopyRect(0, band_top, m_select2_image, 0, band_top, kScreenWidth, band_height);

    int slot = 0;
    const Point p = in.CursorMain;
    if (p.x >= kSelect2TextX && p.x < kSelect2HitRight) {
        for (int b = 1; b <= kSelect2Slots; ++b)
            if (p.y >= SlotTop(b) && p.y < SlotTop(b) + kSlotHeight)
                slot = b;
    }
    if (slot < first || slot >= first + count)
        slot = 0;
    if (slot != 0)
        m_host.Screen().CopyRect(0, SlotTop(slot), m_select2_work_image, 0, SlotTop(slot), kScreenWidth, kSlotHeight);

    if (in.KeySpace) {
        m_host.Screen().CopyRect(0, 0, m_host.Scene(), 0, 0, kScreenWidth, kScreenHeight);
        m_host.PresentScreen();
        m_select2_visible = false;
        m_host.SetInputLock(kLockAfterAnswer);
        m_host.SpendHeldKeys();
        return;
    }

    PresentChoice(WindowId::Main, m_host.Screen(), 0, 0, kScreenWidth, kScreenHeight);
    if (slot != 0 && (in.KeyReturn || in.LeftClick)) {
        const int choice = slot - first + 1;
        m_host.SetChoiceAnswer(choice);
        AddMsgLog(kChoiceLogPrefix + m_choice2_lines[static_cast<std::size_t>(choice - 1)], -1);
        m_host.DetachContextMenu();
        m_host.Screen().CopyRect(0, 0, m_host.Scene(), 0, 0, kScreenWidth, kScreenHeight);
        m_host.PresentScreen();
        m_host.ChangeTask(TaskCode::TASK_SCRIPT);
        m_host.SetInputLock(kLockAfterAnswer);
        m_host.SpendHeldKeys();
        return;
    }
    MoveSlotCursor(slot == 0 ? -1 : slot - first, first, count, in);
}

void MessageWindow::MoveSlotCursor(int line, int first, int count, const MessageInput& in) {
    if (!in.KeyDown && !in.KeyUp)
        return;
    // The lines' slots as targets, aimed at their middle; the next tick's hover test highlights
    // the one the pointer goes to.
    std::array<FocusTarget, kSelect2Slots> slots{};
    for (int i = 0; i < count; ++i) {
        const int slot_top = SlotTop(first + i);
        slots[static_cast<std::size_t>(i)] =
            FocusTarget{kSelect2TextX, slot_top, kSelect2HitRight - 1, slot_top + kSlotHeight - 1,
                        Point{kScreenWidth / 2, slot_top + kSlotHeight / 2}};
    }
    const int target = FocusStep(std::span(slots).first(static_cast<std::size_t>(count)), line,
                                 in.KeyDown ? FocusDirection::Down : FocusDirection::Up);
    if (target < 0)
        return;
    const Point aim = slots[static_cast<std::size_t>(target)].aim;
    m_host.SetCurPos(aim.x, aim.y);
    m_host.SetInputLock(kLockAfterCursorKey);
}

} // namespace hk
