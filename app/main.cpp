// harukaze: the game in a window. One copy at a time; the game runs from the current directory,
// which holds its archives and receives its save files. The loop below runs the frame ticks (see
// GameLoop: while nothing can change without input the game sleeps in the tick's event
// processing) until the game closes or a stop signal ends it.
#include "data/game_files.h"
#include "engine/form1.h"
#include "gfx/text_canvas.h"
#include "platform/qt/frame_log.h"
#include "platform/qt/game_loop.h"
#include "platform/qt/main_window_view.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/sdl_audio_device.h"
#include "platform/qt/signal_watch.h"
#include "platform/qt/single_instance.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#ifndef HARUKAZE_VERSION
#define HARUKAZE_VERSION "unknown"
#endif

namespace {

constexpr const char* kUsage = "usage: harukaze [--help | --version]\n"
                               "\n"
                               "Plays the game whose files (SCR.IFP, GRP.IFP, Sound/, VOICE/) are in the current\n"
                               "directory. Save files are written there too. Only one copy runs at a time.\n";

int RunGame(int argc, char** argv) {
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
    // The loop below decides when the game ends, not the last window closing.
    QApplication::setQuitOnLastWindowClosed(false);

    hk::QtPlatform platform;
    hk::GameFiles files(".");
    hk::TForm1 form(platform, files);

    // SIGTERM, SIGHUP or SIGINT (logout, a closed terminal, Ctrl+C) end the game as after a
    // confirmed close, without asking, so the settings, flags and read-marks are written. One that
    // arrives while a dialog or menu is open closes it (as a "no"/cancel), so the engine returns
    // to the loop below, which then ends the game.
    const hk::SignalWatch stop_signals({SIGTERM, SIGHUP, SIGINT}, [](int) {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });

    platform.MainView().show();
    platform.MainView().activateWindow();
    // Only the performance benchmark and the window checks ask for this record of presented frames.
    const auto frame_log = hk::FrameLog::FromEnvironment(
        platform, [&form] { return static_cast<std::uint32_t>(form.State().Task); },
        [&form] { return form.State().MsgNumber; });
    warm_up.join();
    if (!font_warning.empty())
        std::fprintf(stderr, "harukaze: warning: %s\n", font_warning.c_str());
    form.FormCreate(); // a failure has been reported; the window stays, inert, until closed

    hk::GameLoop loop(form, platform, frame_log.get());
    while (!form.Closed()) {
        if (stop_signals.Received()) {
            try {
                form.FormClose();
            } catch (const std::exception& error) {
                std::fprintf(stderr, "error: %s\n", error.what());
            }
            break;
        }
        loop.RunOnce();
    }
    form.FormDestroy();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("harukaze %s\n", HARUKAZE_VERSION);
            return 0;
        }
        std::fprintf(stderr, "harukaze: unknown argument '%s'\n\n%s", argv[i], kUsage);
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
    return RunGame(argc, argv);
}
