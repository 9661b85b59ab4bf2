#pragma once

#include <cstdint>
#include <optional>

namespace mp3 {

// The fixed four bytes that start every MPEG audio frame, decoded far enough
// to step from one frame to the next without decoding any audio.
struct MpegFrameHeader {
    enum class Version { Mpeg1, Mpeg2, Mpeg25 };

    static constexpr int kHeaderBytes = 4;
    static constexpr int kCrcBytes = 2;

    Version version = Version::Mpeg1;
    int layer = 3;
    int bitrateKbps = 0;
    int sampleRate = 0;
    bool padding = false;
    bool mono = false;
    // A 16-bit CRC follows the four header bytes.
    bool crcProtected = false;
    // The bit rate is the encoder's own (index 0): bitrateKbps is 0 and the
    // frame's size is known only from the distance between two frames.
    bool freeFormat = false;
    // Whole frame, header included.
    int frameBytes = 0;
    int samplesPerFrame = 0;

    // The padding slot this frame adds to its stream's size: a 4-byte slot in
    // layer I, a byte in the others.
    int paddingBytes() const { return padding ? (layer == 1 ? 4 : 1) : 0; }
    // Where the layer III side information starts: past the header and its CRC.
    int sideInfoOffset() const { return kHeaderBytes + (crcProtected ? kCrcBytes : 0); }
    // Bytes of layer III side information that follow the header (and its CRC).
    int sideInfoBytes() const
    {
        if (version == Version::Mpeg1)
            return mono ? 17 : 32;
        return mono ? 9 : 17;
    }
    // Bytes of a layer III frame after its header, CRC and side information:
    // the coded sound it carries, its own or a later frame's. 0 for other layers.
    int mainDataBytes() const
    {
        if (layer != 3)
            return 0;
        const int bytes = frameBytes - sideInfoOffset() - sideInfoBytes();
        return bytes > 0 ? bytes : 0;
    }
    // Frames of one stream share these; a header that differs is not ours.
    bool sameStreamAs(const MpegFrameHeader& other) const;
};

// Reads a header from `bytes` (at least 4). Empty for anything that is not a
// usable header. A free-format frame's size cannot be known from its header:
// it is read only when `freeFormatBytes`, the unpadded size of the stream's
// frames, is known, and is empty otherwise.
std::optional<MpegFrameHeader> parseFrameHeader(const std::uint8_t* bytes, int freeFormatBytes = 0);

// True when two headers agree on every bit that stays the same from frame to
// frame of one stream (all but padding, private bit, mode extension and the
// flags after it); how the next free-format frame is recognised.
bool sameFixedBits(const std::uint8_t* a, const std::uint8_t* b);

// How many bytes of a layer III frame's coded sound lie before its header, in
// the frames before it (main_data_begin); 0 for the other layers. `bytes`
// holds the frame's first 4 + 2 + 2 bytes. Inline, as a walk asks it of
// every frame.
inline int reservoirBytes(const std::uint8_t* bytes, const MpegFrameHeader& header)
{
    if (header.layer != 3)
        return 0;
    const std::uint8_t* side = bytes + header.sideInfoOffset();
    return header.version == MpegFrameHeader::Version::Mpeg1 ? (side[0] << 1) | (side[1] >> 7)
                                                             : side[0];
}

// Bits of coded sound a layer III frame's side information announces for all
// its granules and channels (the sum of their part2_3_length); 0 for the other
// layers. `bytes` holds the frame's header, CRC and side information.
int codedSoundBits(const std::uint8_t* bytes, const MpegFrameHeader& header);

} // namespace mp3
