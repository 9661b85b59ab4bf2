#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mp3 {

// A layer III frame may begin its coded sound up to 511 bytes back, in the
// frames before it (its bit reservoir). A clip that starts on such a frame
// would lose that sound, and one that starts early enough to hold those
// frames plays them too. Instead a silent frame goes first whose own bytes
// end with exactly the bytes the first frame reaches back for: nothing
// before the clip is needed, every frame of the clip stays as it was, and
// nothing is decoded or re-encoded.
//
// The carrier for the clip that starts with `firstFrame`, given the whole
// frames just before it in the source (`earlierFrames`, in order, the last
// one right before it; as many as its reservoir reaches over, or fewer, which
// leaves the bytes they miss zero). A frame of silence alone when the first
// frame draws on no reservoir and `silenceWanted`; nothing at all when it
// draws on none and silence is not wanted. Empty when `firstFrame` does not
// start with a layer III header, or is a free-format frame (whose size the
// carrier must keep) with too little room for the reservoir. Any bytes are
// safe to pass: every read is checked against the spans given.
std::optional<std::vector<std::uint8_t>> reservoirCarrier(
    std::span<const std::span<const std::uint8_t>> earlierFrames,
    std::span<const std::uint8_t> firstFrame, bool silenceWanted);

// The same over one stretch of bytes: the frames that follow each other from
// its start, the last whole one taken as the clip's first frame. Meant for
// feeding arbitrary bytes to the rebuild.
std::optional<std::vector<std::uint8_t>> reservoirCarrierAtEndOf(
    std::span<const std::uint8_t> frames, bool silenceWanted);

} // namespace mp3
