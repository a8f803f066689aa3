#include "platform/qt/user_settings.h"

#include "platform/qt/main_window_view.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

namespace hk {

namespace {

const QString kGameFolderKey = QStringLiteral("game/folder");
const QString kScaleKey = QStringLiteral("window/scale");
const QString kSizeKey = QStringLiteral("window/size");
const QString kPositionKey = QStringLiteral("window/position");
const QString kMaximizedKey = QStringLiteral("window/maximized");
const QString kSmoothKey = QStringLiteral("window/smooth");
// The scale's value when the player sized the window by its frame.
const QString kFreeScale = QStringLiteral("free");

// True when the top of a window at this client place would be on a screen, so the player can
// reach its frame.
bool OnSomeScreen(const QRect& client) {
    const QPoint probes[] = {client.topLeft() + QPoint(8, 8), client.topRight() + QPoint(-8, 8)};
    for (const QPoint& probe : probes)
        for (const QScreen* screen : QGuiApplication::screens())
            if (screen->availableGeometry().contains(probe))
                return true;
    return false;
}

} // namespace

UserSettings::UserSettings() : m_settings(QSettings::NativeFormat, QSettings::UserScope, "harukaze", "harukaze") {}

std::optional<std::filesystem::path> UserSettings::GameFolder() const {
    const QString folder = m_settings.value(kGameFolderKey).toString();
    if (folder.isEmpty())
        return std::nullopt;
    return std::filesystem::path(folder.toStdString());
}

void UserSettings::SetGameFolder(const std::filesystem::path& folder) {
    m_settings.setValue(kGameFolderKey, QString::fromStdString(folder.string()));
}

WindowMemory UserSettings::Window() const {
    WindowMemory memory;
    // Never saved: the game's own size.
    const QString scale = m_settings.value(kScaleKey, QStringLiteral("1")).toString();
    if (scale != kFreeScale)
        memory.scale = ParseWindowScale(scale.toStdString());
    memory.client_size = m_settings.value(kSizeKey).toSize();
    if (m_settings.contains(kPositionKey))
        memory.client_position = m_settings.value(kPositionKey).toPoint();
    memory.maximized = m_settings.value(kMaximizedKey, false).toBool();
    memory.smooth = m_settings.value(kSmoothKey, false).toBool();
    return memory;
}

void UserSettings::SetWindow(const WindowMemory& memory) {
    m_settings.setValue(kScaleKey, memory.scale ? QString::fromStdString(WindowScaleText(*memory.scale)) : kFreeScale);
    if (memory.client_size.isValid())
        m_settings.setValue(kSizeKey, memory.client_size);
    if (memory.client_position)
        m_settings.setValue(kPositionKey, *memory.client_position);
    m_settings.setValue(kMaximizedKey, memory.maximized);
    m_settings.setValue(kSmoothKey, memory.smooth);
}

WindowMemory CaptureWindow(const MainWindowView& view, bool with_position) {
    WindowMemory memory;
    const QRect client = view.NormalClientGeometry();
    memory.scale = view.CurrentScale();
    memory.client_size = client.size();
    if (with_position)
        memory.client_position = client.topLeft();
    memory.maximized = view.NormalMaximized();
    memory.smooth = view.Smooth();
    return memory;
}

void RestoreWindow(MainWindowView& view, const WindowMemory& memory) {
    view.SetSmooth(memory.smooth);
    const QSize size = memory.client_size.isValid() ? memory.client_size : view.size();
    const bool placed = memory.client_position && OnSomeScreen(QRect(*memory.client_position, size));
    if (placed)
        view.setGeometry(QRect(*memory.client_position, size));
    else
        view.resize(size);
    if (memory.scale) {
        if (!placed)
            view.CentreOnScreen();
        view.ApplyScale(*memory.scale);
    } else {
        // A size of the player's own, no larger than the screen holds now.
        const Size available = view.AvailableClientSize();
        view.resize(size.boundedTo(QSize(available.width, available.height)));
    }
    if (!placed)
        view.CentreOnScreen();
}

} // namespace hk
