// The sound output unit: SoundOutput (one per main window), its channels SoundOutputChannel, and the streaming
// output buffer StreamBuffer whose notify worker hands each free half of the looping ring to the
// engine's refill handler. The platform's AudioDevice plays the ring; all game sound reaches it as
// this one stream. No device, or one that does not open, means a silent game and no error: the
// ring is then played into nothing by a stand-in that keeps a device's pace (silent_audio_device.h),
// so that every sound still ends in its time.
//
// Threads: everything here runs on the GUI thread except the refill protocol: with a device that
// notifies from its own thread, a StreamNotifyThread waits for the notifications and runs
// OnRefill and WriteBlock; with the headless device the notifications, and so the refills,
// arrive synchronously on the thread that advances the device's clock, and there is no worker.
//
// Failures of the device go through CheckResult. The engine's option is kHaltOnError alone;
// rather than ending the process without a word, a halt hands the message to the error handler
// the engine installs and leaves the unit silent.
#pragma once

#include "sound/audio_device.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace hk {

enum SoundOutputDebugFlag : std::uint32_t {
    kHaltOnError = 1,   // a failure stops the unit (reported to the error handler)
    kDebugMessage = 2,  // every message is appended to "DDSD_DebugLog.txt"
    kExceptOnError = 4, // every message raises SoundOutputError
};
using SoundOutputDebugFlags = std::uint32_t;

class SoundOutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SoundOutput;
class SoundOutputChannel;

// The worker of a streaming buffer: waits (at most 100 ms at a time, so that an end request is
// seen soon) for the three auto-reset events A (offset 0), B (half) and C (stop), and runs the
// handler for each, the lowest event first when several are set.
class StreamNotifyThread {
public:
    // GUI thread. Starts the thread at once.
    explicit StreamNotifyThread(std::function<void(AudioNotify)> handler);
    // GUI thread. Ends the thread as Stop does.
    ~StreamNotifyThread();
    StreamNotifyThread(const StreamNotifyThread&) = delete;
    StreamNotifyThread& operator=(const StreamNotifyThread&) = delete;

    // Any thread (the device's): sets the event. Harmless after Stop.
    void Signal(AudioNotify what);
    // GUI thread. Tells the thread to end and waits for it; the events stay usable.
    void Stop();

private:
    void Run();

    std::function<void(AudioNotify)> m_handler;
    std::mutex m_mutex; // guards m_events and m_terminate
    std::condition_variable m_cv;
    unsigned m_events = 0; // bit n: event AudioNotify(n) is set
    bool m_terminate = false;
    std::thread m_thread;
};

// The streaming output buffer with its looping ring, its notifications and its worker.
class StreamBufferBase {
public:
    virtual ~StreamBufferBase();
    StreamBufferBase(const StreamBufferBase&) = delete;
    StreamBufferBase& operator=(const StreamBufferBase&) = delete;

    // --- Called from the GUI thread ---
    const AudioFormat& Format() const { return m_format; }
    std::uint32_t Length() const { return m_length; }
    // Whether the device gave this wave a ring (false in a silent game).
    bool HasBuffer() const { return m_ring != nullptr; }

    // --- Called from the worker thread (inside OnRefill), or any thread ---
    // Copies `length` bytes into the ring at `offset`, wrapping at its end.
    void WriteBlock(std::uint32_t offset, const void* source, std::uint32_t length);

protected:
    StreamBufferBase(SoundOutput& owner, std::uint32_t rate, std::uint32_t bits, bool stereo, std::uint32_t length);

    friend class SoundOutputChannel;
    SoundOutput& m_owner;
    AudioFormat m_format;
    std::uint32_t m_length;
    std::unique_ptr<AudioRing> m_ring;
    SoundOutputChannel* m_channel = nullptr; // GUI thread
};

class StreamBuffer final : public StreamBufferBase, private AudioRingListener {
public:
    // offset and length in bytes of the half to fill
    using RefillHandler = std::function<void(std::uint32_t offset, std::uint32_t length)>;

    // --- Called from the GUI thread ---

    // The engine passes its SoundOutput, 44,100, 16, true, 163,840 and false. The effects flag asks for
    // an effects-capable buffer, which plays the same here. Starts the worker at once when the
    // device notifies from its own thread.
    StreamBuffer(SoundOutput& owner, std::uint32_t rate, std::uint32_t bits, bool stereo, std::uint32_t length,
                 bool effects = false);
    // Stops the ring, ends the worker and waits for it, then releases the ring.
    ~StreamBuffer() override;

