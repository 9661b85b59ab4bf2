#pragma once

#include "platform/audio/AudioSystem.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace audio {

class PlaybackFeed;

// The process's one sound-device stream, shared by every playing device: its
// audio callback mixes the attached feeds, each converted from its file's rate
// and channels. One stream serves all because a sound device, SDL's dummy
// driver among them, may take no more than one. The callback runs on SDL's
// audio thread and touches the feeds and its own buffers only.
class AudioOutput {
public:
    explicit AudioOutput(AudioSystem& system);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens the sound device, if it is not open yet, so that the first play
    // need not wait for it; false when none opens.
    bool prepare();
    // Starts playing `feed` beside any others; false when no sound device,
    // not even the dummy one, opens. The feed must stay until detached.
    bool attach(PlaybackFeed& feed);
    // Stops playing `feed`; once this returns the callback no longer uses it.
    void detach(PlaybackFeed& feed);

private:
    struct Voice;

    static void callback(void* self, Uint8* stream, int length);
    void mix(Uint8* stream, int length);
    void renderVoice(Voice& voice, Uint8* out, int length);
    int outputFrameBytes() const;

    AudioSystem& system_;
    SDL_AudioDeviceID device_ = 0;
    SDL_AudioSpec spec_ {};
    // The attached feeds: changed only under SDL_LockAudioDevice, which waits
    // for a running callback to return; read by the callback.
    std::vector<std::unique_ptr<Voice>> voices_;
    // The callback's scratch space for one voice, sized when the device opens.
    std::vector<std::int16_t> voiceBuffer_;
};

} // namespace audio
