#include "editor/ClipBytes.h"

#include "platform/mp3/ExactClip.h"

#include <algorithm>

ClipBytes clipBytesFor(int sourceFd, std::int64_t sourceBytes, std::int32_t lengthMs,
    std::int32_t startMs, std::int32_t endMs, bool exact, const mp3::WhileWalkPending& whileWaiting)
{
    if (exact) {
        if (auto clip = mp3::findExactClip(sourceFd, startMs, endMs, whileWaiting)) {
            // Positions count from 1, ends lie one past the last byte.
            const std::int64_t startPosition = clip->rawStart + 1;
            return { std::move(clip->head),
                { startPosition, std::max(startPosition, clip->rawEnd), clip->rawEnd, false } };
        }
    }
    return { {}, clipSaveRange(sourceFd, sourceBytes, lengthMs, startMs, endMs, whileWaiting) };
}
