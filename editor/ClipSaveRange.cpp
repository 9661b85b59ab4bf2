#include "editor/ClipSaveRange.h"

#include "platform/mci/AudioBytes.h"
#include "platform/runtime/CheckedMath.h"

#include <QFile>

namespace {

// Bytes from `first` on grow by one whole number of bytes per millisecond,
// rounded to the even neighbour on a tie, as the clip format always had it.
// The first `unplayedMs` of those bytes hold sound the device never plays, so
// its timeline starts that far in.
ClipSaveRange linearRange(std::int64_t first, std::int64_t bytes, std::int64_t lastByte,
    std::int32_t unplayedMs, std::int32_t lengthMs, std::int32_t startMs, std::int32_t endMs)
{
    const std::int32_t bytesPerMs = rt::roundToInt32(rt::divide(double(bytes), lengthMs));
    const std::int32_t base = rt::add32(rt::toInt32(first), rt::mul32(bytesPerMs, unplayedMs));
    return { rt::add32(base, rt::mul32(bytesPerMs, startMs)),
        rt::add32(base, rt::mul32(endMs, bytesPerMs)), lastByte };
}

} // namespace

ClipSaveRange clipSaveRange(const QString& sourcePath, std::int64_t sourceBytes,
    std::int32_t lengthMs, std::int32_t startMs, std::int32_t endMs)
{
    const auto audio = mci::findAudioBytes(
        std::filesystem::path(QFile::encodeName(sourcePath).toStdString()), startMs, endMs);
    if (!audio)
        return linearRange(0, sourceBytes, sourceBytes, 0, lengthMs, startMs, endMs);
    if (audio->constantBitrate)
        return linearRange(audio->audioStart, audio->audioEnd - audio->audioStart, audio->audioEnd,
            audio->trimmedMs, lengthMs, startMs, endMs);
    return { rt::toInt32(audio->startSound + 1), rt::toInt32(audio->endFrame + 1),
        audio->audioEnd };
}
