// Keys held at this moment, from the application's key events: auto-repeat changes nothing,
// both Return keys count, losing the focus releases everything, Alt+Return toggles full screen.
#include "platform/qt/key_state.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace hk::test {
namespace {

class KeyStateTest : public ::testing::Test {
protected:
    KeyStateTest() { qApp->installEventFilter(&keys); }
    ~KeyStateTest() override { qApp->removeEventFilter(&keys); }

    void Send(QEvent::Type type, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, bool repeat = false) {
        QKeyEvent event(type, key, mods, QString(), repeat);
        QApplication::sendEvent(&target, &event);
    }

    KeyState keys;
    QWidget target;
};

TEST_F(KeyStateTest, PressHoldsAndReleaseLetsGo) {
    const std::pair<int, Key> mapping[] = {
        {Qt::Key_Return, Key::Return},   {Qt::Key_Enter, Key::Return},  {Qt::Key_Space, Key::Space},
        {Qt::Key_Control, Key::Control}, {Qt::Key_Shift, Key::Shift},   {Qt::Key_Up, Key::Up},
        {Qt::Key_Down, Key::Down},       {Qt::Key_PageUp, Key::PageUp}, {Qt::Key_PageDown, Key::PageDown},
        {Qt::Key_F1, Key::F1},           {Qt::Key_F2, Key::F2},
    };
    for (const auto& [qt_key, key] : mapping) {
        EXPECT_FALSE(keys.IsDown(key));
        Send(QEvent::KeyPress, qt_key);
        EXPECT_TRUE(keys.IsDown(key)) << qt_key;
        Send(QEvent::KeyRelease, qt_key);
        EXPECT_FALSE(keys.IsDown(key)) << qt_key;
    }
    Send(QEvent::KeyPress, Qt::Key_A);
    Send(QEvent::KeyPress, Qt::Key_F3);
    for (int k = 0; k < 10; ++k)
        EXPECT_FALSE(keys.IsDown(static_cast<Key>(k)));
}

TEST_F(KeyStateTest, AutoRepeatReleaseDoesNotLetGo) {
    Send(QEvent::KeyPress, Qt::Key_Control);
    // X11 reports a held key as repeated release/press pairs.
    Send(QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier, true);
    EXPECT_TRUE(keys.IsDown(Key::Control));
    Send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, true);
    Send(QEvent::KeyRelease, Qt::Key_Control);
    EXPECT_FALSE(keys.IsDown(Key::Control));
}

TEST_F(KeyStateTest, LosingTheFocusReleasesEveryKey) {
    Send(QEvent::KeyPress, Qt::Key_Return);
    Send(QEvent::KeyPress, Qt::Key_Shift);
    QApplicationStateChangeEvent inactive(Qt::ApplicationInactive);
    QApplication::sendEvent(qApp, &inactive);
    EXPECT_FALSE(keys.IsDown(Key::Return));
    EXPECT_FALSE(keys.IsDown(Key::Shift));
}

TEST_F(KeyStateTest, AModalDialogOpeningReleasesEveryKey) {
    // Return chose the menu item that opens the dialog; its release goes to the blocked window.
    Send(QEvent::KeyPress, Qt::Key_Return);
    Send(QEvent::KeyPress, Qt::Key_Control);
    QEvent blocked(QEvent::WindowBlocked);
    QApplication::sendEvent(&target, &blocked);
    EXPECT_FALSE(keys.IsDown(Key::Return));
    EXPECT_FALSE(keys.IsDown(Key::Control));
}

TEST_F(KeyStateTest, AltReturnTogglesFullScreenOnceWhenTheGameHasTheFocus) {
    int toggles = 0;
    bool game_in_front = true;
    keys.on_toggle_full_screen = [&toggles]() { ++toggles; };
    keys.accepts_shortcut = [&game_in_front]() { return game_in_front; };
    Send(QEvent::KeyPress, Qt::Key_Return, Qt::AltModifier);
    // The shortcut is not also a Return for the game, which would advance the message.
    EXPECT_FALSE(keys.IsDown(Key::Return));
    Send(QEvent::KeyPress, Qt::Key_Return, Qt::AltModifier, true); // held: no second toggle
    Send(QEvent::KeyRelease, Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(toggles, 1);
    EXPECT_FALSE(keys.IsDown(Key::Return));
    Send(QEvent::KeyPress, Qt::Key_Return); // plain Return is not the shortcut
    Send(QEvent::KeyRelease, Qt::Key_Return);
    EXPECT_EQ(toggles, 1);
    game_in_front = false;
    Send(QEvent::KeyPress, Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(toggles, 1);
}

} // namespace
} // namespace hk::test
