#pragma once

#include <cstdint>

// The source bytes a save copies for the two marks, as byte positions
// counting from 1 (not offsets). Blocks start at `startPosition` and run up
// to the one that holds `endPosition`; no byte past `lastPosition` goes into
// the clip.
struct ClipSaveRange {
    std::int64_t startPosition = 0;
    std::int64_t endPosition = 0;
    std::int64_t lastPosition = 0;
    // Mapped linearly over the whole file: the clip then keeps the block
    // rule's bytes past the end mark, up to the end of the source.
    bool wholeFile = false;
};

class ClipSaveSourceCheck;

// Maps the marks to bytes where the audio of those moments lies in the file
// whose frames `source` found. The clip starts on a frame bound, early
// enough to hold the coded sound of the frame that holds the start mark, and
// ends with the frame that completes the end mark. Two kinds of file map
// linearly over all of their `sourceBytes` instead, with one whole number of
// bytes per millisecond of the source's length: a bare MPEG file (one bit
// rate, no tags, frames end to end), where any byte run of whole blocks
// plays, and a file without MPEG frames. Raises Overflow or DivisionByZero
// as the arithmetic demands.
ClipSaveRange clipSaveRange(ClipSaveSourceCheck& source, std::int64_t sourceBytes,
    std::int32_t startMs, std::int32_t endMs);
// The same for the file open on `sourceFd`, its frames found and checked
// (see ClipSaveSourceCheck) on the calling thread.
ClipSaveRange clipSaveRange(int sourceFd, std::int64_t sourceBytes, std::int32_t lengthMs,
    std::int32_t startMs, std::int32_t endMs);
