// The game natively on Wayland, under a headless compositor (tests/scripts/window_wayland.sh
// starts weston and runs these with QT_QPA_PLATFORM=wayland; elsewhere they are skipped). The
// sample game plays in the real window build, driven the way the program's loop drives it, and
// what the compositor shows is read back through its screenshot protocol (weston-screenshooter):
// the title and a click on it, the context menu and the settings dialog, full screen and back,
// and the floating window, clear outside its shape.
//
// The clicks and keys are Qt events given to the windows, not input through the compositor: a
// headless compositor has no seat to send it from, nor to give the game's window the focus with.
#include "engine/engine.h"
#include "platform/qt/config_dialog.h"
#include "platform/qt/float_window_view.h"
#include "platform/qt/main_window_view.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/surface_image.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <optional>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

constexpr QRgb kDesktop = 0xFFFFFFFF; // the compositor's background in window_wayland.sh
constexpr TaskCode kWaitTitle = static_cast<TaskCode>(0x00700102);

// How many pixels of `picture` differ from the screenshot at `at` (pixels for which `skip` says
// so are left out).
int Mismatches(const QImage& shot, QPoint at, const QImage& picture,
               const std::function<bool(int, int)>& skip = nullptr) {
    int wrong = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            if (skip && skip(x, y))
                continue;
            const QPoint p = at + QPoint(x, y);
            if (!shot.rect().contains(p) || (shot.pixel(p) | 0xFF000000u) != (picture.pixel(x, y) | 0xFF000000u))
                ++wrong;
        }
    return wrong;
}

// Where the picture is in the screenshot, if anywhere, found by its 32x32 block at `block`.
std::optional<QPoint> Find(const QImage& shot, const QImage& picture, QPoint block = QPoint(0, 0)) {
    const QImage part = picture.copy(QRect(block, QSize(32, 32)));
    const QRgb first = part.pixel(0, 0) | 0xFF000000u;
    for (int y = 0; y + 32 <= shot.height(); ++y)
        for (int x = 0; x + 32 <= shot.width(); ++x)
            if ((shot.pixel(x, y) | 0xFF000000u) == first && Mismatches(shot, QPoint(x, y), part) == 0)
                return QPoint(x, y) - block;
    return std::nullopt;
}

