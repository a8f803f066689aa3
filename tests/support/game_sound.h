// The script's music and effect commands as the game carries them out: at the volumes of the
// settings, with the music noted in the saved game.
#pragma once

#include "engine/engine.h"

namespace hk::test {

inline void PlayBGM(Engine& engine, int number, int loop) {
    engine.Sound().PlayGameBGM(engine.State().Game, number, loop, engine.State().System.BgmVolume);
}

inline void PlaySE(Engine& engine, int kind, int number, int loop) {
    engine.Sound().PlaySE(kind, number, loop, engine.State().System.SeVolume);
}

} // namespace hk::test
