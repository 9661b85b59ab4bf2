#pragma once

#include <SDL.h>

namespace audio {

// SDL's audio subsystem for the devices of the process. It starts with SDL's
// choice of driver; when no sound device can be opened there (no sound card,
// no sound server) it switches to SDL's "dummy" driver, which consumes samples
// in real time, so that playback and its positions go on without sound.
// Used from the command thread only, under the device registry's lock.
class AudioSystem {
public:
    AudioSystem() = default;
    ~AudioSystem();
    AudioSystem(const AudioSystem&) = delete;
    AudioSystem& operator=(const AudioSystem&) = delete;

    // Opens an output device for `wanted`; 0 when even the dummy driver fails.
    SDL_AudioDeviceID openDevice(const SDL_AudioSpec& wanted, SDL_AudioSpec& obtained);
    void closeDevice(SDL_AudioDeviceID device);

private:
    bool start(const char* driver);
    void finish();

    bool started_ = false;
    bool dummy_ = false;
    int openDevices_ = 0;
};

} // namespace audio
