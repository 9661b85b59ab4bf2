#pragma once

#include <cstdint>
#include <vector>

namespace mp3 {

// File offsets of every `step`-th audio frame (frame 0, step, 2 step, ...), in
// the form libmpg123 takes for seeking. Kept small: past kMaxEntries the step
// doubles and every other entry goes.
struct FrameIndex {
    static constexpr std::size_t kMaxEntries = 16384;

    std::int64_t step = 16;
    std::vector<std::int64_t> offsets;

    // Notes that audio frame number `frame` starts at `offset`; frames come in
    // order. Inline, as a walk tells it of every frame and few are kept.
    void add(std::int64_t frame, std::int64_t offset)
    {
        // The step is a power of two: a mask, not a division, for each frame.
        if ((frame & (step - 1)) == 0)
            addPoint(frame, offset);
    }

private:
    void addPoint(std::int64_t frame, std::int64_t offset);
};

} // namespace mp3
