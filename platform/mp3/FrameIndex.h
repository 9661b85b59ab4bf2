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

    // Notes that audio frame number `frame` starts at `offset`; frames come in order.
    void add(std::int64_t frame, std::int64_t offset);
};

} // namespace mp3
