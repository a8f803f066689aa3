// The system file "Save00.dat": the SystemData record stored whole.
#include "engine/engine.h"

namespace hk {

namespace {
constexpr const char* kSystemFileName = "Save00.dat";
}

void Engine::SetDefaultSettings(SystemData& data) {
    data.TextSpeed = 2;
    data.EffectsOn = 1;
    data.FullScreen = 0;
    data.VoiceVolume = 100;
    data.BgmVolume = 30;
    data.SeVolume = 100;
    data.AutoDelay = 2;
}

bool Engine::CheckSystemFile() { return m_files.Exists(kSystemFileName); }

void Engine::CreateSystemFile() {
    m_files.WriteAtomic(kSystemFileName, &m_state.System, sizeof(SystemData));
    m_system_loaded = true;
}

void Engine::ReadSystemFile() {
    // A longer file is accepted; only the record's length is read.
    m_files.ReadExact(kSystemFileName, &m_state.System, sizeof(SystemData));
    m_system_loaded = true;
}

} // namespace hk
