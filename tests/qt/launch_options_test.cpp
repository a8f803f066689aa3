// The window build's command line: a game folder, the scale and the filter, the save folder, and
// clear refusals.
#include "platform/qt/launch_options.h"

#include <gtest/gtest.h>

namespace hk::test {
namespace {

LaunchOptions Parsed(std::vector<std::string> args) {
    auto result = ParseLaunchOptions(args);
    if (const auto* error = std::get_if<std::string>(&result)) {
        ADD_FAILURE() << *error;
        return {};
    }
    return std::get<LaunchOptions>(result);
}

std::string Refusal(std::vector<std::string> args) {
    auto result = ParseLaunchOptions(args);
    const auto* error = std::get_if<std::string>(&result);
    return error ? *error : std::string("(accepted)");
}

TEST(LaunchOptions, FolderScaleAndFilter) {
    const LaunchOptions none = Parsed({});
    EXPECT_FALSE(none.game_folder || none.scale || none.smooth || none.help || none.version);

    const LaunchOptions all = Parsed({"--scale", "2", "--smooth", "/home/aki/games/harukaze"});
    EXPECT_EQ(all.game_folder, "/home/aki/games/harukaze");
    EXPECT_EQ(all.scale, WindowScale::Times(2.0));
    EXPECT_EQ(all.smooth, true);

    EXPECT_EQ(Parsed({"--scale=1.5"}).scale, WindowScale::Times(1.5));
    EXPECT_EQ(Parsed({"--scale", "fit"}).scale, WindowScale::Fit());
    EXPECT_EQ(Parsed({"--smooth", "--sharp"}).smooth, false); // the last one counts
    EXPECT_TRUE(Parsed({"--help"}).help);
    EXPECT_TRUE(Parsed({"-h"}).help);
    EXPECT_TRUE(Parsed({"--version"}).version);
    // After "--" a folder may start with a dash; a lone "-" is a folder name too.
    EXPECT_EQ(Parsed({"--", "--odd"}).game_folder, "--odd");
    EXPECT_EQ(Parsed({"-"}).game_folder, "-");
}

TEST(LaunchOptions, RefusesWhatItDoesNotKnow) {
    EXPECT_EQ(Refusal({"--fullscreen"}), "unknown argument '--fullscreen'");
    EXPECT_EQ(Refusal({"--scale"}), "--scale needs a value (1, 1.5, 2, 3 or fit)");
    EXPECT_NE(Refusal({"--scale", "0.5"}).find("'0.5' is not"), std::string::npos);
    EXPECT_NE(Refusal({"--scale=big"}).find("'big' is not"), std::string::npos);
    EXPECT_EQ(Refusal({"a", "b"}), "more than one game folder given ('a' and 'b')");
    EXPECT_EQ(Refusal({"--save-dir"}), "--save-dir needs a folder");
    EXPECT_EQ(Refusal({"--save-dir="}), "--save-dir needs a folder");
}

TEST(LaunchOptions, SaveFolder) {
    EXPECT_FALSE(Parsed({"/games/haru"}).save_dir);
    const LaunchOptions both = Parsed({"--save-dir", "/home/aki/saves", "/games/haru"});
    EXPECT_EQ(both.save_dir, "/home/aki/saves");
    EXPECT_EQ(both.game_folder, "/games/haru") << "the folder after --save-dir is its value, not the game's";
    EXPECT_EQ(Parsed({"--save-dir=saves"}).save_dir, "saves");
    EXPECT_NE(std::string(kLaunchUsage).find("--save-dir DIR"), std::string::npos);
}

} // namespace
} // namespace hk::test
