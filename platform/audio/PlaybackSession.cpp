#include "platform/audio/PlaybackSession.h"

#include "platform/audio/SoundOutput.h"
#include "platform/mp3/Mp3Decoder.h"

#include <algorithm>

namespace audio {

namespace {

    // Decoded audio held ahead of the sound device. The decoder tops it up
    // once half of it has been played, so it wakes about four times a second
    // and never holds less than a quarter of a second.
    constexpr std::chrono::milliseconds kBuffered { 500 };
    // The longest a decoder waiting for room sleeps before it looks again.
    constexpr std::chrono::milliseconds kLongestWait { 250 };
    // Decoded at most per read (a whole number of frames of any format), so
    // that the first sound of a stretch is handed over as soon as a little
    // of it is ready.
    constexpr std::size_t kReadBytes = 16 * 1024;
    // Sound decoded before the output starts: many of its buffers, so that
    // the decoder, which goes on filling far faster than real time, stays
    // ahead from the first one on.
    constexpr std::size_t kStartFraction = 4; // of the ring

} // namespace

PlaybackSession::PlaybackSession(
    const PlaybackSource& source, SoundOutput& output, std::int64_t from, std::int64_t to)
    : from_(from)
    , to_(std::max(from, to))
    , output_(output)
    , feed_(source.sampleRate, source.channels, kBuffered)
{
    attached_ = output_.prepare();
    if (attached_)
        decoder_ = std::jthread([this, source](std::stop_token stop) { decode(stop, source); });
}

PlaybackSession::~PlaybackSession()
{
    decoder_.request_stop();
    wake_.notify_all();
    {
        std::lock_guard lock(startMutex_);
        output_.detach(feed_);
    }
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

bool PlaybackSession::startSound(const std::stop_token& stop)
{
    std::lock_guard lock(startMutex_);
    return !stop.stop_requested() && output_.attach(feed_);
}

bool PlaybackSession::waitForRoom(std::stop_token& stop)
{
    // The sound device drains the ring at the file's own pace: sleep about as
    // long as it takes to free half of it, rather than looking again and again.
    const std::size_t bytesPerSecond
        = std::size_t(feed_.sampleRate()) * std::size_t(feed_.bytesPerFrame());
    const std::size_t wanted = feed_.ring().capacity() / 2;
    std::unique_lock lock(wakeMutex_);
    for (std::size_t free; (free = feed_.ring().freeSpace()) < wanted && !stop.stop_requested();) {
        const auto wait = std::chrono::milliseconds(1 + (wanted - free) * 1000 / bytesPerSecond);
        wake_.wait_for(lock, stop, std::min(wait, kLongestWait), [] { return false; });
    }
    return !stop.stop_requested();
}

void PlaybackSession::decode(std::stop_token stop, PlaybackSource source)
{
    const std::size_t frameBytes = std::size_t(feed_.bytesPerFrame());
    SampleRing& ring = feed_.ring();
    std::int64_t remaining = to_ - from_;
    std::int64_t written = 0;
    bool reachedEnd = false;
    bool failed = false;
    bool started = false;

    mp3::Mp3Decoder decoder;
    const bool opened = source.file
        ? decoder.open(
            source.file->fd(), source.audioStart, source.sampleRate, source.channels, stop)
        : decoder.open(source.path, source.audioStart, source.sampleRate, source.channels, stop);
    if (opened) {
        if (source.index)
            decoder.useIndex(*source.index);
        if (from_ == 0 || decoder.seek(from_)) {
            while (remaining > 0 && !reachedEnd && !failed && waitForRoom(stop)) {
                // Decodes straight into the ring, up to its top.
                for (auto room = ring.writable(); remaining > 0 && room.size() >= frameBytes;
                     room = ring.writable()) {
                    const std::size_t capacity = std::min({ room.size() - room.size() % frameBytes,
                        std::size_t(remaining) * frameBytes, kReadBytes });
                    std::size_t got = 0;
                    const auto result = decoder.read(room.data(), capacity, got);
                    reachedEnd = result == mp3::Mp3Decoder::Read::End;
                    failed = result == mp3::Mp3Decoder::Read::Failed || stop.stop_requested();
                    if (reachedEnd || failed)
                        break;
                    got -= got % frameBytes;
                    ring.publish(got);
                    written += std::int64_t(got / frameBytes);
                    remaining -= std::int64_t(got / frameBytes);
                    if (!started && ring.filled() >= ring.capacity() / kStartFraction) {
                        started = startSound(stop);
                        failed = !started;
                        if (failed)
                            break;
                    }
                }
            }
            reachedEnd = reachedEnd || remaining == 0;
        }
    }
    // A stretch shorter than the start amount plays once it is all decoded.
    if (!started && written > 0 && !startSound(stop))
        written = 0;
    // Nothing is heard of a feed the output never took: it is over at once.
    feed_.finish(written, reachedEnd);
}

} // namespace audio
