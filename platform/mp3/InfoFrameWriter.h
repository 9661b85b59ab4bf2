#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mp3 {

// What an info frame at the head of a layer III stream tells a decoder.
struct InfoFrameFields {
    // Audio frames after the info frame.
    std::uint32_t frames = 0;
    // Bytes of the stream, the info frame included.
    std::uint32_t bytes = 0;
    // Samples a gapless decoder drops from the start, less its own delay of
    // 529, and from the end, plus that delay; 12 bits each.
    int encoderDelay = 0;
    int padding = 0;
    // For a stream of varying bit rate: where each hundredth of its duration
    // starts, in 256ths of `bytes`. Empty for one bit rate throughout ("Info").
    std::optional<std::array<std::uint8_t, 100>> seekTable;
    // The unpadded size of a free-format stream's frames; 0 for the others.
    int freeFormatBytes = 0;
};

// An info frame (Xing fields and the encoder extension with its CRC) in the
// version, rate and channel mode of the stream whose header is `streamHeader`,
// without a CRC of its own, at the smallest bit rate that holds it (a free-
// format stream's own size). Empty when the header is not one of a layer III
// stream, nothing holds it, or a delay or padding does not fit in 12 bits.
std::optional<std::vector<std::uint8_t>> makeInfoFrame(
    std::span<const std::uint8_t> streamHeader, const InfoFrameFields& fields);

} // namespace mp3
