#include "support/ogg_fixtures.h"

#include "sound/ogg_encoder.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <numbers>
#include <stdexcept>
#include <tuple>

namespace hk::test {

std::vector<std::int16_t> TonePcm(const ToneSpec& spec) {
    const auto frames = static_cast<std::size_t>(spec.seconds * static_cast<double>(spec.rate));
    std::vector<std::int16_t> pcm(frames * static_cast<std::size_t>(spec.channels));
    for (std::size_t f = 0; f < frames; ++f) {
        const double phase = 2.0 * std::numbers::pi * spec.frequency * static_cast<double>(f) / spec.rate;
        const auto value = static_cast<std::int16_t>(std::lround(std::sin(phase) * spec.amplitude * 32767.0));
        for (int c = 0; c < spec.channels; ++c) {
            pcm[f * spec.channels + c] = (spec.left_only && c == 1) ? 0 : value;
        }
    }
    return pcm;
}

const std::vector<std::uint8_t>& OggTone(const ToneSpec& spec) {
    static std::mutex mutex;
    static std::map<std::tuple<int, long, double, double, double, bool>, std::vector<std::uint8_t>> cache;
    const auto key =
        std::make_tuple(spec.channels, spec.rate, spec.seconds, spec.frequency, spec.amplitude, spec.left_only);
    std::lock_guard lock(mutex);
    auto it = cache.find(key);
    if (it == cache.end()) {
        it = cache.emplace(key, EncodeOggVorbis(TonePcm(spec), spec.channels, spec.rate, 0.4f)).first;
    }
    return it->second;
}

std::vector<std::uint8_t> WithLoopHeader(std::span<const std::uint8_t> ogg, const LoopTable& loops) {
    const auto header = MakeAlphaOggHeader(loops);
    std::vector<std::uint8_t> file(header.size() + ogg.size());
    std::copy(header.begin(), header.end(), file.begin());
    std::copy(ogg.begin(), ogg.end(), file.begin() + static_cast<std::ptrdiff_t>(header.size()));
    return file;
}

LoopTable OneLoop(float target, float trigger, std::int32_t count, std::size_t k) {
    LoopTable loops{};
    loops.at(k) = LoopRecord{target, trigger, count};
    return loops;
}

namespace {

struct Memory {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

size_t Read(void* buffer, size_t size, size_t count, void* source) {
    auto* m = static_cast<Memory*>(source);
    const std::size_t n = std::min(size * count, m->bytes.size() - m->position) / size;
    std::memcpy(buffer, m->bytes.data() + m->position, n * size);
    m->position += n * size;
    return n;
}

int Seek(void* source, ogg_int64_t offset, int origin) {
    auto* m = static_cast<Memory*>(source);
    const ogg_int64_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? m->position : m->bytes.size();
    if (base + offset < 0 || base + offset > static_cast<ogg_int64_t>(m->bytes.size())) {
        return -1;
    }
    m->position = static_cast<std::size_t>(base + offset);
    return 0;
}

long Tell(void* source) {
    return static_cast<long>(static_cast<Memory*>(source)->position);
}

} // namespace

std::vector<std::int16_t> DecodeAll(std::span<const std::uint8_t> ogg) {
    Memory memory{ogg};
    OggVorbis_File vf;
    if (ov_open_callbacks(&memory, &vf, nullptr, 0, ov_callbacks{&Read, &Seek, nullptr, &Tell}) < 0) {
        throw std::runtime_error("DecodeAll: not an Ogg Vorbis stream");
    }
    std::vector<std::int16_t> pcm;
    char buffer[8192];
    int section = 0;
    long got;
    while ((got = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) > 0) {
        const std::size_t old = pcm.size();
        pcm.resize(old + static_cast<std::size_t>(got) / 2);
        std::memcpy(pcm.data() + old, buffer, static_cast<std::size_t>(got));
    }
    ov_clear(&vf);
    return pcm;
}

void WriteBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

} // namespace hk::test
