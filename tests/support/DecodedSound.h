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

// The decode as it comes, channels interleaved, with what the decoder tells
// of the stream: the samples it drops for gapless play and its length.
struct Pcm {
    int channels = 0;
    std::int64_t trim = 0;
    std::int64_t length = 0;
    std::vector<std::int16_t> samples;

    std::int64_t frames() const { return channels ? std::int64_t(samples.size()) / channels : 0; }
};

inline Pcm decodePcm(const std::filesystem::path& file)
{
    Pcm out;
    mp3::Mp3Decoder decoder;
    if (!decoder.open(file))
        return out;
    out.channels = decoder.channels();
    out.trim = decoder.gaplessTrim();
    out.length = decoder.length();
    std::vector<std::int16_t> buffer(16384);
    std::size_t got = 0;
    while (decoder.read(reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size() * 2, got)
        == mp3::Mp3Decoder::Read::Data)
        out.samples.insert(
            out.samples.end(), buffer.begin(), buffer.begin() + std::ptrdiff_t(got / 2));
    return out;
}

} // namespace decodedsound
