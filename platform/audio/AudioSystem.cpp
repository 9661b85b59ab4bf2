#include "platform/audio/AudioSystem.h"

namespace audio {

AudioSystem::~AudioSystem()
{
    finish();
}

bool AudioSystem::start(const char* driver)
{
    finish();
    // The window toolkit owns the process's signals; SDL must not take them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Above the environment's choice: a driver named there that cannot play
    // must not keep the fallback from playing on without sound.
    if (driver)
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver, SDL_HINT_OVERRIDE);
    started_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    return started_;
}

void AudioSystem::finish()
{
    if (started_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    started_ = false;
}

bool AudioSystem::ready()
{
    if (!started_ && !start(dummy_ ? "dummy" : nullptr)) {
        dummy_ = true;
        start("dummy");
    }
    letThreadStateGo();
    return started_;
}

SDL_AudioDeviceID AudioSystem::openDevice(const SDL_AudioSpec& wanted, SDL_AudioSpec& obtained)
{
    SDL_AudioDeviceID device = 0;
    if (ready())
        device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0 && !dummy_ && openDevices_ == 0) {
        dummy_ = true;
        if (start("dummy"))
            device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    }
    if (device != 0)
        ++openDevices_;
    letThreadStateGo();
    return device;
}

void AudioSystem::letThreadStateGo()
{
    // Files open and stretches start on short-lived threads that SDL did not
    // start: the error text SDL keeps per thread would outlive them.
    SDL_TLSCleanup();
}

void AudioSystem::closeDevice(SDL_AudioDeviceID device)
{
    if (device == 0)
        return;
    SDL_CloseAudioDevice(device);
    --openDevices_;
}

} // namespace audio
