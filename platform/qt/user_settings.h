// The player's own settings of the window build, as opposed to the game's (which stay in the game
// folder's Save00.dat): the game folder played last, and the main window's scale, filter, size
// and place. Qt keeps them in $XDG_CONFIG_HOME/harukaze/harukaze.conf (~/.config by default);
// nothing here is ever written into the game folder. Needs a QCoreApplication.
#pragma once

#include "platform/qt/window_scale.h"

#include <QPoint>
#include <QSettings>
#include <QSize>

#include <filesystem>
#include <memory>
#include <optional>

namespace hk {

class MainWindowView;

// What the next start restores of the main window.
struct WindowMemory {
    std::optional<WindowScale> scale; // nullopt: the size the player gave the frame
    QSize client_size;                // logical pixels; invalid when never saved
    std::optional<QPoint> client_position;
    bool maximized = false;
    bool smooth = false;
};

class UserSettings {
public:
    UserSettings();

    std::optional<std::filesystem::path> GameFolder() const;
    void SetGameFolder(const std::filesystem::path& folder);

    WindowMemory Window() const;
    void SetWindow(const WindowMemory& memory);

    // Writes everything to the file now (it is also written when the object goes).
    void Sync() { m_settings.sync(); }
    QString FileName() const { return m_settings.fileName(); }

private:
    QSettings m_settings;
};

// The main window as it is now, to be remembered (the framed window's, also in full screen).
WindowMemory CaptureWindow(const MainWindowView& view, bool with_position);
// Gives the main window, before it is first shown, the filter, size and place remembered. Places
// that are on no screen any more are replaced by the centre of the screen. Maximising, if
// remembered, is left to the caller once the window shows.
void RestoreWindow(MainWindowView& view, const WindowMemory& memory);

} // namespace hk
