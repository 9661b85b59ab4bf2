#include "platform/mp3/FrameTable.h"

#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/Mp3Layout.h"

namespace mp3 {

void FrameTable::finish(const FrameRun& run, const Mp3Layout& layout, std::int64_t fileBytes)
{
    bare_ = run.complete && !frames_.empty() && oneRun_ && bitrateKbps_ > 0 && !layout.infoTag
        && layout.firstFrame == 0 && run.audioEnd == fileBytes;
}

FrameTable::Frame FrameTable::operator[](std::size_t number) const
{
    const std::uint64_t packed = frames_[number];
    return { std::int64_t(packed & kOffsetMask), int((packed >> kBytesShift) & kBytesMask),
        int((packed >> kStepShift) & kStepMask), bool(packed >> kRunShift) };
}

} // namespace mp3
