// The message window, a first-kind choice with its hovered row and a full-screen choice, played by
// `harukaze-tool run` and compared pixel for pixel with the pictures checked in under
// tests/goldens/text. Set HARUKAZE_UPDATE_GOLDENS=1 to write new pictures after a deliberate change
// (and look at them before checking them in).
#include "text_fixture.h"

#include "gfx/image_decoder.h"
#include "support/run_process.h"

#include <cstdlib>

namespace hk::test {
namespace {

const std::filesystem::path kGoldenDir = std::filesystem::path(HARUKAZE_SOURCE_DIR) / "tests" / "goldens" / "text";

constexpr const char* kScene = R"(    bg 100
    effect 2
    message "アリサ「ねえ、見て。窓の外、雪が降ってきたよ。今年の初雪だね。/明日の朝には、きっと街じゅうが真っ白になっているはず。そうしたら、一緒に公園まで歩いていこうよ」"
    select "公園へ行く約束をする/家でゆっくり過ごすと言う/返事をしない"
    select2 "駅前の喫茶店/図書館/海の見える丘"
idle:
    wait 0
    jump idle
)";

constexpr const char* kInput = R"(until-task TASK_WAIT_MESSAGE
ticks 3
screenshot message.png
click 400 300
until-task TASK_WAIT_SELECT
move 400 500
ticks 2
screenshot choice.png
click 400 500
until-task TASK_WAIT_SELECT2
move 400 290
ticks 2
screenshot choice2.png
state state.json
)";

Bitmap ReadPng(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    return DecodeImage(bytes, ImageFormat::Png);
}

// Where two pictures first differ, or "" when they are the same.
std::string FirstDifference(const Bitmap& got, const Bitmap& want) {
    if (got.Width() != want.Width() || got.Height() != want.Height())
        return "size " + std::to_string(got.Width()) + "x" + std::to_string(got.Height());
    for (int y = 0; y < got.Height(); ++y)
        for (int x = 0; x < got.Width(); ++x)
            if (got.GetColor(x, y) != want.GetColor(x, y))
                return "pixel " + std::to_string(x) + "," + std::to_string(y);
    return "";
}

class ScreenshotGoldenTest : public ::testing::Test {
protected:
    TempDir m_dir;
};

TEST_F(ScreenshotGoldenTest, MessageAndBothChoicesMatchTheGoldens) {
    const std::filesystem::path game = m_dir / "game";
    const std::filesystem::path out = m_dir / "out";
    std::filesystem::create_directories(game);
    std::filesystem::create_directories(out);
    ScenarioArchive({{1, kScene}}).WriteTo(game / "SCR.IFP");
    InterfaceGraphics().WriteTo(game / "GRP.IFP");

    const ProcessResult run = RunTool({"run", "--game", game.string(), "--input", "-", "--out", out.string()}, kInput);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::uint8_t> state_bytes = ReadFileBytes(out / "state.json");
    const std::string state(state_bytes.begin(), state_bytes.end());
    EXPECT_NE(state.find("\"text\": \"【選択肢】/家でゆっくり過ごすと言う\""), std::string::npos);

    const bool update = std::getenv("HARUKAZE_UPDATE_GOLDENS") != nullptr;
    for (const char* name : {"message.png", "choice.png", "choice2.png"}) {
        const Bitmap got = ReadPng(out / name);
        if (update) {
            std::filesystem::create_directories(kGoldenDir);
            std::filesystem::copy_file(out / name, kGoldenDir / name,
                                       std::filesystem::copy_options::overwrite_existing);
            continue;
        }
        ASSERT_TRUE(std::filesystem::exists(kGoldenDir / name)) << name;
        EXPECT_EQ(FirstDifference(got, ReadPng(kGoldenDir / name)), "") << name;
    }
}

} // namespace
} // namespace hk::test
