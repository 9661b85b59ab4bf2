#pragma once

#include "platform/audio/SampleRing.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>

namespace audio {

// The stream of decoded samples of one stretch of playback, from the decoder
// thread (which writes) to the audio callback (which reads), and the clock of
// what has been heard of it, which the command thread reads.
class PlaybackFeed {
public:
    using Clock = std::chrono::steady_clock;

    PlaybackFeed(long sampleRate, int channels, std::chrono::milliseconds buffered);

    long sampleRate() const { return sampleRate_; }
    int channels() const { return bytesPerFrame_ / 2; }
    int bytesPerFrame() const { return bytesPerFrame_; }
    SampleRing& ring() { return ring_; }

    // Decoder thread: no more samples will come. `frames` were written in all;
    // `reachedEnd` tells a complete stretch from one cut short by a failure.
    void finish(std::int64_t frames, bool reachedEnd);

    // Audio callback: fills `out` with the next samples, silence where there
    // are none yet, and counts them as handed over.
    void fill(std::uint8_t* out, std::size_t bytes);
    // Audio callback: takes up to `bytes` of whole frames, without counting them.
    std::size_t take(std::uint8_t* out, std::size_t bytes);
    // Audio callback: `frames` of the feed have now been handed to the sound
    // device in all; the new ones are heard in real time, after those handed
    // over before them.
    void handedOver(std::int64_t frames);

    // Frames heard so far: those handed to the sound device minus those it
    // still holds, at the moment `now`.
    std::int64_t heardFrames(Clock::time_point now = Clock::now()) const;
    // True once everything written has been heard.
    bool drained(Clock::time_point now = Clock::now()) const;
    bool reachedEnd() const { return reachedEnd_.load(); }
    // True once no more samples will come and none are left to take.
    bool exhausted() const { return finished_.load() && ring_.filled() == 0; }

private:
    std::int64_t heardLocked(Clock::time_point now) const;

    const long sampleRate_;
    const int bytesPerFrame_;
    SampleRing ring_;

    // Set by the decoder thread, read by the others.
    std::atomic<bool> finished_ { false };
    std::atomic<bool> reachedEnd_ { false };
    std::atomic<std::int64_t> framesWritten_ { 0 };

    // Frames fill() has handed over; the audio callback's alone.
    std::int64_t framesFilled_ = 0;

    // Written by the audio callback, read by the command thread. Sound handed
    // over plays after whatever was handed over before it, at the feed's own
    // rate: the frames handed over in all, and the frame that began playing
    // at `anchoredAt` when sound last came after none was left to play. A
    // device that asks early (SDL's dummy driver runs a few per cent fast)
    // thus holds its sound a little longer instead of hurrying the clock.
    mutable std::mutex clockMutex_;
    std::int64_t framesHanded_ = 0;
    std::int64_t anchorFrame_ = 0;
    Clock::time_point anchoredAt_ {};
};

} // namespace audio
