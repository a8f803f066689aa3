// The headless platform's sound output: a virtual-time device that the platform's clock drives.
// The engine owns the device; the platform only keeps a pointer to it while it exists.
#include "platform/headless/headless_platform.h"

#include "platform/headless/virtual_audio_device.h"

namespace hk {

namespace {

class ClockDrivenAudio final : public AudioDevice {
public:
    ClockDrivenAudio(VirtualAudioDevice*& slot, const std::filesystem::path& wav) : m_slot(slot) {
        if (!wav.empty())
            m_device.SetWavOutput(wav);
        m_slot = &m_device;
    }
    ~ClockDrivenAudio() override { m_slot = nullptr; }

    bool Open() override { return m_device.Open(); }
    bool Opened() const override { return m_device.Opened(); }
    bool NotifiesOnOwnThread() const override { return m_device.NotifiesOnOwnThread(); }
    AudioResult CreateRing(const AudioFormat& format, std::uint32_t length, AudioRingListener* listener,
                           std::unique_ptr<AudioRing>& ring) override {
        return m_device.CreateRing(format, length, listener, ring);
    }
    std::string LastError() const override { return m_device.LastError(); }

private:
    VirtualAudioDevice m_device;
    VirtualAudioDevice*& m_slot;
};

} // namespace

std::unique_ptr<AudioDevice> HeadlessPlatform::CreateAudioDevice() {
    return std::make_unique<ClockDrivenAudio>(m_audio, m_wav_output);
}

void HeadlessPlatform::AdvanceAudio(std::uint32_t ms) {
    if (m_audio)
        m_audio->Advance(ms);
}

} // namespace hk
