#include "text_fixture.h"

namespace hk::test {

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
    ASSERT_TRUE(TheEngine().FrameTimerEnabled())
        << "the engine stopped: " << ::testing::PrintToString(Platform().TakeErrors());
    const auto before = Platform().TickCount();
    while (!TheEngine().PollFrameTimer()) {
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

void TextGame::Hold(Key key, std::uint32_t ms) {
    Platform().SetKeyDown(key, true);
    RunMs(ms);
    Platform().SetKeyDown(key, false);
    Tick();
}

Bitmap TextGame::WindowBackground() {
    Bitmap out;
    out.SetSize(800, 176);
    Message().MakeMessageBackground(out);
    return out;
}

bool TextGame::Differs(const Bitmap& a, int ax, int ay, const Bitmap& b, int bx, int by, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (a.GetColor(ax + x, ay + y) != b.GetColor(bx + x, by + y))
                return true;
    return false;
}

int TextGame::CountPixels(const Bitmap& s, int x, int y, int w, int h, const std::function<bool(Color)>& pred) {
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
