// The script's music and effect commands as the main form carries them out: the cue plays at the
// volume of the settings, and the saved game notes the music.
#include "engine/engine.h"

namespace hk {

void Engine::PlayBGM(int number, int loop) {
    m_state.Game.CurrentBgm = number;
    if (m_sound.PlayBGM(number, loop, m_state.System.BgmVolume))
        m_state.Game.BgmLoop = loop != 0 ? 1 : 0;
}

void Engine::PlaySE(int kind, int number, int loop) {
    m_sound.PlaySE(kind, number, loop, m_state.System.SeVolume);
}

} // namespace hk
