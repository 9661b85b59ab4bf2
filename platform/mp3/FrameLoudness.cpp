#include "platform/mp3/FrameLoudness.h"

#include <algorithm>
#include <utility>

namespace mp3 {

namespace {

    // Global gain of a step of 1; each unit above it is 2^(1/4) in amplitude.
    constexpr int kUnitGain = 210;
    constexpr float kDbPerGainStep = 1.5f;

    // The global gain of the granule and channel whose fields start `bit`
    // bits into the side information, -1 when it holds no coded sound. Its
    // part2_3_length (12 bits) and, 21 bits on, its global_gain (8 bits) lie
    // within eight bytes, read big-endian in one load; the side information
    // is long enough for that at every granule.
    template <int bit> int gainIfCoded(const std::uint8_t* sideInfo)
    {
        // Written out, so that the compiler makes it one load and a byte swap.
        const std::uint8_t* p = sideInfo + bit / 8;
        const std::uint64_t word = (std::uint64_t(p[0]) << 56) | (std::uint64_t(p[1]) << 48)
            | (std::uint64_t(p[2]) << 40) | (std::uint64_t(p[3]) << 32)
            | (std::uint64_t(p[4]) << 24) | (std::uint64_t(p[5]) << 16) | (std::uint64_t(p[6]) << 8)
            | std::uint64_t(p[7]);
        constexpr int start = 64 - bit % 8;
        const auto codedBits = int((word >> (start - 12)) & 0xFFF);
        const auto gain = int((word >> (start - 29)) & 0xFF);
        return codedBits > 0 ? gain : -1;
    }

    // The loudest global gain of the granules and channels that hold coded
    // sound, -1 when none does. Each granule and channel's fields come in a
    // run of fixed length (part2_3_length, big_values, global_gain, then 4 +
    // 1 + 22 + 3 bits in MPEG-1, 9 + 1 + 22 + 2 in MPEG-2 and 2.5), so every
    // gain lies at a bit known when compiling, read without stepping through
    // the others or branching: a walk reads this for every frame.
    template <bool mpeg1, bool mono, std::size_t... granuleChannel>
    int loudestGainOf(const std::uint8_t* sideInfo, std::index_sequence<granuleChannel...>)
    {
        // main_data_begin, private bits and, for MPEG-1, the scale factor sharing flags.
        constexpr int channels = mono ? 1 : 2;
        constexpr int first = mpeg1 ? 9 + (mono ? 5 : 3) + 4 * channels : 8 + (mono ? 1 : 2);
        constexpr int stride = mpeg1 ? 59 : 63;
        return std::max({ gainIfCoded<first + int(granuleChannel) * stride>(sideInfo)... });
    }

    template <bool mpeg1, bool mono> int loudestGainOf(const std::uint8_t* sideInfo)
    {
        constexpr std::size_t granulesAndChannels = (mpeg1 ? 2 : 1) * (mono ? 1 : 2);
        return loudestGainOf<mpeg1, mono>(
            sideInfo, std::make_index_sequence<granulesAndChannels> {});
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
