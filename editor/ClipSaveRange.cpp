#include "editor/ClipSaveRange.h"

#include "platform/mp3/AudioBytes.h"
#include "platform/runtime/CheckedMath.h"

#include <QFile>
#include <algorithm>

ClipSaveRange clipSaveRange(const QString& sourcePath, std::int64_t sourceBytes,
    std::int32_t lengthMs, std::int32_t startMs, std::int32_t endMs,
    const mp3::WhileWalkPending& whileWaiting)
{
    const auto audio
        = mp3::findAudioBytes(std::filesystem::path(QFile::encodeName(sourcePath).toStdString()),
            startMs, endMs, whileWaiting);
    if (!audio || audio->bare) {
        // One whole number of bytes per millisecond, rounded to the even
        // neighbour on a tie, as the clip format always had it.
        const std::int32_t bytesPerMs = rt::roundToInt32(rt::divide(double(sourceBytes), lengthMs));
        return { rt::mul32(bytesPerMs, startMs), rt::mul32(endMs, bytesPerMs), sourceBytes };
    }
    // Offsets count from 0 and ends lie one past the last byte: the first
    // byte's offset plus one and an end are both positions counting from 1.
    const std::int32_t startPosition = rt::toInt32(audio->start + 1);
    return { startPosition, std::max(startPosition, rt::toInt32(audio->end)), audio->runEnd };
}
