#include "platform/audio/AudioOutput.h"

#include "platform/audio/PlaybackFeed.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace audio {

namespace {

    constexpr int kOutputRate = 44100;
    constexpr int kOutputChannels = 2;
    // About 12 ms per buffer: SDL's audio thread wakes 86 times a second.
    // Closing a stream waits out the buffer under way and two more, so an
    // idle stream is gone some 35 ms after a stop and a play soon after it
    // opens a fresh stream, whose first buffer goes out at once.
    constexpr Uint16 kOutputFrames = 512;
    // The buffer of the stream that finds the driver: about 1.5 ms.
    constexpr Uint16 kProbeFrames = 64;

} // namespace

// One attached feed, with the converter that brings it to the device's format
// when the two differ.
struct AudioOutput::Voice {
    struct FreeConverter {
        void operator()(SDL_AudioStream* converter) const { SDL_FreeAudioStream(converter); }
    };

    PlaybackFeed* feed = nullptr;
    std::unique_ptr<SDL_AudioStream, FreeConverter> converter;
    // Samples at the feed's own format, read from it a piece at a time.
    std::vector<Uint8> piece;
    // Frames of the feed put into the converter, and frames of the device
    // taken out of it, so far.
    std::int64_t framesPut = 0;
    std::int64_t framesOut = 0;
    bool flushed = false;
};

AudioOutput::AudioOutput(AudioSystem& system)
    : system_(system)
{
}

AudioOutput::~AudioOutput()
{
    closer_ = std::jthread();
    std::lock_guard lock(deviceMutex_);
    closeDevice();
}

bool AudioOutput::prepare()
{
    std::lock_guard lock(deviceMutex_);
    // Once the driver is known the system stays ready; a stream may be
    // closing meanwhile on another thread.
    if (probed_)
        return true;
    if (!system_.ready())
        return false;
    if (!device_) {
        // Finding which driver plays (the dummy one when no sound device
        // opens) may take a while: it is done here, off the first play's
        // path, with a stream of the smallest buffer, as closing a stream
        // waits out two of its buffers. The first play then opens a fresh
        // stream, whose first buffer goes out at once.
        SDL_AudioSpec wanted = wantedSpec(kProbeFrames);
        wanted.callback
            = [](void*, Uint8* stream, int length) { std::memset(stream, 0, std::size_t(length)); };
        wanted.userdata = nullptr;
        SDL_AudioSpec obtained {};
        const SDL_AudioDeviceID probe = system_.openDevice(wanted, obtained);
        if (!probe)
            return false;
        system_.closeDevice(probe);
    }
    probed_ = true;
    return true;
}

bool AudioOutput::silent()
{
    std::lock_guard lock(deviceMutex_);
    return system_.silent();
}

SDL_AudioSpec AudioOutput::wantedSpec(Uint16 frames)
{
    SDL_AudioSpec wanted {};
    wanted.freq = kOutputRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = kOutputChannels;
    wanted.samples = frames;
    wanted.callback = &AudioOutput::callback;
    wanted.userdata = this;
    return wanted;
}

bool AudioOutput::openDevice()
{
    // Without allowed changes SDL converts to whatever the hardware takes.
    device_ = system_.openDevice(wantedSpec(kOutputFrames), spec_);
    if (!device_)
        return false;
    voiceBuffer_.resize(spec_.size / sizeof(std::int16_t));
    if (!closer_.joinable())
        closer_ = std::jthread([this](std::stop_token stop) { closeWhenIdle(stop); });
    return true;
}

void AudioOutput::closeDevice()
{
    system_.closeDevice(device_);
    device_ = 0;
    closeDue_ = false;
}

void AudioOutput::closeWhenIdle(std::stop_token stop)
{
    // A stream that nothing plays on is closed at once, on this thread: a
    // resting stream would start the next play only at its next wake, up to
    // a buffer later, while a fresh one sends its first buffer at once. The
    // close waits out the stream's buffers (and, with the disk driver, its
    // writes), so it runs outside the lock and nobody waits for it: feeds
    // attached meanwhile wait here for the fresh stream, as some drivers, the
    // dummy one among them, take no more than one at a time.
    std::unique_lock lock(deviceMutex_);
    while (!stop.stop_requested()) {
        if (!stateChanged_.wait(lock, stop, [&] { return closeDue_; }))
            break;
        const SDL_AudioDeviceID leaving = device_;
        device_ = 0;
        closeDue_ = false;
        closing_ = true;
        lock.unlock();
        system_.closeDevice(leaving);
        lock.lock();
        closing_ = false;
        if (!voices_.empty() && openDevice()) {
            SDL_LockAudioDevice(device_);
            SDL_PauseAudioDevice(device_, 0);
            SDL_UnlockAudioDevice(device_);
        }
    }
    AudioSystem::letThreadStateGo();
}