class WaylandGame : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            GTEST_SKIP() << "needs a Wayland compositor (tests/scripts/window_wayland.sh)";
        const QString game = qEnvironmentVariable("HARUKAZE_TEST_GAME");
        m_shots = qEnvironmentVariable("HARUKAZE_TEST_SHOTS");
        if (game.isEmpty() || m_shots.isEmpty())
            GTEST_SKIP() << "HARUKAZE_TEST_GAME and HARUKAZE_TEST_SHOTS name the sample game and a folder for shots";
        fs::copy(game.toStdString(), m_dir / "game", fs::copy_options::recursive);
        m_platform = std::make_unique<QtPlatform>();
        m_files = std::make_unique<GameFiles>(m_dir / "game");
        m_engine = std::make_unique<Engine>(*m_platform, *m_files);
    }
    void TearDown() override {
        if (m_engine)
            m_engine->FormDestroy();
    }

    MainWindowView& Main() { return m_platform->MainView(); }

    // Runs the program's loop for up to `ms` milliseconds or until `done` holds.
    bool RunUntil(int ms, const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            if (done())
                return true;
            if (m_engine->FrameTimerEnabled())
                m_engine->PollFrameTimer();
            else
                QCoreApplication::processEvents(QEventLoop::AllEvents);
            QThread::usleep(200);
        }
        return done();
    }
    void Run(int ms) {
        RunUntil(ms, [] { return false; });
    }
    bool RunUntilTask(TaskCode task, int ms) {
        return RunUntil(ms, [&] { return m_engine->Task() == task; });
    }

    // What the compositor shows now, also kept as NAME.png in the shots folder.
    QImage Screenshot(const QString& name) {
        QDir dir(m_shots);
        for (const QString& old : dir.entryList({QStringLiteral("wayland-screenshot-*.png")}))
            dir.remove(old);
        // fork and exec rather than QProcess, which cannot start a program when this test runs as an
        // arm64 program under qemu's user mode (qemu refuses the way Qt makes the child).
        const std::string err = dir.filePath(QStringLiteral("screenshooter.err")).toStdString();
        const pid_t shooter = ::fork();
        if (shooter == 0) {
            const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::dup2(fd, 2) < 0 || ::chdir(m_shots.toLocal8Bit().constData()) != 0)
                ::_exit(126);
            ::execlp("weston-screenshooter", "weston-screenshooter", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (shooter < 0) {
            ADD_FAILURE() << "cannot start weston-screenshooter";
            return QImage();
        }
        // The game keeps running (and answering the compositor) while the shot is taken.
        int status = 0;
        if (!RunUntil(20000, [&] { return ::waitpid(shooter, &status, WNOHANG) == shooter; })) {
            ::kill(shooter, SIGKILL);
            ::waitpid(shooter, &status, 0);
        }
        const QStringList made = dir.entryList({QStringLiteral("wayland-screenshot-*.png")});
        if (made.isEmpty()) {
            ADD_FAILURE() << "weston-screenshooter made no picture: " << ReadFileText(err);
            return QImage();
        }
        dir.remove(name + ".png");
        dir.rename(made.first(), name + ".png");
        return QImage(dir.filePath(name + ".png")).convertToFormat(QImage::Format_RGB32);
    }

    // Takes screenshots until `check` is content with one (the compositor shows a new frame a
    // moment after the game painted it), for at most `tries` shots.
    QImage ScreenshotUntil(const QString& name, const std::function<bool(const QImage&)>& check, int tries = 10) {
        QImage shot;
        for (int i = 0; i < tries; ++i) {
            Run(200);
            shot = Screenshot(name);
            if (!shot.isNull() && check(shot))
                break;
        }
        return shot;
    }

    QImage MainPicture() { return SurfaceImage(m_platform->ClientSurface(WindowId::Main)).copy(); }

    // Opens the context menu with a right click and chooses the item; false when no menu showed.
    bool ChooseFromContextMenu(const char* item) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            QTimer* wait = new QTimer;
            QObject::connect(wait, &QTimer::timeout, [&, wait] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (!menu)
                    return;
                wait->stop();
                wait->deleteLater();
                shown = menu->windowHandle() && menu->isVisible();
                for (QAction* action : menu->actions())
                    if (action->data().toString() == QLatin1String(item))
                        menu->setActiveAction(action);
                Screenshot(QStringLiteral("wayland_menu"));
                QTest::keyClick(menu, Qt::Key_Return);
            });
            wait->start(20);
        });
        QTest::mouseClick(&Main(), Qt::RightButton, Qt::NoModifier, QPoint(400, 300));
        return shown;
    }

    TempDir m_dir;
    QString m_shots;
    std::unique_ptr<QtPlatform> m_platform;
    std::unique_ptr<GameFiles> m_files;
    std::unique_ptr<Engine> m_engine;
};

