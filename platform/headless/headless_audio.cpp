// The headless platform's sound output: a virtual-time device that the platform's clock drives.
// The engine owns the device; the platform only keeps a pointer to it while it exists.
#include "platform/headless/headless_platform.h"

#include "platform/headless/virtual_audio_device.h"

namespace hk {

namespace {

class ClockDrivenAudio final : public AudioDevice {
public:
    enum class Presence { Present, Missing };

    // A missing device stands for a machine without a sound card: it never opens, and the sound
    // unit plays into its stand-in, which keeps the same virtual time but writes no WAV file.
    ClockDrivenAudio(VirtualAudioDevice*& slot, const std::filesystem::path& wav, Presence presence)
        : m_slot(slot), m_presence(presence) {
        if (!wav.empty() && presence == Presence::Present)
            m_device.SetWavOutput(wav);
    }
    ~ClockDrivenAudio() override {
        if (m_slot == &m_device)
            m_slot = nullptr;
    }

    bool Open() override {
        if (m_presence == Presence::Missing)
            return false;
        if (!m_device.Open())
            return false;
        m_slot = &m_device;
        return true;
    }
    bool Opened() const override { return m_device.Opened(); }
    bool NotifiesOnOwnThread() const override { return m_device.NotifiesOnOwnThread(); }
    AudioResult CreateRing(const AudioFormat& format, std::uint32_t length, AudioRingListener* listener,
                           std::unique_ptr<AudioRing>& ring) override {
        return m_device.CreateRing(format, length, listener, ring);
    }
    std::string LastError() const override {
        return m_presence == Presence::Missing ? "no audio device" : m_device.LastError();
    }
    std::unique_ptr<AudioDevice> CreateSilentStandIn() override {
        return std::make_unique<ClockDrivenAudio>(m_slot, std::filesystem::path(), Presence::Present);
    }

private:
    VirtualAudioDevice m_device;
    VirtualAudioDevice*& m_slot;
    Presence m_presence;
};

} // namespace

std::unique_ptr<AudioDevice> HeadlessPlatform::CreateAudioDevice() {
    return std::make_unique<ClockDrivenAudio>(m_audio, m_wav_output,
                                              m_audio_missing ? ClockDrivenAudio::Presence::Missing
                                                              : ClockDrivenAudio::Presence::Present);
}

void HeadlessPlatform::AdvanceAudio(std::uint32_t ms) {
    if (m_audio)
        m_audio->Advance(ms);
}

} // namespace hk
