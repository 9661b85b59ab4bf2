#include "platform/mp3/LoudnessDecode.h"

#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameLoudness.h"
#include "platform/mp3/Mp3Decoder.h"
#include "platform/mp3/Mp3Layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace mp3 {

namespace {

    constexpr double kFullScale = 32768.0;

    float decibels(double amplitude)
    {
        return amplitude > 0 ? std::max(kSilentDb, float(20.0 * std::log10(amplitude / kFullScale)))
                             : kSilentDb;
    }

    // Sums one stretch's samples as they arrive.
    struct Stretch {
        double sumOfSquares = 0;
        int peak = 0;
        std::int64_t samples = 0;

        void add(const std::int16_t* samples16, std::size_t count)
        {
            double sum = 0;
            int loudest = peak;
            for (std::size_t i = 0; i < count; ++i) {
                const int sample = samples16[i];
                sum += double(sample * sample);
                loudest = std::max(loudest, std::abs(sample));
            }
            sumOfSquares += sum;
            peak = loudest;
            samples += std::int64_t(count);
        }
    };

} // namespace

std::optional<DecodedLoudness> decodeLoudness(const std::filesystem::path& path,
    double secondsPerLevel, int levelsPerProgress, const DecodedProgress& progress,
    std::stop_token stop)
{
    std::int64_t audioStart = 0;
    {
        FileReader file(path);
        if (!file.isOpen())
            return std::nullopt;
        if (const auto layout = findMp3Layout(file))
            audioStart = layout->audioStart;
    }
    Mp3Decoder decoder;
    decoder.setMixToMono(true);
    if (!decoder.open(path, audioStart, stop) || decoder.channels() != 1 || secondsPerLevel <= 0)
        return std::nullopt;

    DecodedLoudness loudness;
    const auto samplesPerLevel
        = std::max<std::int64_t>(1, std::llround(secondsPerLevel * double(decoder.sampleRate())));
    loudness.secondsPerLevel = double(samplesPerLevel) / double(decoder.sampleRate());
    Stretch stretch;
    const auto finishStretch = [&] {
        loudness.rmsDb.push_back(decibels(
            std::sqrt(stretch.sumOfSquares / double(std::max<std::int64_t>(1, stretch.samples)))));
        loudness.peakDb.push_back(decibels(stretch.peak));
        stretch = {};
        if (progress && levelsPerProgress > 0
            && loudness.rmsDb.size() % std::size_t(levelsPerProgress) == 0)
            progress(loudness);
    };

    std::array<std::int16_t, 16 * 1152> buffer;
    for (;;) {
        std::size_t bytes = 0;
        const auto read
            = decoder.read(reinterpret_cast<std::uint8_t*>(buffer.data()), sizeof buffer, bytes);
        if (read == Mp3Decoder::Read::Failed && stop.stop_requested())
            return loudness;
        std::size_t at = 0;
        const std::size_t count = bytes / sizeof(std::int16_t);
        while (at < count) {
            const auto take = std::size_t(std::min<std::int64_t>(
                samplesPerLevel - stretch.samples, std::int64_t(count - at)));
            stretch.add(buffer.data() + at, take);
            at += take;
            if (stretch.samples == samplesPerLevel)
                finishStretch();
        }
        if (read != Mp3Decoder::Read::Data)
            break;
    }
    if (stretch.samples > 0)
        finishStretch();
    loudness.complete = true;
    return loudness;
}

} // namespace mp3
