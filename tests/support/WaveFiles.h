#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace wavefiles {

inline void putLittleEndian(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

// A WAV file of 16-bit stereo at 44.1 kHz whose samples are `data`, under the
// format tag `format` (1: PCM, 0x55: MPEG layer III).
inline std::string waveFile(const std::string& data, std::uint16_t format = 1)
{
    std::string file = "RIFF";
    putLittleEndian(file, std::uint32_t(36 + data.size()), 4);
    file += "WAVEfmt ";
    putLittleEndian(file, 16, 4);
    putLittleEndian(file, format, 2);
    putLittleEndian(file, 2, 2); // channels
    putLittleEndian(file, 44100, 4);
    putLittleEndian(file, 44100 * 4, 4);
    putLittleEndian(file, 4, 2);
    putLittleEndian(file, 16, 2);
    file += "data";
    putLittleEndian(file, std::uint32_t(data.size()), 4);
    return file + data;
}

// `seconds` of dithered silence as 16-bit little-endian stereo: samples of
// -1, 0 and 1, the quiet that a recording holds between its sounds. Its
// bytes are full of the 0xFF 0xFF that starts an MPEG frame header.
inline std::string ditheredSilence(int seconds)
{
    std::mt19937 random(7);
    std::string samples;
    for (long i = 0; i < 44100L * 2 * seconds; ++i)
        putLittleEndian(samples, std::uint32_t(std::int16_t(int(random() % 3) - 1)), 2);
    return samples;
}

} // namespace wavefiles
