// Handlers whose subsystems are being built: each owner removes its functions from this file
// when it defines them in its own file. Until then they leave the state as it is.
#include "engine/form1.h"

namespace hk {

void TForm1::PlayBGM(int, int) {}
void TForm1::PlaySE(int, int, int) {}
void TForm1::PlayVoice(const std::string&) {}
void TForm1::StopVoice() {}
void TForm1::CreateSoundObjects() {}
void TForm1::ReleaseSoundObjects() {}
int TForm1::VoiceChannelStatus() { return 0; }
std::array<TForm1::ChannelView, 10> TForm1::ChannelViews() { return {}; }
void TForm1::SetChannelVolume(int, int) {}

} // namespace hk
