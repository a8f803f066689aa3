// The window build's platform: Qt 6 widgets for the main window, the floating message window, the
// debug window, the dialogs and the pop-up menus; the SDL2 device for sound. Everything here runs
// on the GUI thread and needs a QApplication to exist first. Window events reach the engine only
// while ProcessMessages (or a modal loop started from inside it) runs.
#pragma once

#include "engine/forms.h"
#include "engine/host.h"
#include "engine/idle_deadline.h"
#include "engine/input/gamepad_map.h"
#include "gfx/bitmap.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QTimer;
class QWidget;

namespace hk {

class MainWindowView;
class FloatWindowView;
class DebugWindowView;
class ConfigDialog;
class CursorTracker;
class DelayTimer;
class GamepadInput;
class KeyState;
class PaintPacer;
class ZoomKeys;

class QtPlatform final : public Platform {
public:
    QtPlatform();
    ~QtPlatform() override;
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

    // The debug window's buttons, numbered 1..5. The window shows the debug form again afterwards.
    std::function<void(int button)> DebugButtonHook;

    MainWindowView& MainView() { return *m_main; }
    FloatWindowView& FloatView() { return *m_float; }
    DebugWindowView& DebugView();
    QWidget* Window(WindowId window);

    // The game loop calls this after a tick with what the engine answered: the next
    // ProcessMessages (step 4 of the next tick) then first sleeps until a window event arrives or
    // the deadline passes. Events still reach the engine only from inside a tick, and the 10 ms
    // timer is held while it sleeps and made up when it wakes.
    void SleepInNextPump(const IdleDeadline& deadline) { m_sleep = deadline; }
    // Paints what the last tick presented now, rather than in the next tick's ProcessMessages a
    // frame-timer interval and a 2 ms sleep later. Only repaints run: no input reaches the engine.
    void PaintPresented();
    // How often the loop really slept, and the delay timer's firings so far (for tests).
    std::uint64_t Sleeps() const { return m_sleeps; }
    std::uint64_t DelayFirings() const;
    // For the benchmark: a function that counts the process's allocations so far (null: none).
    // ProcessMessages then adds up those made while Qt handles events, so that the game's own
    // can be told apart.
    void SetAllocationCounter(std::uint64_t (*count)()) { m_alloc_count = count; }
    std::uint64_t AllocationsInEvents() const;
    // The gamepads; HARUKAZE_VIRTUAL_PAD names a FIFO that drives a virtual one (for tests).
    GamepadInput& Gamepads() { return *m_pads; }

    // ---- Platform ----
    void SetEventSink(PlatformEvents* sink) override;
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t ms) override;
    void ProcessMessages() override;
    void SetDelayTimerEnabled(bool enabled) override;
    void Wake() override;
    Bitmap& ClientSurface(WindowId window) override;
    void Invalidate(WindowId window) override;
    void InvalidateRect(WindowId window, int x, int y, int width, int height) override;
    bool ReadyForFrame(WindowId window) override;
    void ShowWindow(WindowId window, bool visible) override;
    bool IsWindowVisible(WindowId window) override;
    void MoveWindow(WindowId window, Point screen_pos) override;
    Point WindowPosition(WindowId window) override;
    void SetWindowShape(WindowId window, const std::vector<Rect>& region) override;
    void StartWindowDrag(WindowId window) override;
    void SetFullScreen(bool full) override;
    WindowId ForegroundWindow() override;
    bool IsKeyDown(Key key) override;
    void KeysSampled() override;
    Point CursorPos() override;
    void SetCursorPos(Point screen) override;
    void SetCursorVisible(bool visible) override;
    Point ClientToScreen(WindowId window, Point client) override;
    Point ScreenToClient(WindowId window, Point screen) override;
    Size ScreenSize() override;
    void AttachContextMenu(Menu* menu) override;
    void PopupMenu(Menu& menu, Point screen) override;
    void ShowQueryForm(QueryForm& form) override;
    void ShowCommentForm(CommentForm& form) override;
    void ShowConfigForm(ConfigForm& form) override;
    void UpdateDebugWindow(DebugForm& window) override;
    void ReportError(const ErrorReport& report) override;
    void ShowMessage(const std::string& message) override;
    std::unique_ptr<AudioDevice> CreateAudioDevice() override;

private:
    PlatformEvents* m_sink = nullptr;
    Bitmap m_main_surface, m_float_surface, m_debug_surface;
    std::unique_ptr<MainWindowView> m_main;
    std::unique_ptr<FloatWindowView> m_float;
    std::unique_ptr<DebugWindowView> m_debug;
    std::unique_ptr<ConfigDialog> m_config;
    std::unique_ptr<KeyState> m_keys;
    std::unique_ptr<ZoomKeys> m_zoom_keys;
    std::unique_ptr<GamepadInput> m_pads;
    std::unique_ptr<CursorTracker> m_cursor;
    std::unique_ptr<PaintPacer> m_main_pacer, m_float_pacer;
    std::unique_ptr<DelayTimer> m_delay_timer;
    std::unique_ptr<QTimer> m_wake_timer;
    std::optional<IdleDeadline> m_sleep;
    std::uint64_t m_sleeps = 0;
    // Allocations made inside Qt: while it handles events, and in the calls that hand it a
    // repaint. While such a call runs, m_qt_calls_since holds the count at its start.
    std::uint64_t (*m_alloc_count)() = nullptr;
    std::uint64_t m_allocs_in_events = 0;
    int m_qt_call_depth = 0;
    std::uint64_t m_qt_calls_since = 0;
    class InsideQt;
    void SleepUntilEvent(const IdleDeadline& deadline);
    // A gamepad's key and action: to the game while one of its windows has the keyboard, else to
    // the pop-up menu or dialog that has it, as the keyboard's key would go.
    void PadKey(Key key, bool down);
    void PadAction(hk::PadAction action);
    // The last screen-to-window conversion of the main and floating windows, reused while the
    // cursor and the window stay where they are (the tick converts the cursor on every tick).
    struct Conversion {
        std::uint64_t generation = ~std::uint64_t{0};
        bool full_screen = false;
        Point screen, client;
    };
    Conversion m_to_main, m_to_float;
    DebugForm* m_debug_form = nullptr; // the form last shown, refreshed after a button
};

} // namespace hk
