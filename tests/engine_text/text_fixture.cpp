#include "text_fixture.h"

namespace hk::test {

TABitmap MakePicture(int width, int height, const std::function<Color(int, int)>& fn) {
    TABitmap picture;
    picture.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.FillRect(x, y, 1, 1, fn(x, y));
    return picture;
}

TABitmap MakePartsSheet() {
    return MakePicture(800, 600, [](int x, int y) -> Color {
        if (y >= 424) {
            const bool panel = x >= 12 && x < 788 && y >= 424 + 12 && y < 600 - 8;
            return panel ? kFloatPanel : kFloatKey;
        }
        if (y >= 32 && y < 64 && x < 256) {
            const int f = x / 32;
            const int sx = 32 * f + 4 + 2 * f;
            return x >= sx && x < sx + 6 && y >= 40 && y < 46 ? kIconInk : kIconKey;
        }
        return 0x00808080;
    });
}

ArchiveBuilder InterfaceGraphics() {
    ArchiveBuilder grp;
    // A scene with some structure: blue to orange from left to right, darker towards the bottom.
    const TABitmap background = MakePicture(800, 600, [](int x, int y) {
        const int shade = 255 - y / 4;
        return MakeColor(x * shade / 800, 96 * shade / 255, (800 - x) * shade / 800);
    });
    grp.Add(kBackground, 12, EncodePng(background));
    // The reveal runs from left to right.
    grp.Add(7, 12, EncodePng(MakePicture(800, 176, [](int x, int) {
                const int grey = x * 255 / 799;
                return MakeColor(grey, grey, grey);
            })));
    // Frame: clear above y 8, an opaque light border, a half-clear dark inside.
    const TABitmap frame = MakePicture(800, 176, [](int x, int y) -> Color {
        const bool border = x < 8 || x >= 792 || y < 16 || y >= 168;
        return border ? 0x00E0D0C0 : 0x00401808;
    });
    const TABitmap frame_mask = MakePicture(800, 176, [](int x, int y) -> Color {
        if (y < 8)
            return kBlack;
        const bool border = x < 8 || x >= 792 || y < 16 || y >= 168;
        return border ? kWhite : 0x00808080;
    });
    grp.Add(8, 12, EncodePng(frame), 12, EncodePng(frame_mask));
    // The full-screen choice overlay: a dark veil, darker in the middle band.
    const TABitmap veil = MakePicture(800, 600, [](int, int) { return 0x00100404; });
    const TABitmap veil_mask =
        MakePicture(800, 600, [](int x, int) { return x >= 100 && x < 700 ? 0x00A0A0A0 : 0x00404040; });
    grp.Add(9, 12, EncodePng(veil), 12, EncodePng(veil_mask));
    grp.Add(10, 12, EncodePng(MakePartsSheet()));
    return grp;
}

void TextGame::Play(const std::string& scene, int text_speed) {
    const std::string text = "    bg 100\n    effect 2\n" + scene + "idle:\n    wait 0\n    jump idle\n";
    WriteArchives(ScenarioArchive({{1, text}}), InterfaceGraphics());
    Start();
    State().System.TextSpeed = text_speed;
    Tick(); // TaskInit
}

void TextGame::PlayMessages(const std::vector<std::string>& messages, int text_speed) {
    std::string scene;
    for (const std::string& m : messages)
        scene += "    message \"" + m + "\"\n";
    Play(scene, text_speed);
}

void TextGame::Tick() {
    ASSERT_TRUE(Form().FrameTimerEnabled())
        << "the engine stopped: " << ::testing::PrintToString(Platform().TakeErrors());
    const auto before = Platform().TickCount();
    while (!Form().PollFrameTimer()) {
        Platform().AdvanceClock(1);
        ASSERT_LT(Platform().TickCount() - before, 100u) << "the frame timer never fired";
    }
}

void TextGame::TickUntil(TaskCode code, int max_ticks) {
    for (int i = 0; i < max_ticks && Task() != code; ++i)
        Tick();
    ASSERT_EQ(Task(), code) << "after " << max_ticks << " ticks";
}

void TextGame::RunMs(std::uint32_t ms) {
    const auto start = Platform().TickCount();
    while (Platform().TickCount() - start < ms)
        Tick();
}

void TextGame::Click(Point p, WindowId window) {
    MovePointer(p, window);
    Platform().QueueMouseDown(window, MouseButton::Left, p);
    Tick();
}

void TextGame::Press(Key key) {
    Platform().SetKeyDown(key, true);
    Tick();
    Platform().SetKeyDown(key, false);
}

TABitmap TextGame::WindowBackground() {
    TABitmap out;
    out.SetSize(800, 176);
    Form().MakeMessageBackground(out);
    return out;
}

bool TextGame::Differs(const TABitmap& a, int ax, int ay, const TABitmap& b, int bx, int by, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (a.GetColor(ax + x, ay + y) != b.GetColor(bx + x, by + y))
                return true;
    return false;
}

int TextGame::CountPixels(const TABitmap& s, int x, int y, int w, int h, const std::function<bool(Color)>& pred) {
    int n = 0;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            n += pred(s.GetColor(x + i, y + j)) ? 1 : 0;
    return n;
}

int TextGame::MessageCharWidth() {
    Font font;
    font.height = 24;
    return TextExtent(font, std::u32string_view(U"あ")).cx;
}

} // namespace hk::test
