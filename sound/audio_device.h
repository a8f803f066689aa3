// The sound output device the platform provides: the SDL2 audio subsystem in the window build, a
// virtual-time device in the headless one. The sound unit (sound_output.h) plays one looping ring of
// 16-bit PCM through it and refills each half when the device says playback has reached the
// other one. The device knows nothing about Ogg, mixing or the engine.
//
// Threads: Open, CreateRing, Play and Stop are called on the GUI thread. Write and WriteCursor
// may be called from any thread. Notifications arrive on the device's own thread when
// NotifiesOnOwnThread() is true (SDL: the audio callback), otherwise synchronously on the
// thread that drives the device (headless: the tick thread, inside its clock advance).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace hk {

// Result of a device call: 0 is success, anything else a failure code shown in error texts.
using AudioResult = std::uint32_t;
inline constexpr AudioResult kAudioOk = 0;
inline constexpr AudioResult kAudioFail = 0x80004005;       // the device refused the call
inline constexpr AudioResult kAudioInvalidArg = 0x80070057; // offset, length or format out of range
inline constexpr AudioResult kAudioNotOpen = 0x88780032;    // the device was never opened

struct AudioFormat {
    std::uint32_t rate = 44100;
    std::uint16_t channels = 2;
    std::uint16_t bits = 16;

    std::uint32_t BlockAlign() const { return channels * bits / 8u; }
    std::uint32_t BytesPerSecond() const { return rate * BlockAlign(); }
    friend bool operator==(const AudioFormat&, const AudioFormat&) = default;
};

// The points of a ring that raise a notification.
enum class AudioNotify : std::uint8_t {
    ReachedStart = 0, // playback reached offset 0 (also when it starts there)
    ReachedHalf = 1,  // playback reached offset length / 2
    Stopped = 2,      // playback stopped
};

class AudioRingListener {
public:
    // Called on the device's thread or on the thread driving the device (see the top of the
    // file); must not block for long and must not destroy the ring.
    virtual void OnAudioNotify(AudioNotify what) = 0;

protected:
    ~AudioRingListener() = default;
};

// A looping buffer of PCM that the device plays. Destroying it stops it; once the destructor
// has returned the device neither reads it nor raises its notifications.
class AudioRing {
public:
    virtual ~AudioRing() = default;

    // Any thread. Copies len bytes to offset, wrapping at the end; both must lie in the ring.
    virtual AudioResult Write(std::uint32_t offset, const void* source, std::uint32_t length) = 0;
    // Any thread. The offset of the next byte the device will take; bytes before it (back to the
    // last notification point) are already on their way out and may be overwritten.
    virtual std::uint32_t WriteCursor() const = 0;

    // GUI thread. Plays from offset 0, looping; ReachedStart is raised as playback begins.
    virtual AudioResult Play() = 0;
    // GUI thread. Stops playing and raises Stopped.
    virtual AudioResult Stop() = 0;
    virtual bool Playing() const = 0;
};

class AudioDevice {
public:
    virtual ~AudioDevice() = default;

    // GUI thread. Opens the default output for 16-bit stereo at 44,100 Hz. False means there is
    // no usable output: the game runs silent, and nothing but CreateSilentStandIn is asked of the
    // device from then on.
    virtual bool Open() = 0;
    virtual bool Opened() const = 0;

    // True when notifications come from a thread of the device, so the caller needs a worker to
    // answer them; false when they are raised synchronously by whoever drives the device.
    virtual bool NotifiesOnOwnThread() const = 0;

    // GUI thread. Creates a stopped ring of `length` bytes (a multiple of 2 frames) in `format`,
    // filled with silence. The listener must outlive the ring.
    virtual AudioResult CreateRing(const AudioFormat& format, std::uint32_t length, AudioRingListener* listener,
                                   std::unique_ptr<AudioRing>& ring) = 0;

    // A line about the last failure, for error reports (empty when there is nothing to add).
    virtual std::string LastError() const { return {}; }

    // GUI thread, after Open failed: a device that plays the rings into nothing at the pace this
    // one keeps (a virtual clock, say), so that sounds still end when they would have. nullptr, the
    // default, lets the sound unit pace them by the real clock.
    virtual std::unique_ptr<AudioDevice> CreateSilentStandIn() { return nullptr; }
};

} // namespace hk
