#include "sound/ogg_data.h"

#include "sound/ogg_player.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>

namespace hk {

static_assert(std::endian::native == std::endian::little, "the decoders write little-endian samples in place");

namespace {

constexpr const char* kLoadError = "ファイルの読み込みに失敗";
constexpr double kRewindTime = 0.001;

} // namespace

OggData::OggData(VorbisLibrary& vorbis, std::uint32_t buffer_size) : m_vorbis(vorbis), m_half(buffer_size / 2) {
    if (buffer_size == 0 || buffer_size % 8 != 0) {
        throw std::invalid_argument("OggData: buffer size " + std::to_string(buffer_size) +
                                    " is not a positive multiple of 8 bytes");
    }
    m_buffer.assign(buffer_size / 2, 0);
}

OggData::~OggData() {
    if (m_player) {
        m_player->Unbind(this);
    }
    Close();
}

bool OggData::LoadFromFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return false;
    }
    const std::string where = std::string(kLoadError) + "\n(" + path.string() + ")";
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        throw EOggData(where + ": " + ec.message());
    }
    if (size > kMaxFileSize) {
        throw EOggData(where + ": the file is larger than " + std::to_string(kMaxFileSize >> 20) + " MB");
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::ifstream in(path, std::ios::binary);
    if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        throw EOggData(where + ": the file could not be read");
    }
    try {
        LoadFromStream(std::move(bytes));
    } catch (const EOggData&) {
        throw EOggData(where);
    }
    m_file_name = path;
    return true;
}

bool OggData::LoadFromStream(std::vector<std::uint8_t> file) {
    Close();

    auto source = std::make_unique<MemoryOggSource>();
    source->bytes = std::move(file);
    // A plain file gets an empty loop table: keeping the previous file's records would make it
    // jump at points that belong to another piece of music.
    if (auto loops = ParseAlphaOggHeader(source->bytes)) {
        m_loops = *loops;
        source->stream_start = kAlphaOggHeaderSize;
    } else {
        m_loops = {};
    }
    m_jump_counts = {};

    if (m_vorbis.ov_open_callbacks(source.get(), &m_vf, nullptr, 0, m_vorbis.Callbacks()) < 0) {
        // On failure the library has not taken the source; the unique_ptr frees it.
        m_vf = {};
        throw EOggData(kLoadError);
    }
    source.release();
    m_stream_open = true;

    if (const vorbis_comment* vc = m_vorbis.ov_comment(&m_vf, -1)) {
        m_vendor = vc->vendor ? vc->vendor : "";
        for (int i = 0; i < vc->comments; ++i) {
            const int length = vc->comment_lengths ? vc->comment_lengths[i] : 0;
            m_comments.emplace_back(vc->user_comments[i], static_cast<std::size_t>(std::max(length, 0)));
        }
    }
    if (const vorbis_info* vi = m_vorbis.ov_info(&m_vf, -1)) {
        m_channels = vi->channels;
        m_rate = vi->rate;
    }
    m_total_time = static_cast<float>(std::max(0.0, m_vorbis.ov_time_total(&m_vf, -1)));
    m_total_bytes = std::max<ogg_int64_t>(0, m_vorbis.ov_pcm_total(&m_vf, -1)) * 4;
    m_loaded.store(true, std::memory_order_seq_cst);
    return true;
}

void OggData::Close() {
    // Clearing Loaded first keeps a decode that starts from now on away from the stream.
    m_loaded.store(false, std::memory_order_seq_cst);
    m_busy.WaitIdle();
    m_playing.store(false, std::memory_order_relaxed);
    m_looping.store(false, std::memory_order_relaxed);
    m_comments.clear();
    m_vendor.clear();
    m_channels = 0;
    m_rate = 0;
    m_total_time = 0.0f;
    m_total_bytes = 0;
    m_file_name.clear();
    if (m_stream_open) {
        m_vorbis.ov_clear(&m_vf); // also frees the in-memory file through the close callback
        m_stream_open = false;
    }
}

