#pragma once

#include "platform/mp3/MpegFrameHeader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
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

// The loudness byte of every layer III frame of a file, in order, as a walk
// over its frames keeps it.
using FrameLoudness = std::vector<std::uint8_t>;
// A loudness byte in decibels, on the scale of frameLoudnessDb.
float loudnessByteDb(std::uint8_t loudness);

} // namespace mp3
