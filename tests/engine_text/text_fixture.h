// Games for the message and choice tests: the interface pictures the message window needs (from
// support/interface_graphics.h), scenes in the text form, and the engine played one tick at a time
// on the virtual clock.
#pragma once

#include "engine/message/message_layout.h"
#include "gfx/bitmap_text.h"
#include "gfx/png_writer.h"
#include "support/engine_fixture.h"
#include "support/interface_graphics.h"

#include <functional>
#include <string>

namespace hk::test {

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
    // Key down for `ms` of the clock, as a player holds it, then up for one tick.
    void Hold(Key key, std::uint32_t ms);
    void MovePointer(Point p, WindowId window = WindowId::Main) { Platform().MoveCursorToClient(window, p); }

    TaskCode Task() { return State().Task; }
    Bitmap& MainWindow() { return Platform().ClientSurface(WindowId::Main); }
    Bitmap& FloatWindow() { return Platform().ClientSurface(WindowId::Float); }
    std::int16_t Var1() { return State().Game.ScenarioVars[0]; }
    std::string LogText(int i) { return Message().MsgLog()[static_cast<std::size_t>(i)].Text; }
    // The message layout's background as the engine builds it now (scene strip and frame, or the
    // floating artwork).
    Bitmap WindowBackground();
    // Whether any pixel of the rectangle of `a` (at ax, ay) differs from `b` (at bx, by).
    static bool Differs(const Bitmap& a, int ax, int ay, const Bitmap& b, int bx, int by, int w, int h);
    static bool SameRect(const Bitmap& a, int ax, int ay, const Bitmap& b, int bx, int by, int w, int h) {
        return !Differs(a, ax, ay, b, bx, by, w, h);
    }
    // Counts pixels of the rectangle whose colour satisfies pred.
    static int CountPixels(const Bitmap& s, int x, int y, int w, int h, const std::function<bool(Color)>& pred);
    // Advance of one full-width character of the message font (height 24).
    static int MessageCharWidth();
};

} // namespace hk::test
