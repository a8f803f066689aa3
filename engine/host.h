// The platform: everything the engine needs from outside, and nothing else. The engine is a
// library that a platform drives; it never includes a window-system or audio header. Two
// platforms implement this: the Qt window build (platform/qt) and the headless one
// (platform/headless) used by the tests and `harukaze-tool run`.
//
// Every function here is called on the GUI thread unless its comment says otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hk {

class Bitmap;
class AudioDevice;
class QueryForm;
class CommentForm;
class ConfigForm;
class DebugForm;

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
};

enum class WindowId : std::uint8_t { None = 0, Main = 1, Float = 2, Debug = 3 };

enum class MouseButton : std::uint8_t { Left = 0, Right = 1, Middle = 2 };

enum class Key : std::uint8_t {
    Return,
    Space,
    Control,
    Shift,
    Up,
    Down,
    PageUp,
    PageDown,
    F1,
    F2,
    Left,
    Right,
    Escape
};
inline constexpr std::size_t kKeyCount = 13;
static_assert(static_cast<std::size_t>(Key::Escape) + 1 == kKeyCount);

// A pop-up menu as the engine describes it. Names are the design's item names ("ItemSave3");
// captions are UTF-8 and shown exactly as written (no accelerator characters).
struct MenuItem {
    std::string name;
    std::string caption;
    bool enabled = true;
    bool checked = false;
    bool separator = false;
    int tag = 0;
    std::vector<MenuItem> items; // non-empty: a submenu
};

struct Menu {
    std::string name;
    std::vector<MenuItem> items;
};

// Finds an item by name anywhere in the menu tree; nullptr when there is none.
MenuItem* FindMenuItem(std::vector<MenuItem>& items, std::string_view name);
const MenuItem* FindMenuItem(const std::vector<MenuItem>& items, std::string_view name);

// What the platform tells the engine. Implemented by the engine's main form; every call arrives
// during Platform::ProcessMessages (or a modal loop started from it), on the GUI thread.
class PlatformEvents {
public:
    virtual ~PlatformEvents() = default;
    // A mouse button went down in a window's client area at client point p.
    virtual void OnMouseDown(WindowId window, MouseButton button, Point p) = 0;
    // One wheel notch over a window: up = away from the user.
    virtual void OnMouseWheel(WindowId window, bool up) = 0;
    // The main form's 10 ms timer.
    virtual void OnDelayTimer() = 0;
    // That many firings of the 10 ms timer at once, as that many OnDelayTimer calls in a row: the
    // ones that fell in a sleep of the window build's loop, made up when it wakes.
    virtual void OnDelayTimerCatchUp(std::uint32_t firings) {
        for (std::uint32_t i = 0; i < firings; ++i)
            OnDelayTimer();
    }
    // The player or the system asks the main window to close; true lets it close.
    virtual bool OnCloseQuery() = 0;
    // A menu or submenu named `name` is about to open (captions may be rebuilt here).
    virtual void OnMenuPopup(std::string_view name) = 0;
    // The player chose the menu item named `name`.
    virtual void OnMenuCommand(std::string_view name) = 0;
    // The full-screen shortcut (Alt+Return) was pressed.
    virtual void OnToggleFullScreen() {}
    // A button of the debug window was pressed: 1 "CG/SC SET" .. 5 "ﾒｯｾｰｼﾞﾛｸﾞ".
    virtual void OnDebugButton(int button) { (void)button; }
};

class Platform {
public:
    virtual ~Platform() = default;

    // Who receives window events; set once before the first ProcessMessages.
    virtual void SetEventSink(PlatformEvents* sink) = 0;

    // Milliseconds since an arbitrary origin, wrapping at 2^32 (GetTickCount / timeGetTime).
    virtual std::uint32_t TickCount() = 0;
    // Blocks for ms milliseconds (the headless clock just advances).
    virtual void Sleep(std::uint32_t ms) = 0;
    // A pause the game makes around a step of its original system that no platform here performs
    // (clearing the archives' read-only attribute at start-up, restoring the display mode at
    // shutdown). The window build goes straight on; the headless platform keeps the pause on its
    // virtual clock, so that recorded runs keep their timeline.
    virtual void PauseForSystemStep(std::uint32_t ms) { (void)ms; }
    // Handles every pending window event, and fires the 10 ms timer while it is enabled.
    virtual void ProcessMessages() = 0;
    // Starts or stops the main form's 10 ms timer (OnDelayTimer).
    virtual void SetDelayTimerEnabled(bool enabled) = 0;
    // May be called from any thread: a loop that sleeps until the next window event (the window
    // build between ticks) runs its next tick soon. The headless platform never sleeps.
    virtual void Wake() {}

