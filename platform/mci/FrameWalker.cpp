#include "platform/mci/FrameWalker.h"

#include "platform/mci/FileReader.h"

namespace mci {

namespace {

    // Frames in a row that confirm a resync after damage.
    constexpr int kFramesToResync = 3;
    constexpr std::int64_t kFramesBetweenStopChecks = 4096;

    // The next offset at or after `from` where a run of frames of the stream
    // starts, or `end` when there is none.
    std::int64_t resync(
        FileReader& file, std::int64_t from, std::int64_t end, const MpegFrameHeader& stream)
    {
        for (std::int64_t offset = from; offset + 4 <= end; ++offset) {
            const std::uint8_t* bytes = file.bytesAt(offset, 4);
            if (!bytes)
                break;
            if (bytes[0] == 0xFF && frameChainStartsAt(file, offset, end, &stream, kFramesToResync))
                return offset;
        }
        return end;
    }

} // namespace

FrameWalk walkFrames(FileReader& file, const Mp3Layout& layout, std::stop_token stop)
{
    FrameWalk walk;
    const std::int64_t end = layout.audioEnd;
    std::int64_t offset = layout.firstAudioFrame();
    while (offset + 4 <= end) {
        if (walk.audioFrames % kFramesBetweenStopChecks == 0 && stop.stop_requested())
            return walk;
        const std::uint8_t* bytes = file.bytesAt(offset, 4);
        if (!bytes)
            break;
        const auto header = parseFrameHeader(bytes);
        if (!header || !header->sameStreamAs(layout.header)) {
            offset = resync(file, offset + 1, end, layout.header);
            continue;
        }
        if (offset + header->frameBytes > end)
            break; // a frame cut off at the end holds no audio that can be decoded
        walk.index.add(walk.audioFrames, offset);
        ++walk.audioFrames;
        offset += header->frameBytes;
    }
    walk.complete = true;
    return walk;
}

} // namespace mci
