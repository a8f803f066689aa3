// Keys held at this moment, from the application's key events: auto-repeat changes nothing,
// both Return keys count, Alt+Return toggles full screen, and a key held while the keyboard moves
// (a dialog or menu opens or closes, a window gains or loses the focus) counts as released until
// it is pressed again.
#include "platform/qt/key_state.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
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
        {Qt::Key_F1, Key::F1},           {Qt::Key_F2, Key::F2},         {Qt::Key_Left, Key::Left},
        {Qt::Key_Right, Key::Right},     {Qt::Key_Escape, Key::Escape},
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
    for (std::size_t k = 0; k < kKeyCount; ++k)
        EXPECT_FALSE(keys.IsDown(static_cast<Key>(k)));
}

TEST_F(KeyStateTest, APadKeyAndTheKeyboardsHoldTheKeyTogetherAndLetGoWhenTheKeyboardMoves) {
    keys.SetPadDown(Key::Return, true);
    Send(QEvent::KeyPress, Qt::Key_Return);
    keys.SetPadDown(Key::Return, false);
    EXPECT_TRUE(keys.IsDown(Key::Return)) << "the keyboard still holds it";
    Send(QEvent::KeyRelease, Qt::Key_Return);
    keys.SetPadDown(Key::Return, true);
    EXPECT_TRUE(keys.IsDown(Key::Return)) << "the pad still holds it";
    keys.SetPadDown(Key::Escape, true);
    EXPECT_TRUE(keys.IsDown(Key::Escape));
    // A dialog opens: the pad's keys are let go with the keyboard's.
    QEvent blocked(QEvent::WindowBlocked);
    QApplication::sendEvent(&target, &blocked);
    EXPECT_FALSE(keys.IsDown(Key::Return));
    EXPECT_FALSE(keys.IsDown(Key::Escape));
    // A tap that came and went between two readings of the keys counts for the next reading only.
    keys.SetPadDown(Key::Space, true);
    keys.SetPadDown(Key::Space, false);
    EXPECT_TRUE(keys.IsDown(Key::Space));
    keys.PadKeysSampled();
    EXPECT_FALSE(keys.IsDown(Key::Space));
    // A press the game has read and that is let go later is not held on.
    keys.SetPadDown(Key::Up, true);
    keys.PadKeysSampled();
    keys.SetPadDown(Key::Up, false);
    EXPECT_FALSE(keys.IsDown(Key::Up));
    // Every game key has a Qt key to send to a menu or dialog, and it reads back as that key.
    for (std::size_t k = 0; k < kKeyCount; ++k) {
        const auto back = KeyFromQt(QtKeyOf(static_cast<Key>(k)));
        ASSERT_TRUE(back.has_value()) << "key " << k;
        EXPECT_EQ(*back, static_cast<Key>(k));
    }
    EXPECT_EQ(QtKeyOf(Key::Escape), Qt::Key_Escape);
    EXPECT_EQ(QtKeyOf(Key::Left), Qt::Key_Left);
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

// The game's window, shown and active, and a modal dialog over it whose default button closes it
// (as "セーブ", "戻る" and "OK" do).
class KeyboardMovesTest : public KeyStateTest {
protected:
    KeyboardMovesTest() {
        game.resize(200, 150);
        game.show();
        QApplication::setActiveWindow(&game);
        auto* button = new QPushButton(QStringLiteral("OK"), &dialog);
        button->setDefault(true);
        QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::accept);
        dialog.setModal(true);
    }

    // Shows the dialog modally; `inside` runs once it is open, and must close it.
    template <typename Inside> void RunDialog(Inside inside) {
        QTimer::singleShot(0, &dialog, [this, inside]() {
            QApplication::setActiveWindow(&dialog);
            inside();
        });
        dialog.exec();
    }

    void Press(QWidget* to, int key, bool repeat = false) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(to, &event);
    }
    void Release(QWidget* to, int key) {
        QKeyEvent event(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(to, &event);
    }

    QWidget game;
    QDialog dialog{&game};
};

TEST_F(KeyboardMovesTest, TheReturnThatClosesADialogIsNotHeldByTheGame) {
    // Pressed for the dialog, still down as it closes; its release comes later, or is lost with
    // the dialog's window. Neither way may the game see Return held.
    RunDialog([this]() {
        Press(&dialog, Qt::Key_Return);
        ASSERT_FALSE(dialog.isVisible()) << "the default button closes the dialog on the press";
    });
    EXPECT_FALSE(keys.IsDown(Key::Return));
    Press(&game, Qt::Key_Return, true); // the key is still held: the keyboard repeats it
    EXPECT_FALSE(keys.IsDown(Key::Return));
    Release(&game, Qt::Key_Return);
    EXPECT_FALSE(keys.IsDown(Key::Return));
    Press(&game, Qt::Key_Return); // pressed again: held again
    EXPECT_TRUE(keys.IsDown(Key::Return));
}

TEST_F(KeyboardMovesTest, ModifiersHeldAsADialogClosesAreNotHeldEither) {
    RunDialog([this]() {
        Press(&dialog, Qt::Key_Control);
        Press(&dialog, Qt::Key_Shift);
        dialog.accept(); // a click on its button
    });
    EXPECT_FALSE(keys.IsDown(Key::Control));
    EXPECT_FALSE(keys.IsDown(Key::Shift));
}

TEST_F(KeyboardMovesTest, AKeyReleasedWhileTheDialogHadTheKeyboardIsNotHeldAfterwards) {
    Press(&game, Qt::Key_Return); // chose the menu item that opens the dialog
    RunDialog([this]() {
        EXPECT_FALSE(keys.IsDown(Key::Return)) << "the dialog has the keyboard now";
        Release(&dialog, Qt::Key_Return);
        dialog.accept();
    });
    EXPECT_FALSE(keys.IsDown(Key::Return));
}

TEST_F(KeyboardMovesTest, TheReturnThatChoosesAPopUpMenuItemIsNotHeldByTheGame) {
    QMenu menu(&game);
    bool chosen = false;
    QObject::connect(menu.addAction(QStringLiteral("ﾒｯｾｰｼﾞｽｷｯﾌﾟ")), &QAction::triggered,
                     [&chosen]() { chosen = true; });
    QTimer::singleShot(0, &menu, [this, &menu]() {
        Press(&menu, Qt::Key_Down);
        Release(&menu, Qt::Key_Down);
        Press(&menu, Qt::Key_Return);
    });
    menu.exec(QPoint(10, 10));
    ASSERT_TRUE(chosen);
    EXPECT_FALSE(keys.IsDown(Key::Return));
    EXPECT_FALSE(keys.IsDown(Key::Down));
}

TEST_F(KeyboardMovesTest, FocusLeavingOrReturningToTheGameReleasesEveryKey) {
    QWidget other;
    other.show();
    Press(&game, Qt::Key_Return);
    Press(&game, Qt::Key_Control);
    QApplication::setActiveWindow(&other); // the releases will go to the other window
    EXPECT_FALSE(keys.IsDown(Key::Return));
    EXPECT_FALSE(keys.IsDown(Key::Control));

    QApplication::setActiveWindow(&game);
    Press(&game, Qt::Key_Shift);
    QApplication::setActiveWindow(&other);
    Press(&other, Qt::Key_Space); // held in the other window as the game gets the focus back
    QApplication::setActiveWindow(&game);
    EXPECT_FALSE(keys.IsDown(Key::Space));
    EXPECT_FALSE(keys.IsDown(Key::Shift));
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
