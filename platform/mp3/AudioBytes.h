#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace mp3 {

class FileReader;
class FrameTable;

// Where the sound between two moments lies among the bytes of an MP3 file.
// Moments are milliseconds on the timeline the device plays and reports: the
// samples a gapless decoder trims from the start do not count. Offsets count
// from 0; every end is one past the last byte.
struct AudioBytes {
    // The file is bare (see FrameTable::bare): its bytes grow in step with
    // time from its first byte to its last, and the other fields are unset.
    bool bare = false;
    // The first byte of the frame holding the start moment, stepped back over
    // the frames a decoder needs to give that frame's sound whole (see
    // FrameTable::Frame::stepBack): a copy that began later would decode it,
    // and often several after it, to silence or noise. Stepped back further,
    // or else forward, off a frame that a decoder would pass over unheard as
    // the first of a stream.
    std::int64_t start = 0;
    // The end of the frame whose sound completes the end moment.
    std::int64_t end = 0;
    // The end of the last frame of the run that frame belongs to: bytes past
    // it are a tag, damage or another stream, which a clip leaves out.
    std::int64_t runEnd = 0;
};

// Maps two moments to the frames of `table`. A start past the last frame
// maps every field to the end of the audio; an end past it to the last frame.
// With the `file` the table lists, the clip also begins on a frame that a
// decoder takes as a first frame without a warning.
AudioBytes audioBytesOf(
    const FrameTable& table, std::int64_t startMs, std::int64_t endMs, FileReader* file = nullptr);

// Called every few milliseconds while a lookup waits for a walk of the file to
// end, so that a window can keep answering meanwhile. Whatever it throws ends
// the wait, and a walk of the lookup's own with it.
using WhileWalkPending = std::function<void()>;

// The frames of `path`: those the device listed when it opened the file, or
// else a walk over it. Null when it holds no MPEG audio frames. A walk of the
// device's over the same file still under way is waited for, not repeated.
std::shared_ptr<const FrameTable> frameTableOf(
    const std::filesystem::path& path, const WhileWalkPending& whileWaiting = {});

// The frames of the file open on `fd`: those the device listed when it
// opened this very file (same identity, taken from `fd`), or else a walk over
// what `fd` reads. Null when it holds no MPEG audio frames. Waits for a walk
// under way as the above.
std::shared_ptr<const FrameTable> frameTableOf(int fd, const WhileWalkPending& whileWaiting = {});

// The two halves of the above: the table the device listed for this very
// file (null when there is none), and a walk of what `fd` reads. With
// `whileWaiting` the walk runs on a thread of its own, so that the caller's
// thread is free to answer meanwhile.
std::shared_ptr<const FrameTable> sharedFrameTableOf(
    int fd, const WhileWalkPending& whileWaiting = {});
std::shared_ptr<const FrameTable> walkFrameTable(int fd, const WhileWalkPending& whileWaiting = {});

// How long the audio listed in `table` plays, in whole milliseconds: every
// frame's samples less those a gapless decoder trims from the start.
std::int64_t audioMsOf(const FrameTable& table);

// Both of the above. Nothing when the file holds no MPEG audio frames.
std::optional<AudioBytes> findAudioBytes(const std::filesystem::path& path, std::int64_t startMs,
    std::int64_t endMs, const WhileWalkPending& whileWaiting = {});
std::optional<AudioBytes> findAudioBytes(
    int fd, std::int64_t startMs, std::int64_t endMs, const WhileWalkPending& whileWaiting = {});
// The moments mapped on `table`, the frames of the file open on `fd`.
std::optional<AudioBytes> findAudioBytes(const std::shared_ptr<const FrameTable>& table, int fd,
    std::int64_t startMs, std::int64_t endMs);

} // namespace mp3
