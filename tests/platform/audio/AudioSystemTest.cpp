#include "platform/audio/AudioSystem.h"

#include <cstdlib>
#include <gtest/gtest.h>

// A driver named in the environment that does not exist, or cannot play,
// gives way to the dummy driver, which plays on without sound and says so.
TEST(AudioSystemTest, FallsBackToTheDummyDriverWhateverTheEnvironmentNames)
{
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    audio::AudioSystem system;
    SDL_AudioSpec wanted {};
    wanted.freq = 44100;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = [](void*, Uint8* stream, int bytes) { SDL_memset(stream, 0, bytes); };
    SDL_AudioSpec obtained {};
    const SDL_AudioDeviceID device = system.openDevice(wanted, obtained);
    EXPECT_NE(device, 0u) << SDL_GetError();
    EXPECT_TRUE(system.silent());
    EXPECT_STREQ(SDL_GetCurrentAudioDriver(), "dummy");
    system.closeDevice(device);
    ::unsetenv("SDL_AUDIODRIVER");
}
