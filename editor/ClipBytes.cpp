#include "editor/ClipBytes.h"

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
    // The window's block span, so that the clip ends on the same byte.
    constexpr std::int64_t kBlockStep = 4096;
    ClipSaveTarget clip(clipName);
    const auto& head = bytes.head;
    clip.write(1, std::span(reinterpret_cast<const char*>(head.data()), head.size()));
    const ClipSaveRange& range = bytes.range;
    const std::int64_t lastHeld = std::min(range.lastPosition, source.size());
    const std::int64_t blocks = (range.endPosition - range.startPosition) / kBlockStep + 1;
    const std::int64_t last = std::min(range.startPosition + blocks * kBlockStep, lastHeld);
    if (last < range.startPosition)
        ClipSaveSource::raiseInputPastEndOfFile();
    std::vector<char> buffer(std::size_t(1) << 20);
    for (std::int64_t position = range.startPosition; position <= last;) {
        const auto wanted
            = std::min<std::int64_t>(last - position + 1, std::int64_t(buffer.size()));
        const auto count = source.read(position, std::span(buffer).first(std::size_t(wanted)));
        if (count < wanted || count == 0)
            ClipSaveSource::raiseInputPastEndOfFile();
        clip.write(position - range.startPosition + 1 + std::int64_t(head.size()),
            std::span<const char>(buffer).first(std::size_t(count)));
        position += count;
    }
    clip.commit();
}
