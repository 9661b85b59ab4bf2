#include "platform/mp3/FrameTable.h"

#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/Mp3Layout.h"

#include <algorithm>

namespace mp3 {

namespace {

    // offset: 42 bits (4 TiB) | bytes: 12 bits | step back: 9 bits | starts run: 1 bit.
    // No frame is longer than 4095 bytes (the largest free-format frame is
    // 3,460), and no reservoir reaches back more than 511 frames: at least
    // one byte of coded sound a frame, at most 511 bytes of reservoir.
    constexpr int kBytesShift = 42;
    constexpr int kStepShift = 54;
    constexpr int kRunShift = 63;
    constexpr std::uint64_t kOffsetMask = (std::uint64_t(1) << kBytesShift) - 1;
    constexpr std::uint64_t kBytesMask = (1 << 12) - 1;
    constexpr std::uint64_t kStepMask = (1 << 9) - 1;

} // namespace

void FrameTable::add(const FrameSeen& frame)
{
    const MpegFrameHeader& header = frame.header;
    if (frames_.empty()) {
        samplesPerFrame_ = header.samplesPerFrame;
        sampleRate_ = header.sampleRate;
        bitrateKbps_ = header.freeFormat ? -1 : header.bitrateKbps;
        mono_ = header.mono;
    } else if (header.freeFormat || header.bitrateKbps != bitrateKbps_ || header.mono != mono_) {
        bitrateKbps_ = -1;
    }
    if (frame.startsRun) {
        recentCount_ = 0;
        oneRun_ = oneRun_ && frames_.empty();
    }

    // The frames whose coded sound holds this frame's first bytes.
    int reservoir = frame.reservoirBytes;
    std::size_t reservoirFrames = 0;
    while (reservoir > 0 && reservoirFrames < std::min(recentCount_, kRecent)) {
        ++reservoirFrames;
        reservoir -= recentMainData_[(frames_.size() - reservoirFrames) % kRecent];
    }
    // A frame's first samples are completed by the end of the frame before it
    // (overlapping transforms and the synthesis filter's memory), so that one
    // must decode whole too, with its own reservoir.
    const std::size_t stepBack
        = recentCount_ == 0 ? 0 : std::max(reservoirFrames, 1 + previousReservoirFrames_);
    previousReservoirFrames_ = reservoirFrames;
    recentMainData_[frames_.size() % kRecent] = std::uint16_t(header.mainDataBytes());
    ++recentCount_;

    frames_.push_back((std::uint64_t(frame.offset) & kOffsetMask)
        | ((std::uint64_t(header.frameBytes) & kBytesMask) << kBytesShift)
        | (std::min<std::uint64_t>(stepBack, kStepMask) << kStepShift)
        | (std::uint64_t(frame.startsRun) << kRunShift));
}

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
