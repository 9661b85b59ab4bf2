#pragma once

#include "platform/mp3/FrameIndex.h"
#include "platform/mp3/FrameTable.h"
#include "platform/mp3/Mp3Layout.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace mp3 {

class FileReader;

// What a walk over the frame headers of a file found.
struct FrameWalk {
    std::int64_t audioFrames = 0;
    FrameIndex index;
    // Every frame, for cutting the file at frame bounds.
    FrameTable table;
    // The loudness of every layer III frame, in order (see frameLoudnessByte).
    std::vector<std::uint8_t> loudness;
    // False when the walk was stopped before the end of the audio.
    bool complete = false;
    // Frames at the end that a second thread walked and the walk took over
    // (0 when one thread walked the whole audio).
    std::int64_t tailFrames = 0;
};

// The longest stretch without a frame of the stream that a walk looks
// through; the audio is taken to end where such a stretch begins, so that a
// file with a vast hole or a long tail of other data is not read to its end.
constexpr std::int64_t kLongestGap = std::int64_t(16) << 20;

// One audio frame met on a walk: its number, counting from 0, where it
// starts and its header.
struct FrameSeen {
    std::int64_t number = 0;
    std::int64_t offset = 0;
    const MpegFrameHeader& header;
    // The frame does not follow on from the one before: it is the first, or
    // the walk resynced to reach it (after damage, a hole, a tag, or frames
    // of another version, layer or sample rate). Nothing before it belongs
    // to its sound.
    bool startsRun = false;
    // Bytes of its coded sound that lie in the frames before it (layer III).
    int reservoirBytes = 0;
};
// Sees each audio frame in order; returns false to end the walk after it.
using FrameVisitor = std::function<bool(const FrameSeen&)>;

// How far a visiting walk went.
struct FrameRun {
    std::int64_t audioFrames = 0;
    // One past the last whole frame met.
    std::int64_t audioEnd = 0;
    // False when the visitor or a stop request ended the walk early.
    bool complete = false;
};

// Steps from frame header to frame header through the audio of a file,
// without decoding, and shows each frame to `visit`. Damaged stretches are
// skipped by looking for the next run of frames of the stream. A first frame
// whose next has another channel count is skipped too, as decoders do not play
// it. A stop request ends the walk promptly, incomplete.
FrameRun visitFrames(FileReader& file, const Mp3Layout& layout, const FrameVisitor& visit,
    std::stop_token stop = {});

// Where a walk may cut the audio in two, to walk the part after the cut on a
// second thread at the same time.
struct WalkSplit {
    // The second thread walks from the first run of frames at or after this
    // offset; none keeps the walk on one thread.
    std::optional<std::int64_t> at;
    // Wait for the second thread where its frames may first be taken over,
    // rather than walk on until it has ended; so a test sees them taken over
    // however busy the machine.
    bool waitForTail = false;

    // Audio shorter than this is walked sooner than a thread starts and
    // its pages are mapped a second time.
    static constexpr std::int64_t kLeastAudioBytes = std::int64_t(8) << 20;
    // The middle of the audio, when the audio holds at least
    // `leastAudioBytes` and a processor of the machine is idle to walk on.
    static WalkSplit inHalves(
        const Mp3Layout& layout, std::int64_t leastAudioBytes = kLeastAudioBytes);
};

// Walks the whole audio of a file: counts the audio frames, notes seek points
// and lists the frames. With a split, a second thread walks from the split on
// while this one walks from the start; when this one reaches the second's
// first frame it walks on beside it until their tables agree, and once the
// second has ended takes over the rest of its frames, so the result is the
// same as one thread's to the last bit. When it meets no frame of the
// second's (which synced on a false run, or found none), it walks on alone.
FrameWalk walkFrames(
    FileReader& file, const Mp3Layout& layout, std::stop_token stop = {}, WalkSplit split = {});

} // namespace mp3
