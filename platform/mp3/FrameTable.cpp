#include "platform/mp3/FrameTable.h"

#include "platform/mp3/Mp3Layout.h"

namespace mp3 {

void FrameTable::finish(
    bool complete, std::int64_t audioEnd, const Mp3Layout& layout, std::int64_t fileBytes)
{
    // The room made ahead of the walk was far too much (a variable bit rate
    // that starts low): the table is kept as long as its file is open.
    if (frames_.size() < frames_.capacity() / 2)
        frames_.shrink_to_fit();
    // A walk passes over a first frame that a decoder does not play: the file
    // is then not bare, even though the frames listed agree.
    bare_ = complete && !frames_.empty() && oneRun_ && bitrateKbps_ > 0 && !layout.infoTag
        && layout.firstFrame == 0 && (*this)[0].offset == 0 && audioEnd == fileBytes;
}

void FrameTable::append(const FrameTable& later, std::size_t from)
{
    if (from >= later.frames_.size())
        return;
    frames_.reserve(frames_.size() + (later.frames_.size() - from));
    frames_.insert(
        frames_.end(), later.frames_.begin() + std::ptrdiff_t(from), later.frames_.end());
    // Each summary covers the frames the two share, so together they cover all.
    if (later.bitrateKbps_ != bitrateKbps_ || later.mono_ != mono_)
        bitrateKbps_ = -1;
    oneRun_ = oneRun_ && later.oneRun_;
}

FrameTable::Frame FrameTable::operator[](std::size_t number) const
{
    const std::uint64_t packed = frames_[number];
    return { std::int64_t(packed & kOffsetMask), int((packed >> kBytesShift) & kBytesMask),
        int((packed >> kStepShift) & kStepMask), bool(packed >> kRunShift) };
}

} // namespace mp3
