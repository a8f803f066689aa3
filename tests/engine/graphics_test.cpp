// Pictures from the graphics archive into the slots, layer composition, and a whole scene shown
// through the runner, compared pixel by pixel with the composition worked out here.
#include "support/engine_fixture.h"
#include "support/run_process.h"

#include "gfx/image_decoder.h"
#include "gfx/png_writer.h"

namespace hk::test {
namespace {

constexpr std::uint16_t kPng = 12;

Bitmap Solid(int w, int h, Color c) {
    Bitmap b;
    b.SetSize(w, h);
    b.Fill(c);
    return b;
}

std::vector<std::uint8_t> Png(const Bitmap& b) {
    return EncodePng(b);
}

// Fourth byte (transparency) of a pixel.
int Clear(const Bitmap& b, int x, int y) {
    return b.Pixel(x, y)[3];
}

using GraphicsTest = GameFixture;

TEST_F(GraphicsTest, CharactersArePlacedInAWhiteFrameWithTheirMask) {
    ArchiveBuilder grp;
    Bitmap mask = Solid(800, 600, kWhite);
    mask.FillRect(0, 0, 10, 600, kBlack); // the character's left edge is clear
    grp.Add(300, kPng, Png(Solid(800, 600, MakeColor(200, 0, 0))), kPng, Png(mask));
    grp.Add(301, kPng, Png(Solid(800, 600, MakeColor(0, 0, 200)))); // no mask
    StartParked(grp);

    TheEngine().TheStage().ReadGraphic(1, 300, 1); // drawn at x = -200
    const Bitmap& c1 = TheEngine().TheStage().CharLayer1();
    ASSERT_EQ(c1.Width(), 800);
    EXPECT_EQ(c1.GetColor(0, 0), MakeColor(200, 0, 0));
    EXPECT_EQ(Clear(c1, 0, 0), 0);
    EXPECT_EQ(c1.GetColor(599, 300), MakeColor(200, 0, 0));
    EXPECT_EQ(c1.GetColor(600, 300), kWhite) << "uncovered columns stay white";
    EXPECT_EQ(Clear(c1, 799, 300), 0) << "... and opaque";

    TheEngine().TheStage().ReadGraphic(2, 300, 3); // drawn at x = +200
    const Bitmap& c2 = TheEngine().TheStage().CharLayer2();
    EXPECT_EQ(c2.GetColor(199, 10), kWhite);
    EXPECT_EQ(Clear(c2, 199, 10), 0);
    EXPECT_EQ(Clear(c2, 205, 10), 255) << "the mask's black edge is clear";
    EXPECT_EQ(c2.GetColor(215, 10), MakeColor(200, 0, 0));

    TheEngine().TheStage().ReadGraphic(1, 301, 0);
    EXPECT_EQ(Clear(c1, 400, 300), 255) << "a picture without a mask draws clear";
}

TEST_F(GraphicsTest, SlotsDeliverTheirWayAndCgFlagsAreSetForTheCgRangeOnly) {
    ArchiveBuilder grp;
    Bitmap grey = Solid(800, 600, MakeColor(90, 90, 90));
    grp.Add(8, kPng, Png(Solid(800, 176, MakeColor(1, 2, 3))), kPng, Png(Solid(800, 176, kWhite)));
    grp.Add(41, kPng, Png(grey));
    grp.Add(500, 77, Png(grey)); // a type code no decoder has
    StartParked(grp);

    EXPECT_EQ(Message().MsgFrameImage().Width(), 800);
    EXPECT_EQ(Message().MsgFrameImage().Height(), 600) << "slot 8 takes the frame's full size";

    TheEngine().TheStage().ReadGraphic(6, 41, 0);
    EXPECT_EQ(TheEngine().TheStage().RuleImage().Format(), PixelFormat::Gray8);
    EXPECT_EQ(*TheEngine().TheStage().RuleImage().Pixel(10, 10), 90);

    TheEngine().TheStage().ReadGraphic(0, 500, 0);
    EXPECT_EQ(TheEngine().TheStage().BgLayer().GetColor(5, 5), kWhite);

    const auto seen = [&](int g) { return State().System.CgSeen[g - kCgFirst]; };
    for (int g : {400, 401, 500, 699, 700})
        TheEngine().TheStage().ReadGraphic(3, g, 0);
    EXPECT_EQ(seen(401), 1);
    EXPECT_EQ(seen(500), 1);
    EXPECT_EQ(seen(699), 1);
    int count = 0;
    for (int g = kCgFirst; g <= kCgLast; ++g)
        count += seen(g);
    EXPECT_EQ(count, 3) << "400 and 700 are outside the CG range";
}

TEST_F(GraphicsTest, DamagedPictureIsAnErrorNamingTheGraphic) {
    ArchiveBuilder grp;
    auto png = Png(Solid(40, 30, kBlack));
    png.resize(png.size() / 2);
    grp.Add(123, kPng, png);
    StartParked(grp);
    try {
        TheEngine().TheStage().ReadGraphic(0, 123, 0);
        FAIL() << "a cut PNG must not load";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("graphic 123"), std::string::npos) << e.what();
    }
}

TEST_F(GraphicsTest, CompositionDrawsLayerOneInFrontAndIgnoresEmptyLayers) {
    StartParked(ArchiveBuilder());
    TheEngine().TheStage().BgLayer().Fill(kWhite);
    TheEngine().TheStage().CharLayer1() = Solid(800, 600, kBlack); // opaque black
    TheEngine().TheStage().CharLayer2() = Solid(800, 600, MakeColor(0, 255, 0));
    State().Game.LayerGraphic[1] = 5;
    State().Game.LayerGraphic[2] = 7;
    TheEngine().TheStage().CreateMakeBMP(State().Game);
    // Opacity 255 keeps 1/256 of what is beneath: (0 * 255 + 255 * 1) >> 8 = 0.
    EXPECT_EQ(TheEngine().TheStage().SceneImage().GetColor(1, 1), kBlack);

    State().Game.LayerGraphic[1] = 0;
    TheEngine().TheStage().CreateMakeBMP(State().Game);
    // Red and blue: (0 * 255 + 255 * 1) >> 8 = 0; green: (255 * 255 + 255 * 1) >> 8 = 255.
    EXPECT_EQ(TheEngine().TheStage().SceneImage().GetColor(1, 1), MakeColor(0, 255, 0));

    TheEngine().TheStage().CharLayer2() = Bitmap(); // shown but never loaded
    TheEngine().TheStage().CreateMakeBMP(State().Game);
    EXPECT_EQ(TheEngine().TheStage().SceneImage().GetColor(1, 1), kWhite);

    TheEngine().TheStage().ClearBitmap(1, State().Game);
    EXPECT_EQ(State().Game.LayerGraphic[1], 0);
    TheEngine().TheStage().ClearBitmap(7, State().Game);
}

TEST_F(GraphicsTest, RunnerScreenshotOfAComposedSceneAfterAWipe) {
    // A background, two characters at the left and right places, then a wipe; the runner's
    // screenshot must be exactly the composition.
    Bitmap bg = Solid(800, 600, MakeColor(30, 60, 90));
    for (int y = 0; y < 600; ++y)
        bg.FillRect(0, y, 800, 1, MakeColor(y % 256, 60, 255 - y % 256));
    Bitmap left = Solid(800, 600, MakeColor(250, 200, 10));
    Bitmap left_mask = Solid(800, 600, kBlack);
    left_mask.FillRect(300, 100, 200, 500, kWhite);
    Bitmap right = Solid(400, 600, MakeColor(20, 200, 250));
    Bitmap right_mask = Solid(400, 600, MakeColor(128, 128, 128));
    Bitmap rule = Solid(800, 600, kBlack);
    for (int x = 0; x < 800; ++x)
        rule.FillRect(x, 0, 1, 600, MakeColor(x * 255 / 799, x * 255 / 799, x * 255 / 799));

    ArchiveBuilder grp;
    grp.Add(100, kPng, Png(bg));
    grp.Add(201, kPng, Png(left), kPng, Png(left_mask));
    grp.Add(202, kPng, Png(right), kPng, Png(right_mask));
    grp.Add(44, kPng, Png(rule));
    WriteArchives(ScenarioArchive({{1, R"(
    bg 100
    char 1, 201, 1
    char 2, 202, 3
    effect 44, 300, 6
    wait 0
)"}}),
                  grp);
    const auto r = RunTool({"run", "--game", m_dir.Path().string(), "--input", "-", "--out", m_dir.Path().string()},
                           "until-task TASK_WAIT_KEY\nscreenshot shot.png\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto shot_bytes = ReadFileBytes(m_dir / "shot.png");
    const Bitmap shot = DecodePng(shot_bytes);

    // The expected picture, by the same rules: placed frames, inverted masks, opacity 255.
    auto frame = [](const Bitmap& picture, int x) {
        Bitmap f = Solid(800, 600, kWhite);
        f.CopyRect(x, 0, picture, 0, 0, picture.Width(), picture.Height());
        return f;
    };
    auto layer = [&](const Bitmap& colour, const Bitmap& mask, int x) {
        Bitmap m = frame(mask, x);
        InvertRect(0, 0, 800, 600, m);
        Bitmap out;
        frame(colour, x).CombineMask(m, out);
        return out;
    };
    Bitmap expected = frame(bg, 0);
    layer(right, right_mask, 200).DrawAlphaOnto(0, 0, 800, 600, 0, 0, expected, 255);
    layer(left, left_mask, -200).DrawAlphaOnto(0, 0, 800, 600, 0, 0, expected, 255);

    ASSERT_EQ(shot.Width(), 800);
    int differing = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            differing += shot.GetColor(x, y) != expected.GetColor(x, y);
    EXPECT_EQ(differing, 0);
}

} // namespace
} // namespace hk::test
