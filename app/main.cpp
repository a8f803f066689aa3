// harukaze: the game in a window. One copy at a time; the game runs from its folder (launch.h),
// made the current directory, which holds its archives and receives its save files. The loop
// below is the frame timer's idle polling: while the timer is enabled it never blocks in the event
// queue (the tick itself pumps the events); while it is disabled it sleeps in the queue until
// something happens.
#include "app/launch.h"
#include "data/game_files.h"
#include "engine/engine.h"
#include "gfx/text_canvas.h"
#include "platform/qt/frame_log.h"
#include "platform/qt/main_window_view.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/single_instance.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#ifndef HARUKAZE_VERSION
#define HARUKAZE_VERSION "unknown"
#endif

namespace {

// Longest nap between polls of a frame timer that is not yet due; the timer's interval is 1 ms,
// so this never delays a tick.
constexpr unsigned long kMaxNapUs = 1000;

// Set by SIGTERM, SIGHUP or SIGINT (logout, a closed terminal, Ctrl+C): the game then ends as after
// a confirmed close, without asking, so the settings, flags and read-marks are written.
volatile std::sig_atomic_t g_stop_signal = 0;

void OnStopSignal(int signal_number) {
    g_stop_signal = signal_number;
}

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal_number : {SIGTERM, SIGHUP, SIGINT})
        sigaction(signal_number, &action, nullptr);
}

int RunGame(int argc, char** argv, const hk::LaunchOptions& options) {
    // The game's face names must be known to fontconfig before Qt reads its font list, so the
    // dialogs find the same faces the engine draws with.
    try {
        hk::InstallFontAliases();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "harukaze: warning: %s\n", error.what());
    }
    QApplication app(argc, argv);
    // The game's title is "ＨＡＲＵＫＡＺＥ". It is not made Qt's application display name: Qt would
    // append that to every window caption ("ＨＡＲＵＫＡＺＥ　radadu — ＨＡＲＵＫＡＺＥ", "確認 — ..."),
    // and the captions must read exactly as the game writes them. The error box carries it.
    QApplication::setApplicationName(QStringLiteral("harukaze"));
    QApplication::setApplicationVersion(QStringLiteral(HARUKAZE_VERSION));
    // Wayland desktops find the menu entry (and its icon) for the windows by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("harukaze"));
    // The loop below decides when the game ends, not the last window closing.
    QApplication::setQuitOnLastWindowClosed(false);

    hk::UserSettings settings;
    if (!hk::EnterGameFolder(options, settings))
        return 1;
    hk::QtPlatform platform;
    hk::GameFiles files(".");
    hk::Engine form(platform, files);

    CatchStopSignals();
    // A stop signal that arrives while a dialog or menu is open closes it (as a "no"/cancel), so
    // the engine returns to the loop below, which then ends the game.
    QTimer stop_watch;
    QObject::connect(&stop_watch, &QTimer::timeout, [] {
        if (!g_stop_signal)
            return;
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    stop_watch.start(100);

    if (hk::PrepareMainWindow(platform.MainView(), options, settings))
        platform.MainView().showMaximized();
    else
        platform.MainView().show();
    platform.MainView().activateWindow();
    // Only the performance benchmark and the window checks ask for this record of presented frames.
    const auto frame_log = hk::FrameLog::FromEnvironment(
        platform.MainView(), [&form] { return static_cast<std::uint32_t>(form.State().Task.Code()); },
        [&form] { return form.State().MsgNumber; });
    form.FormCreate(); // a failure has been reported; the window stays, inert, until closed

    while (!form.Closed()) {
        if (g_stop_signal) {
            try {
                form.FormClose();
            } catch (const std::exception& error) {
                std::fprintf(stderr, "error: %s\n", error.what());
            }
            break;
        }
        if (form.FrameTimerEnabled()) {
            const bool ticked = form.PollFrameTimer();
            if (ticked && frame_log)
                frame_log->CountTick();
            if (!ticked && form.FrameTimerEnabled()) {
                const std::uint32_t wait_ms = form.MsUntilFrameTimer(platform.TickCount());
                if (wait_ms > 0)
                    QThread::usleep(std::min<unsigned long>(kMaxNapUs, wait_ms * 1000ul));
            }
        } else {
            // No tick running (the start-up failed, or a tick failed): block until an event.
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    hk::RememberMainWindow(platform.MainView(), settings);
    form.FormDestroy();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const auto parsed = hk::ParseLaunchOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::fprintf(stderr, "harukaze: %s\n\n%s", error->c_str(), hk::kLaunchUsage);
        return 2;
    }
    const auto& options = std::get<hk::LaunchOptions>(parsed);
    if (options.help) {
        std::fputs(hk::kLaunchUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("harukaze %s\n", HARUKAZE_VERSION);
        return 0;
    }
    if (std::error_code error; options.game_folder && !std::filesystem::is_directory(*options.game_folder, error)) {
        std::fprintf(stderr, "harukaze: '%s' is not a folder\n", options.game_folder->c_str());
        return 2;
    }

    hk::SingleInstanceLock lock;
    switch (lock.Acquire(hk::SingleInstanceLock::DefaultPath())) {
    case hk::SingleInstanceLock::Result::Acquired:
        break;
    case hk::SingleInstanceLock::Result::HeldByAnother:
        return 0; // another copy runs: leave silently
    case hk::SingleInstanceLock::Result::Error:
        // Without a lock file we cannot tell; running is better than refusing to start.
        std::fprintf(stderr, "harukaze: warning: %s\n", lock.ErrorText().c_str());
        break;
    }
    return RunGame(argc, argv, options);
}
