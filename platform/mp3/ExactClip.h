#pragma once

#include "platform/mp3/AudioBytes.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace mp3 {

class FileReader;
class FrameTable;

// A clip that plays exactly the samples between two marks in every decoder
// that honours an info frame's encoder delay and padding, made without
// decoding: a few bytes made for it, then a run of the source's bytes as
// they are.
struct ExactClip {
    // The source's ID3v2 tags (see clipTagsOf), an info frame whose delay and
    // padding trim the clip to the marks, and the frame that carries the
    // first frame's bit reservoir or gives silence to start from (see
    // reservoirCarrier), when one is wanted.
    std::vector<std::uint8_t> head;
    // The source bytes that follow the head: whole frames, from the first the
    // decoder needs for the start mark's sound to the one that completes the
    // end mark. Offsets from 0; the end is one past the last byte.
    std::int64_t rawStart = 0;
    std::int64_t rawEnd = 0;
    // False for a stream that cannot be made exact (layer I or II; free
    // format whose frames are too small for an info frame or the reservoir):
    // the head is then empty and the bytes the whole frames that hold the
    // marked sound, as an ordinary clip has them.
    bool exact = false;
    // Samples of sound from the first of those frames to the start mark: what
    // a player that ignores the info frame plays before the mark.
    std::int64_t leadInSamples = 0;

    std::int64_t bytes() const { return std::int64_t(head.size()) + rawEnd - rawStart; }
};

// The exact clip of the file `table` lists (read through `file`, laid out as
// `layout`) between two moments on the device's timeline (see AudioBytes).
// An end past the audio is taken as its end. Empty when the start is not
// before the end, or the file's bytes are not what the table lists.
std::optional<ExactClip> exactClipOf(FileReader& file, const Mp3Layout& layout,
    const FrameTable& table, std::int64_t startMs, std::int64_t endMs);

// The same for the file open on `fd`, its frames found by a
// FrameTableLookup. Empty also when it holds no MPEG audio.
std::optional<ExactClip> findExactClip(int fd, std::int64_t startMs, std::int64_t endMs);

} // namespace mp3