bool AudioOutput::attach(PlaybackFeed& feed)
{
    std::lock_guard lock(deviceMutex_);
    // While the last stream closes, the feed waits for the next, which has
    // the same format.
    if (!device_ && !closing_ && !openDevice())
        return false;
    auto voice = std::make_unique<Voice>();
    voice->feed = &feed;
    if (feed.sampleRate() != spec_.freq || feed.channels() != spec_.channels) {
        voice->converter.reset(SDL_NewAudioStream(AUDIO_S16SYS, Uint8(feed.channels()),
            int(feed.sampleRate()), spec_.format, spec_.channels, spec_.freq));
        if (!voice->converter) {
            restIfIdle();
            return false;
        }
        // A callback's worth of the feed's frames, so that its clock moves on
        // about once per callback.
        const long frames = long(spec_.samples) * feed.sampleRate() / spec_.freq + 1;
        voice->piece.resize(std::size_t(frames * feed.bytesPerFrame()));
    }
    closeDue_ = false;
    if (!device_) {
        voices_.push_back(std::move(voice));
        return true;
    }
    SDL_LockAudioDevice(device_);
    voices_.push_back(std::move(voice));
    SDL_PauseAudioDevice(device_, 0);
    SDL_UnlockAudioDevice(device_);
    return true;
}

void AudioOutput::detach(PlaybackFeed& feed)
{
    std::lock_guard lock(deviceMutex_);
    std::unique_ptr<Voice> leaving;
    // Without a stream, no callback reads the voices.
    if (device_)
        SDL_LockAudioDevice(device_);
    const auto found = std::find_if(
        voices_.begin(), voices_.end(), [&](const auto& voice) { return voice->feed == &feed; });
    if (found != voices_.end()) {
        leaving = std::move(*found);
        voices_.erase(found);
    }
    if (device_) {
        restIfIdle();
        SDL_UnlockAudioDevice(device_);
    }
}

void AudioOutput::restIfIdle()
{
    if (!voices_.empty() || !device_)
        return;
    SDL_PauseAudioDevice(device_, 1);
    closeDue_ = true;
    stateChanged_.notify_all();
}

void AudioOutput::callback(void* self, Uint8* stream, int length)
{
    static_cast<AudioOutput*>(self)->mix(stream, length);
}

void AudioOutput::renderVoice(Voice& voice, Uint8* out, int length)
{
    if (!voice.converter) {
        voice.feed->fill(out, std::size_t(length));
        return;
    }
    // Only sound goes into the converter, so all that comes out is sound and
    // tells how much of the feed has been handed over. The converter holds
    // back a stretch of its input; at the end of the feed it is flushed out.
    while (SDL_AudioStreamAvailable(voice.converter.get()) < length) {
        const std::size_t taken = voice.feed->take(voice.piece.data(), voice.piece.size());
        if (taken > 0) {
            if (SDL_AudioStreamPut(voice.converter.get(), voice.piece.data(), int(taken)) != 0)
                break;
            voice.framesPut += std::int64_t(taken) / voice.feed->bytesPerFrame();
        } else if (voice.feed->exhausted() && !voice.flushed) {
            SDL_AudioStreamFlush(voice.converter.get());
            voice.flushed = true;
        } else {
            break;
        }
    }
    const int got = std::max(0, SDL_AudioStreamGet(voice.converter.get(), out, length));
    std::memset(out + got, 0, std::size_t(length - got));
    voice.framesOut += got / outputFrameBytes();
    const bool allOut = voice.flushed && SDL_AudioStreamAvailable(voice.converter.get()) == 0;
    voice.feed->handedOver(allOut
            ? voice.framesPut
            : std::min(voice.framesPut, voice.framesOut * voice.feed->sampleRate() / spec_.freq));
}

int AudioOutput::outputFrameBytes() const
{
    return int(SDL_AUDIO_BITSIZE(spec_.format) / 8) * spec_.channels;
}

void AudioOutput::mix(Uint8* stream, int length)
{
    if (voices_.empty() || voiceBuffer_.empty()) {
        std::memset(stream, 0, std::size_t(length));
        return;
    }
    // The first voice is rendered straight into the stream; only the others,
    // when several play at once, need the scratch buffer and a sum.
    renderVoice(*voices_.front(), stream, length);
    auto* mixed = reinterpret_cast<std::int16_t*>(stream);
    auto* voiceBytes = reinterpret_cast<Uint8*>(voiceBuffer_.data());
    const std::int16_t* voiceSamples = voiceBuffer_.data();
    const int bufferBytes = int(voiceBuffer_.size() * sizeof(std::int16_t));
    for (int done = 0; done < length;) {
        const int part = std::min(length - done, bufferBytes);
        std::int16_t* out = mixed + done / 2;
        for (auto voice = voices_.begin() + 1; voice != voices_.end(); ++voice) {
            renderVoice(**voice, voiceBytes, part);
            for (int i = 0; i < part / 2; ++i)
                out[i] = std::int16_t(std::clamp(out[i] + voiceSamples[i], -32768, 32767));
        }
        done += part;
    }
}

} // namespace audio
