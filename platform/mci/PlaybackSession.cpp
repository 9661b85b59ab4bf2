#include "platform/mci/PlaybackSession.h"

#include "platform/mci/AudioOutput.h"
#include "platform/mci/Mp3Decoder.h"

#include <algorithm>
#include <vector>

namespace mci {

namespace {

    // Decoded audio held ahead of the sound device.
    constexpr std::chrono::milliseconds kBuffered { 500 };
    // The longest a decoder waiting for room sleeps before it looks again.
    constexpr std::chrono::milliseconds kLongestWait { 100 };
    constexpr std::size_t kChunkBytes = 16 * 1024;

} // namespace

PlaybackSession::PlaybackSession(
    const PlaybackSource& source, AudioOutput& output, std::int64_t from, std::int64_t to)
    : from_(from)
    , to_(std::max(from, to))
    , output_(output)
    , feed_(source.sampleRate, source.channels, kBuffered)
{
    attached_ = output_.attach(feed_);
    if (attached_)
        decoder_ = std::jthread([this, source](std::stop_token stop) { decode(stop, source); });
}

PlaybackSession::~PlaybackSession()
{
    output_.detach(feed_);
    decoder_.request_stop();
    wake_.notify_all();
    // The jthread member joins here, before the feed it writes to goes.
}

std::int64_t PlaybackSession::position() const
{
    return std::min(to_, from_ + feed_.heardFrames());
}

bool PlaybackSession::finished() const
{
    return feed_.drained();
}

std::int64_t PlaybackSession::endPosition() const
{
    return feed_.reachedEnd() ? to_ : position();
}

bool PlaybackSession::waitForSpace(std::stop_token& stop, std::size_t bytes)
{
    // The sound device drains the ring at the file's own pace: sleep about as
    // long as it takes to make the room, rather than looking again and again.
    const std::size_t bytesPerSecond
        = std::size_t(feed_.sampleRate()) * std::size_t(feed_.bytesPerFrame());
    std::unique_lock lock(wakeMutex_);
    for (std::size_t free; (free = feed_.ring().freeSpace()) < bytes && !stop.stop_requested();) {
        const auto wait = std::chrono::milliseconds(1 + (bytes - free) * 1000 / bytesPerSecond);
        wake_.wait_for(lock, stop, std::min(wait, kLongestWait), [] { return false; });
    }
    return !stop.stop_requested();
}

void PlaybackSession::decode(std::stop_token stop, PlaybackSource source)
{
    const std::size_t frameBytes = std::size_t(feed_.bytesPerFrame());
    std::int64_t remaining = to_ - from_;
    std::int64_t written = 0;
    bool reachedEnd = false;

    Mp3Decoder decoder;
    if (decoder.open(source.path, source.sampleRate, source.channels, stop)) {
        if (source.index)
            decoder.useIndex(*source.index);
        if (from_ == 0 || decoder.seek(from_)) {
            const std::size_t chunkBytes = std::min(kChunkBytes, feed_.ring().capacity() / 2);
            std::vector<std::uint8_t> chunk(chunkBytes - chunkBytes % frameBytes);
            while (remaining > 0 && !stop.stop_requested()) {
                std::size_t got = 0;
                const auto result = decoder.read(chunk.data(), chunk.size(), got);
                if (result == Mp3Decoder::Read::End) {
                    reachedEnd = true;
                    break;
                }
                if (result == Mp3Decoder::Read::Failed)
                    break;
                got = std::min<std::size_t>(
                    got - got % frameBytes, std::size_t(remaining) * frameBytes);
                if (!waitForSpace(stop, got))
                    break;
                feed_.ring().write(chunk.data(), got);
                written += std::int64_t(got / frameBytes);
                remaining -= std::int64_t(got / frameBytes);
            }
            reachedEnd = reachedEnd || remaining == 0;
        }
    }
    feed_.finish(written, reachedEnd);
}

} // namespace mci