    // The handler runs on the worker (or the device-driving thread); assigning it while refills
    // run is safe.
    void SetOnRefill(RefillHandler handler);
    std::uint32_t Half() const { return m_half; }
    // Whether a worker thread answers the notifications.
    bool HasWorker() const { return m_worker != nullptr; }

private:
    enum class Expected { First, Second };

    // --- Called from the device's thread, or the thread driving the device ---
    void OnAudioNotify(AudioNotify what) override;

    // --- Called from the worker thread (or the device-driving thread without a worker) ---
    // The refill protocol: one notification, on the worker or the device-driving thread.
    void HandleNotify(AudioNotify what);
    // HandleNotify with any failure turned into a halt of the unit.
    void RunProtected(AudioNotify what);
    void Refill(std::uint32_t offset, std::uint32_t length);

    std::uint32_t m_half;
    bool m_threaded = false; // set before the ring exists, read by the device thread
    Expected m_expected = Expected::First;
    std::mutex m_refill_mutex; // guards m_on_refill
    RefillHandler m_on_refill;
    std::unique_ptr<StreamNotifyThread> m_worker;
};

class SoundOutputChannel {
public:
    explicit SoundOutputChannel(SoundOutput& owner) : m_owner(owner) {}
    ~SoundOutputChannel();
    SoundOutputChannel(const SoundOutputChannel&) = delete;
    SoundOutputChannel& operator=(const SoundOutputChannel&) = delete;

    // --- Called from the GUI thread ---
    // Attaches a streaming buffer (nullptr detaches); a different buffer playing here is stopped.
    void SetWaveData(StreamBufferBase* wave);
    StreamBufferBase* WaveData() const { return m_wave; }
    // Plays the attached buffer from offset 0, looping.
    void Play();
    void Stop();
    bool Playing() const;

private:
    friend class StreamBufferBase;
    friend class StreamBuffer;
    SoundOutput& m_owner;
    StreamBufferBase* m_wave = nullptr;
};

class SoundOutput {
public:
    // `device` may be null (no sound); it must outlive this object and its waves.
    static constexpr int kChannelCount = 8;

    explicit SoundOutput(AudioDevice* device);
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // --- Called from the GUI thread ---

    // Receives the text of a failure that halts the unit. It may be called on the worker thread
    // or inside the headless device's clock advance, so it should only pass the text on (never
    // free sound objects from there).
    void SetErrorHandler(std::function<void(const std::string&)> handler);

    // Builds the kChannelCount channels and opens the device. Without a device, or when it does
    // not open, the unit plays on a silent stand-in: the device's own (CreateSilentStandIn), else
    // one paced by the real clock.
    void Initialize();
    bool Initialized() const { return m_initialized.load(std::memory_order_acquire); }
    // The channel, or nullptr (after the message) for an index outside 0..kChannelCount-1.
    SoundOutputChannel* Channels(int index);
    // The device the rings play on: the platform's, or the silent stand-in; nullptr before
    // Initialize.
    AudioDevice* Device() const { return m_output; }
    // Whether the rings play into nothing because the platform's device did not open.
    bool Silent() const { return m_output && m_output == m_stand_in.get(); }

    // --- Called from any thread ---

    // The unit's message channel: what a failure does, and the optional log.
    SoundOutputDebugFlags DebugOption() const { return m_debug_option.load(std::memory_order_relaxed); }
    void SetDebugOption(SoundOutputDebugFlags options) { m_debug_option.store(options, std::memory_order_relaxed); }
    // Logs under kDebugMessage (one line "debug#%.5d ... %s"), then raises SoundOutputError under
    // kExceptOnError.
    void DebugLog(std::string_view message);
    // Where the log goes: "DDSD_DebugLog.txt" beside the program unless set otherwise.
    void SetDebugLogPath(const std::filesystem::path& path);

    // 0 is success; otherwise logs text + "(Error Code(%X))" and, under kHaltOnError, reports it
    // and silences the unit. Answers whether the result was a success.
    bool CheckResult(AudioResult result, std::string_view text);

private:
    friend class StreamBuffer;
    void Halt(const std::string& message);

    AudioDevice* m_device;
    std::unique_ptr<AudioDevice> m_stand_in; // outlives the channels, which stop its rings
    AudioDevice* m_output = nullptr;         // m_device or m_stand_in
    std::vector<std::unique_ptr<SoundOutputChannel>> m_channels;
    std::atomic<bool> m_initialized{false};
    std::mutex m_error_mutex; // guards m_on_error
    std::function<void(const std::string&)> m_on_error;
    std::atomic<SoundOutputDebugFlags> m_debug_option{kHaltOnError};
    std::mutex m_log_mutex; // guards the three below
    std::filesystem::path m_log_path;
    bool m_log_started = false;
    int m_log_number = 0;
};

} // namespace hk
