// harukaze: the game in a window. One copy at a time (a second start brings the running one to the
// front, raise_channel.h); the game runs from its folder (launch.h), made the current directory,
// which holds its archives and, when it can be written, its save files. The loop below runs the
// frame ticks (see GameLoop: while nothing can change without input the game sleeps in the tick's
// event processing) until the game closes or a stop signal ends it.
#include "app/launch.h"
#include "data/game_files.h"
#include "engine/engine.h"
#include "gfx/text_canvas.h"
#include "platform/qt/frame_log.h"
#include "platform/qt/game_loop.h"
#include "platform/qt/main_window_view.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/raise_channel.h"
#include "platform/qt/sdl_audio_device.h"
#include "platform/qt/signal_watch.h"
#include "platform/qt/single_instance.h"

#include <QApplication>
#include <QScopeGuard>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#ifndef HARUKAZE_VERSION
#define HARUKAZE_VERSION "unknown"
#endif

namespace {

int RunGame(int argc, char** argv, const hk::LaunchOptions& options, std::optional<hk::RaiseChannel>& raise_channel) {
    // While Qt starts, a second thread gets fontconfig and SDL's audio going: the game's face
    // names must be known to fontconfig before Qt reads its font list (so the dialogs find the
    // faces the engine draws with), and Qt reads none of it while it starts; the message face is
    // opened on the way, and SDL's audio may wait for a sound server. The start-up proper waits
    // for the thread.
    std::optional<hk::SdlAudioWarmUp> audio_warm_up;
    std::string font_warning;
    std::jthread warm_up([&font_warning, &audio_warm_up] {
        audio_warm_up.emplace();
        try {
            hk::InstallFontAliases();
        } catch (const std::exception& error) {
            font_warning = error.what();
            return;
        }
        try {
            hk::Font message_font;
            message_font.height = 24;
            (void)hk::GetFontMetrics(message_font);
        } catch (const hk::FontError&) {
            // The engine reports a missing face itself when it first draws text.
        }
    });
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

    // SIGTERM, SIGHUP or SIGINT (logout, a closed terminal, Ctrl+C) end the game as after a
    // confirmed close, without asking, so the settings, flags and read-marks are written. One that
    // arrives while a dialog or menu is open closes it (as a "no"/cancel), so the engine returns
    // to the loop below, which then ends the game; one that closes the folder chooser ends the
    // program before any game has started.
    const hk::SignalWatch stop_signals({SIGTERM, SIGHUP, SIGINT}, [](int) {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });

    hk::UserSettings settings;
    // The chooser's widgets read the font list: the game's face names must be known by then.
    const auto finish_warm_up = [&warm_up] {
        if (warm_up.joinable())
            warm_up.join();
    };
    if (!hk::EnterGameFolder(options, settings, finish_warm_up))
        return stop_signals.Received() ? 0 : 1;
    hk::QtPlatform platform;
    hk::GameFiles files(".");
    std::string save_notice;
    try {
        save_notice = hk::UseSaveFolder(options, files);
    } catch (const hk::FileError& error) {
        finish_warm_up();
        platform.ReportError({error.ForPlayer(), error.what()});
        return 1;
    }
    hk::Engine engine(platform, files);
    // A second start of the game asks this copy to come to the front (with a dialog it has open).
    // Asked while the folder chooser was open, it comes to the front now.
    if (raise_channel)
        raise_channel->Watch([&platform](const std::string& token) {
            // On Wayland the window may take the focus only with the token the desktop gave the
            // second start; Qt reads it from the environment when the window asks to be activated.
            if (!token.empty())
                qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(token));
            platform.MainView().BringToFront();
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->raise();
                modal->activateWindow();
            }
        });
    const auto stop_raising = qScopeGuard([&raise_channel] {
        if (raise_channel)
            raise_channel->StopWatching();
    });

    if (hk::PrepareMainWindow(platform.MainView(), options, settings))
        platform.MainView().showMaximized();
    else
        platform.MainView().show();
    platform.MainView().activateWindow();
    // Only the performance benchmark and the window checks ask for this record of presented frames.
    const auto frame_log = hk::FrameLog::FromEnvironment(
        platform, [&engine] { return static_cast<std::uint32_t>(engine.State().Task.Code()); },
        [&engine] { return engine.Message().MsgNumber(); });
    finish_warm_up();
    if (!font_warning.empty())
        std::fprintf(stderr, "harukaze: warning: %s\n", font_warning.c_str());
    if (!save_notice.empty())
        platform.ShowMessage(save_notice);
    engine.FormCreate(); // a failure has been reported; the window stays, inert, until closed

    hk::GameLoop loop(engine, platform, frame_log.get());
    while (!engine.Closed()) {
        if (stop_signals.Received()) {
            try {
                engine.FormClose();
            } catch (const std::exception& error) {
                std::fprintf(stderr, "error: %s\n", error.what());
            }
            break;
        }
        loop.RunOnce();
    }
    hk::RememberMainWindow(platform.MainView(), settings);
    engine.FormDestroy();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const auto parsed = hk::ParseLaunchOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::fprintf(stderr, "harukaze: %s\n\n%s", error->c_str(), hk::kLaunchUsage);
        return 2;
    }
    auto options = std::get<hk::LaunchOptions>(parsed);
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

    // Named from where the program was started, not from the game folder it enters.
    if (std::error_code error; options.save_dir)
        options.save_dir = std::filesystem::absolute(*options.save_dir, error).lexically_normal().string();

    hk::SingleInstanceLock lock;
    const auto lock_path = hk::SingleInstanceLock::DefaultPath();
    const auto channel_path = hk::RaiseChannelPath(lock_path);
    switch (lock.Acquire(lock_path)) {
    case hk::SingleInstanceLock::Result::Acquired: break;
    case hk::SingleInstanceLock::Result::HeldByAnother: {
        // Another copy runs: it comes to the front, and this one leaves without a word. A copy
        // that cannot be reached (an older version, say) is left as it is.
        const char* token = std::getenv("XDG_ACTIVATION_TOKEN");
        hk::RequestRaise(channel_path, token ? token : "");
        return 0;
    }
    case hk::SingleInstanceLock::Result::Error:
        // Without a lock file we cannot tell; running is better than refusing to start.
        std::fprintf(stderr, "harukaze: warning: %s\n", lock.ErrorText().c_str());
        break;
    }
    // Only the holder of the lock listens; without a lock nobody may take the socket over.
    std::optional<hk::RaiseChannel> raise_channel;
    if (lock.Held())
        raise_channel.emplace(channel_path);
    if (raise_channel && !raise_channel->Listening())
        std::fprintf(stderr, "harukaze: warning: a second start cannot bring this one to the front: %s\n",
                     raise_channel->ErrorText().c_str());
    return RunGame(argc, argv, options, raise_channel);
}
