// The zoom keys and the game's Control key, on a virtual clock: the zoom key is the window's and
// never the game's; Control reaches the game after the hold-back, a short tap afterwards as one
// press, and a Control that served a zoom key not at all.
#include "platform/qt/zoom_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hk::test {
namespace {

// Writes down the key events that got past the zoom keys.
class KeyRecorder final : public QObject {
public:
    std::vector<std::string> seen;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
            seen.push_back((event->type() == QEvent::KeyPress ? "press " : "release ") +
                           std::to_string(static_cast<QKeyEvent*>(event)->key()));
        return false;
    }
};

class ZoomKeysTest : public ::testing::Test {
protected:
    ZoomKeysTest() : keys([this] { return now; }) {
        // Filters run last-installed first: the zoom keys see the events before the recorder.
        target.installEventFilter(&recorder);
        target.installEventFilter(&keys);
        keys.on_zoom = [this](ZoomStep step) { zooms.push_back(step); };
    }

    void Send(QEvent::Type type, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, bool repeat = false) {
        QKeyEvent event(type, key, mods, QString(), repeat);
        QApplication::sendEvent(&target, &event);
    }
    void Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) { Send(QEvent::KeyPress, key, mods); }
    void Release(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) { Send(QEvent::KeyRelease, key, mods); }

    qint64 now = 1000;
    ZoomKeys keys;
    KeyRecorder recorder;
    QWidget target;
    std::vector<ZoomStep> zooms;
};

TEST(ZoomKeyNames, ControlWithPlusEqualsMinusOrZero) {
    EXPECT_EQ(ZoomStepFromKey(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier), ZoomStep::In);
    EXPECT_EQ(ZoomStepFromKey(Qt::Key_Equal, Qt::ControlModifier), ZoomStep::In);
    EXPECT_EQ(ZoomStepFromKey(Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier), ZoomStep::In);
    EXPECT_EQ(ZoomStepFromKey(Qt::Key_Minus, Qt::ControlModifier), ZoomStep::Out);
    EXPECT_EQ(ZoomStepFromKey(Qt::Key_0, Qt::ControlModifier | Qt::KeypadModifier), ZoomStep::Reset);
    EXPECT_FALSE(ZoomStepFromKey(Qt::Key_Plus, Qt::NoModifier));
    EXPECT_FALSE(ZoomStepFromKey(Qt::Key_Plus, Qt::ControlModifier | Qt::AltModifier));
    EXPECT_FALSE(ZoomStepFromKey(Qt::Key_1, Qt::ControlModifier));
}

TEST_F(ZoomKeysTest, ZoomKeyIsConsumedAndItsControlNeverReachesTheGame) {
    Press(Qt::Key_Control);
    EXPECT_FALSE(keys.ControlForGame(true)) << "held back at first";
    now += 120;
    Press(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    now += 80;
    Release(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(zooms, std::vector<ZoomStep>{ZoomStep::In});
    now += 500; // held on well past the hold-back
    EXPECT_FALSE(keys.ControlForGame(true));
    Press(Qt::Key_Minus, Qt::ControlModifier);
    Release(Qt::Key_Minus, Qt::ControlModifier);
    Release(Qt::Key_Control);
    EXPECT_FALSE(keys.ControlForGame(false)) << "no tap is replayed for a zoom";
    EXPECT_EQ(zooms, (std::vector<ZoomStep>{ZoomStep::In, ZoomStep::Out}));
    // Only Control got past: the zoom keys' presses and releases did not.
    const std::string control = std::to_string(Qt::Key_Control);
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"press " + control, "release " + control}));
}

TEST_F(ZoomKeysTest, ControlHeldAloneReachesTheGameAfterTheHoldBack) {
    Press(Qt::Key_Control);
    now += ZoomKeys::kControlHoldBackMs - 1;
    EXPECT_FALSE(keys.ControlForGame(true));
    now += 1;
    EXPECT_TRUE(keys.ControlForGame(true));
    // Auto-repeat (X11 sends release/press pairs) changes nothing.
    Send(QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier, true);
    Send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, true);
    now += 1000;
    EXPECT_TRUE(keys.ControlForGame(true));
    Release(Qt::Key_Control);
    EXPECT_FALSE(keys.ControlForGame(false)) << "a long hold ends when it ends";
}

TEST_F(ZoomKeysTest, ShortTapReachesTheGameAfterwardsAsOnePressForItsNextKeySampling) {
    Press(Qt::Key_Control);
    now += 100;
    EXPECT_FALSE(keys.ControlForGame(true));
    Release(Qt::Key_Control);
    // However long the tap and however late the game's next tick, the game sees it once: a tap
    // seen on every tick while it lasted skipped a message on each.
    EXPECT_TRUE(keys.ControlForGame(false));
    now += 500;
    EXPECT_TRUE(keys.ControlForGame(false)) << "asking does not use it up";
    keys.KeysSampled();
    EXPECT_FALSE(keys.ControlForGame(false));
    EXPECT_FALSE(keys.ControlForGame(false));

    // An instant tap likewise.
    Press(Qt::Key_Control);
    Release(Qt::Key_Control);
    EXPECT_TRUE(keys.ControlForGame(false));
    keys.KeysSampled();
    EXPECT_FALSE(keys.ControlForGame(false));

    // A tap the game never saw is dropped when the game loses the keyboard.
    Press(Qt::Key_Control);
    Release(Qt::Key_Control);
    QEvent blocked(QEvent::WindowBlocked);
    QApplication::sendEvent(&target, &blocked);
    EXPECT_FALSE(keys.ControlForGame(false));
}

TEST_F(ZoomKeysTest, ControlAlreadyDownWhenTheGameGotTheKeyboardCountsAtOnce) {
    EXPECT_TRUE(keys.ControlForGame(true));
    EXPECT_FALSE(keys.ControlForGame(false));
}

TEST_F(ZoomKeysTest, OnlyWhereTheGameTakesItAndOncePerPress) {
    bool game_in_front = false;
    keys.accepts_shortcut = [&game_in_front] { return game_in_front; };
    Press(Qt::Key_Plus, Qt::ControlModifier);
    Release(Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_TRUE(zooms.empty());
    EXPECT_EQ(recorder.seen.size(), 2u) << "a dialog in front gets the keys";

    game_in_front = true;
    Press(Qt::Key_0, Qt::ControlModifier);
    Send(QEvent::KeyPress, Qt::Key_0, Qt::ControlModifier, true); // auto-repeat
    Send(QEvent::KeyPress, Qt::Key_0, Qt::ControlModifier, true);
    Release(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(zooms, std::vector<ZoomStep>{ZoomStep::Reset});
    EXPECT_EQ(recorder.seen.size(), 2u);
}

TEST_F(ZoomKeysTest, AModalDialogOpeningForgetsTheControlState) {
    Press(Qt::Key_Control);
    Press(Qt::Key_Plus, Qt::ControlModifier);
    QEvent blocked(QEvent::WindowBlocked);
    QApplication::sendEvent(&target, &blocked);
    // The release went to the dialog; a Control held now is one the game did not see pressed.
    EXPECT_TRUE(keys.ControlForGame(true));
}

} // namespace
} // namespace hk::test
