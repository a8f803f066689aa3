// The player's own settings: kept under XDG_CONFIG_HOME (the test program's private folder), the
// game folder and the main window's scale, size, place and filter read back as written, and the
// main window captured and restored from them.
#include "platform/qt/main_window_view.h"
#include "platform/qt/user_settings.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace hk::test {
namespace {

class UserSettingsTest : public ::testing::Test {
protected:
    UserSettingsTest() { QSettings(QSettings::NativeFormat, QSettings::UserScope, "harukaze", "harukaze").clear(); }
};

TEST_F(UserSettingsTest, LiveInTheUsersConfigFolder) {
    const UserSettings settings;
    EXPECT_EQ(settings.FileName(), qEnvironmentVariable("XDG_CONFIG_HOME") + "/harukaze/harukaze.conf");
}

TEST_F(UserSettingsTest, ReadBackAsWritten) {
    {
        UserSettings settings;
        EXPECT_FALSE(settings.GameFolder());
        const WindowMemory fresh = settings.Window();
        EXPECT_EQ(fresh.scale, WindowScale::Times(1.0)) << "never saved: the game's own size";
        EXPECT_FALSE(fresh.client_size.isValid());
        EXPECT_FALSE(fresh.client_position);
        EXPECT_FALSE(fresh.maximized || fresh.smooth);

        settings.SetGameFolder("/home/aki/ゲーム/harukaze");
        settings.SetWindow(WindowMemory{WindowScale::Times(1.5), QSize(1200, 900), QPoint(40, 30), false, true});
    }
    UserSettings again;
    EXPECT_EQ(again.GameFolder(), std::filesystem::path("/home/aki/ゲーム/harukaze"));
    WindowMemory memory = again.Window();
    EXPECT_EQ(memory.scale, WindowScale::Times(1.5));
    EXPECT_EQ(memory.client_size, QSize(1200, 900));
    EXPECT_EQ(memory.client_position, QPoint(40, 30));
    EXPECT_TRUE(memory.smooth);

    // A size of the player's own and a window system that keeps places to itself.
    again.SetWindow(WindowMemory{std::nullopt, QSize(1000, 600), std::nullopt, true, false});
    memory = again.Window();
    EXPECT_FALSE(memory.scale);
    EXPECT_EQ(memory.client_size, QSize(1000, 600));
    EXPECT_EQ(memory.client_position, QPoint(40, 30)) << "the last place known stays";
    EXPECT_TRUE(memory.maximized);
}

TEST_F(UserSettingsTest, MainWindowIsCapturedAndRestored) {
    Bitmap surface;
    surface.SetSize(800, 600);
    MainWindowView view(surface);
    view.ApplyScale(WindowScale::Times(2.0));
    view.SetSmooth(true);
    WindowMemory memory = CaptureWindow(view, true);
    EXPECT_EQ(memory.scale, WindowScale::Times(2.0));
    EXPECT_EQ(memory.client_size, QSize(1600, 1200));
    EXPECT_TRUE(memory.smooth);
    ASSERT_TRUE(memory.client_position);
    EXPECT_EQ(*memory.client_position, view.geometry().topLeft());

    view.resize(1000, 600); // by the frame
    memory = CaptureWindow(view, false);
    EXPECT_FALSE(memory.scale);
    EXPECT_EQ(memory.client_size, QSize(1000, 600));
    EXPECT_FALSE(memory.client_position);

    const QRect screen = view.screen()->availableGeometry();
    MainWindowView restored(surface);
    RestoreWindow(restored, WindowMemory{WindowScale::Times(1.5), QSize(1200, 900), screen.topLeft(), false, true});
    EXPECT_EQ(restored.geometry(), QRect(screen.topLeft(), QSize(1200, 900)));
    EXPECT_EQ(restored.CurrentScale(), WindowScale::Times(1.5));
    EXPECT_TRUE(restored.Smooth());

    // A place on no screen any more: centred instead. A size of the player's own larger than the
    // screen: no larger than the screen.
    MainWindowView moved(surface);
    RestoreWindow(moved, WindowMemory{std::nullopt, QSize(9000, 9000), QPoint(-20000, -20000), false, false});
    EXPECT_TRUE(QGuiApplication::screenAt(moved.geometry().center()));
    EXPECT_LE(moved.width(), screen.width());
    EXPECT_LE(moved.height(), screen.height());
    EXPECT_FALSE(moved.CurrentScale());
}

} // namespace
} // namespace hk::test
