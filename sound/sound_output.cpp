#include "sound/sound_output.h"

#include "sound/silent_audio_device.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>

namespace hk {

namespace {

std::filesystem::path DefaultLogPath() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path dir = ec ? std::filesystem::current_path(ec) : exe.parent_path();
    return dir / "DDSD_DebugLog.txt";
}

constexpr std::array<std::uint8_t, 4096> kSilence{};

} // namespace

void SoundOutput::SetDebugLogPath(const std::filesystem::path& path) {
    std::lock_guard lock(m_log_mutex);
    m_log_path = path;
    m_log_started = false;
    m_log_number = 0;
}

void SoundOutput::DebugLog(std::string_view message) {
    const SoundOutputDebugFlags options = DebugOption();
    if (options & kDebugMessage) {
        std::lock_guard lock(m_log_mutex);
        if (m_log_path.empty()) {
            m_log_path = DefaultLogPath();
        }
        // The first message of a run starts the file afresh; later ones append.
        std::ofstream log(m_log_path, m_log_started ? std::ios::app : std::ios::trunc);
        m_log_started = true;
        char number[32];
        std::snprintf(number, sizeof number, "debug#%.5d ... ", ++m_log_number);
        log << number << message << '\n';
    }
    if (options & kExceptOnError) {
        throw SoundOutputError(std::string(message));
    }
}

SoundOutput::SoundOutput(AudioDevice* device) : m_device(device) {}

SoundOutput::~SoundOutput() = default;

void SoundOutput::SetErrorHandler(std::function<void(const std::string&)> handler) {
    std::lock_guard lock(m_error_mutex);
    m_on_error = std::move(handler);
}

void SoundOutput::Initialize() {
    m_channels.clear();
    for (int i = 0; i < kChannelCount; ++i) {
        m_channels.push_back(std::make_unique<SoundOutputChannel>(*this));
    }
    m_initialized.store(false, std::memory_order_release);
    m_output = m_device;
    if (!m_device || !m_device->Open()) {
        // No output: the game runs silent, but its rings are still played (into nothing) at a
        // device's pace. Each sound then ends when it would have been heard out, so what waits for
        // a sound (the automatic advance waits for the voice) keeps the timing it has with sound.
        m_stand_in = m_device ? m_device->CreateSilentStandIn() : nullptr;
        if (!m_stand_in)
            m_stand_in = std::make_unique<SilentAudioDevice>();
        if (!m_stand_in->Open()) {
            m_output = nullptr;
            return;
        }
        m_output = m_stand_in.get();
    }
    m_initialized.store(true, std::memory_order_release);
}

SoundOutputChannel* SoundOutput::Channels(int index) {
    if (index < 0 || index >= static_cast<int>(m_channels.size())) {
        char message[256];
        std::snprintf(message, sizeof message, "チャンネル番号%dは無効です、%d～%dの範囲で指定してください", index, 0,
                      kChannelCount - 1);
        DebugLog(message);
        if (DebugOption() & kHaltOnError) {
            Halt(message);
        }
        return nullptr;
    }
    return m_channels[static_cast<std::size_t>(index)].get();
}

bool SoundOutput::CheckResult(AudioResult result, std::string_view text) {
    if (result == kAudioOk) {
        return true;
    }
    char code[40];
    std::snprintf(code, sizeof code, "(Error Code(%X))", static_cast<unsigned>(result));
    const std::string message = std::string(text) + code;
    DebugLog(message);
    if (DebugOption() & kHaltOnError) {
        Halt(message);
    }
    return false;
}

void SoundOutput::Halt(const std::string& message) {
    // The unit falls silent: no further buffer is created, and the refills write silence.
    m_initialized.store(false, std::memory_order_release);
    std::string text = message;
    if (m_output) {
        const std::string detail = m_output->LastError();
        if (!detail.empty()) {
            text += "\n" + detail;
        }
    }
    std::lock_guard lock(m_error_mutex);
    if (m_on_error) {
        m_on_error(text);
    } else {
        std::fprintf(stderr, "sound: %s\n", text.c_str());
    }
}

// ---------------------------------------------------------------------------------------------

SoundOutputChannel::~SoundOutputChannel() {
    if (m_wave) {
        if (m_wave->m_ring) {
            m_wave->m_ring->Stop();
        }
        m_wave->m_channel = nullptr;
    }
}

void SoundOutputChannel::SetWaveData(StreamBufferBase* wave) {
    if (!m_owner.Initialized()) {
        return;
    }
    if (m_wave) {
        if (m_wave == wave) {
            return;
        }
        if (m_wave->m_ring) {
            m_wave->m_ring->Stop();
        }
        m_wave->m_channel = nullptr;
        m_wave = nullptr;
    }
    if (!wave) {
        return;
    }
    if (wave->m_channel) {
        wave->m_channel->m_wave = nullptr;
    }
    m_wave = wave;
    wave->m_channel = this;
}

void SoundOutputChannel::Play() {
    if (m_owner.Initialized() && m_wave && m_wave->m_ring) {
        m_wave->m_ring->Play();
    }
}

void SoundOutputChannel::Stop() {
    if (m_owner.Initialized() && m_wave && m_wave->m_ring) {
        m_wave->m_ring->Stop();
    }
}

bool SoundOutputChannel::Playing() const {
    return m_wave && m_wave->m_ring && m_wave->m_ring->Playing();
}

