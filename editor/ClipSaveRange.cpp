#include "editor/ClipSaveRange.h"

#include "platform/mp3/AudioBytes.h"
#include "platform/runtime/CheckedMath.h"

#include <algorithm>

ClipSaveRange clipSaveRange(int sourceFd, std::int64_t sourceBytes, std::int32_t lengthMs,
    std::int32_t startMs, std::int32_t endMs, const mp3::WhileWalkPending& whileWaiting)
{
    // The descriptor the copy reads: a table the device shared is used only
    // when it lists the frames of this very file.
    const auto audio = mp3::findAudioBytes(sourceFd, startMs, endMs, whileWaiting);
    if (!audio || audio->bare) {
        // One whole number of bytes per millisecond, rounded to the even
        // neighbour on a tie, as the clip format always had it. Positions are
        // 64-bit: no product of two 32-bit numbers overflows them.
        const std::int64_t bytesPerMs = rt::roundToInt32(rt::divide(double(sourceBytes), lengthMs));
        return { bytesPerMs * startMs, endMs * bytesPerMs, sourceBytes, true };
    }
    // Offsets count from 0 and ends lie one past the last byte: the first
    // byte's offset plus one and an end are both positions counting from 1.
    const std::int64_t startPosition = audio->start + 1;
    return { startPosition, std::max(startPosition, audio->end), audio->end, false };
}
