// The gamepads of the window build, through SDL's game-controller API: every controller SDL knows,
// plugged in before the start or while the game runs, several at once, read through GamepadMap.
// Nothing here wakes the game while no pad is connected. With one, SDL is asked for news from the
// game loop's own wake-ups (PollIfDue, at most every 25 ms), and by a timer only when the loop
// has slept 100 ms without one; and for two seconds after the system's list of input devices
// changed (a pad being plugged in). The timer never ends the loop's sleep by itself (see
// DelayTimer::IgnoreTimerEventsOf): only the keys and actions it finds do.
// What the map reports is handed on from the event loop (queued), never from inside a poll.
#pragma once

#include "engine/input/gamepad_map.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <string>

class QSocketNotifier;
struct _SDL_GameController;
struct _SDL_Joystick;

namespace hk {

class GamepadInput final : public QObject {
public:
    static constexpr int kPollMs = 25;      // at most this often from the loop's wake-ups
    static constexpr int kFallbackMs = 100; // by the timer, while the loop sleeps
    static constexpr int kPlugWatchMs = 2000;

    GamepadInput();
    ~GamepadInput() override;
    GamepadInput(const GamepadInput&) = delete;
    GamepadInput& operator=(const GamepadInput&) = delete;

    std::function<void(Key key, bool down)> on_key;
    std::function<void(PadAction action)> on_action;

    // False when SDL's controller support could not start (the game then plays without pads).
    bool Available() const { return m_available; }
    std::size_t PadCount() const { return m_pads.size(); }
    const QObject* PollTimer() const { return &m_poll; }
    // Reads SDL's pending controller events into the map.
    void Poll();
    // Polls when a pad is connected and the last poll is kPollMs old: for the loop's wake-ups.
    void PollIfDue();

    // For tests of the window build: a virtual controller of SDL's own, driven by lines written to
    // the FIFO at `path`: "plug", "unplug", "button NAME down|up", "axis NAME VALUE" (names as
    // GamepadMap takes them; triggers 0..32767, sticks -32768..32767). False when the FIFO cannot
    // be opened.
    bool OpenVirtualPad(const std::string& path);

private:
    void Open(int device_index);
    void Close(int instance_id);
    void UpdateTimer();
    void ReadVirtualPad();
    void VirtualCommand(const std::string& line);

    bool m_available = false;
    bool m_polling = false;
    GamepadMap m_map;
    std::map<int, _SDL_GameController*> m_pads; // by SDL instance id
    QTimer m_poll;
    QFileSystemWatcher m_devices;
    qint64 m_watch_until = 0; // poll until then (steady ms) after the device list changed
    qint64 m_last_poll = 0;
    // The virtual pad.
    int m_fifo = -1;
    std::unique_ptr<QSocketNotifier> m_fifo_notifier;
    std::string m_fifo_buffer;
    _SDL_Joystick* m_virtual = nullptr;
    int m_virtual_index = -1;
};

} // namespace hk
