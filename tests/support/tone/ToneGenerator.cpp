// Writes a test tone as a 16-bit PCM WAV file, for making the test MP3s with lame:
//   trimora_tone OUT.wav SECONDS RATE CHANNELS [stepped|stepped-noise]
// The pitch steps through a short arpeggio every half second, so a listener
// can hear where in the file playback is. "stepped" gives second K a pitch of
// its own instead (400 + 200 K Hz), so that a decoded piece says which seconds
// it holds; "stepped-noise" adds loud noise to every other second, which makes
// a VBR encoder swing its bit rate widely.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <string>
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
    if (argc != 5 && argc != 6) {
        std::fprintf(
            stderr, "usage: %s OUT.wav SECONDS RATE CHANNELS [stepped|stepped-noise]\n", argv[0]);
        return 2;
    }
    const std::string mode = argc == 6 ? argv[5] : "";
    const bool stepped = mode == "stepped" || mode == "stepped-noise";
    const bool noisy = mode == "stepped-noise";
    if (!mode.empty() && !stepped)
        return 2;
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
    std::uint32_t noiseState = 1;
    std::vector<char> frame(channels * 2);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const std::uint32_t second = i / rate;
        const double pitch = stepped ? 400.0 + 200.0 * second : pitches[(i / (rate / 2)) % 4];
        phase += 2 * std::numbers::pi * pitch / rate;
        double value = 0.3 * std::sin(phase);
        if (noisy && second % 2 == 1) {
            noiseState = noiseState * 1664525u + 1013904223u;
            value += 0.3 * (double(noiseState >> 8) / double(1u << 24) * 2 - 1);
        }
        const auto sample = std::int16_t(value * 32767);
        for (std::uint32_t c = 0; c < channels; ++c) {
            frame[2 * c] = char(std::uint16_t(sample) & 0xFF);
            frame[2 * c + 1] = char(std::uint16_t(sample) >> 8);
        }
        out.write(frame.data(), std::streamsize(frame.size()));
    }
    return out ? 0 : 1;
}
