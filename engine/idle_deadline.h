// When the game next needs a frame tick if the player does nothing. A reading player spends most of
// the game at a finished message, a choice or a menu, where the next tick can only change something
// because of input or at a time the game already knows (the wait icon's next frame, the end of a
// timed wait, the automatic advance, the input lock running out). The window build sleeps in its
// event loop until then or until the next window event; the headless runner ignores this and
// ticks as always.
#pragma once

#include "core/task_codes.h"
#include "engine/host.h"

#include <array>
#include <cstdint>
#include <optional>

namespace hk {

struct IdleDeadline {
    // False: tick again as soon as the frame timer fires, as the game always did.
    bool may_sleep = false;
    // The tick count (Platform::TickCount) at which the next tick is due without input; none means
    // no time limit.
    std::optional<std::uint32_t> until;
    // Or after this many more firings of the 10 ms delay timer (at least 1), whichever is sooner.
    std::optional<std::uint32_t> delay_firings;
};

class Bitmap;
class InputState;
class MessageWindow;

// What the engine remembers of the ticks to tell whether the last one was quiet (no window event
// acted in it, no key or button counted, the pointer stayed where it was, and the task that ran is
// still the task), and of the wait icon, to tell when it next looks different.
class IdleWatch {
public:
    // After a tick that ran `task_run` (`task_at_start` before the window events, `task_now` after
    // it); `latched` when a click or the wheel was latched before the keys were sampled.
    void NoteTick(const InputState& input, bool latched, TaskCode task_at_start, TaskCode task_run, TaskCode task_now);
    bool Quiet() const { return m_quiet; }
    // The message window shows wait-icon frame `frame` (-1 = none) from `now`, on tick `tick`; the
    // icons are the second row of `parts`, the parts sheet numbered `parts_serial`.
    void NoteWaitIcon(int frame, std::uint32_t now, std::uint64_t tick, const Bitmap& parts,
                      std::uint64_t parts_serial);
    // For a message that waits to be read, at tick `tick` with the automatic advance after
    // `auto_delay_s` seconds: false when the next tick must come at once, otherwise true with the
    // wait icon's and the automatic advance's times kept in `deadline`.
    bool MessageWaitDeadline(const MessageWindow& message, int auto_delay_s, std::uint64_t tick,
                             IdleDeadline& deadline) const;

private:
    // Frames after frame `frame` (0..7) until the wait icon looks different, 0 for never.
    int WaitIconFramesUntilChange(int frame, const Bitmap& parts, std::uint64_t parts_serial);

    bool m_quiet = false;
    Point m_cursor_screen, m_cursor_main, m_cursor_float;
    // The tick on which the wait icon was last brought up to date, and when its frame runs out.
    std::uint64_t m_icon_tick = 0;
    std::optional<std::uint32_t> m_icon_frame_ends; // none: the icon will look the same for ever
    // For each of the icon's eight frames, how many frames later it first looks different (0:
    // never), worked out for the parts sheet numbered m_icon_changes_serial.
    std::array<std::uint8_t, 8> m_icon_changes_after{};
    std::uint64_t m_icon_changes_serial = ~std::uint64_t{0};
};

// The tick count at which the wait icon's frame shown at `now` runs out, and at which the frame
// `frames` (1..7) later than that one begins (the next frame's start when that would pass the
// wrap of the clock).
std::uint32_t WaitIconFrameEnd(std::uint32_t now);
std::uint32_t WaitIconFrameStart(std::uint32_t now, int frames);

} // namespace hk
