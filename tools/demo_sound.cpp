#include "tools/demo_sound.h"

#include "sound/alpha_ogg_header.h"
#include "sound/ogg_encoder.h"
#include "tools/demo_paint.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <stdexcept>
#include <tuple>

namespace hk::demo {

namespace {

constexpr int kRate = 44100;
constexpr double kTwoPi = 2 * std::numbers::pi;

// Sine of a phase given in cycles, from a table with linear interpolation: the synthesiser
// calls it tens of millions of times, and the table is close enough to be inaudible.
float Sine(double cycles) {
    constexpr int kSize = 4096;
    static const std::vector<float> table = [] {
        std::vector<float> t(kSize + 1);
        for (int i = 0; i <= kSize; ++i) {
            t[i] = static_cast<float>(std::sin(kTwoPi * i / kSize));
        }
        return t;
    }();
    const double p = (cycles - std::floor(cycles)) * kSize;
    const int i = static_cast<int>(p);
    const float f = static_cast<float>(p - i);
    return table[i] + (table[i + 1] - table[i]) * f;
}

double Hz(double midi) {
    return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
}

// A stereo float buffer with panned note writing.
struct StereoBuffer {
    std::vector<float> left, right;
    explicit StereoBuffer(std::size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    std::size_t Frames() const { return left.size(); }
    void Add(std::size_t frame, float v, float pan) { // pan -1 left .. +1 right
        if (frame >= left.size()) {
            return;
        }
        left[frame] += v * std::sqrt(0.5f * (1 - pan));
        right[frame] += v * std::sqrt(0.5f * (1 + pan));
    }
};

// One voice of an instrument: sample i of a note of `freq` Hz lasting `hold` seconds.
using Voice = float (*)(double t, double freq, double hold, std::uint32_t seed);

float Bell(double t, double f, double hold, std::uint32_t) {
    const double release = t > hold ? std::exp(-(t - hold) * 10) : 1.0;
    const double env = std::min(1.0, t * 400) * std::exp(-t * 2.2) * release;
    const double e3 = std::exp(-t * 3), e6 = e3 * e3;
    const double s =
        Sine(f * t) + 0.35 * Sine(2 * f * t) * e3 + 0.12 * Sine(3.01 * f * t) * e6 + 0.05 * Sine(4.2 * f * t) * e6 * e3;
    return static_cast<float>(s * env * 0.5);
}

float Piano(double t, double f, double hold, std::uint32_t) {
    const double release = t > hold ? std::exp(-(t - hold) * 14) : 1.0;
    const double env = std::min(1.0, t * 600) * (0.65 * std::exp(-t * 1.6) + 0.35 * std::exp(-t * 8)) * release;
    double s = 0;
    const double q = std::exp(-t * 0.9);
    double decay = q;
    for (int h = 1; h <= 6; ++h) {
        s += Sine(f * h * (1 + 0.0004 * h * h) * t) * decay / (h * 1.3);
        decay *= q;
    }
    return static_cast<float>(s * env * 0.45);
}

float Flute(double t, double f, double hold, std::uint32_t seed) {
    const double attack = std::min(1.0, t * 14);
    const double release = t > hold ? std::max(0.0, 1 - (t - hold) * 8) : 1.0;
    const double vibrato = 1 + 0.004 * Sine(5.2 * t) * std::min(1.0, t * 2);
    const double ph = f * vibrato * t;
    const double breath = (Hash01(seed, static_cast<int>(t * kRate), 7) - 0.5) * 0.04;
    const double s = Sine(ph) + 0.2 * Sine(2 * ph) + 0.06 * Sine(3 * ph) + breath;
    return static_cast<float>(s * attack * release * 0.42);
}

float Pad(double t, double f, double hold, std::uint32_t) {
    const double attack = std::min(1.0, t * 1.6);
    const double release = t > hold ? std::max(0.0, 1 - (t - hold) * 1.5) : 1.0;
    double s = 0;
    for (int h = 1; h <= 5; ++h) {
        const double detune = 1 + 0.0025 * Sine(h * 1.7 / kTwoPi);
        s += (Sine(f * h * t) + Sine(f * h * detune * t)) / (h * h * 1.0 + 1);
    }
    return static_cast<float>(s * attack * release * 0.09);
}

float Organ(double t, double f, double hold, std::uint32_t) {
    const double attack = std::min(1.0, t * 20);
    const double release = t > hold ? std::max(0.0, 1 - (t - hold) * 6) : 1.0;
    const double s = Sine(f * t) + 0.5 * Sine(2 * f * t) + 0.25 * Sine(4 * f * t);
    return static_cast<float>(s * attack * release * 0.07);
}

float Bass(double t, double f, double hold, std::uint32_t) {
    const double release = t > hold ? std::exp(-(t - hold) * 20) : 1.0;
    const double env = std::min(1.0, t * 300) * (0.6 + 0.4 * std::exp(-t * 4)) * release;
    const double s = Sine(f * t) + 0.3 * Sine(2 * f * t) * std::exp(-t * 5);
    return static_cast<float>(s * env * 0.5);
}

// A plucked string with its spectrum falling off over time (harp, guitar).
float Pluck(double t, double f, double hold, std::uint32_t) {
    const double release = t > hold + 0.3 ? std::exp(-(t - hold - 0.3) * 8) : 1.0;
    const double env = std::min(1.0, t * 800) * std::exp(-t * 2.8) * release;
    // Harmonic h fades as q^(h*h): each step multiplies by q^(2h - 1).
    double s = 0;
    const double q = std::exp(-t * 0.7), q2 = q * q;
    double step = q, decay = 1;
    for (int h = 1; h <= 8; ++h) {
        decay *= step;
        step *= q2;
        s += Sine(f * h * t) * decay / h;
    }
    return static_cast<float>(s * env * 0.38);
}

Voice LeadVoice(const std::string& name) {
    if (name == "flute") {
        return Flute;
    }
    if (name == "pluck") {
        return Pluck;
    }
    if (name == "piano") {
        return Piano;
    }
    return Bell;
}

double Tail(Voice v) {
    return v == Pad ? 0.8 : v == Organ ? 0.2 : v == Flute ? 0.15 : 1.2;
}

// Rendered notes by instrument, pitch and length: a piece repeats the same notes many times,
// so each is synthesised once per piece.
class NoteCache {
public:
    const std::vector<float>& Get(Voice voice, double freq, double hold_s, std::uint32_t seed) {
        const Key key{reinterpret_cast<std::uintptr_t>(voice), std::lround(freq * 1000), std::lround(hold_s * kRate),
                      seed};
        auto it = m_notes.find(key);
        if (it == m_notes.end()) {
            std::vector<float> samples(static_cast<std::size_t>((hold_s + Tail(voice)) * kRate));
            for (std::size_t i = 0; i < samples.size(); ++i) {
                samples[i] = voice(static_cast<double>(i) / kRate, freq, hold_s, seed);
            }
            it = m_notes.emplace(key, std::move(samples)).first;
        }
        return it->second;
    }

private:
    using Key = std::tuple<std::uintptr_t, long, long, std::uint32_t>;
    std::map<Key, std::vector<float>> m_notes;
};

void RenderNote(StereoBuffer& mix, Voice voice, double start_s, double hold_s, double freq, float gain, float pan,
                std::uint32_t seed, NoteCache* cache = nullptr) {
    const std::size_t first = static_cast<std::size_t>(start_s * kRate);
    if (cache != nullptr) {
        const std::vector<float>& samples = cache->Get(voice, freq, hold_s, seed);
        const float l = gain * std::sqrt(0.5f * (1 - pan)), r = gain * std::sqrt(0.5f * (1 + pan));
        for (std::size_t i = 0; i < samples.size() && first + i < mix.Frames(); ++i) {
            mix.left[first + i] += samples[i] * l;
            mix.right[first + i] += samples[i] * r;
        }
        return;
    }
    const std::size_t count = static_cast<std::size_t>((hold_s + Tail(voice)) * kRate);
    for (std::size_t i = 0; i < count && first + i < mix.Frames(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        mix.Add(first + i, voice(t, freq, hold_s, seed) * gain, pan);
    }
}

void RenderKick(StereoBuffer& mix, double start_s, float gain) {
    const std::size_t first = static_cast<std::size_t>(start_s * kRate);
    double phase = 0;
    for (int i = 0; i < kRate / 4; ++i) {
        const double t = static_cast<double>(i) / kRate;
        phase += kTwoPi * (45 + 90 * std::exp(-t * 30)) / kRate;
        mix.Add(first + i, static_cast<float>(std::sin(phase) * std::exp(-t * 14) * gain), 0);
    }
}

void RenderNoiseHit(StereoBuffer& mix, double start_s, double decay, float gain, float pan, std::uint32_t seed) {
    const std::size_t first = static_cast<std::size_t>(start_s * kRate);
    float previous = 0;
    for (int i = 0; i < kRate / 8; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const float n = Hash01(seed, i, static_cast<int>(first & 0xFFFF)) * 2 - 1;
        const float high = n - previous; // crude high-pass: the hiss of a shaker or hat
        previous = n;
        mix.Add(first + i, static_cast<float>(high * std::exp(-t * decay) * gain), pan);
    }
}

// A small Schroeder reverb: four combs and two all-passes per side.
void Reverb(StereoBuffer& mix, float wet) {
    auto process = [wet](std::vector<float>& x, int offset) {
        const int combs[4] = {1557 + offset, 1617 + offset, 1491 + offset, 1422 + offset};
        const int allpasses[2] = {225 + offset, 556 + offset};
        std::vector<float> out(x.size(), 0.0f);
        for (int c : combs) {
            std::vector<float> buf(static_cast<std::size_t>(c), 0.0f);
            std::size_t idx = 0;
            float low = 0;
            for (std::size_t i = 0; i < x.size(); ++i) {
                const float y = buf[idx];
                low = y * 0.7f + low * 0.3f;
                buf[idx] = x[i] + low * 0.8f;
                out[i] += y;
                idx = (idx + 1) % buf.size();
            }
        }
        for (int a : allpasses) {
            std::vector<float> buf(static_cast<std::size_t>(a), 0.0f);
            std::size_t idx = 0;
            for (std::size_t i = 0; i < out.size(); ++i) {
                const float b = buf[idx];
                const float y = -out[i] + b;
                buf[idx] = out[i] + b * 0.5f;
                out[i] = y;
                idx = (idx + 1) % buf.size();
            }
        }
        for (std::size_t i = 0; i < x.size(); ++i) {
            x[i] += out[i] * wet * 0.25f;
        }
    };
    process(mix.left, 0);
    process(mix.right, 23);
}

std::vector<std::int16_t> ToPcm(const StereoBuffer& mix, float peak_target, bool stereo) {
    float peak = 1e-6f;
    for (std::size_t i = 0; i < mix.Frames(); ++i) {
        peak = std::max({peak, std::abs(mix.left[i]), std::abs(mix.right[i])});
    }
    const float gain = peak_target * 32767.0f / peak;
    std::vector<std::int16_t> pcm;
    pcm.reserve(mix.Frames() * (stereo ? 2 : 1));
    for (std::size_t i = 0; i < mix.Frames(); ++i) {
        auto q = [gain](float v) {
            return static_cast<std::int16_t>(std::clamp(std::lround(v * gain), -32767L, 32767L));
        };
        if (stereo) {
            pcm.push_back(q(mix.left[i]));
            pcm.push_back(q(mix.right[i]));
        } else {
            pcm.push_back(q((mix.left[i] + mix.right[i]) * 0.7071f));
        }
    }
    return pcm;
}

// --- recipe parsing --------------------------------------------------------------------------

[[noreturn]] void Fail(std::string_view source, int line, const std::string& message) {
    throw std::runtime_error(std::string(source) + ":" + std::to_string(line) + ": " + message);
}

std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            out.emplace_back(line.substr(start, i - start));
        }
    }
    return out;
}

// "C", "F#", "Bb" -> semitone 0..11, advancing pos; -1 when not a note name.
int PitchClass(const std::string& word, std::size_t& pos) {
    static const int kBase[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (pos >= word.size() || word[pos] < 'A' || word[pos] > 'G') {
        return -1;
    }
    int pc = kBase[word[pos] - 'A'];
    ++pos;
    if (pos < word.size() && word[pos] == '#') {
        ++pc;
        ++pos;
    } else if (pos < word.size() && word[pos] == 'b') {
        --pc;
        ++pos;
    }
    return (pc + 12) % 12;
}

std::vector<std::vector<std::string>> Bars(const std::vector<std::string>& words, std::size_t from) {
    std::vector<std::vector<std::string>> bars(1);
    for (std::size_t i = from; i < words.size(); ++i) {
        if (words[i] == "|") {
            bars.emplace_back();
        } else {
            bars.back().push_back(words[i]);
        }
    }
    if (bars.back().empty() && bars.size() > 1) {
        bars.pop_back();
    }
    return bars;
}

void ParseChords(MusicTrack& track, const std::vector<std::string>& words, std::string_view source, int line) {
    int bar = 0;
    for (const auto& tokens : Bars(words, 1)) {
        if (tokens.empty()) {
            Fail(source, line, "empty bar in chords");
        }
        const int each = 16 / static_cast<int>(tokens.size());
        int at = bar * 16;
        for (const std::string& name : tokens) {
            Chord chord;
            chord.start = at;
            chord.length = each;
            std::size_t pos = 0;
            const int root = PitchClass(name, pos);
            if (root < 0) {
                Fail(source, line, "'" + name + "' is not a chord");
            }
            std::string quality = name.substr(pos);
            int bass = root;
            if (const std::size_t slash = quality.find('/'); slash != std::string::npos) {
                std::size_t bpos = slash + 1;
                bass = PitchClass(quality, bpos);
                if (bass < 0) {
                    Fail(source, line, "'" + name + "' has no bass note after '/'");
                }
                quality.resize(slash);
            }
            std::vector<int> intervals;
            if (quality.empty()) {
                intervals = {0, 4, 7};
            } else if (quality == "m") {
                intervals = {0, 3, 7};
            } else if (quality == "7") {
                intervals = {0, 4, 7, 10};
            } else if (quality == "maj7") {
                intervals = {0, 4, 7, 11};
            } else if (quality == "m7") {
                intervals = {0, 3, 7, 10};
            } else if (quality == "sus4") {
                intervals = {0, 5, 7};
            } else if (quality == "add9") {
                intervals = {0, 4, 7, 14};
            } else {
                Fail(source, line, "unknown chord quality in '" + name + "'");
            }
            const int base = 55 + ((root - 7 + 12) % 12); // roots from G3 up to F#4
            for (int iv : intervals) {
                chord.pitches.push_back(base + iv);
            }
            chord.bass = 36 + ((bass - 4 + 12) % 12) + 4; // E2..D#3
            track.chords.push_back(chord);
            at += each;
        }
        ++bar;
    }
}

void ParseMelody(MusicTrack& track, const std::vector<std::string>& words, std::string_view source, int line) {
    int at = track.melody.empty() ? 0 : track.melody.back().start + track.melody.back().length;
    if (!track.melody.empty() && track.melody.back().pitch < 0) {
        track.melody.pop_back();
    }
    // Every bar must add up to a whole 4/4 bar, which catches a mistyped length at once.
    int in_bar = 0;
    auto end_bar = [&] {
        if (in_bar != 16) {
            Fail(source, line, "a melody bar adds up to " + std::to_string(in_bar) + " sixteenths, not 16");
        }
        in_bar = 0;
    };
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "|") {
            end_bar();
            continue;
        }
        const std::size_t colon = w.find(':');
        if (colon == std::string::npos) {
            Fail(source, line, "'" + w + "' needs a length, as in E5:4");
        }
        int length = 0;
        try {
            length = std::stoi(w.substr(colon + 1));
        } catch (const std::exception&) {
            Fail(source, line, "bad length in '" + w + "'");
        }
        if (length <= 0 || length > 64) {
            Fail(source, line, "length of '" + w + "' must be 1..64 sixteenths");
        }
        in_bar += length;
        if (w[0] == 'r') {
            at += length;
            continue;
        }
        std::size_t pos = 0;
        const int pc = PitchClass(w, pos);
        if (pc < 0 || pos >= colon || w[pos] < '2' || w[pos] > '7' || pos + 1 != colon) {
            Fail(source, line, "'" + w + "' is not a note such as E5:4 or a rest r:4");
        }
        const int octave = w[pos] - '0';
        track.melody.push_back({at, length, 12 * (octave + 1) + pc});
        at += length;
    }
    if (in_bar != 0) {
        end_bar();
    }
    // Remember where the next melody line continues with a zero-length marker.
    track.melody.push_back({at, 0, -1});
}

} // namespace