void OggData::Play(bool loop) {
    m_looping.store(loop, std::memory_order_relaxed);
    m_playing.store(true, std::memory_order_release);
}

void OggData::Stop() {
    m_playing.store(false, std::memory_order_seq_cst);
    m_looping.store(false, std::memory_order_seq_cst);
    m_claimed.store(true, std::memory_order_seq_cst);
    m_busy.WaitIdle();
    if (m_stream_open) {
        const double target = kRewindTime;
        if (m_vorbis.ov_seekable(&m_vf) && std::fabs(m_vorbis.ov_time_tell(&m_vf) - target) >= 0.001) {
            m_vorbis.ov_time_seek(&m_vf, target);
        }
    }
    m_jump_counts = {};
    // The last block may still be read by a mix in progress, so the worker zeroes the buffer
    // before its next decode rather than this thread now.
    m_clear_pending.store(true, std::memory_order_relaxed);
    m_claimed.store(false, std::memory_order_release);
}

void OggData::Seek(double seconds) {
    if (!m_stream_open) {
        return;
    }
    m_claimed.store(true, std::memory_order_seq_cst);
    m_busy.WaitIdle();
    double target = std::isnan(seconds) ? kRewindTime : seconds;
    target = std::max(kRewindTime, std::min(target, static_cast<double>(m_total_time)));
    if (m_vorbis.ov_seekable(&m_vf) && std::fabs(m_vorbis.ov_time_tell(&m_vf) - target) >= 0.001) {
        m_vorbis.ov_time_seek(&m_vf, target);
    }
    m_claimed.store(false, std::memory_order_release);
}

void OggData::SetVolume(float v) {
    // Computed in double so that 0.3f gives 77, as the settings expect (76.500003 rounds up).
    double level = std::nearbyint(static_cast<double>(v) * 255.0);
    if (!(level >= 0.0)) {
        level = 0.0;
    }
    m_channel_level.store(static_cast<std::uint8_t>(std::min(level, 255.0)), std::memory_order_relaxed);
}

int OggData::Status() const {
    if (!m_loaded.load(std::memory_order_acquire)) {
        return 0;
    }
    if (!m_playing.load(std::memory_order_acquire)) {
        return 1;
    }
    return m_looping.load(std::memory_order_acquire) ? 3 : 2;
}

const std::uint8_t* OggData::BlockPointer() const {
    return reinterpret_cast<const std::uint8_t*>(m_buffer.data() + m_current_half * (m_half / 2));
}

double OggData::Position() {
    return m_stream_open ? m_vorbis.ov_time_tell(&m_vf) : 0.0;
}

std::uint32_t OggData::DecodeBlock() {
    m_busy.Enter();
    if (m_claimed.load(std::memory_order_seq_cst) || !m_loaded.load(std::memory_order_seq_cst) ||
        !m_playing.load(std::memory_order_seq_cst)) {
        m_busy.Leave();
        return 0;
    }
    if (m_clear_pending.exchange(false, std::memory_order_acquire)) {
        std::fill(m_buffer.begin(), m_buffer.end(), std::int16_t{0});
    }

    m_current_half ^= 1;
    std::int16_t* out = m_buffer.data() + m_current_half * (m_half / 2);
    const std::uint32_t n = m_half;
    const double t = m_vorbis.ov_time_tell(&m_vf);
    const double block_seconds = static_cast<double>(n) / kBytesPerSecond;

    std::uint32_t silence = 0;
    FillResult result = FillResult::Ok;
    bool jumped = false;
    for (std::size_t k = 0; k < kLoopRecordCount; ++k) {
        const LoopRecord& record = m_loops[k];
        const double trigger = record.trigger;
        if (trigger >= t && t + block_seconds >= trigger) {
            const bool may_fire = record.count == -1 || m_jump_counts[k] < record.count;
            if (may_fire && !jumped) {
                jumped = true;
                if (record.count != -1) {
                    ++m_jump_counts[k];
                }
                // The jump lands on a frame boundary, so left and right stay in place.
                const auto before = static_cast<std::uint32_t>(std::llround((trigger - t) * kBytesPerSecond));
                const std::uint32_t e = std::min(before & ~3u, n);
                result = Fill(out, e, silence);
                if (result == FillResult::Ok && m_playing.load(std::memory_order_relaxed)) {
                    m_vorbis.ov_time_seek(&m_vf, record.target);
                    result = Fill(out + e / 2, n - e, silence);
                } else if (result == FillResult::Ok) {
                    // A one-shot file that ended before its trigger does not jump back into play.
                    std::memset(out + e / 2, 0, n - e);
                    silence += n - e;
                }
            }
        } else if (trigger < t) {
            m_jump_counts[k] = 0;
        }
    }
    if (!jumped) {
        result = Fill(out, n, silence);
    }
    if (result == FillResult::Error) {
        m_busy.Leave();
        return 0;
    }
    ApplyVolume(out, n / 2);
    m_busy.Leave();
    return n - std::min(silence, n);
}

