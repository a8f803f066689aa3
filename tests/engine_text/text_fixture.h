// Games for the message and choice tests: the interface pictures the message window needs
// (frame with mask, reveal rule, parts sheet with the wait icon and the floating artwork, the
// full-screen choice overlay) made here, scenes in the text form, and the engine played one tick
// at a time on the virtual clock.
#pragma once

#include "engine/message_layout.h"
#include "gfx/abitmap_text.h"
#include "gfx/png_writer.h"
#include "support/engine_fixture.h"

#include <functional>
#include <string>

namespace hk::test {

// Colours of the made-up pictures.
inline constexpr Color kIconKey = 0x00FF00FF;    // magenta: the icon cells' see-through colour
inline constexpr Color kIconInk = 0x0000FFFF;    // yellow square of the wait icon
inline constexpr Color kFloatKey = 0x0000FF00;   // lime around the floating artwork
inline constexpr Color kFloatPanel = 0x00203020; // the floating window's panel
inline constexpr int kBackground = 100;          // graphic number of the scene's background

// The 800 x 600 parts sheet: icon frame f is a 6 x 6 yellow square at (32f + 4 + 2f, 40) on
// magenta; the floating artwork at y 424..599 is a panel with a lime surround.
TABitmap MakePartsSheet();
// A picture of the given size with each pixel from fn(x, y).
TABitmap MakePicture(int width, int height, const std::function<Color(int, int)>& fn);
// The graphics archive: background 100, rule 7, frame 8 with its mask, overlay 9 with its mask,
// parts sheet 10.
ArchiveBuilder InterfaceGraphics();

class TextGame : public GameFixture {
protected:
    // Writes scene 1 (its text is followed by an idle loop) and the graphics, starts the engine
    // and runs the tick of TaskInit.
    void Play(const std::string& scene, int text_speed = 3);
    // Plays scene 1 with `messages` (UTF-8) as its messages, one after the other.
    void PlayMessages(const std::vector<std::string>& messages, int text_speed = 3);

    // One frame tick.
    void Tick();
    void Ticks(int n) {
        for (int i = 0; i < n; ++i)
            Tick();
    }
    // Ticks until the task is `code`; fails the test after max_ticks.
    void TickUntil(TaskCode code, int max_ticks = 2000);
    // Ticks until the clock has moved by at least ms.
    void RunMs(std::uint32_t ms);
    // A left click on the main window (or the floating one), taking effect on the next tick,
    // which this runs.
    void Click(Point p, WindowId window = WindowId::Main);
    // Key down for exactly one tick.
    void Press(Key key);
    void MovePointer(Point p, WindowId window = WindowId::Main) { Platform().MoveCursorToClient(window, p); }

    TaskCode Task() { return State().Task; }
    TABitmap& MainWindow() { return Platform().ClientSurface(WindowId::Main); }
    TABitmap& FloatWindow() { return Platform().ClientSurface(WindowId::Float); }
    std::int16_t Var1() { return State().Game.ScenarioVars[0]; }
    std::string LogText(int i) { return State().MsgLog[static_cast<std::size_t>(i)].Text; }
    // The message layout's background as the engine builds it now (scene strip and frame, or the
    // floating artwork).
    TABitmap WindowBackground();
    // Whether any pixel of the rectangle of `a` (at ax, ay) differs from `b` (at bx, by).
    static bool Differs(const TABitmap& a, int ax, int ay, const TABitmap& b, int bx, int by, int w, int h);
    static bool SameRect(const TABitmap& a, int ax, int ay, const TABitmap& b, int bx, int by, int w, int h) {
        return !Differs(a, ax, ay, b, bx, by, w, h);
    }
    // Counts pixels of the rectangle whose colour satisfies pred.
    static int CountPixels(const TABitmap& s, int x, int y, int w, int h, const std::function<bool(Color)>& pred);
    // Advance of one full-width character of the message font (height 24).
    static int MessageCharWidth();
};

} // namespace hk::test
