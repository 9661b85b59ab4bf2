#pragma once

// The playback benchmarks' reference: the least a player can do. libmpg123
// decodes inside SDL's audio callback, straight into the device's buffer, at
// the file's own rate and channels, so nothing is converted, copied or
// buffered ahead; the main thread only waits for the end.

#include <SDL.h>
#include <atomic>
#include <cstring>
#include <memory>
#include <mpg123.h>

namespace bench {

// Plays `file` to its end; 0 on success.
inline int playPaced(const char* file)
{
    if (SDL_Init(SDL_INIT_AUDIO) != 0)
        return 1;
    mpg123_init();
    std::unique_ptr<mpg123_handle, decltype(&mpg123_delete)> decoder(
        mpg123_new(nullptr, nullptr), &mpg123_delete);
    long rate = 0;
    int channels = 0, encoding = 0;
    if (!decoder || mpg123_open(decoder.get(), file) != MPG123_OK
        || mpg123_getformat(decoder.get(), &rate, &channels, &encoding) != MPG123_OK)
        return 1;
    mpg123_format_none(decoder.get());
    mpg123_format(decoder.get(), rate, channels, MPG123_ENC_SIGNED_16);

    struct Player {
        mpg123_handle* decoder;
        std::atomic<bool> done { false };
    } player { decoder.get() };
    SDL_AudioSpec wanted {};
    wanted.freq = int(rate);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = Uint8(channels);
    wanted.samples = 1024;
    wanted.userdata = &player;
    wanted.callback = [](void* self, Uint8* stream, int length) {
        auto& p = *static_cast<Player*>(self);
        std::size_t got = 0;
        if (mpg123_read(p.decoder, stream, std::size_t(length), &got) != MPG123_OK)
            p.done = true;
        std::memset(stream + got, 0, std::size_t(length) - got);
    };
    SDL_AudioSpec obtained {};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (!device)
        return 1;
    SDL_PauseAudioDevice(device, 0);
    while (!player.done)
        SDL_Delay(100);
    SDL_CloseAudioDevice(device);
    SDL_Quit();
    return 0;
}

} // namespace bench
