#include "platform/mp3/FrameBuilding.h"

#include <algorithm>

namespace mp3 {

std::optional<MpegFrameHeader> headerWithRoom(std::span<const std::uint8_t> streamHeader,
    int mainDataBytes, bool crcProtected, std::array<std::uint8_t, 4>& bytes, int freeFormatBytes)
{
    if (streamHeader.size() < 4)
        return std::nullopt;
    const auto stream = parseFrameHeader(streamHeader.data(), std::max(freeFormatBytes, 1));
    if (!stream || stream->layer != 3)
        return std::nullopt;
    // A free-format stream has one size; the others, fifteen.
    const int fewest = stream->freeFormat ? 0 : 1;
    const int most = stream->freeFormat ? 0 : 14;
    for (int index = fewest; index <= most; ++index) {
        // Sync, version, layer and the protection bit (clear: protected);
        // then bit rate, the stream's rate, no padding and its private bit;
        // the channel mode and the flags after it as they are.
        bytes = { streamHeader[0], std::uint8_t((streamHeader[1] & 0xFE) | (crcProtected ? 0 : 1)),
            std::uint8_t((index << 4) | (streamHeader[2] & 0x0D)), streamHeader[3] };
        const auto header = parseFrameHeader(bytes.data(), freeFormatBytes);
        if (header && header->mainDataBytes() >= mainDataBytes)
            return header;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> silentFrame(
    const MpegFrameHeader& header, const std::array<std::uint8_t, 4>& headerBytes)
{
    std::vector<std::uint8_t> frame(std::size_t(header.frameBytes), 0);
    std::copy(headerBytes.begin(), headerBytes.end(), frame.begin());
    protectFrame(frame, header);
    return frame;
}

void protectFrame(std::span<std::uint8_t> frame, const MpegFrameHeader& header)
{
    const auto sideEnd = std::size_t(header.sideInfoOffset() + header.sideInfoBytes());
    if (!header.crcProtected || frame.size() < sideEnd)
        return;
    // CRC-16, polynomial 0x8005, from 0xFFFF, highest bit first.
    std::uint16_t crc = 0xFFFF;
    const auto add = [&crc](std::uint8_t byte) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool top = ((crc >> 15) & 1) != ((byte >> bit) & 1);
            crc = std::uint16_t(crc << 1);
            if (top)
                crc ^= 0x8005;
        }
    };
    add(frame[2]);
    add(frame[3]);
    for (std::size_t at = std::size_t(header.sideInfoOffset()); at < sideEnd; ++at)
        add(frame[at]);
    frame[4] = std::uint8_t(crc >> 8);
    frame[5] = std::uint8_t(crc & 0xFF);
}

std::uint16_t crc16Reflected(std::span<const std::uint8_t> bytes)
{
    std::uint16_t crc = 0;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ 0xA001) : std::uint16_t(crc >> 1);
    }
    return crc;
}

} // namespace mp3
