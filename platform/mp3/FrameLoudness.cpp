#include "platform/mp3/FrameLoudness.h"

#include <algorithm>

namespace mp3 {

namespace {

    // Global gain of a step of 1; each unit above it is 2^(1/4) in amplitude.
    constexpr int kUnitGain = 210;
    constexpr float kDbPerGainStep = 1.5f;

    // The loudest global gain of the granules and channels that hold coded
    // sound, -1 when none does. Each granule and channel's fields come in a
    // run of fixed length (part2_3_length, big_values, global_gain, then 4 +
    // 1 + 22 + 3 bits in MPEG-1, 9 + 1 + 22 + 2 in MPEG-2 and 2.5), so every
    // gain lies at a known bit, read without stepping through the others. One
    // version for each shape of side information, so that a walk over every
    // frame reads the gains at constant bits, without branching on each.
    template <bool mpeg1, bool mono> int loudestGainOf(const std::uint8_t* sideInfo)
    {
        constexpr int channels = mono ? 1 : 2;
        constexpr int granules = mpeg1 ? 2 : 1;
        // main_data_begin, private bits and, for MPEG-1, the scale factor sharing flags.
        constexpr int first = mpeg1 ? 9 + (mono ? 5 : 3) + 4 * channels : 8 + (mono ? 1 : 2);
        constexpr int stride = mpeg1 ? 59 : 63;
        // Four bytes read big-endian, which the compiler makes a single load;
        // the last gain's four end well inside the side information.
        const auto bitsAt = [sideInfo](int bit, int count) {
            const std::uint8_t* p = sideInfo + bit / 8;
            const std::uint32_t word = (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16)
                | (std::uint32_t(p[2]) << 8) | p[3];
            return int((word >> (32 - bit % 8 - count)) & ((1u << count) - 1));
        };
        int loudest = -1;
        for (int g = 0; g < granules * channels; ++g) {
            const int at = first + g * stride;
            loudest = std::max(loudest, bitsAt(at, 12) > 0 ? bitsAt(at + 21, 8) : -1);
        }
        return loudest;
    }

    template <bool mpeg1, bool mono, bool crc>
    std::uint8_t loudnessByteOf(const std::uint8_t* frame)
    {
        constexpr int sideInfoOffset
            = MpegFrameHeader::kHeaderBytes + (crc ? MpegFrameHeader::kCrcBytes : 0);
        return std::uint8_t(std::max(0, loudestGainOf<mpeg1, mono>(frame + sideInfoOffset)));
    }

    int loudestGain(const std::uint8_t* sideInfo, const MpegFrameHeader& header)
    {
        const bool mpeg1 = header.version == MpegFrameHeader::Version::Mpeg1;
        if (mpeg1)
            return header.mono ? loudestGainOf<true, true>(sideInfo)
                               : loudestGainOf<true, false>(sideInfo);
        return header.mono ? loudestGainOf<false, true>(sideInfo)
                           : loudestGainOf<false, false>(sideInfo);
    }

    float dbOfGain(int gain)
    {
        return gain < 0 ? kSilentDb : std::max(kSilentDb, kDbPerGainStep * float(gain - kUnitGain));
    }

} // namespace

int loudnessBytesRead(const MpegFrameHeader& header)
{
    // The last gain's three bytes may reach two bytes past the side information.
    return header.sideInfoOffset() + header.sideInfoBytes() + 2;
}

std::optional<float> frameLoudnessDb(
    const std::uint8_t* frame, std::size_t bytes, const MpegFrameHeader& header)
{
    if (header.layer != 3 || bytes < std::size_t(loudnessBytesRead(header)))
        return std::nullopt;
    return dbOfGain(loudestGain(frame + header.sideInfoOffset(), header));
}

std::uint8_t frameLoudnessByte(const std::uint8_t* frame, const MpegFrameHeader& header)
{
    return frameLoudnessReaderFor(header)(frame);
}

FrameLoudnessReader frameLoudnessReaderFor(const MpegFrameHeader& header)
{
    static constexpr FrameLoudnessReader kReaders[2][2][2] = {
        { { loudnessByteOf<false, false, false>, loudnessByteOf<false, false, true> },
            { loudnessByteOf<false, true, false>, loudnessByteOf<false, true, true> } },
        { { loudnessByteOf<true, false, false>, loudnessByteOf<true, false, true> },
            { loudnessByteOf<true, true, false>, loudnessByteOf<true, true, true> } },
    };
    return kReaders[header.version == MpegFrameHeader::Version::Mpeg1][header.mono]
                   [header.crcProtected];
}

float loudnessByteDb(std::uint8_t loudness)
{
    // A byte of 0 is a frame without coded sound; any gain that low reads
    // as silence anyway.
    return dbOfGain(loudness);
}

} // namespace mp3
