#include "editor/ClipBytes.h"

#include "editor/ClipBlockCopy.h"
#include "editor/ClipSaveSource.h"
#include "editor/ClipSaveSourceCheck.h"
#include "editor/ClipSaveTarget.h"
#include "platform/mp3/ExactClip.h"

#include <algorithm>

ClipBytes clipBytesFor(int sourceFd, std::int64_t sourceBytes, std::int32_t lengthMs,
    std::int32_t startMs, std::int32_t endMs, bool exact, const std::function<void()>& letEventsRun)
{
    ClipSaveSourceCheck source(sourceFd, sourceBytes, lengthMs, endMs, letEventsRun);
    if (exact && source.frames() && source.layout()) {
        if (auto clip = mp3::exactClipOf(
                source.reader(), *source.layout(), *source.frames(), startMs, endMs)) {
            // Positions count from 1, ends lie one past the last byte.
            const std::int64_t startPosition = clip->rawStart + 1;
            return { std::move(clip->head),
                { startPosition, std::max(startPosition, clip->rawEnd), clip->rawEnd, false } };
        }
    }
    return { {}, clipSaveRange(source, sourceBytes, startMs, endMs) };
}

void writeClipBytes(ClipSaveSource& source, const QString& clipName, const ClipBytes& bytes)
{
    ClipSaveTarget clip(clipName);
    const auto& head = bytes.head;
    clip.write(1, std::span(reinterpret_cast<const char*>(head.data()), head.size()));
    ClipBlockCopy(source, clip, bytes.range, source.size(), std::int64_t(head.size()))
        .run({}, [](std::int64_t) {});
    clip.commit();
}