std::vector<MusicTrack> ParseMusicRecipes(std::string_view text, std::string_view source) {
    std::vector<MusicTrack> tracks;
    int number = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        ++number;
        std::size_t stop = text.find('\n', pos);
        std::string_view line = text.substr(pos, stop == std::string_view::npos ? text.size() - pos : stop - pos);
        pos = stop == std::string_view::npos ? text.size() + 1 : stop + 1;
        // '#' starts a comment at the start of a line or after a blank ("F#5" is a note).
        for (std::size_t h = 0; h < line.size(); ++h) {
            if (line[h] == '#' && (h == 0 || line[h - 1] == ' ' || line[h - 1] == '\t')) {
                line = line.substr(0, h);
                break;
            }
        }
        const auto words = Words(line);
        if (words.empty()) {
            continue;
        }
        const std::string& key = words[0];
        if (key == "track") {
            if (words.size() != 2) {
                Fail(source, number, "track takes its number");
            }
            MusicTrack t;
            t.number = std::atoi(words[1].c_str());
            if (t.number < 1 || t.number > 99) {
                Fail(source, number, "track number must be 1..99");
            }
            tracks.push_back(t);
            continue;
        }
        if (tracks.empty()) {
            Fail(source, number, "'" + key + "' before the first track line");
        }
        MusicTrack& t = tracks.back();
        auto need = [&](std::size_t n) {
            if (words.size() != n + 1) {
                Fail(source, number, key + " takes " + std::to_string(n) + " value(s)");
            }
        };
        if (key == "title") {
            const std::size_t at = line.find("title") + 5;
            std::string title(line.substr(at));
            title.erase(0, title.find_first_not_of(" \t"));
            title.erase(title.find_last_not_of(" \t\r") + 1);
            t.title = title;
        } else if (key == "tempo") {
            need(1);
            t.tempo = std::atof(words[1].c_str());
            if (t.tempo < 30 || t.tempo > 240) {
                Fail(source, number, "tempo must be 30..240");
            }
        } else if (key == "loop") {
            need(2);
            t.loop_from = std::atoi(words[1].c_str());
            t.loop_to = std::atoi(words[2].c_str());
        } else if (key == "lead") {
            need(1);
            t.lead = words[1];
        } else if (key == "pad") {
            need(1);
            t.pad = words[1];
        } else if (key == "bass") {
            need(1);
            t.bass = words[1];
        } else if (key == "drums") {
            need(1);
            t.drums = words[1];
        } else if (key == "arp") {
            need(1);
            t.arp = words[1];
        } else if (key == "chords") {
            const int before = t.chords.empty() ? 0 : (t.chords.back().start + t.chords.back().length) / 16;
            MusicTrack part;
            ParseChords(part, words, source, number);
            for (Chord c : part.chords) {
                c.start += before * 16;
                t.chords.push_back(c);
            }
        } else if (key == "melody") {
            ParseMelody(t, words, source, number);
        } else {
            Fail(source, number, "unknown recipe key '" + key + "'");
        }
    }
    for (MusicTrack& t : tracks) {
        if (!t.melody.empty() && t.melody.back().pitch < 0) {
            t.melody.pop_back();
        }
        t.bars = t.chords.empty() ? 0 : (t.chords.back().start + t.chords.back().length + 15) / 16;
        if (t.bars == 0) {
            throw std::runtime_error(std::string(source) + ": track " + std::to_string(t.number) + " has no chords");
        }
        if (t.loop_from != 0 && (t.loop_from < 1 || t.loop_to < t.loop_from || t.loop_to > t.bars)) {
            throw std::runtime_error(std::string(source) + ": track " + std::to_string(t.number) +
                                     " loops outside its " + std::to_string(t.bars) + " bars");
        }
    }
    return tracks;
}

