// The window build's sound output: the SDL2 audio subsystem (PipeWire, PulseAudio, ALSA, or the
// dummy and disk drivers in tests), opened once for 16-bit stereo at 44,100 Hz. SDL's callback
// pulls from the rings and raises their notifications on SDL's audio thread, so the sound unit
// answers them with its worker thread. Only the audio subsystem is initialised; Qt owns main().
//
// Threads: Open, CreateRing and destruction on the GUI thread; the callback on SDL's thread.
#pragma once

#include "sound/audio_device.h"
#include "sound/audio_ring.h"

#include <cstdint>
#include <memory>
#include <string>

namespace hk {

class SdlAudioDevice final : public AudioDevice {
public:
    static constexpr AudioFormat kFormat{44100, 2, 16};

    SdlAudioDevice();
    // Closes the device (waiting for a callback in progress) and shuts the audio subsystem down.
    ~SdlAudioDevice() override;

    // False, with LastError telling why, when no driver or device opens: the game runs silent.
    bool Open() override;
    bool Opened() const override { return m_device != 0; }
    bool NotifiesOnOwnThread() const override { return true; }
    AudioResult CreateRing(const AudioFormat& format, std::uint32_t length, AudioRingListener* listener,
                           std::unique_ptr<AudioRing>& ring) override;
    std::string LastError() const override { return m_error; }

private:
    static void Callback(void* userdata, std::uint8_t* stream, int length);

    std::shared_ptr<AudioRingMixer> m_mixer = std::make_shared<AudioRingMixer>();
    bool m_subsystem = false;
    std::uint32_t m_device = 0;
    std::string m_error;
};

// Starts SDL's audio subsystem ahead of the device, on any thread before the device is opened
// (choosing a driver, and asking the sound server and the session bus, can take a while), and
// shuts it down when it goes; a device opened meanwhile shares it. Making one that fails changes
// nothing: the device then reports the failure when it opens.
class SdlAudioWarmUp {
public:
    SdlAudioWarmUp();
    ~SdlAudioWarmUp();
    SdlAudioWarmUp(const SdlAudioWarmUp&) = delete;
    SdlAudioWarmUp& operator=(const SdlAudioWarmUp&) = delete;

private:
    bool m_started = false;
};

} // namespace hk
