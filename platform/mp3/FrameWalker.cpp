#include "platform/mp3/FrameWalker.h"

#include "platform/mp3/FileReader.h"

#include <algorithm>

namespace mp3 {

namespace {

    // Frames in a row that confirm a resync after damage.
    constexpr int kFramesToResync = 3;
    constexpr std::int64_t kFramesBetweenStopChecks = 4096;
    // Bytes searched for a sync byte between two checks for a stop request.
    constexpr std::int64_t kBytesBetweenStopChecks = 1 << 20;

    // The next offset at or after `from` where a run of frames of the stream
    // starts, or `end` when there is none before `end`, within kLongestGap of
    // `from`, or before a stop is requested.
    std::int64_t resync(FileReader& file, std::int64_t from, std::int64_t end,
        const Mp3Layout& layout, const std::stop_token& stop)
    {
        const std::int64_t limit = std::min(end, from + kLongestGap);
        std::int64_t offset = from;
        while (offset + 4 <= limit && !stop.stop_requested()) {
            const std::int64_t stretchEnd = std::min(limit, offset + kBytesBetweenStopChecks);
            offset = file.find(0xFF, offset, stretchEnd);
            if (offset == stretchEnd)
                continue;
            if (offset + 4 > end)
                break;
            if (frameChainStartsAt(
                    file, offset, end, &layout.header, kFramesToResync, layout.freeFormatBytes))
                return offset;
            ++offset;
        }
        return end;
    }

} // namespace

FrameRun visitFrames(
    FileReader& file, const Mp3Layout& layout, const FrameVisitor& visit, std::stop_token stop)
{
    FrameRun run;
    const std::int64_t end = layout.audioEnd;
    std::int64_t offset = layout.firstAudioFrame();
    run.audioEnd = offset;
    bool startsRun = true;
    while (offset + 4 <= end) {
        if (run.audioFrames % kFramesBetweenStopChecks == 0 && stop.stop_requested())
            return run;
        const std::uint8_t* bytes = file.bytesAt(offset, 4);
        if (!bytes)
            break;
        const auto header = parseFrameHeader(bytes, layout.freeFormatBytes);
        if (!header || !header->sameStreamAs(layout.header)) {
            offset = resync(file, offset + 1, end, layout, stop);
            startsRun = true;
            if (stop.stop_requested())
                return run;
            continue;
        }
        if (offset + header->frameBytes > end)
            break; // a frame cut off at the end holds no audio that can be decoded
        const std::uint8_t* start = file.bytesAt(offset, 8);
        const bool more = visit(FrameSeen { run.audioFrames, offset, *header, startsRun,
            start ? reservoirBytes(start, *header) : 0 });
        startsRun = false;
        ++run.audioFrames;
        offset += header->frameBytes;
        run.audioEnd = offset;
        if (!more)
            return run;
    }
    run.complete = true;
    return run;
}

FrameWalk walkFrames(FileReader& file, const Mp3Layout& layout, std::stop_token stop)
{
    FrameWalk walk;
    const FrameRun run = visitFrames(
        file, layout,
        [&](const FrameSeen& frame) {
            walk.index.add(frame.number, frame.offset);
            walk.table.add(frame);
            return true;
        },
        std::move(stop));
    walk.table.finish(run, layout, file.size());
    walk.audioFrames = run.audioFrames;
    walk.complete = run.complete;
    return walk;
}

} // namespace mp3
