// Audio devices for the sound tests. ScriptedDevice lets a test place the write cursor and raise
// each notification by hand; ThreadedDevice plays its rings on a thread of its own, as the SDL
// device does, as fast as the machine allows, and keeps everything it played.
#pragma once

#include "sound/audio_device.h"
#include "sound/audio_ring.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace hk::test {

class ScriptedRing final : public AudioRing {
public:
    ScriptedRing(std::uint32_t length, AudioRingListener* listener) : data(length), m_listener(listener) {}

    AudioResult Write(std::uint32_t offset, const void* source, std::uint32_t length) override {
        if (offset >= data.size() || length > data.size()) {
            return kAudioInvalidArg;
        }
        writes.emplace_back(offset, length);
        const auto* src = static_cast<const std::uint8_t*>(source);
        for (std::uint32_t i = 0; i < length; ++i) {
            data[(offset + i) % data.size()] = src[i];
        }
        return kAudioOk;
    }
    std::uint32_t WriteCursor() const override { return cursor; }
    AudioResult Play() override {
        playing = true;
        return kAudioOk;
    }
    AudioResult Stop() override {
        playing = false;
        m_listener->OnAudioNotify(AudioNotify::Stopped);
        return kAudioOk;
    }
    bool Playing() const override { return playing; }

    // Puts the write cursor at `at` and raises `what`.
    void Fire(AudioNotify what, std::uint32_t at) {
        cursor = at;
        m_listener->OnAudioNotify(what);
    }

    std::vector<std::uint8_t> data;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> writes;
    std::uint32_t cursor = 0;
    bool playing = false;

private:
    AudioRingListener* m_listener;
};

class ScriptedDevice final : public AudioDevice {
public:
    bool Open() override { return open = open_result; }
    bool Opened() const override { return open; }
    bool NotifiesOnOwnThread() const override { return false; }
    AudioResult CreateRing(const AudioFormat&, std::uint32_t length, AudioRingListener* listener,
                           std::unique_ptr<AudioRing>& ring) override {
        if (create_result != kAudioOk) {
            return create_result;
        }
        auto scripted = std::make_unique<ScriptedRing>(length, listener);
        last_ring = scripted.get();
        ring = std::move(scripted);
        return kAudioOk;
    }
    std::string LastError() const override { return last_error; }

    bool open_result = true;
    bool open = false;
    AudioResult create_result = kAudioOk;
    std::string last_error;
    ScriptedRing* last_ring = nullptr;
};

class ThreadedDevice final : public AudioDevice {
public:
    ~ThreadedDevice() override {
        m_quit.store(true);
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    bool Open() override {
        m_thread = std::thread([this] {
            std::vector<std::uint8_t> chunk(4096);
            for (std::uint64_t index = 0; !m_quit.load(); ++index) {
                while (gate && !gate(index) && !m_quit.load()) {
                    std::this_thread::sleep_for(std::chrono::microseconds(50));
                }
                m_mixer->Render(chunk.data(), chunk.size());
                {
                    std::lock_guard lock(m_mutex);
                    if (m_played.size() < kKeep) {
                        m_played.insert(m_played.end(), chunk.begin(), chunk.end());
                    }
                }
                m_chunks.fetch_add(1);
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        return true;
    }
    bool Opened() const override { return m_thread.joinable(); }
    bool NotifiesOnOwnThread() const override { return true; }
    AudioResult CreateRing(const AudioFormat&, std::uint32_t length, AudioRingListener* listener,
                           std::unique_ptr<AudioRing>& ring) override {
        ring = m_mixer->CreateRing(length, listener);
        return kAudioOk;
    }

    std::vector<std::uint8_t> Played() {
        std::lock_guard lock(m_mutex);
        return m_played;
    }
    std::uint64_t Chunks() const { return m_chunks.load(); }

    // Set before Open: the device renders chunk `index` (4,096 bytes) only once this says yes,
    // so a test can keep it from running ahead of the refills.
    std::function<bool(std::uint64_t index)> gate;

private:
    static constexpr std::size_t kKeep = 4 << 20;
    std::shared_ptr<AudioRingMixer> m_mixer = std::make_shared<AudioRingMixer>();
    std::thread m_thread;
    std::atomic<bool> m_quit{false};
    std::atomic<std::uint64_t> m_chunks{0};
    std::mutex m_mutex;
    std::vector<std::uint8_t> m_played;
};

} // namespace hk::test
