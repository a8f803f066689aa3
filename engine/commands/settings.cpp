// The settings dialog's game side: filling it, the live volume sliders, and "戻る".
#include "engine/commands/game_commands.h"

#include "engine/engine_state.h"
#include "engine/sound/sound_cues.h"

namespace hk {

namespace {

std::string AutoDelayLabel(int seconds) {
    return "設定時間：" + std::to_string(seconds) + "秒";
}

} // namespace

void GameCommands::ConnectConfigForm() {
    ConfigForm& f = Config;
    SystemData& sys = m_state.System;
    f.OnBgmVolChange = [this, &f, &sys] {
        sys.BgmVolume = f.BgmVol();
        m_sound.SetChannelVolume(1, f.BgmVol());
    };
    f.OnVoiceVolChange = [this, &f, &sys] {
        sys.VoiceVolume = f.VoiceVol();
        m_sound.SetChannelVolume(5, f.VoiceVol());
    };
    f.OnSeVolChange = [this, &f, &sys] {
        sys.SeVolume = f.SeVol();
        m_sound.SetChannelVolume(3, f.SeVol());
        m_sound.SetChannelVolume(4, f.SeVol());
    };
    f.OnMsgAutoChange = [&f] { f.DelayLabel = AutoDelayLabel(f.MsgAuto()); };
    f.OnOkButtonClick = [this] { ConfigOkButtonClick(); };
}

void GameCommands::ItemOptionClick() {
    ConfigForm& f = Config;
    const SystemData& sys = m_state.System;
    f.SetEffects(sys.EffectsOn != 0);
    f.SetFullScreen(sys.FullScreen != 0);
    f.SetTextSpeed(sys.TextSpeed);
    f.SetMsgAuto(sys.AutoDelay);
    f.SetBgmVol(sys.BgmVolume);
    f.SetVoiceVol(sys.VoiceVolume);
    f.SetSeVol(sys.SeVolume);
    f.DelayLabel = AutoDelayLabel(f.MsgAuto());
    m_platform.ShowConfigForm(f);
}

void GameCommands::ConfigOkButtonClick() {
    ConfigForm& f = Config;
    SystemData& sys = m_state.System;
    sys.EffectsOn = f.EffectsOn ? 1 : 0;
    if (sys.FullScreen == 1 && f.Windowed)
        m_platform.SetFullScreen(false);
    if (sys.FullScreen == 0 && f.FullScreen)
        m_platform.SetFullScreen(true);
    sys.FullScreen = f.FullScreen ? 1 : 0;
    if (f.SpeedFast)
        sys.TextSpeed = 3;
    else if (f.SpeedStandard)
        sys.TextSpeed = 2;
    else if (f.SpeedSlow)
        sys.TextSpeed = 1;
    sys.AutoDelay = f.MsgAuto();
    sys.BgmVolume = f.BgmVol();
    sys.VoiceVolume = f.VoiceVol();
    sys.SeVolume = f.SeVol();
    m_sound.SetChannelVolume(1, sys.BgmVolume);
}

} // namespace hk
