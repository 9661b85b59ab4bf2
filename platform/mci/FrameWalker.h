#pragma once

#include "platform/mci/FrameIndex.h"
#include "platform/mci/Mp3Layout.h"

#include <cstdint>
#include <stop_token>

namespace mci {

class FileReader;

// What a walk over the frame headers of a file found.
struct FrameWalk {
    std::int64_t audioFrames = 0;
    FrameIndex index;
    // False when the walk was stopped before the end of the audio.
    bool complete = false;
};

// The longest stretch without a frame of the stream that a walk looks
// through; the audio is taken to end where such a stretch begins, so that a
// file with a vast hole or a long tail of other data is not read to its end.
constexpr std::int64_t kLongestGap = std::int64_t(16) << 20;

// Steps from frame header to frame header through the whole audio of a file,
// without decoding: counts the audio frames and notes seek points. Damaged
// stretches are skipped by looking for the next run of frames of the stream.
// A stop request ends the walk promptly, incomplete.
FrameWalk walkFrames(FileReader& file, const Mp3Layout& layout, std::stop_token stop = {});

} // namespace mci
