#pragma once

#include "platform/mp3/Mp3Decoder.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <vector>

namespace decodedsound {

// What a file sounds like, as the device decodes it: gapless, with its
// channels mixed into one.
struct Sound {
    long rate = 0;
    std::vector<double> samples;
};

// Decodes `file` up to `mostSeconds` (a clip that decodes on past its source
// is stopped there); no samples when it cannot be opened.
inline Sound decode(
    const std::filesystem::path& file, double mostSeconds = std::numeric_limits<double>::infinity())
{
    Sound out;
    mp3::Mp3Decoder decoder;
    if (!decoder.open(file))
        return out;
    out.rate = decoder.sampleRate();
    const auto channels = std::size_t(decoder.channels());
    const double most = mostSeconds * double(out.rate);
    std::vector<std::int16_t> buffer(16384);
    std::size_t got = 0;
    while (double(out.samples.size()) < most
        && decoder.read(reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size() * 2, got)
            == mp3::Mp3Decoder::Read::Data)
        for (std::size_t i = 0; i + channels <= got / 2; i += channels) {
            double sum = 0;
            for (std::size_t c = 0; c < channels; ++c)
                sum += buffer[i + c];
            out.samples.push_back(sum / double(channels));
        }
    return out;
}

} // namespace decodedsound
