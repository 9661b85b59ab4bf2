// The exact clip's rebuilt first frames: the carrier of a bit reservoir
// taken from arbitrary frames, and the tags and info frame made for it.
#include "FuzzInput.h"
#include "platform/mp3/ClipTags.h"
#include "platform/mp3/FirstFramesRebuild.h"
#include "platform/mp3/InfoFrameWriter.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks whether silence is wanted; the rest are the frames.
    const bool silenceWanted = (data[0] & 1) != 0;
    const std::span<const std::uint8_t> frames(data + 1, size - 1);
    if (const auto carrier = mp3::reservoirCarrierAtEndOf(frames, silenceWanted)) {
        fuzz::require(
            carrier->empty() || carrier->size() >= 4, "a carrier is a whole frame, header and all");
        if (!carrier->empty() && frames.size() >= 4) {
            mp3::InfoFrameFields fields;
            fields.frames = 1;
            fields.bytes = static_cast<std::uint32_t>(carrier->size());
            const auto info = mp3::makeInfoFrame(frames.first(4), fields);
            fuzz::require(!info || info->size() >= 4, "an info frame is a whole frame");
        }
    }
    const auto tags = mp3::clipTagsOf(frames);
    fuzz::require(
        tags.size() <= frames.size(), "the clip's tags are never longer than the source's");
    return 0;
}
