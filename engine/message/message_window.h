// MessageWindow: the message window at the foot of the screen and everything shown in it. It lays
// a message out under the line-breaking rules, reveals it through the rule image at the text
// speed, waits with the wait icon, advances by click, key, skip or automatic delay, shows both
// kinds of choice and takes their answer, keeps and pages the message log, and moves itself into
// the floating window when the player asks. It owns the state and the surfaces of all that.
//
// It never touches the platform, the sound, the input or the script directly: all of that goes
// through its MessageHost, so its tests run against a recorder. GUI thread only.
#pragma once

#include "engine/message/message_host.h"
#include "engine/message/window_shape.h"
#include "engine/script/script_host.h"
#include "gfx/bitmap.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hk {

inline constexpr int kMsgLogSize = 20;

struct MsgLogEntry {
    std::string Text;             // UTF-8
    std::string Voice;            // voice base name, UTF-8
    std::int32_t VoiceIndex = -1; // index into VoiceNames, -1 = no voice
    std::string File;             // voice file path as the game writes it
};

// Text in the game's face at the given cell height: nine black outline passes, then colour.
void DrawOutlinedText(Bitmap& surface, int x, int y, int font_height, std::u32string_view text, Color color);

class MessageWindow {
public:
    // The host must outlive the window.
    explicit MessageWindow(MessageHost& host);
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    // ---- Start-up ----
    // The window's working surfaces (800x176, black); the frame, the rule and the choice sheet
    // stay empty until their graphics are loaded.
    void CreateSurfaces();
    // Characters per line, lines per message, and the characters that may not start or end a line.
    void SetLineRules(int line_chars, int max_lines, std::u32string no_line_start, std::u32string no_line_end);

    // ---- What the script shows; each lays its text out and hands over to its task ----
    void ShowMessage(const ScriptMessage& message);
    void ShowChoice(int number, int voice, std::string_view text);
    void ShowFullScreenChoice(int number, int voice, std::string_view text);

    // ---- The tasks: reveal and wait of a message, the two kinds of choice ----
    void DispMessage();
    void WaitMessage();
    void WaitSelect();
    void WaitSelect2();

    // ---- Layout ----
    // Lays a message out into MsgTextImage (one element per character).
    void MakeMessage(const std::u32string& text);
    // Lays a choice ("/"-separated) out: in the message window, or full screen.
    void MakeSelect(const std::u32string& text);
    void MakeFullScreenChoice(const std::u32string& text);
    // What both kinds of choice note when shown: its number and voice, and that skipping and
    // automatic advance stop.
    void NoteChoiceShown(int number, int voice);
    // The window background of a message or first-kind choice (800x176): the scene strip under
    // the frame, or the floating window's artwork.
    void MakeMessageBackground(Bitmap& out);
    // MessageTexts[MsgNumber] as wide text; a number outside the scene's list is an EngineError.
    std::u32string CurrentMessageText() const;

    // ---- Showing and hiding ----
    // Space and its undo: the message window leaves the screen and comes back as it was.
    void HideMsgWindow();
    void ShowMsgWindow();
    // The context menu's "hide / show the window": either kind of choice or the message window.
    void ToggleMsgWindow();
    // The start of each tick of a waiting message or choice: the context menu is attached when
    // the script allows it, and a window the player hid comes back only on Space, Return or a
    // click. True while the window was hidden, which ends the tick.
    bool WaitWithHiddenWindow();
    // The wait icon's current frame over the finished window, straight on the window.
    void DrawWaitIcon();

    // ---- The message log ----
    void ClearMsgLog();
    // Entry 0 of the log becomes this text and voice (index into VoiceNames, -1 = none).
    void AddMsgLog(const std::u32string& text, int voice_index);
    // Page up / page down in the message log; true when an entry is now being shown.
    bool MsgLogKeys();

    // ---- The floating window ----
    // Check state of the context menu's ItemMsgFloat (the floating window is wanted).
    bool MsgFloatChecked() const { return m_msg_float_checked; }
    void SetMsgFloatChecked(bool checked) { m_msg_float_checked = checked; }
    // Switches the floating window on or off and shows the current text again in its new place.
    void SwitchFloat(bool checked);
    // The floating window's empty artwork, shown on it while the script runs.
    void ShowEmptyFloatWindow();
    // Shows a 800x176 strip on the floating window.
    void ShowOnFloatWindow(const Bitmap& strip);
    void ShapeFloatWindow(const Bitmap& artwork);
    void MsgFormMouseDown(MouseButton button, Point client);
    const WindowShape& FloatRegion() const { return m_float_region; }