// ---------------------------------------------------------------------------------------------

StreamNotifyThread::StreamNotifyThread(std::function<void(AudioNotify)> handler)
    : m_handler(std::move(handler)), m_thread(&StreamNotifyThread::Run, this) {}

StreamNotifyThread::~StreamNotifyThread() {
    Stop();
}

void StreamNotifyThread::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_terminate = true;
    }
    m_cv.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void StreamNotifyThread::Signal(AudioNotify what) {
    {
        std::lock_guard lock(m_mutex);
        m_events |= 1u << static_cast<unsigned>(what);
    }
    m_cv.notify_one();
}

void StreamNotifyThread::Run() {
    for (;;) {
        AudioNotify what;
        {
            std::unique_lock lock(m_mutex);
            m_cv.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_terminate || m_events != 0; });
            if (m_terminate) {
                return;
            }
            if (m_events == 0) {
                continue; // time-out: only the end request matters
            }
            // Like waiting on several auto-reset events: the lowest signalled one wins and resets.
            unsigned bit = 0;
            while (!(m_events & (1u << bit))) {
                ++bit;
            }
            m_events &= ~(1u << bit);
            what = static_cast<AudioNotify>(bit);
        }
        m_handler(what);
    }
}

StreamBufferBase::StreamBufferBase(SoundOutput& owner, std::uint32_t rate, std::uint32_t bits, bool stereo,
                                   std::uint32_t length)
    : m_owner(owner), m_format{rate, static_cast<std::uint16_t>(stereo ? 2 : 1), static_cast<std::uint16_t>(bits)},
      m_length(length) {}

StreamBufferBase::~StreamBufferBase() {
    if (m_channel) {
        m_channel->m_wave = nullptr;
    }
}

void StreamBufferBase::WriteBlock(std::uint32_t offset, const void* source, std::uint32_t length) {
    if (!m_owner.Initialized() || !m_ring) {
        return;
    }
    m_owner.CheckResult(m_ring->Write(offset, source, length), "DirectSoundBufferのロックに失敗しました");
}

StreamBuffer::StreamBuffer(SoundOutput& owner, std::uint32_t rate, std::uint32_t bits, bool stereo,
                           std::uint32_t length, bool /*effects*/)
    : StreamBufferBase(owner, rate, bits, stereo, length), m_half(length / 2) {
    if (!owner.Initialized()) {
        return;
    }
    AudioDevice* device = owner.Device();
    m_threaded = device->NotifiesOnOwnThread();
    std::unique_ptr<AudioRing> ring;
    if (!owner.CheckResult(device->CreateRing(m_format, length, this, ring), "サウンドバッファの作成に失敗しました")) {
        return;
    }
    m_ring = std::move(ring);
    if (m_threaded) {
        m_worker = std::make_unique<StreamNotifyThread>([this](AudioNotify what) { RunProtected(what); });
    }
}

StreamBuffer::~StreamBuffer() {
    if (m_channel) {
        m_channel->m_wave = nullptr;
        m_channel = nullptr;
    }
    if (m_ring) {
        m_ring->Stop();
    }
    // No refill may run once the ring is gone, and a render pass still in progress may raise one
    // last notification: end the worker first, keep its events until the ring is released.
    if (m_worker) {
        m_worker->Stop();
    }
    m_ring.reset();
    m_worker.reset();
}

void StreamBuffer::SetOnRefill(RefillHandler handler) {
    std::lock_guard lock(m_refill_mutex);
    m_on_refill = std::move(handler);
}

void StreamBuffer::OnAudioNotify(AudioNotify what) {
    if (m_threaded) {
        m_worker->Signal(what);
    } else {
        RunProtected(what);
    }
}

void StreamBuffer::RunProtected(AudioNotify what) {
    try {
        HandleNotify(what);
    } catch (const std::exception& e) {
        m_owner.Halt(e.what());
    }
}

void StreamBuffer::HandleNotify(AudioNotify what) {
    switch (what) {
    case AudioNotify::ReachedStart:
        if (m_expected != Expected::First) {
            break;
        }
        if (m_ring->WriteCursor() <= m_half) {
            // Playback is in the first half, so the second half is free.
            Refill(m_half, m_length - m_half);
            m_owner.DebugLog("バッファ更新イベント送信");
        }
        // Woken so late that playback is already in the second half: that half cannot be written
        // any more, but the first one is due at the half notification that follows, so it is
        // not skipped as well.
        m_expected = Expected::Second;
        break;
    case AudioNotify::ReachedHalf:
        if (m_ring->WriteCursor() >= m_half && m_expected == Expected::Second) {
            Refill(0, m_half);
            m_expected = Expected::First;
            m_owner.DebugLog("バッファ更新イベント送信");
        }
        break;
    case AudioNotify::Stopped: m_expected = Expected::First; break;
    }
}

void StreamBuffer::Refill(std::uint32_t offset, std::uint32_t length) {
    if (!m_owner.Initialized()) {
        // A halted unit plays silence rather than the last blocks over and over.
        for (std::uint32_t done = 0; done < length; done += kSilence.size()) {
            const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(kSilence.size(), length - done));
            m_ring->Write(offset + done, kSilence.data(), n);
        }
        return;
    }
    std::lock_guard lock(m_refill_mutex);
    if (m_on_refill) {
        m_on_refill(offset, length);
    }
}

} // namespace hk
