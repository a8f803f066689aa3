// The engine in the real window build (offscreen): frame ticks driven the way the program's loop
// drives them, a click and a key reaching a key wait through Qt's events, and the close question.
#include "engine/engine.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/main_window_view.h"
#include "platform/qt/qt_platform.h"
#include "support/scene_assembler.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace hk::test {
namespace {

class GameWindowTest : public ::testing::Test {
protected:
    GameWindowTest() {
        // Scene 1 waits for a key or click, forever.
        ScenarioArchive({{1, "start:\n    wait 0\n    jump start\n"}}).WriteTo(m_dir / "SCR.IFP");
        ArchiveBuilder().WriteTo(m_dir / "GRP.IFP");
    }

    // Runs the program's loop for up to `ms` milliseconds or until `done` holds.
    template <typename Done> bool RunUntil(int ms, Done done) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            if (done())
                return true;
            if (m_engine.FrameTimerEnabled())
                m_engine.PollFrameTimer();
            else
                QCoreApplication::processEvents(QEventLoop::AllEvents);
            QThread::usleep(200);
        }
        return done();
    }

    void StartGame() {
        m_platform.MainView().show();
        QApplication::setActiveWindow(&m_platform.MainView());
        ASSERT_TRUE(m_engine.FormCreate());
        ASSERT_TRUE(RunUntil(2000, [this] { return m_engine.Task() == TaskCode::TASK_WAIT_KEY; }));
    }

    TempDir m_dir;
    QtPlatform m_platform;
    GameFiles m_files{m_dir.Path()};
    Engine m_engine{m_platform, m_files};
};

TEST_F(GameWindowTest, AClickOrReturnOnTheWindowEndsAKeyWait) {
    StartGame();
    ASSERT_EQ(m_platform.ForegroundWindow(), WindowId::Main);
    // Nothing pressed: the wait goes on.
    EXPECT_FALSE(RunUntil(100, [this] { return m_engine.Task() != TaskCode::TASK_WAIT_KEY; }));

    const std::int32_t step = m_engine.State().Game.ScriptStep;
    QTest::mouseClick(&m_platform.MainView(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    // The click ends the wait; the script jumps back and waits again.
    EXPECT_TRUE(RunUntil(1000, [&] { return m_engine.State().Game.ScriptStep != step; }));
    EXPECT_TRUE(RunUntil(1000, [this] { return m_engine.Task() == TaskCode::TASK_WAIT_KEY; }));

    const std::int32_t step2 = m_engine.State().Game.ScriptStep;
    QTest::keyPress(&m_platform.MainView(), Qt::Key_Return);
    EXPECT_TRUE(RunUntil(1000, [&] { return m_engine.State().Game.ScriptStep != step2; }));
    QTest::keyRelease(&m_platform.MainView(), Qt::Key_Return);
}

TEST_F(GameWindowTest, ClosingAsksCentredAndOnlyYesEndsTheGame) {
    StartGame();
    const QSize screen = m_platform.MainView().screen()->geometry().size();
    auto answer = [&](const char* button) {
        QTimer::singleShot(0, [&screen, button]() {
            auto* dialog = qobject_cast<QueryDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->Question()->text(), QStringLiteral("ゲームを終了しますか？"));
            EXPECT_EQ(dialog->pos(), QPoint((screen.width() - 288) / 2, (screen.height() - 91) / 2));
            dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        });
    };
    answer("CancelButton");
    EXPECT_FALSE(m_platform.MainView().close());
    EXPECT_FALSE(m_engine.Closed());
    EXPECT_TRUE(m_engine.FrameTimerEnabled()) << "declining lets the game go on";

    std::filesystem::remove(m_dir / "Save00.dat");
    answer("OkButton");
    EXPECT_TRUE(m_platform.MainView().close());
    EXPECT_TRUE(m_engine.Closed());
    EXPECT_TRUE(std::filesystem::exists(m_dir / "Save00.dat")) << "a confirmed close writes the system file";
}

TEST_F(GameWindowTest, ADamagedSystemFileIsToldOnceInAnInformationBoxAndTheGamePlays) {
    WriteFileBytes(m_dir / "Save00.dat", std::vector<std::uint8_t>(1000, 0x11));
    int boxes = 0;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&]() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        ++boxes;
        text = box->text();
        icon = box->icon();
        box->accept();
    });
    StartGame();
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_TRUE(text.contains(QString::fromStdString("「" + (m_dir / "Save00.dat.damaged").string() + "」")))
        << text.toStdString();
    EXPECT_EQ(ReadFileBytes(m_dir / "Save00.dat.damaged"), std::vector<std::uint8_t>(1000, 0x11));
}

} // namespace
} // namespace hk::test