OggData::FillResult OggData::Fill(std::int16_t* out, std::uint32_t bytes, std::uint32_t& silence_bytes) {
    const bool stereo = m_channels == 2;
    if (m_rate != 44100 || (m_channels != 1 && m_channels != 2)) {
        return FillResult::Error;
    }
    char* dst = reinterpret_cast<char*>(out);
    std::uint32_t written = 0;
    int empty_wraps = 0;
    while (written < bytes) {
        int section = 0;
        long result;
        std::uint32_t produced = 0;
        if (stereo) {
            result = m_vorbis.ov_read(&m_vf, dst + written, static_cast<int>(bytes - written), 0, 2, 1, &section);
            produced = result > 0 ? static_cast<std::uint32_t>(result) : 0;
        } else {
            const int want = static_cast<int>(std::min<std::uint32_t>(sizeof m_scratch, (bytes - written) / 2));
            result = m_vorbis.ov_read(&m_vf, reinterpret_cast<char*>(m_scratch.data()), want, 0, 2, 1, &section);
            if (result > 0) {
                std::int16_t* pair = out + written / 2;
                for (long i = 0; i < result / 2; ++i) {
                    pair[2 * i] = m_scratch[static_cast<std::size_t>(i)];
                    pair[2 * i + 1] = m_scratch[static_cast<std::size_t>(i)];
                }
                produced = static_cast<std::uint32_t>(result / 2) * 4;
            }
        }
        if (result < 0) {
            return FillResult::Error;
        }
        if (result > 0) {
            // A chained file may change format between links; such data cannot be placed.
            const vorbis_info* vi = m_vorbis.ov_info(&m_vf, section);
            if (!vi || vi->channels != m_channels || vi->rate != 44100) {
                return FillResult::Error;
            }
            empty_wraps = 0;
            written += produced;
            continue;
        }
        // End of the stream.
        if (m_looping.load(std::memory_order_relaxed)) {
            // A stream that yields nothing right after a rewind would spin here for ever.
            if (++empty_wraps <= 1) {
                m_vorbis.ov_time_seek(&m_vf, kRewindTime);
                continue;
            }
        } else {
            m_playing.store(false, std::memory_order_relaxed);
            m_looping.store(false, std::memory_order_relaxed);
            m_vorbis.ov_time_seek(&m_vf, kRewindTime);
        }
        std::memset(dst + written, 0, bytes - written);
        silence_bytes += bytes - written;
        return FillResult::Ok;
    }
    return FillResult::Ok;
}

void OggData::ApplyVolume(std::int16_t* samples, std::uint32_t count) const {
    // The gain is the channel level scaled by a master level of 255 out of 256, which the game
    // never changes: full level gives 254, and every mix is that much quieter than the file.
    constexpr int kMasterLevel = 255;
    const int gain = kMasterLevel * m_channel_level.load(std::memory_order_relaxed) / 256;
    for (std::uint32_t i = 0; i < count; ++i) {
        samples[i] = static_cast<std::int16_t>(samples[i] * gain / 256);
    }
}

} // namespace hk
