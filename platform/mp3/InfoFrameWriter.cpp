#include "platform/mp3/InfoFrameWriter.h"

#include "platform/mp3/FrameBuilding.h"

#include <algorithm>
#include <cstring>

namespace mp3 {

namespace {

    constexpr int kExtensionBytes = 36;
    constexpr int kMost12Bits = 4095;

    void putBigEndian(std::uint8_t* at, std::uint32_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            at[i] = std::uint8_t(value >> (8 * (bytes - 1 - i)));
    }

} // namespace

std::optional<std::vector<std::uint8_t>> makeInfoFrame(
    std::span<const std::uint8_t> streamHeader, const InfoFrameFields& fields)
{
    if (fields.encoderDelay < 0 || fields.encoderDelay > kMost12Bits || fields.padding < 0
        || fields.padding > kMost12Bits)
        return std::nullopt;
    const int tagBytes = 16 + (fields.seekTable ? 100 : 0) + kExtensionBytes;
    std::array<std::uint8_t, 4> headerBytes {};
    // Readers look for the tag right after the side information, as if no
    // CRC could come before it.
    const auto header
        = headerWithRoom(streamHeader, tagBytes, false, headerBytes, fields.freeFormatBytes);
    if (!header)
        return std::nullopt;
    std::vector<std::uint8_t> frame = silentFrame(*header, headerBytes);
    std::uint8_t* tag = frame.data() + header->sideInfoOffset() + header->sideInfoBytes();
    std::memcpy(tag, fields.seekTable ? "Xing" : "Info", 4);
    putBigEndian(tag + 4, fields.seekTable ? 0x7 : 0x3, 4);
    putBigEndian(tag + 8, fields.frames, 4);
    putBigEndian(tag + 12, fields.bytes, 4);
    std::uint8_t* extension = tag + 16;
    if (fields.seekTable) {
        std::copy(fields.seekTable->begin(), fields.seekTable->end(), extension);
        extension += 100;
    }
    // Decoders read the delay and padding only under an encoder name they
    // know; this one is the name the extension's layout goes by.
    std::memcpy(extension, "LAME     ", 9);
    // Revision 0; the bit rate method: 1 constant, 4 variable.
    extension[9] = fields.seekTable ? 4 : 1;
    // Bit rate (constant only; 255 means that or more).
    if (!fields.seekTable)
        extension[20] = std::uint8_t(std::min(255, header->bitrateKbps));
    putBigEndian(extension + 21,
        (std::uint32_t(fields.encoderDelay) << 12) | std::uint32_t(fields.padding), 3);
    putBigEndian(extension + 28, fields.bytes, 4);
    // The music CRC (bytes 32 and 33) stays 0: it would need every byte of
    // the clip before the first is written, and no decoder checks it.
    const auto covered = std::size_t(extension + 34 - frame.data());
    putBigEndian(extension + 34, crc16Reflected(std::span(frame).first(covered)), 2);
    return frame;
}

} // namespace mp3
