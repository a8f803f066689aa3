// The game's sound cues (music, two effect channels, voices) on the mixer's fixed channels, and
// the sound objects behind them: the decoder binding, the mixer with its six decoders and the
// streaming output whose refills mix the next block.
#include "engine/sound/sound_cues.h"

#include "data/game_files.h"
#include "engine/host.h"
#include "sound/ogg_data.h"
#include "sound/ogg_player.h"
#include "sound/sound_output.h"
#include "sound/vorbis_library.h"

#include <mutex>

namespace hk {

namespace {

constexpr std::uint32_t kSoundBufferBytes = 163840;
constexpr int kBgmChannel = 1;
constexpr int kSe1Channel = 3;
constexpr int kSe2Channel = 4;
constexpr int kVoiceChannel = 5;
// Decoders 0..3 serve music, effect 1, effect 2 and voice; 4 and 5 are made but never used.
constexpr int kBgmDecoder = 0, kSe1Decoder = 1, kSe2Decoder = 2, kVoiceDecoder = 3;

std::string NumberedFile(const char* prefix, int number) {
    return std::string(prefix) + (number < 10 ? "0" : "") + std::to_string(number) + ".ogg";
}

} // namespace

// Everything the sound needs, made in start-up step 18 and released at the end of the game.
struct SoundCues::SoundObjects {
    std::unique_ptr<AudioDevice> device;
    std::unique_ptr<SoundOutput> output;
    std::unique_ptr<VorbisLibrary> vorbis;
    std::unique_ptr<OggPlayer> player;
    std::unique_ptr<OggData> decoders[6];
    std::unique_ptr<StreamBuffer> wave;
    std::string files[kMixerChannels]; // what each channel was last given, for the state file

