#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace mp3 {

// The sound's own level in each stretch of equal length from the start of
// the audio on, found by decoding it: RMS and peak in dB of full scale, with
// both channels mixed into one. A silent stretch reads kSilentDb.
struct DecodedLoudness {
    std::vector<float> rmsDb;
    std::vector<float> peakDb;
    double secondsPerLevel = 0;
    bool complete = false;
};
using DecodedProgress = std::function<void(const DecodedLoudness&)>;

// Decodes `path` whole, in stretches of about `secondsPerLevel`, and shows the
// levels so far to `progress` after every `levelsPerProgress` stretches.
// Empty when the file cannot be decoded. A stop request ends the decoding
// promptly with what was found so far.
std::optional<DecodedLoudness> decodeLoudness(const std::filesystem::path& path,
    double secondsPerLevel, int levelsPerProgress, const DecodedProgress& progress,
    std::stop_token stop = {});

} // namespace mp3
