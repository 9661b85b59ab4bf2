#include "platform/audio/PlaybackFeed.h"

#include <algorithm>
#include <cstring>

namespace audio {

PlaybackFeed::PlaybackFeed(long sampleRate, int channels, std::chrono::milliseconds buffered)
    : sampleRate_(sampleRate)
    , bytesPerFrame_(2 * channels)
    , ring_(std::size_t(sampleRate * buffered.count() / 1000) * std::size_t(2 * channels))
{
}

void PlaybackFeed::finish(std::int64_t frames, bool reachedEnd)
{
    framesWritten_.store(frames);
    reachedEnd_.store(reachedEnd);
    finished_.store(true);
}

std::size_t PlaybackFeed::take(std::uint8_t* out, std::size_t bytes)
{
    const std::size_t frameBytes = std::size_t(bytesPerFrame_);
    std::size_t readable = std::min(bytes, ring_.filled());
    readable -= readable % frameBytes;
    return ring_.read(out, readable);
}

void PlaybackFeed::fill(std::uint8_t* out, std::size_t bytes)
{
    const std::size_t got = take(out, bytes);
    std::memset(out + got, 0, bytes - got);
    framesFilled_ += std::int64_t(got) / bytesPerFrame_;
    handedOver(framesFilled_);
}

void PlaybackFeed::handedOver(std::int64_t frames)
{
    const auto now = Clock::now();
    std::lock_guard lock(clockMutex_);
    if (frames <= framesHanded_)
        return; // nothing new: the clock plays out what it has, then stands still
    if (heardLocked(now) >= framesHanded_) {
        anchorFrame_ = framesHanded_;
        anchoredAt_ = now;
    }
    framesHanded_ = frames;
}

std::int64_t PlaybackFeed::heardLocked(Clock::time_point now) const
{
    const auto elapsed = std::max(Clock::duration::zero(), now - anchoredAt_);
    const std::int64_t played
        = std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() * sampleRate_
        / 1000000;
    return std::min(framesHanded_, anchorFrame_ + played);
}

std::int64_t PlaybackFeed::heardFrames(Clock::time_point now) const
{
    std::lock_guard lock(clockMutex_);
    return heardLocked(now);
}

bool PlaybackFeed::drained(Clock::time_point now) const
{
    return finished_.load() && heardFrames(now) >= framesWritten_.load();
}

} // namespace audio
