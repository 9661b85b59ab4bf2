#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace mci {

// Where the audio of an MP3 file lies among its bytes, and where the frames
// holding two moments of it begin. Moments are milliseconds on the timeline
// the device plays and reports: the samples a gapless decoder trims from the
// start do not count. Offsets count from 0.
struct AudioBytes {
    // First byte of the first frame that carries audio (tags and the info
    // frame lie before it), and one past the last whole audio frame.
    std::int64_t audioStart = 0;
    std::int64_t audioEnd = 0;
    // Every audio frame at one bit rate, so that bytes grow in step with time.
    bool constantBitrate = false;
    // Milliseconds of the audio bytes that the device does not play: what a
    // gapless decoder trims from the start, rounded to whole milliseconds.
    std::int32_t trimmedMs = 0;
    // First byte of the earliest frame that holds part of the coded sound of
    // the frame holding the start moment: a layer III frame may keep some of
    // it in the frames before it (the bit reservoir), and a copy that begins
    // later decodes that frame, and often several after it, to silence.
    std::int64_t startSound = 0;
    // First byte of the frame holding the end moment.
    // Both are audioEnd for a moment past the last frame.
    std::int64_t endFrame = 0;
};

// Walks the frame headers of `path` as far as the answer needs: to the frame
// holding `endMs`, or through the whole file while every frame so far had the
// same bit rate. Nothing when the file holds no MPEG audio frames.
std::optional<AudioBytes> findAudioBytes(
    const std::filesystem::path& path, std::int64_t startMs, std::int64_t endMs);

} // namespace mci
