// SoundCues: the game's sound cues (music, two effect channels, voices) on the mixer's fixed
// channels, and the sound objects behind them: the decoder binding, the mixer with its six
// decoders and the streaming output whose refills mix the next block. It reads cue files through
// GameFiles and plays on the platform's audio device. The volumes of the settings are the
// caller's and come with each call; the music a save records is noted in the record the caller
// hands over. Everything here runs on the GUI thread; only the output's failure report arrives
// from the sound thread.
#pragma once

#include "core/records.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace hk {

class GameFiles;
class Platform;

// The mixer's channels: 1 music, 3 and 4 effects, 5 voice; the others stay silent.
inline constexpr int kMixerChannels = 10;

class SoundCues {
public:
    // The debug window's lines the cues write: the voice last asked for (BgmLabel) and the music
    // playing (BgmFileLabel).
    enum class DebugLine { BgmLabel, BgmFileLabel };
    using DebugLineSink = std::function<void(DebugLine line, const std::string& text)>;

    // What one mixer channel is doing, for the runner's state file.
    struct ChannelView {
        int status = 0; // 0 nothing loaded, 1 loaded, 2 playing, 3 looping
        int level = 0;  // 0..255
        std::string file;
    };

    SoundCues(Platform& platform, const GameFiles& files, DebugLineSink debug_lines = {});
    ~SoundCues();
    SoundCues(const SoundCues&) = delete;
    SoundCues& operator=(const SoundCues&) = delete;

    // Start-up step 18: the output opens on the platform's audio device (none means silence).
    // Until then, and after the release, every cue is silent and every channel empty.
    void CreateSoundObjects();
    void ReleaseSoundObjects();

    // Music `number` ("Sound\Mnn.ogg") at `volume` percent, looping when loop is non-zero; 0 stops
    // all sound. True when it plays; on false (0, or no playable file) the music playing goes on.
    bool PlayBGM(int number, int loop, int volume);
    // PlayBGM as the game asks for it: the number, and the loop flag of music that plays, are
    // noted in the saved game, so that a load restarts it.
    void PlayGameBGM(GameData& game, int number, int loop, int volume);
    // Effect channel kind 1 or 2: effect `number` ("Sound\Snn.ogg"; 0 stops that channel),
    // loop = 1 loops. Other kinds do nothing.
    void PlaySE(int kind, int number, int loop, int volume);
    // Stops the voice channel, then plays the voice file (a game path, "VOICE\name.ogg").
    void PlayVoice(const std::string& path, int volume);
    void StopVoice();
    // Volume of a mixer channel in percent (0..100), for what it plays now.
    void SetChannelVolume(int channel, int percent);
    // What a load restarts, the numbers being the record's own (nothing in it is changed): the saved
    // music (0 stops all sound), and, once the saved scene is read, the effects that were playing.
    void RestoreMusic(const GameData& saved, int bgm_volume);
    void RestoreEffects(const GameData& saved, int se_volume);

    // Status of the voice channel (5): 0 nothing loaded, 1 loaded and stopped, 2 playing, 3 looping.
    int VoiceChannelStatus() const;
    std::array<ChannelView, kMixerChannels> ChannelViews() const;
    // Passes a failure the sound output reported from its thread on to the platform's error
    // report, once.
    void ReportSoundFailure();

private:
    // Loads a cue file into a decoder bound to a channel at a volume; false when there is no file.
    bool LoadCue(int decoder, int channel, const std::string& game_path, int volume);
    void ShowDebugLine(DebugLine line, const std::string& text);

    struct SoundObjects;
    struct SoundObjectsDeleter {
        void operator()(SoundObjects* sound) const;
    };

    Platform& m_platform;
    const GameFiles& m_files;
    DebugLineSink m_debug_lines;
    std::unique_ptr<SoundObjects, SoundObjectsDeleter> m_sound;
};

} // namespace hk
