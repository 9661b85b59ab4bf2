#pragma once

#include <cstdint>
#include <optional>

namespace mci {

// The fixed four bytes that start every MPEG audio frame, decoded far enough
// to step from one frame to the next without decoding any audio.
struct MpegFrameHeader {
    enum class Version { Mpeg1, Mpeg2, Mpeg25 };

    Version version = Version::Mpeg1;
    int layer = 3;
    int bitrateKbps = 0;
    int sampleRate = 0;
    bool padding = false;
    bool mono = false;
    // Whole frame, header included.
    int frameBytes = 0;
    int samplesPerFrame = 0;

    // Bytes of layer III side information that follow the header (and its CRC).
    int sideInfoBytes() const;
    // Frames of one stream share these; a header that differs is not ours.
    bool sameStreamAs(const MpegFrameHeader& other) const;
};

// Reads a header from `bytes` (at least 4). Empty for anything that is not a
// usable header, including free-format frames, whose size cannot be known
// from the header alone.
std::optional<MpegFrameHeader> parseFrameHeader(const std::uint8_t* bytes);

} // namespace mci
