// The generator's building blocks on small inputs: picture files read back by the game's own
// decoders, the painting canvas and its mask, captions, voices, the replay template and the
// collection of voiced lines.
#include "data/scene_text.h"
#include "data/shift_jis.h"
#include "gfx/bmp_decoder.h"
#include "gfx/image_decoder.h"
#include "ogg_inspect.h"
#include "tools/demo_image_files.h"
#include "tools/demo_paint.h"
#include "tools/demo_pictures.h"
#include "tools/demo_scenes.h"
#include "tools/demo_sound.h"
#include "tools/demo_text.h"

#include <gtest/gtest.h>

#include <set>

namespace hk {
namespace {

TEST(DemoPictureFiles, BitmapsReadBackPixelForPixel) {
    // Three columns make rows of 9 bytes, padded to 12; rows are stored bottom-up.
    Bitmap picture;
    picture.SetSize(3, 2);
    const Color colours[2][3] = {{0x0000FF, 0x00FF00, 0xFF0000}, {0x123456, 0xABCDEF, 0x000000}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            picture.FillRect(x, y, 1, 1, colours[y][x]);
        }
    }
    const auto bmp = demo::EncodeBmp(picture);
    EXPECT_EQ(bmp.size(), 54u + 2 * 12);
    const Bitmap back = DecodeBmp(bmp);
    ASSERT_EQ(back.Width(), 3);
    ASSERT_EQ(back.Height(), 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(back.GetColor(x, y), colours[y][x]) << x << "," << y;
        }
    }
}

TEST(DemoPictureFiles, JpegKeepsSizeAndColour) {
    Bitmap picture;
    picture.SetSize(17, 9);
    picture.Fill(MakeColor(200, 120, 40));
    const Bitmap back = DecodeJpeg(demo::EncodeJpeg(picture, 90));
    ASSERT_EQ(back.Width(), 17);
    ASSERT_EQ(back.Height(), 9);
    const Color c = back.GetColor(8, 4);
    EXPECT_NEAR(ColorRed(c), 200, 4);
    EXPECT_NEAR(ColorGreen(c), 120, 4);
    EXPECT_NEAR(ColorBlue(c), 40, 4);
}

TEST(DemoCanvas, CoverageBecomesTheMask) {
    demo::Canvas canvas(40, 40);
    canvas.Circle(20, 20, 9.7f, demo::Hex(0xFF0000));
    const Bitmap mask = canvas.MaskBitmap();
    EXPECT_EQ(mask.Pixel(20, 20)[0], 255);  // inside: opaque
    EXPECT_EQ(mask.Pixel(2, 2)[0], 0);      // outside: clear
    const int edge = mask.Pixel(29, 20)[0]; // the rim is anti-aliased
    EXPECT_GT(edge, 0);
    EXPECT_LT(edge, 255);
    // Two half-covering layers make three quarters, as layered paint would.
    demo::Canvas layered(1, 1);
    layered.Blend(0, 0, demo::Hex(0x000000), 0.5f);
    layered.Blend(0, 0, demo::Hex(0x000000), 0.5f);
    EXPECT_FLOAT_EQ(layered.Coverage(0, 0), 0.75f);
    EXPECT_EQ(canvas.ToBitmap().GetColor(20, 20), MakeColor(255, 0, 0));
}

TEST(DemoCanvas, DitherKeepsTheAverageOfInBetweenLevels) {
    demo::Canvas canvas(8, 8, {100.5f, 100.25f, 0});
    const Bitmap out = canvas.ToBitmap();
    double red = 0, green = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            red += out.Pixel(x, y)[2];
            green += out.Pixel(x, y)[1];
        }
    }
    EXPECT_NEAR(red / 64, 100.5, 0.07);
    EXPECT_NEAR(green / 64, 100.25, 0.07);
}

TEST(DemoCanvas, ResizingAveragesAreas) {
    demo::Canvas canvas(4, 2, {0, 0, 0});
    canvas.Set(0, 0, {255, 255, 255});
    canvas.Set(1, 1, {255, 255, 255});
    const demo::Canvas half = canvas.Resized(2, 1);
    EXPECT_FLOAT_EQ(half.Get(0, 0).r, 127.5f);
    EXPECT_FLOAT_EQ(half.Get(1, 0).r, 0.0f);
}

