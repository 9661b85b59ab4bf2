#include "platform/mp3/MpegFrameHeader.h"

namespace mp3 {

namespace {

    // Bitrates in kbit/s by bitrate index; index 0 (free format) and 15 are unusable.
    constexpr int kBitratesMpeg1[3][16] = {
        { 0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0 },
        { 0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0 },
        { 0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0 },
    };
    constexpr int kBitratesMpeg2[3][16] = {
        { 0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0 },
        { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0 },
        { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0 },
    };
    constexpr int kSampleRatesMpeg1[3] = { 44100, 48000, 32000 };

} // namespace

bool MpegFrameHeader::sameStreamAs(const MpegFrameHeader& other) const
{
    return version == other.version && layer == other.layer && sampleRate == other.sampleRate;
}

std::optional<MpegFrameHeader> parseFrameHeader(const std::uint8_t* bytes, int freeFormatBytes)
{
    if (bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int versionBits = (bytes[1] >> 3) & 0x3;
    const int layerBits = (bytes[1] >> 1) & 0x3;
    const int bitrateIndex = (bytes[2] >> 4) & 0xF;
    const int rateIndex = (bytes[2] >> 2) & 0x3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 15 || rateIndex == 3
        || (bitrateIndex == 0 && freeFormatBytes <= 0))
        return std::nullopt;

    MpegFrameHeader header;
    header.version = versionBits == 3 ? MpegFrameHeader::Version::Mpeg1
        : versionBits == 2            ? MpegFrameHeader::Version::Mpeg2
                                      : MpegFrameHeader::Version::Mpeg25;
    header.layer = 4 - layerBits;
    const bool mpeg1 = header.version == MpegFrameHeader::Version::Mpeg1;
    header.bitrateKbps = mpeg1 ? kBitratesMpeg1[header.layer - 1][bitrateIndex]
                               : kBitratesMpeg2[header.layer - 1][bitrateIndex];
    header.sampleRate = kSampleRatesMpeg1[rateIndex];
    if (header.version == MpegFrameHeader::Version::Mpeg2)
        header.sampleRate /= 2;
    else if (header.version == MpegFrameHeader::Version::Mpeg25)
        header.sampleRate /= 4;
    header.padding = (bytes[2] >> 1) & 0x1;
    header.mono = ((bytes[3] >> 6) & 0x3) == 3;
    header.crcProtected = !(bytes[1] & 0x01);
    header.samplesPerFrame = header.layer == 1 ? 384 : (header.layer == 2 || mpeg1) ? 1152 : 576;
    if (bitrateIndex == 0) {
        header.freeFormat = true;
        header.frameBytes = freeFormatBytes + header.paddingBytes();
        return header;
    }

    const int bitsPerSecond = header.bitrateKbps * 1000;
    switch (header.layer) {
    case 1:
        header.frameBytes = (12 * bitsPerSecond / header.sampleRate + header.padding) * 4;
        break;
    case 2:
        header.frameBytes = 144 * bitsPerSecond / header.sampleRate + header.padding;
        break;
    default:
        header.frameBytes = (mpeg1 ? 144 : 72) * bitsPerSecond / header.sampleRate + header.padding;
        break;
    }
    return header;
}

bool sameFixedBits(const std::uint8_t* a, const std::uint8_t* b)
{
    return a[0] == b[0] && a[1] == b[1] && (a[2] & 0xFC) == (b[2] & 0xFC)
        && (a[3] & 0xC0) == (b[3] & 0xC0);
}

int codedSoundBits(const std::uint8_t* bytes, const MpegFrameHeader& header)
{
    if (header.layer != 3)
        return 0;
    const std::uint8_t* side = bytes + header.sideInfoOffset();
    const auto bitsAt = [side](int first, int count) {
        int value = 0;
        for (int bit = first; bit < first + count; ++bit)
            value = (value << 1) | ((side[bit / 8] >> (7 - bit % 8)) & 1);
        return value;
    };
    // MPEG-1: main_data_begin (9), private bits (5 or 3) and scfsi (4 a
    // channel), then two granules of 59 bits a channel. The others: 8, then 1
    // or 2 private bits and one granule of 63 bits a channel.
    const bool mpeg1 = header.version == MpegFrameHeader::Version::Mpeg1;
    const int channels = header.mono ? 1 : 2;
    const int granules = mpeg1 ? 2 : 1;
    const int perChannel = mpeg1 ? 59 : 63;
    const int first = mpeg1 ? 9 + (header.mono ? 5 : 3) + 4 * channels : 8 + (header.mono ? 1 : 2);
    int bits = 0;
    for (int granule = 0; granule < granules * channels; ++granule)
        bits += bitsAt(first + granule * perChannel, 12);
    return bits;
}

} // namespace mp3
