#pragma once

#include <SDL.h>

namespace audio {

// SDL's audio subsystem for the devices of the process. It starts with SDL's
// choice of driver; when no sound device can be opened there (no sound card,
// no sound server) it switches to SDL's "dummy" driver, which consumes samples
// in real time, so that playback and its positions go on without sound.
// Not thread-safe: its one user, the sound output, makes one call at a time.
class AudioSystem {
public:
    AudioSystem() = default;
    ~AudioSystem();
    AudioSystem(const AudioSystem&) = delete;
    AudioSystem& operator=(const AudioSystem&) = delete;

    // Starts the subsystem, with the dummy driver when SDL's choice fails;
    // false when even that fails.
    bool ready();
    // Opens an output device for `wanted`; 0 when even the dummy driver fails.
    SDL_AudioDeviceID openDevice(const SDL_AudioSpec& wanted, SDL_AudioSpec& obtained);
    void closeDevice(SDL_AudioDeviceID device);
    // True once no sound device could be opened and the dummy driver plays.
    bool silent() const { return dummy_; }
    // Lets go of what SDL keeps for the calling thread, before a thread that
    // SDL did not start ends.
    static void letThreadStateGo();

private:
    bool start(const char* driver);
    void finish();

    bool started_ = false;
    bool dummy_ = false;
    int openDevices_ = 0;
};

} // namespace audio