TEST(DemoCaptions, LabelsLandWhereTheyAreAligned) {
    auto ink_span = [](const demo::Canvas& c) {
        int left = c.Width(), right = -1;
        for (int y = 0; y < c.Height(); ++y) {
            for (int x = 0; x < c.Width(); ++x) {
                if (c.Coverage(x, y) > 0.5f) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        return std::pair{left, right};
    };
    demo::LabelStyle style;
    style.size = 20;
    style.shadow = 0;
    style.outline_width = 0;
    demo::Canvas left(300, 40), centre(300, 40), right(300, 40);
    demo::DrawLabel(left, "はじめから", 50, 10, style, demo::Align::Left);
    demo::DrawLabel(centre, "はじめから", 150, 10, style, demo::Align::Center);
    demo::DrawLabel(right, "はじめから", 250, 10, style, demo::Align::Right);
    const int width = demo::LabelWidth("はじめから", style);
    EXPECT_GT(width, 80);
    const auto [l0, l1] = ink_span(left);
    const auto [c0, c1] = ink_span(centre);
    const auto [r0, r1] = ink_span(right);
    EXPECT_NEAR(l0, 50, 3);
    EXPECT_NEAR((c0 + c1) / 2.0, 150, 3);
    EXPECT_NEAR(r1, 250, 3);
}

TEST(DemoPhotos, VariantsAndNeighboursShowDifferentSubjects) {
    for (int cell = 0; cell < 96; ++cell) {
        std::set<int> times;
        for (int variant = 0; variant < 4; ++variant) {
            times.insert(demo::PhotoSubjectOf(cell, variant).time);
        }
        EXPECT_EQ(times.size(), 4u) << "cell " << cell;
    }
    // Within a block of 16 cells every place appears once, and blocks do not repeat each other.
    for (int block = 0; block < 6; ++block) {
        std::set<int> places;
        for (int cell = 16 * block; cell < 16 * block + 16; ++cell) {
            places.insert(demo::PhotoSubjectOf(cell, 0).place);
        }
        EXPECT_EQ(places.size(), 16u) << "block " << block;
        EXPECT_NE(demo::PhotoSubjectOf(16 * block, 0).place, demo::PhotoSubjectOf(16 * block + 16, 0).place);
    }
}

TEST(DemoVoices, AVoiceFollowsItsLine) {
    const auto short_line = demo::RenderVoice(U"はい。", 260, 1);
    const auto long_line = demo::RenderVoice(U"おかえりなさい、ずっとまってたよ", 260, 1);
    EXPECT_TRUE(short_line == demo::RenderVoice(U"はい。", 260, 1));
    EXPECT_FALSE(short_line == demo::RenderVoice(U"はい。", 150, 1));
    const OggInfo a = InspectOgg(short_line), b = InspectOgg(long_line);
    EXPECT_EQ(a.channels, 1);
    EXPECT_EQ(a.rate, 44100);
    EXPECT_GT(b.seconds, a.seconds + 1.0);
    // A line without any kana still makes a (short) valid file rather than failing.
    EXPECT_EQ(InspectOgg(demo::RenderVoice(U"……", 200, 3)).rate, 44100);
}

TEST(DemoScenes, ReplayTemplateAssemblesWithItsCaption) {
    const std::string text = demo::ReplaySceneText(150, 542, 9, "思い出の\"一枚\"\\");
    const ScenePayload payload = AssembleScene(text, "replay");
    ASSERT_FALSE(payload.code.empty());
    EXPECT_EQ(payload.code.back().opcode, static_cast<std::uint8_t>(Opcode::OP_END));
    const auto messages = payload.Block(SceneBlock::Messages).Texts();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(SjisToUtf8(messages[0]), "思い出の\"一枚\"\\");
    bool shows_picture = false;
    for (const ScriptInstruction& ins : payload.code) {
        shows_picture |= ins.opcode == static_cast<std::uint8_t>(Opcode::OP_BG) && ins.operand1 == 542;
    }
    EXPECT_TRUE(shows_picture);
}

TEST(DemoScenes, VoicedLinesAreCollectedOncePerName) {
    std::vector<demo::Scene> scenes;
    scenes.push_back({3, AssembleScene("message \"春香「ただいま」\", \"h1\"\n"
                                       "message \"ナレーション\"\n"
                                       "message \"湊「やあ」\", \"m1\"\n"
                                       "end\n",
                                       "a")});
    scenes.push_back({4, AssembleScene("message \"春香「別の文」\", \"h1\"\nend\n", "b")});
    const auto lines = demo::CollectVoicedLines(scenes);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].name, "h1");
    EXPECT_EQ(lines[0].speaker, U"春香");
    EXPECT_EQ(lines[0].text, U"春香「ただいま」");
    EXPECT_EQ(lines[1].name, "m1");
    EXPECT_EQ(lines[1].speaker, U"湊");
}

} // namespace
} // namespace hk
