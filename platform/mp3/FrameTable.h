#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace mp3 {

struct FrameSeen;
struct FrameRun;
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

    // Notes the next frame of a walk, in order.
    void add(const FrameSeen& frame);
    // Makes room for about `frames` frames ahead of a walk.
    void reserve(std::size_t frames) { frames_.reserve(frames); }
    // Notes how the walk ended and decides whether the file is bare.
    void finish(const FrameRun& run, const Mp3Layout& layout, std::int64_t fileBytes);

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
    // a frame may carry a single byte of its own).
    static constexpr std::size_t kRecent = 512;
    std::array<std::uint16_t, kRecent> recentMainData_ {};
    std::size_t recentCount_ = 0;
    std::size_t previousReservoirFrames_ = 0;
};

} // namespace mp3
