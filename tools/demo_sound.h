// The sample game's sound: background music rendered from the score recipes in demo/music.txt,
// synthesised sound effects, and voices made of pitched vowel sounds that follow the kana of a
// line. Everything is synthesised here from numbers and a fixed seed; nothing is recorded.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hk::demo {

// One note of a part: start and length in sixteenth notes from the beginning of the piece.
struct Note {
    int start = 0;
    int length = 0;
    int pitch = 0; // MIDI note number
};

struct Chord {
    int start = 0; // sixteenths
    int length = 0;
    std::vector<int> pitches; // root position, octave 3..4
    int bass = 0;             // MIDI note of the bass
};

// A piece as the recipe describes it.
struct MusicTrack {
    int number = 0;
    std::string title; // UTF-8, shown in the music room
    double tempo = 96; // quarter notes per minute
    int bars = 0;
    int loop_from = 0; // bar numbers 1..bars; 0 = the file loops whole
    int loop_to = 0;
    std::string lead = "bell";   // bell, flute, pluck, piano
    std::string pad = "strings"; // strings, organ, none
    std::string bass = "half";   // half, pulse, walk, none
    std::string drums = "none";  // none, soft, shaker
    std::string arp = "none";    // none, up, wave
    std::vector<Note> melody;
    std::vector<Chord> chords;
};

// Parses demo/music.txt. Throws std::runtime_error "source:line: message" on a mistake.
std::vector<MusicTrack> ParseMusicRecipes(std::string_view text, std::string_view source);

// The Ogg Vorbis file of a piece: stereo 44,100 Hz; with an ALPHAOGG header whose first record
// loops bars loop_from..loop_to when the recipe names a loop.
std::vector<std::uint8_t> RenderMusic(const MusicTrack& track);

// Seconds from the start of the piece to the start of a bar (1-based).
double BarSeconds(const MusicTrack& track, int bar);

// Sound effect n (1..kEffectCount) as an Ogg Vorbis file.
inline constexpr int kEffectCount = 8;
std::vector<std::uint8_t> RenderEffect(int number);
// What each effect is, for the recipe listing and the tests.
std::string_view EffectName(int number);

// A voice for one line: mono 44,100 Hz Ogg Vorbis. `text` is the line's characters; one syllable
// per kana, its vowel taken from the kana, pitched around `pitch_hz`.
std::vector<std::uint8_t> RenderVoice(std::u32string_view text, double pitch_hz, std::uint32_t seed);

// Interleaved 16-bit samples -> Ogg Vorbis at the quality the game's files use.
std::vector<std::uint8_t> EncodeSound(std::span<const std::int16_t> samples, int channels);

} // namespace hk::demo
