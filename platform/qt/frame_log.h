// A record of the frames the main window really presents, for the performance benchmark
// (bench/game_perf.sh) and the window checks. It is off unless the environment variable
// HARUKAZE_FRAME_LOG names a file; then every paint of the main window appends one line
//     <wall-clock ms since the epoch> <tag> <frame ticks so far> <allocations so far or -1>
//     <CPU ms the process has used so far> <message number> <sleeps of the game loop so far>
// a line for each mouse button or key pressed on the main window, when it reaches the window
//     # input <wall-clock ms> button|key <sleeps of the game loop so far> <CPU ms so far>
// and every SIGUSR1 the process receives appends a sample of the counters without a paint
//     # sample <wall-clock ms> <frame ticks> <allocations or -1> <CPU ms> <allocations of the GUI
//       thread or -1> <of those, made while Qt handled events, or -1> <sleeps of the game loop>
// The tag and the message number are what the owner's functions return (the window build gives
// the task code and the number of the message in the scene's list, MsgNumber). The allocation
// counts come from a counting allocator the benchmark preloads, when there is one; those the GUI
// thread makes while Qt handles events (painting, the window system, menus) are counted apart, so
// that the game's own per tick can be told from Qt's.
#pragma once

#include <QObject>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>

namespace hk {

class QtPlatform;
class SignalWatch;

class FrameLog final : public QObject {
public:
    // nullptr when HARUKAZE_FRAME_LOG is not set; a file that cannot be opened is reported on
    // standard error and leaves the log off.
    static std::unique_ptr<FrameLog> FromEnvironment(QtPlatform& platform, std::function<std::uint32_t()> tag,
                                                     std::function<std::int32_t()> message);
    ~FrameLog() override;

    // Called once per frame tick by the loop that runs the ticks.
    void CountTick() { ++m_ticks; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FrameLog(QtPlatform& platform, std::FILE* file, std::function<std::uint32_t()> tag,
             std::function<std::int32_t()> message);
    void WriteSample();

    QtPlatform& m_platform;
    std::FILE* m_file;
    std::function<std::uint32_t()> m_tag;
    std::function<std::int32_t()> m_message;
    std::uint64_t m_ticks = 0;
    std::uint64_t (*m_alloc_count)() = nullptr;
    std::uint64_t (*m_thread_alloc_count)() = nullptr;
    std::unique_ptr<SignalWatch> m_sample_signal;
};

} // namespace hk