    // The client surface of a window (main 800x600, float 800x176): what the player sees.
    // The engine draws into it and then calls Invalidate; the platform paints it at the
    // display's pace.
    virtual Bitmap& ClientSurface(WindowId window) = 0;
    virtual void Invalidate(WindowId window) = 0;
    // Only the rectangle (client coordinates) changed since the last Invalidate.
    virtual void InvalidateRect(WindowId window, int x, int y, int width, int height) {
        (void)x, (void)y, (void)width, (void)height;
        Invalidate(window);
    }
    // False while a picture presented now would not reach the display before the next one (the
    // window already has one waiting for its refresh); an animation may then skip its step.
    virtual bool ReadyForFrame(WindowId window) {
        (void)window;
        return true;
    }

    virtual void ShowWindow(WindowId window, bool visible) = 0;
    virtual bool IsWindowVisible(WindowId window) = 0;
    // The window's top-left corner in screen coordinates.
    virtual void MoveWindow(WindowId window, Point screen_pos) = 0;
    virtual Point WindowPosition(WindowId window) = 0;
    // Shapes the floating window: the runs are the rows' opaque spans (x, y, width, 1).
    struct Rect {
        int x = 0, y = 0, width = 0, height = 0;
    };
    virtual void SetWindowShape(WindowId window, const std::vector<Rect>& region) = 0;
    // Lets the player drag the window (system move where available, by hand otherwise).
    virtual void StartWindowDrag(WindowId window) = 0;
    // Full screen: the main window borderless over its screen, the picture scaled to fit.
    virtual void SetFullScreen(bool full) = 0;

    // The window that has the keyboard focus now, or None for another application.
    virtual WindowId ForegroundWindow() = 0;
    // Whether the key is held down at this moment; asking does not change the answer. A press
    // that ended before the game could see it held (the window build's short Control tap) counts
    // as down until the next KeysSampled.
    virtual bool IsKeyDown(Key key) = 0;
    // The engine has read the keys for one tick (once per tick, only while one of its windows is
    // in front).
    virtual void KeysSampled() {}
    // The pointer in screen coordinates.
    virtual Point CursorPos() = 0;
    virtual void SetCursorPos(Point screen) = 0;
    // Shows or hides the mouse pointer while it is over the main window.
    virtual void SetCursorVisible(bool visible) = 0;
    virtual Point ClientToScreen(WindowId window, Point client) = 0;
    virtual Point ScreenToClient(WindowId window, Point screen) = 0;
    // Size of the screen the main window is on.
    virtual Size ScreenSize() = 0;

    // Attaches a context menu to the main window (a right click opens it); nullptr detaches.
    // The menu object must outlive the attachment.
    virtual void AttachContextMenu(Menu* menu) = 0;
    // Opens a menu at a screen point and returns when it closes (OnMenuPopup / OnMenuCommand
    // arrive while it is open).
    virtual void PopupMenu(Menu& menu, Point screen) = 0;

    // Modal dialogs: each returns when the player has answered; the forms' button handlers
    // store the answer.
    virtual void ShowQueryForm(QueryForm& form) = 0;
    virtual void ShowCommentForm(CommentForm& form) = 0;
    virtual void ShowConfigForm(ConfigForm& form) = 0;
    // Shows the debug window's current labels and memo (only called while it is visible).
    virtual void UpdateDebugWindow(DebugForm& window) = 0;

    // An error as the player reads it (Japanese: what happened, the full paths concerned, what to
    // do) and as a report needs it (English, the file and the operation or the scene and step).
    struct ErrorReport {
        std::string for_player;
        std::string detail;
    };
    // Reports an error: the player's text in a message box, the detail on standard error
    // (`error: ...`; the runner prints only that).
    virtual void ReportError(const ErrorReport& report) = 0;
    // Tells the player something that is not an error (UTF-8, lines split by '\n') in a message
    // box, and returns once it has been read; the runner prints it on standard error.
    virtual void ShowMessage(const std::string& message) = 0;

    // The sound output device; nullptr means a silent game. Called once at start-up.
    virtual std::unique_ptr<AudioDevice> CreateAudioDevice() = 0;
};

} // namespace hk
