#pragma once

#include "platform/mp3/MpegFrameHeader.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace mp3 {

// A frame that carries no coded sound at all, and the least any frame gets.
constexpr float kSilentDb = -300.0f;

// How loud a layer III frame is, estimated from its side information alone:
// the quantizer step (global gain) of its loudest granule and channel, which
// an encoder raises by one for every 1.5 dB more sound. Decibels on a scale
// of the format's own (0 dB is a step of 1), kSilentDb when no granule holds
// coded sound, empty when the frame is not layer III or is cut short.
// `frame` holds `bytes` bytes from the frame's first header byte on.
std::optional<float> frameLoudnessDb(
    const std::uint8_t* frame, std::size_t bytes, const MpegFrameHeader& header);

// The same in one byte, as the device's walk keeps it for each frame: the
// loudest global gain, 0 for a frame without coded sound (any gain that low
// already reads as kSilentDb). Only for whole layer III frames.
std::uint8_t frameLoudnessByte(const std::uint8_t* frame, const MpegFrameHeader& header);
// frameLoudnessByte for the frames of one shape (version, channels, CRC),
// chosen once, so that a walk over every frame does not work out where the
// gains lie for each.
using FrameLoudnessReader = std::uint8_t (*)(const std::uint8_t* frame);
FrameLoudnessReader frameLoudnessReaderFor(const MpegFrameHeader& header);
// Bytes of a frame that frameLoudnessByte reads.
int loudnessBytesRead(const MpegFrameHeader& header);

// The mean loudness of the frames of each stretch of equal length, from the
// start of the audio on.
struct LoudnessProfile {
    std::vector<float> levelsDb;
    double secondsPerLevel = 0;
    bool complete = false;
};
using LoudnessProgress = std::function<void(const LoudnessProfile&)>;

// Takes the loudness of each frame from the device's walk of `path` when it
// has one (waiting for it while it is under way), else walks the audio frames of `path`, cutting
// the audio into about `levelsWanted` stretches of a tenth of a second or more, and shows the
// profile so far to `progress` every few thousand frames. Empty when the file holds no frame whose
// loudness can be read. A stop request ends the walk promptly with what was found so far.
std::optional<LoudnessProfile> scanLoudness(const std::filesystem::path& path, int levelsWanted,
    const LoudnessProgress& progress, std::stop_token stop = {});

} // namespace mp3
