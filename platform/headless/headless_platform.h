// The headless platform: a virtual millisecond clock, scripted input, client surfaces kept in
// memory, and dialogs answered from a queue. It runs the real engine deterministically: the same
// game, input and files always give the same pictures, states and sound. Used by the tests and
// by `harukaze-tool run`.
#pragma once

#include "engine/forms.h"
#include "engine/host.h"
#include "gfx/bitmap.h"

#include <bitset>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace hk {

class VirtualAudioDevice;

class HeadlessPlatform final : public Platform {
public:
    static constexpr std::uint32_t kClockStart = 1'000'000;
    static constexpr Size kScreen{1024, 768};

    HeadlessPlatform();
    ~HeadlessPlatform() override;

    // ---- Driving the platform (the runner and the tests) ----

    // A scripted answer for the next modal dialog.
    struct DialogAnswer {
        enum class Kind { Query, Comment, Config } kind = Kind::Query;
        bool ok = false;                                             // Query: OK; Comment: save
        std::u16string comment = {};                                 // Comment: the text typed
        std::vector<std::pair<std::string, int>> config_fields = {}; // Config: control=value
        bool config_back = true;                                     // Config: "戻る" (else the close box)
        bool any_kind = false;                                       // a cancel that answers whichever dialog opens
    };
    void QueueDialogAnswer(DialogAnswer answer) { m_dialog_answers.push_back(std::move(answer)); }
    std::size_t PendingDialogAnswers() const { return m_dialog_answers.size(); }

    // Input events, delivered during the next ProcessMessages in the order queued.
    void QueueMouseDown(WindowId window, MouseButton button, Point client);
    void QueueWheel(WindowId window, bool up);
    void QueueClose();
    // Presses button 1..5 of the debug window.
    void PressDebugButton(int button);
    // Opens the attached context menu and chooses the items along `path` (submenus first).
    void QueueMenu(std::vector<std::string> path);
    void SetKeyDown(Key key, bool down);
    // A key as the gamepads hold it, apart from the keyboard's: the key counts while either holds it.
    void SetPadKeyDown(Key key, bool down) { m_pad_keys[static_cast<std::size_t>(key)] = down; }
    // A press already over when the engine reads its keys, as the window build shows a short
    // Control tap: the key counts as down until the next KeysSampled, however often it is asked.
    void TapKey(Key key) { m_taps.insert(key); }
    void MoveCursorToClient(WindowId window, Point client);
    void SetForeground(WindowId window) { m_foreground = window; }

    // A fault in the input script found while the engine ran (a dialog with no answer, a menu
    // item that is not there); empty when none. The runner turns it into exit status 2.
    const std::string& ScriptFault() const { return m_script_fault; }
    void ClearScriptFault() { m_script_fault.clear(); }

    // Errors the engine reported (their English detail), oldest first; TakeErrors empties the
    // list. TakeErrorReports: the same, with the text the player is shown.
    std::vector<std::string> TakeErrors();
    std::vector<ErrorReport> TakeErrorReports();
    // Messages the engine showed the player (ShowMessage), oldest first; TakeMessages empties
    // the list.
    std::vector<std::string> TakeMessages();

    // Advances the clock by ms without running anything (idle time of the message loop).
    void AdvanceClock(std::uint32_t ms);
    // Called with every advance of the clock (ms); the audio device hooks in here.
    void SetClockListener(std::function<void(std::uint32_t)> listener) { m_clock_listener = std::move(listener); }

    // Everything the sound output plays from now on also goes to this WAV file (16-bit stereo,
    // 44,100 Hz); takes effect when the game creates its sound output.
    void SetWavOutput(std::filesystem::path path) { m_wav_output = std::move(path); }
    // The game finds no sound output, as on a machine without a sound card: its device does not
    // open (and no WAV file is written). Takes effect when the game creates its sound output.
    void SetAudioDeviceMissing(bool missing) { m_audio_missing = missing; }

    Menu* AttachedMenu() const { return m_attached_menu; }
    // The menu the game popped up and the player has not closed yet (headless only).
    Menu* OpenPopup() const { return m_open_popup; }
    bool FullScreen() const { return m_full_screen; }
    const std::vector<Rect>& WindowShape(WindowId window) { return m_shapes[window]; }
    const DebugForm& DebugWindowView() const { return m_debug_view; }
    bool CursorVisible() const { return m_cursor_visible; }
    // Presents the engine has asked for, per window.
    int Invalidations(WindowId window) { return m_invalidations[window]; }
    // What ReadyForFrame answers: true (every present is shown) unless a test plays a display
    // that still has a picture waiting.
    void SetReadyForFrame(bool ready) { m_ready_for_frame = ready; }