double BarSeconds(const MusicTrack& track, int bar) {
    return (bar - 1) * 4 * 60.0 / track.tempo;
}

std::vector<std::uint8_t> RenderMusic(const MusicTrack& track) {
    const double sixteenth = 15.0 / track.tempo;
    const double length_s = BarSeconds(track, track.bars + 1) + 1.5;
    StereoBuffer mix(static_cast<std::size_t>(length_s * kRate));
    const Voice lead = LeadVoice(track.lead);
    const std::uint32_t seed = static_cast<std::uint32_t>(track.number) * 977u;
    NoteCache cache;

    for (const Note& n : track.melody) {
        RenderNote(mix, lead, n.start * sixteenth, n.length * sixteenth * 0.95, Hz(n.pitch), 0.55f, 0.1f, seed, &cache);
    }
    for (const Chord& c : track.chords) {
        const double start = c.start * sixteenth, hold = c.length * sixteenth;
        if (track.pad != "none") {
            const Voice pad = track.pad == "organ" ? Organ : Pad;
            float pan = -0.5f;
            for (int p : c.pitches) {
                RenderNote(mix, pad, start, hold, Hz(p), 0.55f, pan, seed, &cache);
                pan += 1.0f / static_cast<float>(c.pitches.size());
            }
        }
        if (track.bass == "half" || track.bass == "walk" || track.bass == "pulse") {
            const int step = track.bass == "pulse" ? 2 : track.bass == "walk" ? 4 : 8;
            for (int k = 0; k * step < c.length; ++k) {
                int pitch = c.bass;
                if (track.bass == "walk" && k % 4 == 2) {
                    pitch += 7;
                } else if (track.bass == "half" && k % 2 == 1) {
                    pitch += 7;
                }
                RenderNote(mix, Bass, start + k * step * sixteenth, step * sixteenth * 0.85, Hz(pitch), 0.5f, 0, seed,
                           &cache);
            }
        }
        if (track.arp != "none") {
            const int order[8] = {0, 1, 2, 3, 2, 1, 0, 2};
            for (int k = 0; 2 * k < c.length; ++k) {
                const std::size_t idx = track.arp == "up" ? static_cast<std::size_t>(k) % c.pitches.size()
                                                          : static_cast<std::size_t>(order[k % 8]) % c.pitches.size();
                RenderNote(mix, Pluck, start + 2 * k * sixteenth, 2 * sixteenth, Hz(c.pitches[idx] + 12), 0.22f,
                           k % 2 ? 0.4f : -0.4f, seed, &cache);
            }
        }
        if (track.drums != "none") {
            for (int k = 0; k < c.length; ++k) {
                const double at = start + k * sixteenth;
                const int beat = (c.start + k) % 16;
                if (track.drums == "soft" && (beat == 0 || beat == 8)) {
                    RenderKick(mix, at, 0.45f);
                }
                if (k % 2 == 0) {
                    RenderNoiseHit(mix, at, beat % 4 == 2 ? 18 : 40, beat % 4 == 2 ? 0.09f : 0.05f, 0.3f,
                                   seed + static_cast<std::uint32_t>(c.start + k));
                }
            }
        }
    }
    Reverb(mix, track.lead == "flute" ? 0.9f : 0.7f);

    // The file ends after the last bar and the ring-out of its notes.
    const auto pcm = ToPcm(mix, 0.85f, true);
    std::vector<std::uint8_t> ogg = EncodeSound(pcm, 2);
    if (track.loop_from == 0) {
        return ogg;
    }
    LoopTable loops{};
    loops[0].target = static_cast<float>(BarSeconds(track, track.loop_from));
    loops[0].trigger = static_cast<float>(BarSeconds(track, track.loop_to + 1));
    loops[0].count = -1;
    const auto header = MakeAlphaOggHeader(loops);
    std::vector<std::uint8_t> out(header.begin(), header.end());
    out.insert(out.end(), ogg.begin(), ogg.end());
    return out;
}