TEST_F(WaylandGame, PlaysItsTitleMenuDialogFullScreenAndFloatingWindow) {
    Main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Main(), 10000)) << "the compositor never showed the main window";
    // A compositor without a seat gives no window the keyboard, and the game takes input only
    // while one of its windows is active.
    QApplication::setActiveWindow(&Main());
    ASSERT_TRUE(m_engine->FormCreate());

    // ---- The opening: each message answered by a click, until the title menu waits.
    int clicks = 0;
    ASSERT_TRUE(RunUntil(90000, [&] {
        if (m_engine->Task() == TaskCode::TASK_WAIT_MESSAGE) {
            QTest::mouseClick(&Main(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
            ++clicks;
            Run(300);
        }
        return m_engine->Task() == kWaitTitle;
    })) << "the title menu did not come";
    EXPECT_GT(clicks, 0);
    QTest::mouseMove(&Main(), QPoint(700, 390));
    Run(500);
    std::optional<QPoint> at;
    QImage shot = ScreenshotUntil(QStringLiteral("wayland_title"), [&](const QImage& image) {
        at = Find(image, MainPicture());
        return at && Mismatches(image, *at, MainPicture()) == 0;
    });
    ASSERT_TRUE(at) << "the title is nowhere on the compositor's screen";
    EXPECT_EQ(Mismatches(shot, *at, MainPicture()), 0) << "the compositor shows the title as the engine drew it";

    // ---- A click on the start entry starts the story.
    QTest::mouseClick(&Main(), Qt::LeftButton, Qt::NoModifier, QPoint(700, 390));
    ASSERT_TRUE(RunUntilTask(TaskCode::TASK_WAIT_MESSAGE, 30000)) << "the click on the title did nothing";

    // ---- The settings dialog from the context menu, shown by the compositor, then closed.
    bool dialog_seen = false;
    QTimer::singleShot(0, [&] {
        QTimer* wait = new QTimer;
        QObject::connect(wait, &QTimer::timeout, [&, wait] {
            auto* dialog = qobject_cast<ConfigDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->windowHandle() || !dialog->windowHandle()->isExposed())
                return;
            wait->stop();
            wait->deleteLater();
            dialog_seen = true;
            Screenshot(QStringLiteral("wayland_settings"));
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("戻る"))
                    button->click();
        });
        wait->start(20);
    });
    EXPECT_TRUE(ChooseFromContextMenu("ItemOption")) << "the context menu did not show";
    Run(500);
    EXPECT_TRUE(dialog_seen) << "the settings dialog did not show";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the settings dialog did not close";

    // ---- Full screen and back (Alt+Return): the compositor gives the window the whole output
    // ---- and shows what the window paints there, bars and all.
    const QSize framed = Main().size();
    const QSize output = Main().screen()->geometry().size();
    QTest::keyClick(&Main(), Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(RunUntil(10000, [&] { return Main().size() == output; }))
        << "full screen gave " << Main().width() << "x" << Main().height();
    const QImage painted = Main().grab().toImage().convertToFormat(QImage::Format_RGB32);
    shot = ScreenshotUntil(QStringLiteral("wayland_full_screen"),
                           [&](const QImage& image) { return Mismatches(image, QPoint(0, 0), painted) < 2500; });
    EXPECT_LT(Mismatches(shot, QPoint(0, 0), painted), 2500) << "the full-screen picture is not on the output";
    EXPECT_EQ(shot.pixel(0, output.height() / 2), 0xFF000000u) << "a black bar at the left";
    QTest::keyClick(&Main(), Qt::Key_Return, Qt::AltModifier);
    EXPECT_TRUE(RunUntil(10000, [&] { return Main().size() == framed; })) << "leaving full screen gave another size";
    Run(1000);
    EXPECT_EQ(Main().size(), framed) << "the compositor's answer changed the size again";

    // ---- The floating window: its artwork shown, clear (the desktop) outside its shape. The main
    // ---- window is minimised, so that nothing but the desktop lies under it.
    EXPECT_TRUE(ChooseFromContextMenu("ItemMsgFloat"));
    ASSERT_TRUE(RunUntil(10000, [&] { return m_platform->FloatView().isVisible(); })) << "no floating window";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_platform->FloatView(), 10000));
    Main().showMinimized();
    FloatWindowView& floating = m_platform->FloatView();
    const QRegion shape = floating.Shape();
    at.reset();
    shot = ScreenshotUntil(QStringLiteral("wayland_float"), [&](const QImage& image) {
        // Found by a block of its middle, well inside its shape.
        at = Find(image, SurfaceImage(m_platform->ClientSurface(WindowId::Float)).copy(), QPoint(384, 64));
        return at.has_value();
    });
    ASSERT_TRUE(at) << "the floating window is nowhere on the compositor's screen";
    const QPoint origin = *at;
    const QImage picture = SurfaceImage(m_platform->ClientSurface(WindowId::Float)).copy();
    const QRegion visible = shape.subtracted(floating.Keyed());
    int clear = 0, wrong_clear = 0;
    for (int y = 0; y < 176; ++y)
        for (int x = 0; x < 800; ++x) {
            if (visible.contains(QPoint(x, y)) || !shot.rect().contains(origin + QPoint(x, y)))
                continue;
            ++clear;
            wrong_clear += shot.pixel(origin + QPoint(x, y)) != kDesktop;
        }
    EXPECT_GT(clear, 800 + 175) << "row 0 and column 0 at least are outside the shape";
    EXPECT_EQ(wrong_clear, 0) << "pixels outside the shape must show the desktop";
    EXPECT_LT(Mismatches(shot, origin, picture, [&](int x, int y) { return !visible.contains(QPoint(x, y)); }), 1100)
        << "the artwork inside the shape (the turning wait icon aside)";
    Main().showNormal();
}

} // namespace
} // namespace hk::test
