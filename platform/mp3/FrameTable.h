#pragma once

#include "platform/mp3/MpegFrameHeader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace mp3 {

struct Mp3Layout;

// Every audio frame of a file in eight bytes: where it starts, how long it is,
// how many frames before it hold part of its coded sound, and whether it
// follows on from the frame before. Enough to cut the file at frame bounds
// without reading it again; a two-hour file takes about 2 MB.
class FrameTable {
public:
    struct Frame {
        std::int64_t offset = 0;
        int bytes = 0;
        // Frames just before this one that a decoder needs to give its sound
        // whole: the frame before it and those whose bytes the bit reservoirs
        // of the two draw on. Never reaches back past the start of its run.
        int stepBack = 0;
        // First frame after a discontinuity (or of the file).
        bool startsRun = false;

        std::int64_t end() const { return offset + bytes; }
    };

    // Notes the next frame of a walk, in order (see FrameSeen), with the bytes
    // of coded sound it carries (header.mainDataBytes(), which a walk works
    // out once for each kind of frame). Inline, as a walk adds every frame of
    // a file.
    void add(std::int64_t offset, const MpegFrameHeader& header, int mainDataBytes, bool startsRun,
        int reservoirBytes);
    // Makes room for about `frames` frames ahead of a walk.
    void reserve(std::size_t frames) { frames_.reserve(frames); }
    // Frames after which two tables fed the same frames, whatever each was
    // fed before, work out the same entries for every frame that follows:
    // what a frame's entry depends on reaches back no further.
    static constexpr std::size_t kFramesToAgree = 513;
    // Takes over the frames of `later` from frame `from` on, where `later`
    // was fed from its first frame on the same frames as this table's last
    // `from` frames, `from` being at least kFramesToAgree. The last thing done
    // to a table before finish().
    void append(const FrameTable& later, std::size_t from);
    // Notes how the walk ended (whether it reached the end of the audio, and
    // one past its last whole frame) and decides whether the file is bare.
    void finish(
        bool complete, std::int64_t audioEnd, const Mp3Layout& layout, std::int64_t fileBytes);

    std::size_t size() const { return frames_.size(); }
    Frame operator[](std::size_t number) const;

    int samplesPerFrame() const { return samplesPerFrame_; }
    long sampleRate() const { return sampleRate_; }
    // Samples a gapless decoder drops from the start of the first frame.
    std::int64_t trimmedSamples = 0;
    // One bit rate and format throughout, the first frame at byte 0 and
    // frames end to end up to the end of the file: no gap, no tag and no
    // info frame. Bytes then grow in step with time over the whole file.
    bool bare() const { return bare_; }

private:
    // offset: 42 bits (4 TiB) | bytes: 12 bits | step back: 9 bits | starts run: 1 bit.
    // No frame is longer than 4095 bytes (the largest free-format frame is
    // 3,460), and no reservoir reaches back more than 511 frames: at least
    // one byte of coded sound a frame, at most 511 bytes of reservoir.
    static constexpr int kBytesShift = 42;
    static constexpr int kStepShift = 54;
    static constexpr int kRunShift = 63;
    static constexpr std::uint64_t kOffsetMask = (std::uint64_t(1) << kBytesShift) - 1;
    static constexpr std::uint64_t kBytesMask = (1 << 12) - 1;
    static constexpr std::uint64_t kStepMask = (1 << 9) - 1;

    std::vector<std::uint64_t> frames_;
    int samplesPerFrame_ = 0;
    long sampleRate_ = 0;
    bool bare_ = false;
    // Bit rate of every frame so far, or -1 once two differ (or one is free format).
    int bitrateKbps_ = 0;
    bool mono_ = false;
    bool oneRun_ = true;
    // Coded-sound bytes of the latest frames of the current run, by frame
    // number: as many as a reservoir of 511 bytes can reach over (at 8 kbit/s
    // a frame may carry a single byte of its own). Frame n is at n % kRecent
    // + kInARow, and the last kInARow are also before the first,
    // so that the latest kInARow lie in a row whatever the number.
    static constexpr std::size_t kRecent = 512;
    static constexpr std::size_t kInARow = 8;
    // The latest kRecent frames, and the one before them for the step back
    // the next frame takes from it.
    static_assert(kFramesToAgree == kRecent + 1);
    std::array<std::uint16_t, kInARow + kRecent> recentMainData_ {};
    // How many of those belong to the current run.
    std::size_t reachable_ = 0;
    std::size_t previousReservoirFrames_ = 0;
};

inline void FrameTable::add(std::int64_t offset, const MpegFrameHeader& header, int mainDataBytes,
    bool startsRun, int reservoirBytes)
{
    const std::size_t number = frames_.size();
    if (number == 0) {
        samplesPerFrame_ = header.samplesPerFrame;
        sampleRate_ = header.sampleRate;
        bitrateKbps_ = header.freeFormat ? -1 : header.bitrateKbps;
        mono_ = header.mono;
    } else if (header.freeFormat || header.bitrateKbps != bitrateKbps_ || header.mono != mono_) {
        bitrateKbps_ = -1;
    }
    if (startsRun) {
        reachable_ = 0;
        oneRun_ = oneRun_ && number == 0;
    }

    // The frames whose coded sound holds this frame's first bytes: the least
    // count of the latest frames whose coded sound adds up to the reservoir.
    // That count varies from frame to frame, a branch the processor cannot
    // foresee, so the latest frames are counted four at a time without a
    // branch for each; most reservoirs end within one or two such groups,
    // and the rare deeper one goes on frame by frame.
    std::size_t reservoirFrames = 0;
    int covered = 0;
    const std::uint16_t* const before = recentMainData_.data() + number % kRecent + kInARow;
    const std::size_t inARow = std::min(reachable_, kInARow);
    for (std::size_t counted = 0; covered < reservoirBytes && counted + 4 <= inARow; counted += 4) {
#pragma GCC unroll 4
        for (std::size_t back = counted + 1; back <= counted + 4; ++back) {
            reservoirFrames += std::size_t(covered < reservoirBytes);
            covered += before[-std::ptrdiff_t(back)];
        }
    }
    while (covered < reservoirBytes && reservoirFrames < reachable_) {
        ++reservoirFrames;
        covered += recentMainData_[(number - reservoirFrames) % kRecent + kInARow];
    }
    // A frame's first samples are completed by the end of the frame before it
    // (overlapping transforms and the synthesis filter's memory), so that one
    // must decode whole too, with its own reservoir.
    const std::size_t stepBack
        = reachable_ == 0 ? 0 : std::max(reservoirFrames, 1 + previousReservoirFrames_);
    previousReservoirFrames_ = reservoirFrames;
    recentMainData_[number % kRecent + kInARow] = std::uint16_t(mainDataBytes);
    if (number % kRecent >= kRecent - kInARow)
        recentMainData_[number % kRecent + kInARow - kRecent] = std::uint16_t(mainDataBytes);
    reachable_ = std::min(reachable_ + 1, kRecent);

    frames_.push_back((std::uint64_t(offset) & kOffsetMask)
        | ((std::uint64_t(header.frameBytes) & kBytesMask) << kBytesShift)
        | (std::min<std::uint64_t>(stepBack, kStepMask) << kStepShift)
        | (std::uint64_t(startsRun) << kRunShift));
}

} // namespace mp3