    // ---- State, under the game's names ----
    int MsgNumber() const { return m_msg_number; }
    int VoiceNumber() const { return m_voice_number; }
    bool MsgIsChoice() const { return m_msg_is_choice; }
    int RevealLevel() const { return m_reveal_level; }
    int MsgLineCount() const { return m_msg_line_count; } // lines of the current layout, 1..3
    bool MsgWindowVisible() const { return m_msg_window_visible; }
    bool LogViewing() const { return m_log_viewing; }
    bool SkipNow() const { return m_skip_now; }
    bool SkipMode() const { return m_skip_mode; }
    bool ReadSkipMode() const { return m_read_skip_mode; }
    bool AutoMode() const { return m_auto_mode; }
    int AutoElapsed() const { return m_auto_elapsed; } // milliseconds of automatic wait so far
    bool Select2Visible() const { return m_select2_visible; }
    int ChoiceCount() const { return m_choice_count; }
    const std::vector<std::u32string>& ChoiceLines() const { return m_choice_lines; }
    const std::vector<std::u32string>& Choice2Lines() const { return m_choice2_lines; }
    const std::array<MsgLogEntry, kMsgLogSize>& MsgLog() const { return m_msg_log; }
    int LogCursor() const { return m_log_cursor; }
    int MsgLineChars() const { return m_msg_line_chars; }
    int MsgMaxLines() const { return m_msg_max_lines; }
    const std::u32string& NoLineStartChars() const { return m_no_line_start; }
    const std::u32string& NoLineEndChars() const { return m_no_line_end; }

    // The skip and automatic modes the context menu, the keys and the menus switch.
    void SetSkipNow(bool on) { m_skip_now = on; }
    void SetSkipMode(bool on) { m_skip_mode = on; }
    void SetReadSkipMode(bool on) { m_read_skip_mode = on; }
    void SetAutoMode(bool on) { m_auto_mode = on; }
    void SetAutoElapsed(int ms) { m_auto_elapsed = ms; }
    // The delay timer's count while no voice plays (wraps as the 32-bit count does).
    void AddAutoElapsed(std::uint32_t ms) {
        m_auto_elapsed = static_cast<int>(static_cast<std::uint32_t>(m_auto_elapsed) + ms);
    }
    void SetMsgWindowVisible(bool visible) { m_msg_window_visible = visible; }
    void SetSelect2Visible(bool visible) { m_select2_visible = visible; }
    void SetLogViewing(bool viewing) { m_log_viewing = viewing; }
    void SetLogCursor(int entry) { m_log_cursor = entry; }
    // Skipping, read skip and automatic advance all stop (a new game, the title, a replay).
    void StopSkipAndAuto() { m_skip_now = m_read_skip_mode = m_auto_mode = false; }

    // ---- Surfaces ----
    Bitmap& MsgFrameImage() { return m_msg_frame_image; }               // the frame, with its alpha
    Bitmap& MsgRuleImage() { return m_msg_rule_image; }                 // the reveal's rule
    Bitmap& Select2Sheet() { return m_select2_sheet; }                  // the full-screen choice's overlay
    const Bitmap& MsgTextImage() const { return m_msg_text_image; }     // the finished window
    const Bitmap& MsgWindowImage() const { return m_msg_window_image; } // the window mid-reveal
    const Bitmap& SelectImage() const { return m_select_image; }
    const Bitmap& SelectWorkImage() const { return m_select_work_image; }
    const Bitmap& Select2Image() const { return m_select2_image; }
    const Bitmap& Select2WorkImage() const { return m_select2_work_image; }

private:
    // A waiting first-kind choice: the window with the hovered row highlighted (answers the row,
    // 1..4, or 0), and the cursor keys moving the pointer to the next or previous row.
    int DrawHoveredChoice(bool floating, const MessageInput& input);
    void MoveChoiceCursor(int row, bool floating, const MessageInput& input);
    // Up or Down on the full-screen choice: the pointer goes to the next of its `count` lines from
    // line `line` (0-based, -1 for none), shown from slot `first`.
    void MoveSlotCursor(int line, int first, int count, const MessageInput& input);
    // Puts the rectangle (x, y, w, h) of source at the same place of the window, when it differs.
    void PresentChoice(WindowId window, const Bitmap& source, int x, int y, int w, int h);

    MessageHost& m_host;

    int m_msg_number = 0;
    int m_voice_number = 0;
    bool m_msg_is_choice = false;
    int m_reveal_level = 0;
    int m_msg_line_count = 1;
    bool m_msg_window_visible = false;
    bool m_log_viewing = false;
    bool m_skip_now = false;
    bool m_skip_mode = false;
    bool m_read_skip_mode = false;
    bool m_auto_mode = false;
    int m_auto_elapsed = 0;
    bool m_select2_visible = false;
    int m_choice_count = 0;
    std::vector<std::u32string> m_choice_lines;
    std::vector<std::u32string> m_choice2_lines;

    std::array<MsgLogEntry, kMsgLogSize> m_msg_log;
    int m_log_cursor = 0;

    int m_msg_line_chars = 0;
    int m_msg_max_lines = 0;
    std::u32string m_no_line_start;
    std::u32string m_no_line_end;

    Bitmap m_msg_frame_image, m_msg_text_image, m_select_work_image, m_select_image, m_msg_window_image,
        m_msg_rule_image;
    Bitmap m_select2_sheet, m_select2_image, m_select2_work_image;
    // The frame drawn over the scene's strip, kept for one value of the host's scene serial.
    struct {
        Bitmap picture;
        std::uint64_t scene_serial = 0;
    } m_msg_backdrop;

    // The wait icon as last drawn (animation frame, window, pixels): an icon that is still on the
    // window unchanged is neither drawn nor presented again.
    int m_wait_icon_frame = -1;
    WindowId m_wait_icon_window = WindowId::None;
    std::array<std::uint8_t, 32 * 32 * 4> m_wait_icon_pixels{};

    WindowShape m_float_region; // the floating window's shape
    bool m_msg_float_checked = false;
};

} // namespace hk
