// Writes a test tone as a 16-bit PCM WAV file, for making the test MP3s with lame:
//   trimora_tone OUT.wav SECONDS RATE CHANNELS
// The pitch steps through a short arpeggio every half second, so a listener
// can hear where in the file playback is.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

void putLittleEndian(std::ofstream& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.put(char((value >> (8 * i)) & 0xFF));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s OUT.wav SECONDS RATE CHANNELS\n", argv[0]);
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    const std::uint32_t rate = std::uint32_t(std::atoi(argv[3]));
    const std::uint32_t channels = std::uint32_t(std::atoi(argv[4]));
    if (seconds <= 0 || rate == 0 || channels < 1 || channels > 2)
        return 2;
    const std::uint32_t frames = std::uint32_t(std::lround(seconds * rate));
    const std::uint32_t dataBytes = frames * channels * 2;

    std::ofstream out(argv[1], std::ios::binary);
    out.write("RIFF", 4);
    putLittleEndian(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    putLittleEndian(out, 16, 4);
    putLittleEndian(out, 1, 2); // PCM
    putLittleEndian(out, channels, 2);
    putLittleEndian(out, rate, 4);
    putLittleEndian(out, rate * channels * 2, 4);
    putLittleEndian(out, channels * 2, 2);
    putLittleEndian(out, 16, 2);
    out.write("data", 4);
    putLittleEndian(out, dataBytes, 4);

    constexpr double pitches[] = { 440.0, 554.37, 659.25, 880.0 };
    double phase = 0;
    std::vector<char> frame(channels * 2);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double pitch = pitches[(i / (rate / 2)) % 4];
        phase += 2 * std::numbers::pi * pitch / rate;
        const auto sample = std::int16_t(0.3 * 32767 * std::sin(phase));
        for (std::uint32_t c = 0; c < channels; ++c) {
            frame[2 * c] = char(std::uint16_t(sample) & 0xFF);
            frame[2 * c + 1] = char(std::uint16_t(sample) >> 8);
        }
        out.write(frame.data(), std::streamsize(frame.size()));
    }
    return out ? 0 : 1;
}
