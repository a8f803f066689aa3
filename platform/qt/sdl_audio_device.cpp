#define SDL_MAIN_HANDLED
#include "platform/qt/sdl_audio_device.h"

#include <SDL.h>

namespace hk {

namespace {

// SDL's audio, without SDL's own SIGINT/SIGTERM handlers: they would turn a stop signal into an
// SDL event nobody reads (and, installed from the start-up thread, could replace the game's own).
bool StartSdlAudio() {
    SDL_SetMainReady();
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

} // namespace

SdlAudioDevice::SdlAudioDevice() = default;

SdlAudioDevice::~SdlAudioDevice() {
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);
    }
    if (m_subsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool SdlAudioDevice::Open() {
    if (m_device != 0) {
        return true;
    }
    if (!m_subsystem) {
        if (!StartSdlAudio()) {
            m_error = std::string("SDL audio: ") + SDL_GetError();
            return false;
        }
        m_subsystem = true;
    }
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(kFormat.rate);
    want.format = AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(kFormat.channels);
    want.samples = 1024; // about 23 ms per callback
    want.callback = &SdlAudioDevice::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware wants.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (m_device == 0) {
        m_error = std::string("SDL audio: ") + SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystem = false;
        return false;
    }
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

AudioResult SdlAudioDevice::CreateRing(const AudioFormat& format, std::uint32_t length, AudioRingListener* listener,
                                       std::unique_ptr<AudioRing>& ring) {
    if (m_device == 0) {
        return kAudioNotOpen;
    }
    if (!(format == kFormat) || length == 0 || length % 8 != 0) {
        m_error = "SDL audio: only 16-bit stereo 44,100 Hz rings of whole frames are played";
        return kAudioInvalidArg;
    }
    ring = m_mixer->CreateRing(length, listener);
    return kAudioOk;
}

SdlAudioWarmUp::SdlAudioWarmUp() {
    m_started = StartSdlAudio();
}

SdlAudioWarmUp::~SdlAudioWarmUp() {
    if (m_started)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioDevice::Callback(void* userdata, std::uint8_t* stream, int length) {
    static_cast<SdlAudioDevice*>(userdata)->m_mixer->Render(stream, static_cast<std::size_t>(length));
}

} // namespace hk
