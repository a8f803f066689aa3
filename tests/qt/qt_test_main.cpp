// The widget tests run on Qt's offscreen platform unless the caller chose one. The user's own
// settings (QSettings) go to a private folder of this run, never to the user's ~/.config.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::filesystem::path config =
        std::filesystem::temp_directory_path() / ("harukaze-test-config-" + std::to_string(::getpid()));
    std::filesystem::remove_all(config);
    std::filesystem::create_directories(config);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    int status = 0;
    {
        QApplication app(argc, argv);
        status = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    return status;
}
