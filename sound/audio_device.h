// The sound output device the platform provides (SDL2 in the window build, a virtual-time device
// headless). The sound unit plays its streaming ring through it.
#pragma once

namespace hk {

class AudioDevice {
public:
    virtual ~AudioDevice() = default;
};

} // namespace hk
