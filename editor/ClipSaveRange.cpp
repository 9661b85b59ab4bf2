#include "editor/ClipSaveRange.h"

#include "editor/ClipSaveSourceCheck.h"
#include "platform/mp3/AudioBytes.h"
#include "platform/runtime/CheckedMath.h"

#include <algorithm>

namespace {

// The step between the copy's blocks, each of which holds one byte more.
constexpr std::int64_t kBlockStep = 4096;

} // namespace

ClipSaveRange clipSaveRange(
    ClipSaveSourceCheck& source, std::int64_t sourceBytes, std::int32_t startMs, std::int32_t endMs)
{
    const auto& frames = source.frames();
    const auto audio = frames
        ? std::optional(mp3::audioBytesIn(*frames, source.reader(), startMs, endMs))
        : std::nullopt;
    ClipSaveRange range;
    if (!audio || audio->bare) {
        // One whole number of bytes per millisecond, rounded to the even
        // neighbour on a tie: a bare file's sound is spread evenly over its
        // bytes, so the product lands within a frame of the mark. Positions are
        // 64-bit: no product of two 32-bit numbers overflows them.
        const std::int64_t bytesPerMs
            = rt::roundToInt32(rt::divide(double(sourceBytes), source.lengthMs()));
        range = { bytesPerMs * startMs, endMs * bytesPerMs, sourceBytes, true };
    } else {
        // Offsets count from 0 and ends lie one past the last byte: the first
        // byte's offset plus one and an end are both positions counting from 1.
        const std::int64_t startPosition = audio->start + 1;
        range = { startPosition, std::max(startPosition, audio->end), audio->end, false };
    }
    // What the copy takes of the source, as offsets: a whole-file clip runs
    // to the end of the block that holds the end position.
    const std::int64_t begin = std::max<std::int64_t>(range.startPosition - 1, 0);
    const std::int64_t blocks = (range.endPosition - range.startPosition) / kBlockStep + 1;
    const std::int64_t end
        = range.wholeFile ? range.startPosition + blocks * kBlockStep : range.lastPosition;
    source.requireSound(begin, std::min(end, range.lastPosition));
    return range;
}

ClipSaveRange clipSaveRange(int sourceFd, std::int64_t sourceBytes, std::int32_t lengthMs,
    std::int32_t startMs, std::int32_t endMs)
{
    ClipSaveSourceCheck source(sourceFd, sourceBytes, lengthMs, endMs);
    return clipSaveRange(source, sourceBytes, startMs, endMs);
}
