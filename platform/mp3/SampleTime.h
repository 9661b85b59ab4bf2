#pragma once

#include <cmath>
#include <cstdint>

namespace mp3 {

// Milliseconds and samples (per channel) at `sampleRate` samples a second,
// each rounded to the nearest: how the device turns a position in one into
// the other, and so how everything that must agree with it does.
inline std::int64_t samplesAtMs(std::int64_t ms, long sampleRate)
{
    return std::llround(double(ms) * double(sampleRate) / 1000.0);
}

inline std::int64_t msAtSamples(std::int64_t samples, long sampleRate)
{
    return std::llround(double(samples) * 1000.0 / double(sampleRate));
}

} // namespace mp3
