#pragma once

#include "platform/mp3/FrameLoudness.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace mp3 {

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
