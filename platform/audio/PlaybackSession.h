#pragma once

#include "platform/audio/PlaybackFeed.h"
#include "platform/mp3/FrameIndex.h"
#include "platform/mp3/RegularFile.h"

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

namespace audio {

class SoundOutput;

// What a stretch of playback needs to know about its file.
struct PlaybackSource {
    std::filesystem::path path;
    // The file as it was opened, read rather than `path` when it is there.
    std::shared_ptr<const mp3::OpenDescriptor> file;
    // Where the audio begins, past the tags at the start.
    std::int64_t audioStart = 0;
    long sampleRate = 0;
    int channels = 0;
    // Seek points, when known; without them libmpg123 finds its way alone.
    std::shared_ptr<const mp3::FrameIndex> index;
};

// One stretch of playback, from sample `from` up to sample `to`: a decoder
// thread fills the feed, the output plays it. Construction returns at once;
// the decoder opens and seeks on its own thread, and hands the feed to the
// output only once it holds sound, so that the very first buffer the output
// takes is sound rather than silence. Destruction stops the sound and the
// thread promptly, even in the middle of a long seek.
class PlaybackSession {
public:
    PlaybackSession(
        const PlaybackSource& source, SoundOutput& output, std::int64_t from, std::int64_t to);
    ~PlaybackSession();
    PlaybackSession(const PlaybackSession&) = delete;
    PlaybackSession& operator=(const PlaybackSession&) = delete;

    // False when the sound output could not take the stretch; it then plays nothing.
    bool attached() const { return attached_; }
    // The sample being heard now.
    std::int64_t position() const;
    // True once the stretch has been played out; then position() is final.
    bool finished() const;
    // The sample the stretch ended at: `to`, unless decoding failed early.
    std::int64_t endPosition() const;

private:
    void decode(std::stop_token stop, PlaybackSource source);
    bool waitForRoom(std::stop_token& stop);
    bool startSound(const std::stop_token& stop);

    const std::int64_t from_;
    const std::int64_t to_;
    SoundOutput& output_;
    PlaybackFeed feed_;
    bool attached_ = false;
    // Orders the decoder's attach against the destructor's detach, so that a
    // feed is never attached after the session began to go.
    std::mutex startMutex_;
    // Wakes the decoder thread when it is to stop while waiting for room.
    std::mutex wakeMutex_;
    std::condition_variable_any wake_;
    std::jthread decoder_;
};

} // namespace audio
