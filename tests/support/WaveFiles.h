#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace wavefiles {

inline std::string littleEndian(std::uint32_t value, int bytes)
{
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xFF);
    return out;
}

// A WAV file of 16-bit stereo at 44.1 kHz holding `data` under the format
// tag `format` (1: PCM, 0x55: MPEG layer III).
inline std::string waveFile(const std::string& data, std::uint16_t format = 1)
{
    return "RIFF" + littleEndian(std::uint32_t(36 + data.size()), 4) + "WAVEfmt "
        + littleEndian(16, 4) + littleEndian(format, 2) + littleEndian(2, 2)
        + littleEndian(44100, 4) + littleEndian(44100 * 4, 4) + littleEndian(4, 2)
        + littleEndian(16, 2) + "data" + littleEndian(std::uint32_t(data.size()), 4) + data;
}

// The quiet between the sounds of a recording: 16-bit samples of -1, 0 and 1,
// whose bytes are full of the 0xFF 0xFF that starts an MPEG frame header.
inline std::string ditheredSilence(int seconds)
{
    std::mt19937 random(7);
    std::string samples;
    for (long i = 0; i < 44100L * 2 * seconds; ++i)
        samples += littleEndian(std::uint32_t(std::int16_t(int(random() % 3) - 1)), 2);
    return samples;
}

} // namespace wavefiles