    // ---- Platform ----
    void SetEventSink(PlatformEvents* sink) override { m_sink = sink; }
    std::uint32_t TickCount() override { return m_clock; }
    void Sleep(std::uint32_t ms) override { AdvanceClock(ms); }
    void PauseForSystemStep(std::uint32_t ms) override { AdvanceClock(ms); }
    void ProcessMessages() override;
    void SetDelayTimerEnabled(bool enabled) override;
    // The clock value at which the 10 ms timer fires next; none while it is off.
    std::optional<std::uint32_t> NextDelayFiring() const {
        return m_delay_enabled ? std::optional<std::uint32_t>(m_delay_next) : std::nullopt;
    }
    Bitmap& ClientSurface(WindowId window) override;
    void Invalidate(WindowId window) override { ++m_invalidations[window]; }
    bool ReadyForFrame(WindowId) override { return m_ready_for_frame; }
    void ShowWindow(WindowId window, bool visible) override { m_visible[window] = visible; }
    bool IsWindowVisible(WindowId window) override { return m_visible[window]; }
    void MoveWindow(WindowId window, Point screen_pos) override { m_positions[window] = screen_pos; }
    Point WindowPosition(WindowId window) override { return m_positions[window]; }
    void SetWindowShape(WindowId window, const std::vector<Rect>& region) override { m_shapes[window] = region; }
    void StartWindowDrag(WindowId window) override { ++m_drag_count[window]; }
    void SetFullScreen(bool full) override {
        if (full != m_full_screen)
            ++m_full_screen_switches;
        m_full_screen = full;
    }
    int FullScreenSwitches() const { return m_full_screen_switches; }
    WindowId ForegroundWindow() override { return m_foreground; }
    bool IsKeyDown(Key key) override {
        return m_keys.count(key) != 0 || m_taps.count(key) != 0 || m_pad_keys[static_cast<std::size_t>(key)];
    }
    void KeysSampled() override { m_taps.clear(); }
    Point CursorPos() override { return m_cursor; }
    void SetCursorPos(Point screen) override { m_cursor = screen; }
    void SetCursorVisible(bool visible) override { m_cursor_visible = visible; }
    Point ClientToScreen(WindowId window, Point client) override;
    Point ScreenToClient(WindowId window, Point screen) override;
    Size ScreenSize() override { return kScreen; }
    void AttachContextMenu(Menu* menu) override { m_attached_menu = menu; }
    void PopupMenu(Menu& menu, Point screen) override;
    void ShowQueryForm(QueryForm& form) override;
    void ShowCommentForm(CommentForm& form) override;
    void ShowConfigForm(ConfigForm& form) override;
    void UpdateDebugWindow(DebugForm& window) override { m_debug_view = window; }
    void ReportError(const ErrorReport& report) override { m_errors.push_back(report); }
    void ShowMessage(const std::string& message) override { m_messages.push_back(message); }
    std::unique_ptr<AudioDevice> CreateAudioDevice() override;

    int DragCount(WindowId window) { return m_drag_count[window]; }
    // The text the comment dialog opened with, before the scripted answer replaced it.
    const std::u16string& CommentPrefill() const { return m_comment_prefill; }
    // Where the last PopupMenu call opened its menu (screen coordinates).
    std::optional<Point> LastPopupPosition() const { return m_last_popup; }

private:
    struct Event {
        enum class Kind { MouseDown, Wheel, Close, Menu, DebugButton } kind = Kind::MouseDown;
        WindowId window = WindowId::Main;
        MouseButton button = MouseButton::Left;
        Point point;
        bool up = false;
        std::vector<std::string> path;
        int debug_button = 0;
    };
    void RunMenu(Menu& menu, const std::vector<std::string>& path);
    std::optional<DialogAnswer> TakeAnswer(DialogAnswer::Kind kind, const char* dialog_name);
    void Fault(std::string message);
    void AdvanceAudio(std::uint32_t ms);

    PlatformEvents* m_sink = nullptr;
    std::uint32_t m_clock = kClockStart;
    bool m_delay_enabled = false;
    std::uint32_t m_delay_next = 0;
    std::function<void(std::uint32_t)> m_clock_listener;
    VirtualAudioDevice* m_audio = nullptr; // owned by the game while it exists
    std::filesystem::path m_wav_output;
    bool m_audio_missing = false;

    std::deque<Event> m_events;
    std::deque<DialogAnswer> m_dialog_answers;
    std::set<Key> m_keys;
    std::bitset<kKeyCount> m_pad_keys;
    std::set<Key> m_taps;
    Point m_cursor;
    WindowId m_foreground = WindowId::Main;
    bool m_cursor_visible = true;
    bool m_full_screen = false;
    int m_full_screen_switches = 0;

    Bitmap m_main_surface, m_float_surface, m_debug_surface;
    std::map<WindowId, bool> m_visible;
    std::map<WindowId, int> m_invalidations;
    bool m_ready_for_frame = true;
    std::map<WindowId, Point> m_positions;
    std::map<WindowId, std::vector<Rect>> m_shapes;
    std::map<WindowId, int> m_drag_count;
    Menu* m_attached_menu = nullptr;
    Menu* m_open_popup = nullptr; // a menu the game popped up, waiting for a choice
    std::optional<Point> m_last_popup;
    DebugForm m_debug_view;
    std::u16string m_comment_prefill;

    std::string m_script_fault;
    std::vector<ErrorReport> m_errors;
    std::vector<std::string> m_messages;
    int m_processing_depth = 0;
};

} // namespace hk
