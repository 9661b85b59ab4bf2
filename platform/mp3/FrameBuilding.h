#pragma once

#include "platform/mp3/MpegFrameHeader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mp3 {

// Frames made anew for a clip: headers of the stream's version, layer, rate
// and channel mode at the bit rate that gives the room wanted, and the
// checksums that cover them.

// The header of the stream whose header is `streamHeader`, at the smallest
// bit rate whose unpadded layer III frame holds at least `mainDataBytes`
// after its side information, with a CRC or without. A free-format stream
// keeps its own size, `freeFormatBytes` unpadded. Empty when the header is
// not one of a layer III stream, or no bit rate gives that much room.
std::optional<MpegFrameHeader> headerWithRoom(std::span<const std::uint8_t> streamHeader,
    int mainDataBytes, bool crcProtected, std::array<std::uint8_t, 4>& bytes,
    int freeFormatBytes = 0);

// A layer III frame of `header` (from headerWithRoom, its bytes in
// `headerBytes`) whose side information is all zero: no coded sound, so it
// decodes to silence and leaves a decoder as it found it. Its main data area
// is zero-filled.
std::vector<std::uint8_t> silentFrame(
    const MpegFrameHeader& header, const std::array<std::uint8_t, 4>& headerBytes);

// Writes the CRC of a protected layer III frame (over the header's last two
// bytes and the side information) into its two bytes after the header.
void protectFrame(std::span<std::uint8_t> frame, const MpegFrameHeader& header);

// The CRC-16 (polynomial 0x8005, bits read lowest first, starting at 0) that
// an info frame's encoder extension carries over its own bytes.
std::uint16_t crc16Reflected(std::span<const std::uint8_t> bytes);

} // namespace mp3