    // A failure of the output, reported by the worker; shown on the next tick.
    std::mutex error_mutex;
    std::string pending_error;
};

void SoundCues::SoundObjectsDeleter::operator()(SoundObjects* sound) const {
    delete sound;
}

SoundCues::SoundCues(Platform& platform, const GameFiles& files, DebugLineSink debug_lines)
    : m_platform(platform), m_files(files), m_debug_lines(std::move(debug_lines)) {}

SoundCues::~SoundCues() {
    ReleaseSoundObjects();
}

void SoundCues::ShowDebugLine(DebugLine line, const std::string& text) {
    if (m_debug_lines)
        m_debug_lines(line, text);
}

void SoundCues::CreateSoundObjects() {
    std::unique_ptr<SoundObjects, SoundObjectsDeleter> sound(new SoundObjects);
    sound->device = m_platform.CreateAudioDevice();
    sound->output = std::make_unique<SoundOutput>(sound->device.get());
    sound->output->SetDebugOption(kHaltOnError);
    SoundObjects* raw = sound.get();
    // The output stops itself on a failure; the player hears silence from then on, and the
    // message reaches the error report on the next tick instead of being lost (a game that
    // sleeps between ticks is woken for it).
    sound->output->SetErrorHandler([raw, &platform = m_platform](const std::string& message) {
        {
            std::lock_guard lock(raw->error_mutex);
            if (raw->pending_error.empty())
                raw->pending_error = message;
        }
        platform.Wake();
    });
    sound->output->Initialize();
    sound->vorbis = std::make_unique<VorbisLibrary>();
    sound->player = std::make_unique<OggPlayer>(kSoundBufferBytes, kMixerChannels);
    for (auto& decoder : sound->decoders)
        decoder = std::make_unique<OggData>(*sound->vorbis, kSoundBufferBytes);
    sound->wave = std::make_unique<StreamBuffer>(*sound->output, 44100, 16, true, kSoundBufferBytes, false);
    OggPlayer* player = sound->player.get();
    StreamBuffer* wave = sound->wave.get();
    wave->SetOnRefill([player, wave](std::uint32_t offset, std::uint32_t length) {
        player->NextBlock();
        wave->WriteBlock(offset, player->BlockPointer(), std::min(length, player->BlockSize()));
    });
    if (SoundOutputChannel* channel = sound->output->Channels(0)) {
        channel->SetWaveData(wave);
        channel->Play();
    }
    m_sound = std::move(sound);
}

void SoundCues::ReleaseSoundObjects() {
    if (!m_sound)
        return;
    if (SoundOutputChannel* channel = m_sound->output->Channels(0)) {
        channel->Stop();
        channel->SetWaveData(nullptr);
    }
    m_sound->wave.reset();
    for (auto& decoder : m_sound->decoders)
        decoder.reset();
    m_sound->player.reset();
    m_sound->vorbis.reset();
    m_sound->output.reset();
    m_sound->device.reset();
    m_sound.reset();
}

void SoundCues::ReportSoundFailure() {
    if (!m_sound)
        return;
    std::string message;
    {
        std::lock_guard lock(m_sound->error_mutex);
        message.swap(m_sound->pending_error);
    }
    if (!message.empty())
        m_platform.ReportError(
            {"音の出力が止まったため、ここからは音なしで続けます。\n"
             "ほかのプログラムが音の出力を使っていないか、音の設定を確かめてから、ゲームを起動し直してください。",
             message});
}

bool SoundCues::LoadCue(int decoder, int channel, const std::string& game_path, int volume) {
    if (!m_sound || !m_files.Exists(game_path))
        return false;
    OggData& data = *m_sound->decoders[decoder];
    try {
        // A file removed since the check above is missing like any other: the decoder keeps
        // what it had, and so does the channel.
        if (!data.LoadFromFile(m_files.Resolve(game_path)))
            return false;
    } catch (const EOggData& error) {
        // A damaged file (cut short, emptied, not Ogg Vorbis, unreadable): the player is told
        // which file, the channel falls silent and the game plays on. Letting the error end the
        // tick would stop the frame timer and freeze the game over one sound.
        data.Close();
        m_sound->files[channel].clear();
        m_platform.ReportError({"音のファイル「" + m_files.FullPath(game_path).string() +
                                    "」が壊れているため、この音は鳴らさずに続けます。\n"
                                    "このファイルを元のディスクから写し直してください。",
                                error.what()});
        return false;
    }
    m_sound->player->SetData(channel, &data);
    m_sound->player->SetVolume(channel, static_cast<float>(volume) / 100.0f);
    m_sound->files[channel] = game_path;
    return true;
}

bool SoundCues::PlayBGM(int number, int loop, int volume) {
    if (number == 0) {
        if (m_sound)
            m_sound->player->StopAll();
        ShowDebugLine(DebugLine::BgmFileLabel, "");
        return false;
    }
    const std::string file = NumberedFile("Sound\\M", number);
    if (!LoadCue(kBgmDecoder, kBgmChannel, file, volume)) {
        // The music that plays goes on.
        ShowDebugLine(DebugLine::BgmFileLabel, "");
        return false;
    }
    m_sound->player->Play(kBgmChannel, loop != 0);
    ShowDebugLine(DebugLine::BgmFileLabel, file + (loop != 0 ? " LOOP PLAY" : " PLAY"));
    return true;
}

void SoundCues::PlayGameBGM(GameData& game, int number, int loop, int volume) {
    game.CurrentBgm = number;
    if (PlayBGM(number, loop, volume))
        game.BgmLoop = loop != 0 ? 1 : 0;
}

void SoundCues::PlaySE(int kind, int number, int loop, int volume) {
    if (kind != 1 && kind != 2)
        return;
    const int channel = kind == 1 ? kSe1Channel : kSe2Channel;
    if (number == 0) {
        if (m_sound)
            m_sound->player->Stop(channel);
        return;
    }
    if (LoadCue(kind == 1 ? kSe1Decoder : kSe2Decoder, channel, NumberedFile("Sound\\S", number), volume))
        m_sound->player->Play(channel, loop == 1);
}

void SoundCues::PlayVoice(const std::string& path, int volume) {
    StopVoice();
    if (path.empty())
        return;
    ShowDebugLine(DebugLine::BgmLabel, "PV:" + path);
    if (LoadCue(kVoiceDecoder, kVoiceChannel, path, volume))
        m_sound->player->Play(kVoiceChannel, false);
}

void SoundCues::RestoreMusic(const GameData& saved, int bgm_volume) {
    PlayBGM(saved.CurrentBgm, saved.BgmLoop, bgm_volume);
}

void SoundCues::RestoreEffects(const GameData& saved, int se_volume) {
    for (int channel = 0; channel < 2; ++channel)
        if (saved.SeRestoreNumber[channel] != 0)
            PlaySE(channel + 1, saved.SeRestoreNumber[channel], saved.SeRestoreLoop[channel], se_volume);
}

void SoundCues::StopVoice() {
    if (m_sound)
        m_sound->player->Stop(kVoiceChannel);
}

int SoundCues::VoiceChannelStatus() const {
    return m_sound ? m_sound->player->Status(kVoiceChannel) : 0;
}

void SoundCues::SetChannelVolume(int channel, int percent) {
    if (m_sound)
        m_sound->player->SetVolume(channel, static_cast<float>(percent) / 100.0f);
}

std::array<SoundCues::ChannelView, kMixerChannels> SoundCues::ChannelViews() const {
    std::array<ChannelView, kMixerChannels> views{};
    if (!m_sound)
        return views;
    for (int ch = 0; ch < kMixerChannels; ++ch) {
        views[ch].status = m_sound->player->Status(ch);
        if (const OggData* data = m_sound->player->Data(ch)) {
            views[ch].level = data->ChannelLevel();
            views[ch].file = m_sound->files[ch];
        }
    }
    return views;
}

} // namespace hk