std::vector<std::uint8_t> EncodeSound(std::span<const std::int16_t> samples, int channels) {
    return EncodeOggVorbis(samples, channels, kRate, 0.3f);
}

std::string_view EffectName(int number) {
    static const char* kNames[kEffectCount] = {"chime",   "footsteps", "wind (loop)", "waves (loop)",
                                               "shutter", "birds",     "page",        "fireworks"};
    return number >= 1 && number <= kEffectCount ? kNames[number - 1] : "";
}

std::vector<std::uint8_t> RenderEffect(int number) {
    const std::uint32_t seed = 0x5E00u + static_cast<std::uint32_t>(number);
    double seconds = 1.5;
    if (number == 3 || number == 4) {
        seconds = 8.0;
    } else if (number == 6 || number == 8) {
        seconds = 3.0;
    }
    StereoBuffer mix(static_cast<std::size_t>(seconds * kRate));
    switch (number) {
    case 1: { // a small door chime: three falling bell notes
        const int notes[3] = {88, 84, 79};
        for (int k = 0; k < 3; ++k) {
            RenderNote(mix, Bell, 0.18 * k, 0.1, Hz(notes[k]), 0.6f, -0.3f + 0.3f * k, seed);
        }
        break;
    }
    case 2: // footsteps on a wooden floor
        for (int k = 0; k < 4; ++k) {
            RenderKick(mix, 0.33 * k, 0.35f);
            RenderNoiseHit(mix, 0.33 * k, 60, 0.25f, k % 2 ? 0.3f : -0.3f, seed + k);
        }
        break;
    case 3:   // wind: noise through a slowly moving low-pass, periodic so it loops cleanly
    case 4: { // waves: louder swells every four seconds
        float low_l = 0, low_r = 0;
        for (std::size_t i = 0; i < mix.Frames(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double cycle = number == 3 ? std::sin(kTwoPi * t / 8) : std::sin(kTwoPi * t / 4);
            const float cutoff = number == 3 ? static_cast<float>(0.02 + 0.015 * cycle)
                                             : static_cast<float>(0.05 + 0.04 * std::max(0.0, cycle));
            const float n1 = Hash01(seed, static_cast<int>(i), 1) * 2 - 1;
            const float n2 = Hash01(seed, static_cast<int>(i), 2) * 2 - 1;
            low_l += (n1 - low_l) * cutoff;
            low_r += (n2 - low_r) * cutoff;
            const float level = number == 3 ? static_cast<float>(0.7 + 0.3 * cycle)
                                            : static_cast<float>(0.35 + 0.65 * std::pow(0.5 + 0.5 * cycle, 2));
            // The start fades in over the first 50 ms so a loop joins without a click.
            const float edge = static_cast<float>(std::min(1.0, std::min(t, seconds - t) * 20));
            mix.left[i] = low_l * level * edge;
            mix.right[i] = low_r * level * edge;
        }
        break;
    }
    case 5: // camera shutter: two dry clicks
        RenderNoiseHit(mix, 0.0, 200, 0.8f, 0, seed);
        RenderNoiseHit(mix, 0.09, 150, 0.6f, 0, seed + 1);
        RenderKick(mix, 0.09, 0.2f);
        break;
    case 6: { // birds: quick rising and falling chirps
        Rng rng(seed);
        for (int k = 0; k < 7; ++k) {
            const double at = 0.2 + k * 0.35 + rng.Uniform(0, 0.1f);
            const double base = 2600 + rng.Uniform(0, 900);
            const float pan = rng.Uniform(-0.7f, 0.7f);
            double phase = 0;
            for (int i = 0; i < kRate / 12; ++i) {
                const double t = static_cast<double>(i) / kRate;
                phase += kTwoPi * base * (1 + 0.4 * std::sin(kTwoPi * 12 * t)) / kRate;
                const double env = std::sin(std::numbers::pi * t * 12);
                mix.Add(static_cast<std::size_t>(at * kRate) + i, static_cast<float>(std::sin(phase) * env * 0.3), pan);
            }
        }
        break;
    }
    case 7: // a page turned: a rising hiss
        for (int i = 0; i < kRate / 3; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const float n = Hash01(seed, i, 3) * 2 - 1;
            const double env = std::sin(std::numbers::pi * t * 3) * (0.6 + 0.4 * std::sin(kTwoPi * 30 * t));
            mix.Add(static_cast<std::size_t>(i), static_cast<float>(n * env * 0.4), static_cast<float>(t * 3 - 0.5));
        }
        break;
    case 8: // far fireworks: a low boom and crackle
        RenderKick(mix, 0.0, 0.9f);
        for (int k = 0; k < 25; ++k) {
            RenderNoiseHit(mix, 0.6 + k * 0.06 + Hash01(seed, k, 9) * 0.05, 90, 0.15f, Hash01(seed, k, 4) - 0.5f,
                           seed + k);
        }
        break;
    default: throw std::runtime_error("no sound effect " + std::to_string(number));
    }
    if (number != 3 && number != 4) {
        Reverb(mix, 0.5f);
    }
    return EncodeSound(ToPcm(mix, number == 3 || number == 4 ? 0.45f : 0.6f, true), 2);
}

namespace {

// Vowel of a kana (0 a, 1 i, 2 u, 3 e, 4 o), whether it starts with a consonant; -1 for no sound.
struct Syllable {
    int vowel = -1;
    bool consonant = false;
    bool long_vowel = false;
};

Syllable KanaSyllable(char32_t c) {
    // Hiragana and katakana share their order; fold katakana onto hiragana.
    if (c >= U'ァ' && c <= U'ヶ') {
        c -= 0x60;
    }
    if (c == U'ー' || c == U'〜') {
        return {-2, false, true};
    }
    static const std::u32string kRows[5] = {U"あかがさざただなはばぱまやらわゃぁ", U"いきぎしじちぢにひびぴみりぃ",
                                            U"うくぐすずつづぬふぶぷむゆるゅぅっ", U"えけげせぜてでねへべぺめれぇ",
                                            U"おこごそぞとどのほぼぽもよろをょぉ"};
    for (int v = 0; v < 5; ++v) {
        if (const auto at = kRows[v].find(c); at != std::u32string::npos) {
            return {v, at != 0 && c != U'ゃ' && c != U'ゅ' && c != U'ょ', false};
        }
    }
    if (c == U'ん') {
        return {5, false, false};
    }
    if (c >= 0x4E00 && c <= 0x9FFF) { // a kanji: some syllable, chosen from its code
        return {static_cast<int>(c % 5), (c % 3) != 0, false};
    }
    return {};
}

// Biquad band-pass, the formants of the vowel sounds.
struct BandPass {
    double b0 = 0, b2 = 0, a1 = 0, a2 = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    void Set(double freq, double q) {
        const double w = kTwoPi * freq / kRate, alpha = std::sin(w) / (2 * q), a0 = 1 + alpha;
        b0 = alpha / a0;
        b2 = -alpha / a0;
        a1 = -2 * std::cos(w) / a0;
        a2 = (1 - alpha) / a0;
    }
    double Run(double x) {
        const double y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

} // namespace

std::vector<std::uint8_t> RenderVoice(std::u32string_view text, double pitch_hz, std::uint32_t seed) {
    static const double kFormants[6][3] = {{800, 1200, 2500}, {300, 2300, 3000}, {350, 1300, 2400},
                                           {500, 1900, 2600}, {500, 900, 2400},  {280, 1000, 2300}};
    std::vector<Syllable> syllables;
    for (char32_t c : text) {
        const Syllable s = KanaSyllable(c);
        if (s.vowel == -2 && !syllables.empty()) {
            syllables.back().long_vowel = true;
        } else if (s.vowel >= 0) {
            syllables.push_back(s);
        } else if ((c == U'、' || c == U'。' || c == U'！' || c == U'？' || c == U'…') && !syllables.empty()) {
            syllables.push_back({}); // a short pause
        }
        if (syllables.size() >= 24) {
            break;
        }
    }
    const double syllable_s = 0.105;
    const double total = 0.15 + syllable_s * static_cast<double>(syllables.size()) + 0.3;
    StereoBuffer mix(static_cast<std::size_t>(total * kRate));
    BandPass f[3];
    double phase = 0;
    Rng rng(seed);
    const bool question = !text.empty() && (text.back() == U'？' || text.find(U'？') != std::u32string_view::npos);
    for (std::size_t k = 0; k < syllables.size(); ++k) {
        const Syllable s = syllables[k];
        const double len = syllable_s * (s.long_vowel ? 1.8 : 1.0);
        const std::size_t first = static_cast<std::size_t>((0.1 + syllable_s * static_cast<double>(k)) * kRate);
        if (s.vowel < 0) {
            continue;
        }
        for (int i = 0; i < 3; ++i) {
            f[i].Set(kFormants[s.vowel][i], 6 + 2 * i);
        }
        const double progress = static_cast<double>(k) / std::max<std::size_t>(1, syllables.size() - 1);
        const double contour = question ? 1 + 0.25 * progress * progress : 1.08 - 0.15 * progress;
        const double jitter = 1 + rng.Uniform(-0.04f, 0.04f);
        const std::size_t frames = static_cast<std::size_t>(len * kRate);
        for (std::size_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double f0 = pitch_hz * contour * jitter * (1 + 0.015 * std::sin(kTwoPi * 5.5 * t));
            phase += f0 / kRate;
            phase -= std::floor(phase);
            const double pulse = 2 * phase - 1; // a bright source for the formants to shape
            const double env = std::min(1.0, t * 60) * std::min(1.0, (len - t) * 30);
            double source = pulse * env;
            if (s.consonant && t < 0.025) {
                source = (Hash01(seed, static_cast<int>(first + i), 5) * 2 - 1) * 0.6;
            }
            const double y = f[0].Run(source) + 0.6 * f[1].Run(source) + 0.25 * f[2].Run(source);
            mix.Add(first + i, static_cast<float>(y), 0);
        }
    }
    return EncodeSound(ToPcm(mix, 0.55f, false), 1);
}

} // namespace hk::demo
