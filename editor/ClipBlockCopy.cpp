#include "editor/ClipBlockCopy.h"

#include "editor/ClipSaveSource.h"
#include "editor/ClipSaveTarget.h"

#include <algorithm>
#include <array>
#include <span>

ClipBlockCopy::ClipBlockCopy(ClipSaveSource& source, ClipSaveTarget& clip,
    const ClipSaveRange& range, std::int64_t sourceBytes, std::int64_t headBytes)
    : source_(source)
    , clip_(clip)
    , range_(range)
    , lastHeld_(std::min(range.lastPosition, sourceBytes))
    , headBytes_(headBytes)
{
}

std::int64_t ClipBlockCopy::fullCount() const
{
    return range_.wholeFile ? range_.endPosition - range_.startPosition + kBlockSize
                            : range_.lastPosition - range_.startPosition + 1;
}

void ClipBlockCopy::run(
    std::stop_token stop, const std::function<void(std::int64_t count)>& copied) const
{
    const std::int64_t start = range_.startPosition;
    std::array<char, kBlockSize> block {};
    for (std::int64_t position = start; position <= range_.endPosition && !stop.stop_requested();
         position += kBlockStep) {
        // A read that gives less than the source held means it shrank or
        // changed, and the clip would be short.
        const auto wanted = std::clamp<std::int64_t>(lastHeld_ - position + 1, 0, kBlockSize);
        const auto count = source_.read(
            position, std::span<char>(block).first(static_cast<std::size_t>(wanted)));
        if (count < wanted || (count == 0 && position == start))
            ClipSaveSource::raiseInputPastEndOfFile();
        clip_.write(position - start + 1 + headBytes_,
            std::span<const char>(block).first(static_cast<std::size_t>(count)));
        copied(position - start + (range_.wholeFile ? kBlockStep : count));
    }
}
