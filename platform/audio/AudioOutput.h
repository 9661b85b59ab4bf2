#pragma once

#include "platform/audio/AudioSystem.h"
#include "platform/audio/SoundOutput.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace audio {

// The process's one sound-device stream, shared by every playing device: its
// audio callback mixes the attached feeds, each converted from its file's rate
// and channels. One stream serves all because a sound device, SDL's dummy
// driver among them, may take no more than one. The callback runs on SDL's
// audio thread and touches the feeds and its own buffers only.
class AudioOutput : public SoundOutput {
public:
    explicit AudioOutput(AudioSystem& system);
    ~AudioOutput() override;
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Readies the sound system, the first time by opening and closing a
    // stream; false when not even the dummy driver plays. Streams open when
    // something plays and close, on a thread of their own, as soon as nothing
    // does.
    bool prepare() override;
    // True once no sound device could be opened: the dummy driver plays on,
    // keeping time without sound.
    bool silent();
    bool attach(PlaybackFeed& feed) override;
    void detach(PlaybackFeed& feed) override;

private:
    struct Voice;

    static void callback(void* self, Uint8* stream, int length);
    void mix(Uint8* stream, int length);
    void renderVoice(Voice& voice, Uint8* out, int length);
    int outputFrameBytes() const;
    SDL_AudioSpec wantedSpec(Uint16 frames);
    bool openDevice();
    void closeDevice();
    void restIfIdle();
    void closeWhenIdle(std::stop_token stop);

    AudioSystem& system_;
    // Orders the opening and closing of the stream: plays start on their
    // decoders' threads, and stop on the command thread.
    std::mutex deviceMutex_;
    SDL_AudioDeviceID device_ = 0;
    // A stream has opened, so the driver is known.
    bool probed_ = false;
    // The stream plays nothing and is to close.
    bool closeDue_ = false;
    // A stream is closing outside the lock; no other opens meanwhile.
    bool closing_ = false;
    std::condition_variable_any stateChanged_;
    SDL_AudioSpec spec_ {};
    // The attached feeds: changed only under SDL_LockAudioDevice, which waits
    // for a running callback to return; read by the callback.
    std::vector<std::unique_ptr<Voice>> voices_;
    // The callback's scratch space for one voice, sized when the device opens.
    std::vector<std::int16_t> voiceBuffer_;
    // Closes the stream once idle; started with the first stream.
    std::jthread closer_;
};

} // namespace audio
